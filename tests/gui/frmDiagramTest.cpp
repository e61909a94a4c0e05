#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QToolButton>
#include <cmath>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/TableChecks.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmTest.h"
#include "eof/frmCorrelVar.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

QColor ColourOf(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// Pixels of a colour along one image row.
int CountInRow(const QImage& image, int y, const QColor& colour)
{
    int n = 0;
    if (y < 0 || y >= image.height()) return 0;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

class DiagramTest : public ::testing::Test {
protected:
    DiagramTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    frmMain& m() { return app.main(); }
    Workspace& ws() { return app.ws(); }

    void Load(const std::string& fossil = kExamples + "fossil.csv")
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        app.correlVar().Command1->click();
        dialogs.QueueOpenFile(fossil);
        m().Command6->click();
        ASSERT_TRUE(ws().projectionDone);
    }
    frmDiagram& Open()
    {
        m().Command14->click();
        return app.diagram();
    }
    // Lets Qt delete windows that unloaded themselves.
    static void Settle()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    std::string Label(int sample) { return ws().fossilSampleLabels[sample]; }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(DiagramTest, DiagramOpensDisablesItselfAndClosingEnablesItAgain)
{
    Load();
    frmDiagram& d = Open();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.windowTitle(), "Diagram");
    EXPECT_FALSE(m().Command14->isEnabled());
    EXPECT_TRUE(ws().diagramDrawn);
    EXPECT_TRUE(ws().eofCurveDrawn);
    EXPECT_EQ(d.Slider1->minimum(), 1);
    EXPECT_EQ(d.Slider1->maximum(), 60);
    EXPECT_EQ(d.Combo1->count(), ws().refTaxonCount);
    EXPECT_EQ(d.Combo2->count(), 59) << "non-empty samples only";
    EXPECT_TRUE(d.Check1->isVisible());
    EXPECT_TRUE(d.mnuBar->isChecked());
    EXPECT_TRUE(dialogs.MessageTexts().empty());

    d.close();
    Settle();
    EXPECT_FALSE(app.diagramLoaded());
    EXPECT_TRUE(m().Command14->isEnabled());
    EXPECT_FALSE(ws().diagramDrawn);
    EXPECT_FALSE(ws().eofCurveDrawn);

    // Opening again loads a fresh window.
    Open();
    EXPECT_TRUE(app.diagram().isVisible());
    EXPECT_TRUE(ws().diagramDrawn);
}

TEST_F(DiagramTest, PrevAndNextGoThroughTheDiagramSliderBeforeAndAfterItExists)
{
    Load();
    ASSERT_FALSE(app.diagramLoaded());
    const int first = ws().currentFossilSample;
    m().Option5[1]->setChecked(true);  // "Sequential" enables the buttons
    m().Command13[1]->click();         // Next
    ASSERT_TRUE(app.diagramLoaded()) << "the slider's window is created to hold the sample";
    EXPECT_FALSE(app.diagram().isVisible());
    EXPECT_TRUE(ws().diagramDrawn) << "drawn off screen";
    EXPECT_EQ(app.diagram().Slider1->value(), first + 1);
    EXPECT_EQ(ws().currentFossilSample, first + 1);
    EXPECT_EQ(m().Combo1->currentText().toStdString(), Label(first + 1));

    m().Command13[0]->click();  // Prev.
    m().Command13[0]->click();  // Prev. again: wraps from 1 to 60
    EXPECT_EQ(ws().currentFossilSample, first == 1 ? 60 : first - 1);
    EXPECT_EQ(app.diagram().Slider1->value(), ws().currentFossilSample);

    // Opening the diagram later shows the hidden window with the current sample.
    Open();
    EXPECT_TRUE(app.diagram().isVisible());
    EXPECT_EQ(app.diagram().Slider1->value(), ws().currentFossilSample);
    m().Command13[1]->click();
    EXPECT_EQ(app.diagram().Slider1->value(), first == 1 ? 1 : first);
}

TEST_F(DiagramTest, SliderAndSampleListsMoveTheCurrentSampleEverywhere)
{
    Load();
    frmDiagram& d = Open();
    d.Slider1->setValue(17);
    EXPECT_EQ(ws().currentFossilSample, 17);
    EXPECT_TRUE(m().Option5[1]->isChecked()) << "the main window shows the current sample";
    EXPECT_EQ(m().Combo1->currentText().toStdString(), Label(17));
    EXPECT_EQ(d.Check1->text().toStdString(), Label(17));
    EXPECT_EQ(d.Combo2->currentText().toStdString(), Label(17));

    // The main window's list.
    m().Combo1->setCurrentIndex(m().Combo1->findText(QString::fromStdString(Label(30))));
    emit m().Combo1->activated(m().Combo1->currentIndex());
    EXPECT_EQ(d.Slider1->value(), 30);
    EXPECT_EQ(ws().currentFossilSample, 30);

    // The diagram's own list and arrows, which wrap.
    d.Combo2->setCurrentIndex(d.Combo2->findText(QString::fromStdString(Label(5))));
    emit d.Combo2->activated(d.Combo2->currentIndex());
    EXPECT_EQ(ws().currentFossilSample, 5);
    d.Slider1->setValue(60);
    d.UpDown1Down->click();
    EXPECT_EQ(ws().currentFossilSample, 1);
    d.UpDown1Up->click();
    EXPECT_EQ(ws().currentFossilSample, 60);
}

TEST_F(DiagramTest, DraggingTheCursorClampsAtBothEnds)
{
    Load();
    frmDiagram& d = Open();
    d.Slider1->setValue(20);
    PictureBox& p = *d.Picture1;
    const double y = d.Axis().Y(20);
    // Away from the cursor the pointer stays; over it, it becomes the sizing pointer.
    d.PanelMouseMove(p, Qt::NoButton, 100, y + 0.4 * p.ScaleHeight());
    EXPECT_EQ(p.MousePointer(), Pointer::Default);
    d.PanelMouseMove(p, Qt::NoButton, 100, y + 1);
    EXPECT_EQ(p.MousePointer(), Pointer::SizeNS);
    d.PanelMouseDown(p, Qt::LeftButton, 100, y + 1);
    ASSERT_TRUE(d.Dragging());
    d.PanelMouseMove(p, Qt::LeftButton, 100, 1e6);
    EXPECT_EQ(d.Slider1->value(), 60);
    d.PanelMouseMove(p, Qt::LeftButton, 100, -1e6);
    EXPECT_EQ(d.Slider1->value(), 1);
    d.PanelMouseMove(p, Qt::LeftButton, 100, d.Axis().Y(33));
    EXPECT_EQ(d.Slider1->value(), 33);
    d.PanelMouseUp(p, Qt::LeftButton, 100, d.Axis().Y(33));
    EXPECT_FALSE(d.Dragging());
    EXPECT_EQ(p.MousePointer(), Pointer::Default);
    EXPECT_EQ(ws().currentFossilSample, 33);

    // The EOF panel has the same grab zone.
    PictureBox& e = *d.Picture2;
    d.PanelMouseMove(e, Qt::NoButton, 0, d.Axis().Y(33));
    EXPECT_EQ(e.MousePointer(), Pointer::SizeNS);
    d.PanelMouseDown(e, Qt::LeftButton, 0, d.Axis().Y(33));
    d.PanelMouseMove(e, Qt::LeftButton, 0, 1e9);
    d.PanelMouseUp(e, Qt::LeftButton, 0, 1e9);
    EXPECT_EQ(ws().currentFossilSample, 60);
}

TEST_F(DiagramTest, ClosedDiagramIsNeverTouchedByLaterRedraws)
{
    Load();
    frmDiagram& d = Open();
    d.close();
    Settle();
    ASSERT_FALSE(app.diagramLoaded());
    m().Slider1->setValue(4);  // tightness, with no envelope shown
    m().Command11->click();    // Envelop
    m().Slider1->setValue(3);  // tightness reruns the envelope
    m().Slider4->setValue(3);  // zoom
    m().mnuGrey->trigger();    // colour preset
    m().Command11->click();    // Reset envelope
    EXPECT_FALSE(app.diagramLoaded()) << "redraws reach only windows that have drawn";
    EXPECT_FALSE(ws().diagramDrawn);
}

TEST_F(DiagramTest, SequentialTicksTheCursorBoxAndHideClearsIt)
{
    Load();
    frmDiagram& d = Open();
    m().Option5[2]->setChecked(true);
    EXPECT_FALSE(d.Check1->isChecked());
    m().Option5[1]->setChecked(true);
    EXPECT_TRUE(d.Check1->isChecked());
    d.Check1->setChecked(false);
    EXPECT_TRUE(m().Option5[2]->isChecked()) << "the cursor box off is 'Hide' in the main window";
    d.Check1->setChecked(true);
    EXPECT_TRUE(m().Option5[1]->isChecked());
}

TEST_F(DiagramTest, EnvelopeMarksCursorAndZoomReachTheDiagram)
{
    Load();
    frmDiagram& d = Open();
    m().Command11->click();  // Envelop: the example's no-analogue stretch leaves the envelope
    int outside = 0;
    for (int i = 1; i <= ws().fossilSampleCount; ++i) outside = ws().fossilOutside[i] ? i : outside;
    ASSERT_GT(outside, 0);
    const QColor c3 = ColourOf(ws().colours.schemeColour3.Value());
    const QColor c1 = ColourOf(ws().colours.schemeColour1.Value());
    PictureBox& p = *d.Picture1;
    const int row = p.PixelY(d.Axis().Y(outside));
    EXPECT_GT(CountInRow(p.persistentPicture(), row, c3), 0) << "bars of sample " << outside;

    d.Slider1->setValue(10);
    ASSERT_TRUE(d.Check1->isChecked());
    const int cursorRow = p.PixelY(d.Axis().Y(10));
    EXPECT_GE(CountInRow(p.picture(), cursorRow, c1), p.PixelWidth() - 2) << "cursor line";
    PictureBox& e = *d.Picture2;
    EXPECT_GE(CountInRow(e.picture(), e.PixelY(d.Axis().Y(10)), c1), e.PixelWidth() - 2);

    // Reset envelope: the diagram loses its warning colour.
    m().Command11->click();
    EXPECT_EQ(CountInRow(p.persistentPicture(), row, c3), 0);

    // The zoom is shared both ways.
    d.Slider2->setValue(4);
    EXPECT_EQ(m().Slider4->value(), 4);
    EXPECT_DOUBLE_EQ(ws().zoomFactor, 16);
    EXPECT_EQ(d.Label3[2]->text(), "16");
    EXPECT_EQ(ws().eofTickStep, 4);
    m().Slider4->setValue(0);
    EXPECT_EQ(d.Slider2->value(), 0);
    EXPECT_EQ(d.Label3[0]->text(), "-1");
}

TEST_F(DiagramTest, TooSmallWindowIsEnlargedWithAMessage)
{
    Load();
    frmDiagram& d = Open();
    d.resize(400, 500);
    QApplication::processEvents();
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>({"Frame too small"}));
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_GE(d.Picture1->width(), 5000 / 15 - 1);
    EXPECT_EQ(d.Picture4->width(), d.Picture1->width()) << "the labels follow the panel";
    EXPECT_EQ(d.HScroll1->width(), d.Picture1->width());
    EXPECT_EQ(d.Picture2->height(), d.Picture1->height());

    // A roomy window shows everything without a message.
    dialogs.records.clear();
    d.resize(1500, 900);
    QApplication::processEvents();
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_GT(d.Picture1->width(), 900);
}

