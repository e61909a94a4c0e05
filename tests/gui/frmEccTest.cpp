#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <cmath>
#include <optional>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "diagram/EofClimate.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmECC.h"
#include "eof/frmCorrelVar.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

const char* const kClimateQuestion = "Please import climate file.";

class EccTest : public ::testing::Test {
protected:
    EccTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    frmMain& m() { return app.main(); }
    Workspace& ws() { return app.ws(); }

    frmDiagram& OpenDiagram()
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        app.correlVar().Command1->click();
        dialogs.QueueOpenFile(kExamples + "fossil.csv");
        m().Command6->click();
        EXPECT_TRUE(ws().projectionDone);
        m().Command14->click();
        dialogs.records.clear();
        return app.diagram();
    }
    // The diagram's menu command; the climate question is answered from answer and file.
    frmECC& OpenEcc(std::optional<bool> answer, std::optional<std::string> file = std::nullopt)
    {
        if (answer) dialogs.QueueAnswer(*answer);
        if (answer.value_or(false)) dialogs.QueueOpenFile(std::move(file));
        app.diagram().mnuECC->trigger();
        EXPECT_TRUE(app.eccLoaded());
        return app.ecc();
    }
    frmECC& OpenWithClimate()
    {
        OpenDiagram();
        return OpenEcc(true, kExamples + "climate.csv");
    }
    static void Settle()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    // A point inside the text of a cell, in twips of the cell panel.
    static double CellX(frmECC& e, int column)
    {
        return EccColumnLeft(column, e.HScroll1->value()) + 300;
    }
    static double CellY(frmECC& e, int row) { return EccRowTop(row, e.VScroll1->value()) + 100; }
    static std::vector<EccCell> Marked(const frmECC& e, bool chosen)
    {
        std::vector<EccCell> cells;
        for (const EccDrawnCell& c : e.ShownCells())
            if (chosen ? c.chosen : c.underline) cells.push_back(c.cell);
        return cells;
    }
    static std::string Text(const QString& s) { return s.toStdString(); }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(EccTest, AnsweringNoLeavesAnEmptyWindowThatIgnoresClicksLimitsAndZoom)
{
    frmDiagram& d = OpenDiagram();
    const std::string eofShown = Text(d.Combo1->currentText());
    frmECC& e = OpenEcc(false);
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(Text(e.windowTitle()), "EOF-Climate correlation");
    EXPECT_EQ(Text(e.Frame1->title()), " Correlation coefficient (R) ");
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.records[0].kind, DialogKind::YesNo);
    EXPECT_EQ(dialogs.records[0].text, kClimateQuestion);
    EXPECT_EQ(dialogs.records[0].title, "Tarvex");
    EXPECT_EQ(dialogs.unexpectedCalls, 0);
    EXPECT_FALSE(d.mnuECC->isEnabled());
    EXPECT_FALSE(e.HasTable());
    EXPECT_TRUE(e.ShownCells().empty());
    EXPECT_FALSE(ws().eccShown);
    EXPECT_FALSE(m().ProgressBar1->isVisibleTo(&m()));
    EXPECT_EQ(ScreenPointer(), Pointer::Default);

    const QImage blank = e.Picture3->picture();
    for (const auto& [x, y] : {std::pair{300.0, 100.0}, {300.0, 10.0}, {5000.0, 100000.0}})
        e.TableMouseDown(Qt::LeftButton, x, y);
    e.TableMouseMove(300, 100);
    EXPECT_EQ(e.EccEof(), 1);
    EXPECT_EQ(Text(d.Combo1->currentText()), eofShown);
    EXPECT_TRUE(e.ShownCells().empty());

    e.Text1[1]->setText("50");
    e.Text1[0]->setText("-50");
    e.Text1[0]->setText("50");
    EXPECT_EQ(e.Picture3->picture(), blank);

    // The zoom stays shared; there is just nothing to draw.
    e.Slider1->setValue(5);
    EXPECT_EQ(d.Slider2->value(), 5);
    EXPECT_EQ(m().Slider4->value(), 5);
    EXPECT_DOUBLE_EQ(ws().zoomFactor, 32);
    EXPECT_TRUE(e.Label1[0]->text().isEmpty());
    d.Slider1->setValue(12);
    d.Check1->setChecked(!d.Check1->isChecked());
    EXPECT_FALSE(ws().eccShown);
    EXPECT_EQ(e.Picture3->picture(), blank);
    EXPECT_EQ(dialogs.records.size(), 1u);
}