TEST_F(DiagramTest, ScrollBarOnlyWhenTheColumnsDoNotFit)
{
    // Three taxa of at most 40 % fit into the panel.
    std::string reference = "," + std::string("A,B,C\n");
    for (int s = 1; s <= 12; ++s)
        reference += "S" + std::to_string(s) + "," + std::to_string(s) + "," +
                     std::to_string(13 - s) + "," + std::to_string(s % 3 + 1) + "\n";
    std::string fossil = ",A,B,C\n";
    for (int s = 1; s <= 5; ++s)
        fossil +=
            std::to_string(10 * s) + "," + std::to_string(s) + ",4," + std::to_string(6 - s) + "\n";
    dialogs.QueueOpenFile(WriteTemp("diagram_small_ref.csv", reference));
    m().Command5->click();
    app.correlVar().Command1->click();
    dialogs.QueueOpenFile(WriteTemp("diagram_small_fossil.csv", fossil));
    m().Command6->click();
    ASSERT_TRUE(ws().projectionDone);
    frmDiagram& d = Open();
    EXPECT_TRUE(d.HScroll1->isHidden());
    EXPECT_EQ(d.HScroll1->maximum(), 0);

    // The example's 25 taxa do not.
}

TEST_F(DiagramTest, ScrollingMovesColumnsAndLabels)
{
    Load();
    frmDiagram& d = Open();
    ASSERT_FALSE(d.HScroll1->isHidden());
    ASSERT_GT(d.HScroll1->maximum(), 0);
    const QImage before = d.Picture1->persistentPicture();
    const QImage labelsBefore = d.Picture4->persistentPicture();
    d.HScroll1->setValue(d.HScroll1->maximum());
    EXPECT_NE(d.Picture1->persistentPicture(), before);
    EXPECT_NE(d.Picture4->persistentPicture(), labelsBefore);
}

TEST_F(DiagramTest, EofFilesAreSavedThroughTheSaveDialog)
{
    Load();
    frmDiagram& d = Open();
    d.Combo1->setCurrentIndex(1);
    emit d.Combo1->activated(1);
    EXPECT_EQ(ws().diagramEof, 2);
    const std::string path = TempPath("diagram_eof2.csv");
    dialogs.QueueSaveFile(path);
    d.mnuSaveEOF->trigger();
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "\"Depth\",\"EOF-2\"");

    dialogs.QueueSaveFile(std::nullopt);
    d.mnuSaveAllEOF->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty()) << "a cancelled dialog ends silently";

    dialogs.QueueSaveFile(TempPath("no-such-folder/x/all.csv"));
    d.mnuSaveAllEOF->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.records.back().title, "Error");
}

TEST_F(DiagramTest, CopyCommandsPutThePanelsOnTheClipboard)
{
    Load();
    frmDiagram& d = Open();
    for (QAction* copy : {d.mnuCopyDiagram, d.mnuCopyEOF, d.mnuCopyTaxaName}) {
        copy->trigger();
        EXPECT_TRUE(copy->isEnabled());
    }
    // The label strip is copied on white and then shows the window colour again.
    const QImage strip = d.Picture4->persistentPicture();
    EXPECT_NE(strip.pixelColor(1, 1), QColor(Qt::white));
}