TEST_F(EccTest, ClimateImportFailuresEndWithoutTheFormatError)
{
    OpenDiagram();
    // A cancelled file dialog ends silently.
    frmECC& e = OpenEcc(true, std::nullopt);
    ASSERT_EQ(dialogs.records.size(), 2u);
    EXPECT_EQ(dialogs.records[1].kind, DialogKind::Open);
    EXPECT_EQ(dialogs.records[1].filter, "DataFile(*.csv)|*.csv");
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kClimateQuestion});
    EXPECT_FALSE(ws().climateLoaded);
    EXPECT_FALSE(e.HasTable());
    e.close();
    Settle();

    // A table one site short shows its own message, and nothing more.
    std::string text = ReadAll(kExamples + "climate.csv");
    text.erase(text.rfind('\n', text.size() - 2) + 1);
    const std::string shortTable = WriteTemp("ecc-climate-short.csv", text);
    dialogs.records.clear();
    frmECC& again = OpenEcc(true, shortTable);
    EXPECT_EQ(dialogs.MessageTexts(),
              (std::vector<std::string>{kClimateQuestion, "Site number inconsistent."}));
    EXPECT_FALSE(ws().climateLoaded);
    EXPECT_FALSE(again.HasTable());
    EXPECT_FALSE(ws().eccShown);
}

TEST_F(EccTest, YesImportsTheClimateTableAndShowsTableAxisAndPlot)
{
    frmDiagram& d = OpenDiagram();
    d.Combo1->setCurrentIndex(1);  // EOF 2 in the diagram
    frmECC& e = OpenEcc(true, kExamples + "climate.csv");
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kClimateQuestion});
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
    ASSERT_TRUE(ws().climateLoaded);
    ASSERT_TRUE(e.HasTable());
    ASSERT_EQ(e.Table().rows(), ws().refTaxonCount);
    ASSERT_EQ(e.Table().cols(), 3);
    for (int k = 1; k <= ws().refTaxonCount; ++k)
        for (int p = 1; p <= 3; ++p) EXPECT_EQ(e.Table()(k, p), CorrelateEofClimate(ws(), k, p));

    // The chosen EOF is the diagram's; the first parameter is Tcold (-29.9 .. 7.5).
    EXPECT_EQ(e.EccEof(), 2);
    EXPECT_EQ(e.EccParam(), 1);
    EXPECT_EQ(ws().diagramEof, 2);
    EXPECT_EQ(Text(e.Text1[1]->text()), "10");
    EXPECT_EQ(Text(e.Text1[0]->text()), "-30");
    EXPECT_EQ(Text(e.Label2[1]->text()), "Tcold");
    EXPECT_EQ(Text(e.Label2[0]->text()), "EOF-2");
    EXPECT_EQ(Text(e.Label1[0]->text()), "-4");
    EXPECT_EQ(Text(e.Label1[1]->text()), "4");
    EXPECT_DOUBLE_EQ(e.Picture3->ScaleTop(), 10);
    EXPECT_DOUBLE_EQ(e.Picture3->ScaleHeight(), -40);
    EXPECT_DOUBLE_EQ(e.Picture3->ScaleLeft(), -4);
    EXPECT_DOUBLE_EQ(e.Picture3->ScaleWidth(), 8);
    EXPECT_TRUE(ws().eccShown);
    EXPECT_FALSE(m().ProgressBar1->isVisibleTo(&m()));
    EXPECT_EQ(ScreenPointer(), Pointer::Default);
    EXPECT_EQ(Marked(e, true), (std::vector<EccCell>{{2, 1}}));
    EXPECT_TRUE(Marked(e, false).empty());
    ASSERT_FALSE(e.ShownCells().empty());
    EXPECT_EQ(e.ShownCells().front().cell, (EccCell{1, 1}));
    EXPECT_EQ(e.ShownCells().front().text, FormatNumber(RoundTo(e.Table()(1, 1), 2)));

    // Opened again, the loaded table needs no question.
    e.close();
    Settle();
    dialogs.records.clear();
    frmECC& again = OpenEcc(std::nullopt);
    EXPECT_TRUE(dialogs.records.empty());
    EXPECT_TRUE(again.HasTable());
    EXPECT_TRUE(ws().eccShown);
}