TEST_F(DiagramTest, DegenerateSequencesOpenAndDrawWithoutFaults)
{
    struct Case {
        const char* what;
        std::string fossil;
        bool convert;
    };
    const Case cases[] = {
        {"one sample", ",A,B,C,D\n100,1,2,3,4\n", true},
        {"equal first and last depths", ",A,B,C,D\n100,1,2,3,4\n110,4,3,2,1\n100,2,2,2,2\n", true},
        {"raw counts beyond the 16-bit range",
         ",A,B,C,D\n10,25698,9000,1,0\n20,30000,4000,2,0\n30,1,1,1,1\n", false},
    };
    std::string reference = ",A,B,C,D\n";
    for (int s = 1; s <= 8; ++s)
        reference += "S" + std::to_string(s) + "," + std::to_string(s) + "," +
                     std::to_string(9 - s) + "," + std::to_string(s % 3 + 1) + "," +
                     std::to_string(s * s % 7) + "\n";
    for (const Case& c : cases) {
        ScriptedDialogs script;
        App fresh(script);
        fresh.endProgram = [] {};
        script.QueueOpenFile(WriteTemp("diagram_degenerate_ref.csv", reference));
        fresh.main().Command5->click();
        fresh.correlVar().Option2[c.convert ? 0 : 1]->setChecked(true);
        fresh.correlVar().Command1->click();
        script.QueueOpenFile(WriteTemp("diagram_degenerate_fossil.csv", c.fossil));
        fresh.main().Command6->click();
        // At most the data checks' note on the raw counts, never an error.
        const std::size_t importMessages = script.MessageTexts().size();
        for (const DialogRecord& r : script.records)
            ASSERT_TRUE(r.kind == DialogKind::Open || r.title == kTableCheckTitle) << c.what;
        fresh.main().Command14->click();
        frmDiagram& d = fresh.diagram();
        EXPECT_TRUE(d.isVisible()) << c.what;
        EXPECT_GE(d.HScroll1->maximum(), 0) << c.what;
        EXPECT_LE(d.HScroll1->maximum(), 32767) << c.what;
        EXPECT_GT(d.Picture1->ScaleHeight(), 0) << c.what;
        for (int i = 1; i <= fresh.ws().fossilSampleCount; ++i)
            EXPECT_TRUE(std::isfinite(d.Axis().Y(i))) << c.what;
        d.HScroll1->setValue(d.HScroll1->maximum());
        d.SetStyle(DiagramStyle::Area);
        d.DrawDiagram();
        d.nmuConiss->trigger();
        fresh.test().Command1->click();
        fresh.test().Command3->click();
        fresh.test().Command4->click();
        EXPECT_EQ(script.MessageTexts().size(), importMessages) << c.what;
        fresh.test().close();
        d.close();
        Settle();
    }
}

class ConissWindowTest : public DiagramTest {};