TEST_F(EccTest, ClicksChooseOnlyCellsOfTheTable)
{
    frmECC& e = OpenWithClimate();
    frmDiagram& d = app.diagram();
    const QImage eofPanel = d.Picture2->persistentPicture();
    const QImage plot = e.Picture3->picture();
    auto unchanged = [&](const char* where) {
        EXPECT_EQ(e.EccEof(), 1) << where;
        EXPECT_EQ(e.EccParam(), 1) << where;
        EXPECT_EQ(Text(d.Combo1->currentText()), "1") << where;
        EXPECT_EQ(ws().diagramEof, 1) << where;
        EXPECT_EQ(e.Picture3->picture(), plot) << where;
        EXPECT_EQ(d.Picture2->persistentPicture(), eofPanel) << where;
    };

    // Scrolled to the end, the panel shows empty lines below the last EOF.
    e.VScroll1->setValue(e.VScroll1->maximum());
    const int last = ws().refTaxonCount;
    ASSERT_GT(EccRowTop(last + 1, e.VScroll1->value()), 0);
    e.TableMouseDown(Qt::LeftButton, CellX(e, 1), CellY(e, last + 1));
    unchanged("below the last row");
    // The strip above the first row shown, which would be the hidden row before it.
    e.VScroll1->setValue(5);
    e.TableMouseDown(Qt::LeftButton, CellX(e, 2), 10);
    unchanged("above the first row");
    e.VScroll1->setValue(1);
    e.TableMouseDown(Qt::LeftButton, CellX(e, 2), 10);
    unchanged("in the strip over row 1");
    e.TableMouseDown(Qt::LeftButton, CellX(e, 4), CellY(e, 2));
    unchanged("right of the last column");

    // A real cell, with any button: the diagram shows the EOF, the plot the pair.
    e.TableMouseDown(Qt::RightButton, CellX(e, 2), CellY(e, 3));
    EXPECT_EQ(e.EccEof(), 3);
    EXPECT_EQ(e.EccParam(), 2);
    EXPECT_EQ(Text(d.Combo1->currentText()), "3");
    EXPECT_EQ(ws().diagramEof, 3);
    const QImage eof3 = d.Picture2->persistentPicture();
    EXPECT_NE(eof3, eofPanel);
    d.DrawEofCurve();
    EXPECT_EQ(d.Picture2->persistentPicture(), eof3) << "the diagram drew EOF 3";
    EXPECT_EQ(Text(e.Label2[1]->text()), "Twarm");
    EXPECT_EQ(Text(e.Label2[0]->text()), "EOF-3");
    EXPECT_EQ(Text(e.Text1[1]->text()), "30");  // Twarm 10.9 .. 25.1
    EXPECT_EQ(Text(e.Text1[0]->text()), "10");
    EXPECT_DOUBLE_EQ(e.Picture3->ScaleTop(), 30);
    EXPECT_DOUBLE_EQ(e.Picture3->ScaleHeight(), -20);
    EXPECT_EQ(Marked(e, true), (std::vector<EccCell>{{3, 2}}));
    EXPECT_EQ(Marked(e, false), (std::vector<EccCell>{{3, 2}}));

    // Hovering moves only the underline; leaving the cells removes it.
    e.TableMouseMove(CellX(e, 1), CellY(e, 5));
    EXPECT_EQ(Marked(e, true), (std::vector<EccCell>{{3, 2}}));
    EXPECT_EQ(Marked(e, false), (std::vector<EccCell>{{5, 1}}));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(e.Picture2, &leave);
    EXPECT_TRUE(Marked(e, false).empty());
    e.TableMouseMove(CellX(e, 3), CellY(e, 1));
    EXPECT_EQ(Marked(e, false), (std::vector<EccCell>{{1, 3}}));
    QMouseEvent overFrame(QEvent::MouseMove, QPointF(4, 4), QPointF(4, 4), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(e.Frame1, &overFrame);
    EXPECT_TRUE(Marked(e, false).empty());
    EXPECT_EQ(Marked(e, true), (std::vector<EccCell>{{3, 2}}));
}

TEST_F(EccTest, LimitBoxesRescaleOnlyOnUsableUserEdits)
{
    frmECC& e = OpenWithClimate();
    const QImage plot = e.Picture3->picture();
    auto scale = [&e] { return std::pair{e.Picture3->ScaleTop(), e.Picture3->ScaleHeight()}; };
    const auto first = scale();

    // Both boxes the same text, or the same value: the plot stays as it is.
    e.Text1[1]->setText(e.Text1[0]->text());
    EXPECT_EQ(scale(), first);
    EXPECT_EQ(e.Picture3->picture(), plot);
    e.Text1[1]->setText("-30.0");
    EXPECT_EQ(scale(), first);
    EXPECT_EQ(e.Picture3->picture(), plot);

    e.Text1[1]->setText("0");
    EXPECT_EQ(scale(), (std::pair{0.0, -30.0}));
    EXPECT_NE(e.Picture3->picture(), plot);

    // The window's own writes are not edits, and the user's next edit still counts.
    e.TableMouseDown(Qt::LeftButton, CellX(e, 3), CellY(e, 1));
    EXPECT_EQ(Text(e.Text1[1]->text()), "1500");  // Pann 200.1 .. 1407.4
    EXPECT_EQ(Text(e.Text1[0]->text()), "0");
    EXPECT_EQ(scale(), (std::pair{1500.0, -1500.0}));
    e.Text1[0]->setText("500");
    EXPECT_EQ(scale(), (std::pair{1500.0, -1000.0}));
}

TEST_F(EccTest, ZoomStaysInStepAcrossTheThreeWindows)
{
    frmECC& e = OpenWithClimate();
    frmDiagram& d = app.diagram();
    struct Step {
        QSlider* slider;
        int value;
    };
    for (const Step& s : {Step{e.Slider1, 4}, Step{m().Slider4, 1}, Step{d.Slider2, 6},
                          Step{e.Slider1, 0}, Step{m().Slider4, 8}}) {
        s.slider->setValue(s.value);
        const double zoom = std::pow(2.0, s.value);
        EXPECT_EQ(e.Slider1->value(), s.value);
        EXPECT_EQ(d.Slider2->value(), s.value);
        EXPECT_EQ(m().Slider4->value(), s.value);
        EXPECT_DOUBLE_EQ(ws().zoomFactor, zoom);
        EXPECT_EQ(Text(e.Label1[0]->text()), FormatNumber(-zoom));
        EXPECT_EQ(Text(e.Label1[1]->text()), FormatNumber(zoom));
        EXPECT_EQ(Text(d.Label3[2]->text()), FormatNumber(zoom));
        // Zoom 0 still gives the plot a width: -1 .. 1.
        EXPECT_DOUBLE_EQ(e.Picture3->ScaleLeft(), -zoom);
        EXPECT_DOUBLE_EQ(e.Picture3->ScaleWidth(), 2 * zoom);
    }
}

TEST_F(EccTest, CurrentSampleMarkerFollowsTheDiagram)
{
    frmECC& e = OpenWithClimate();
    frmDiagram& d = app.diagram();
    d.Check1->setChecked(false);
    EXPECT_FALSE(e.MarkerShown());
    d.Check1->setChecked(true);
    EXPECT_TRUE(e.MarkerShown());

    int empty = 0;
    for (int i = 1; i <= ws().fossilSampleCount; ++i)
        if (ws().fossilSampleEmpty[i]) empty = i;
    ASSERT_GT(empty, 1);
    d.Slider1->setValue(empty);
    EXPECT_FALSE(e.MarkerShown()) << "an empty sample has no score to mark";
    d.Slider1->setValue(empty - 1);
    EXPECT_TRUE(e.MarkerShown());

    // Without the check box, a drag of the diagram's cursor shows the marker.
    d.Check1->setChecked(false);
    ASSERT_FALSE(e.MarkerShown());
    PictureBox& p = *d.Picture1;
    const double y = d.Axis().Y(d.Slider1->value());
    d.PanelMouseMove(p, Qt::NoButton, 100, y);
    d.PanelMouseDown(p, Qt::LeftButton, 100, y);
    d.PanelMouseMove(p, Qt::LeftButton, 100, d.Axis().Y(3));
    EXPECT_EQ(ws().currentFossilSample, 3);
    EXPECT_TRUE(e.MarkerShown());
    d.PanelMouseUp(p, Qt::LeftButton, 100, d.Axis().Y(3));
}

TEST_F(EccTest, ClosingEnablesTheCommandAndLaterRedrawRequestsAreIgnored)
{
    frmECC& e = OpenWithClimate();
    frmDiagram& d = app.diagram();
    EXPECT_FALSE(d.mnuECC->isEnabled());
    e.close();
    Settle();
    EXPECT_FALSE(app.eccLoaded());
    EXPECT_TRUE(d.mnuECC->isEnabled());
    EXPECT_FALSE(ws().eccShown);

    d.Slider1->setValue(7);
    d.Check1->setChecked(!d.Check1->isChecked());
    m().Slider4->setValue(3);
    d.Slider2->setValue(5);
    EXPECT_FALSE(app.eccLoaded()) << "nothing brings the closed window back";
    EXPECT_FALSE(ws().eccShown);

    // The diagram closed and opened again while the correlation window stays open keeps the
    // command disabled until that window closes.
    frmECC& open = OpenEcc(std::nullopt);
    d.close();
    Settle();
    m().Command14->click();
    EXPECT_FALSE(app.diagram().mnuECC->isEnabled());
    open.close();
    Settle();
    EXPECT_TRUE(app.diagram().mnuECC->isEnabled());
}

TEST_F(EccTest, SmallWindowScrollsTheTable)
{
    frmECC& e = OpenWithClimate();
    e.resize(420, 380);
    QApplication::processEvents();
    ASSERT_TRUE(e.VScroll1->isVisibleTo(&e));
    EXPECT_FALSE(e.HScroll1->isVisibleTo(&e));
    const EccTableLayout layout =
        EccLayout(e.Picture2->ScaleWidth(), e.Picture2->ScaleHeight(), ws().refTaxonCount, 3);
    EXPECT_EQ(e.VScroll1->maximum(), ws().refTaxonCount - layout.visibleRows + 4);
    e.VScroll1->setValue(10);
    ASSERT_FALSE(e.ShownCells().empty());
    EXPECT_EQ(e.ShownCells().front().cell, (EccCell{10, 1}));
    EXPECT_EQ(e.ShownCells().back().cell.row, 10 + layout.visibleRows);
    e.TableMouseDown(Qt::LeftButton, CellX(e, 1), CellY(e, 11));
    EXPECT_EQ(e.EccEof(), 11);

    // A window tall enough for every row hides the bar and starts at the first row again.
    e.resize(420, 1300);
    QApplication::processEvents();
    EXPECT_FALSE(e.VScroll1->isVisibleTo(&e));
    EXPECT_EQ(e.VScroll1->value(), 1);
    EXPECT_EQ(e.ShownCells().front().cell, (EccCell{1, 1}));
}

}  // namespace
}  // namespace tarvex