TEST_F(ConissWindowTest, TheFourButtonsPrintTheirLinesAndTheZonesReachTheDiagram)
{
    Load();
    frmDiagram& d = Open();
    d.nmuConiss->trigger();
    ASSERT_TRUE(app.testLoaded());
    frmTest& t = app.test();
    EXPECT_TRUE(t.isVisible());
    EXPECT_EQ(t.windowTitle(), "Test");

    t.Command2->click();
    EXPECT_EQ(t.PrintedLines().size(), 60u) << "every sample starts a cluster before '1'";

    t.Command1->click();
    EXPECT_EQ(t.PrintedLines().size(), 59u);
    EXPECT_EQ(t.State().merges.size(), 60u);
    t.Command2->click();
    const std::vector<std::string> starts = t.PrintedLines();
    ASSERT_EQ(starts.size(), 60u);
    EXPECT_NE(starts.front().find("60"), std::string::npos) << "listed from the last sample up";

    t.Command3->click();
    EXPECT_FALSE(t.PrintedLines().empty());

    // Red brackets in the dendrogram.
    t.Command1->click();
    const QImage tree = t.Picture1->persistentPicture();
    int red = 0;
    for (int y = 0; y < tree.height(); ++y)
        for (int x = 0; x < tree.width(); ++x) red += tree.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_GT(red, 100);

    t.Command4->click();
    const IssZonation& z = t.Zonation();
    EXPECT_GE(z.significantZones, 1);
    EXPECT_EQ(ws().diagramZoneStarts, z.zoneStarts);
    const std::vector<std::string> lines = t.PrintedLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(std::to_string(z.significantZones)), std::string::npos);
    if (!z.zoneStarts.empty()) {
        // A dashed line between the last sample of one zone and the first of the next.
        const int s = z.zoneStarts.front();
        const int row = d.Picture1->PixelY((d.Axis().Y(s - 1) + d.Axis().Y(s)) / 2);
        EXPECT_GT(CountInRow(d.Picture1->persistentPicture(), row, QColor(60, 60, 60)), 50);
    }

    // Closing the diagram drops the zone lines with it.
    d.close();
    Settle();
    EXPECT_TRUE(ws().diagramZoneStarts.empty());
    t.close();
    Settle();
    EXPECT_FALSE(app.testLoaded());
}

// Whether a pixel of the colour lies within one pixel of (x, y).
bool ColourNear(const QImage& image, double x, double y, const QColor& colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = static_cast<int>(std::floor(x)) + dx;
            const int py = static_cast<int>(std::floor(y)) + dy;
            if (px >= 0 && py >= 0 && px < image.width() && py < image.height() &&
                image.pixelColor(px, py) == colour)
                return true;
        }
    return false;
}

TEST_F(ConissWindowTest, DendrogramsFitTheirPanelAndThePrintedLinesShowWhole)
{
    Load();
    frmDiagram& d = Open();
    d.nmuConiss->trigger();
    frmTest& t = app.test();
    QApplication::processEvents();

    // "1": merge levels times 10 on a panel from -1 to 5 (the example's deepest is below 5).
    t.Command1->click();
    float deepest = 0;
    for (std::size_t v = 1; v < t.State().merges.size(); ++v)
        deepest = std::max(deepest, 10 * t.State().merges[v].level);
    ASSERT_LT(deepest, 5);
    EXPECT_DOUBLE_EQ(t.Picture1->ScaleLeft(), -1);
    EXPECT_DOUBLE_EQ(t.Picture1->ScaleWidth(), 6);

    // The classic tree: its root bracket stands inside the panel, also after the panel has
    // been narrowed and widened again by the splitter.
    t.Command4->click();
    const IssMerge& root = t.Zonation().merges.back();
    auto* splitter = t.findChild<QSplitter*>();
    ASSERT_NE(splitter, nullptr);
    const QList<int> sizes = splitter->sizes();
    ASSERT_EQ(sizes.size(), 2);
    for (int narrower : {0, 120, 0}) {
        splitter->setSizes({sizes[0] + narrower, sizes[1] - narrower});
        QApplication::processEvents();
        const PictureBox& p = *t.Picture1;
        const double x = p.MapX(root.dispersion);
        EXPECT_GT(x, 0);
        EXPECT_LT(x, p.PixelWidth() - 2) << "narrowed by " << narrower;
        const double y = p.MapY(
            (d.Axis().YOfPosition(root.upperPosition) + d.Axis().YOfPosition(root.lowerPosition)) /
            2);
        EXPECT_TRUE(ColourNear(p.persistentPicture(), x, y, QColor(0, 0, 190)))
            << "root bracket not drawn, narrowed by " << narrower;
    }

    // The printed lines fit their pane: no horizontal scroll bar, and the last line (the zone
    // count) lies wholly in view.
    for (QPushButton* b : {t.Command4, t.Command1, t.Command3, t.Command2, t.Command4}) {
        b->click();
        QApplication::processEvents();
        EXPECT_FALSE(t.Output->horizontalScrollBar()->isVisible()) << b->text().toStdString();
        const QRect last = t.Output->cursorRect();
        EXPECT_TRUE(t.Output->viewport()->rect().contains(last)) << b->text().toStdString();
    }
}

}  // namespace
}  // namespace tarvex
