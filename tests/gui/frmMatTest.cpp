#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextLayout>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "data/TableReader.h"
#include "diagram/frmDiagram.h"
#include "eof/frmControl.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "support/Records.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class MatTest : public ::testing::Test {
protected:
    MatTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    frmMain& m() { return app.main(); }
    Workspace& ws() { return app.ws(); }

    void Load()
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        app.correlVar().Command1->click();
        dialogs.QueueOpenFile(kExamples + "fossil.csv");
        m().Command6->click();
        ASSERT_TRUE(ws().projectionDone);
    }
    frmMAT& Open()
    {
        m().Command8->click();
        return app.mat();
    }
    frmMAT& Reconstruct()
    {
        Load();
        frmMAT& r = Open();
        dialogs.QueueOpenFile(kExamples + "climate.csv");
        r.Command1->click();
        return r;
    }
    static void Settle()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    std::string Text(const QLineEdit* box) { return box->text().toStdString(); }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(MatTest, BeforeTheClimateTableOnlyTheImportWorks)
{
    Load();
    frmMAT& r = Open();
    EXPECT_TRUE(r.isVisible());
    EXPECT_EQ(r.windowTitle(), "Reconstruction");
    EXPECT_FALSE(m().Command8->isEnabled());
    EXPECT_TRUE(r.Command1->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{r.Slider1, r.Slider2, r.Slider3, r.Check1,
                                                      r.Check2, r.Command3, r.Combo1, r.Text1,
                                                      r.Text2, r.Check3, r.Combo2, r.Command7})
        EXPECT_FALSE(w->isEnabled());
    for (QAction* a : {r.mnuSaveCurve, r.mnuSaveCurveAll, r.mnuSaveScatter, r.mnuSaveMeridan,
                       r.mnuSaveStrativ, r.mnuCopy1, r.mnuCopy2, r.mnuCopy3, r.mnuCopy4})
        EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(r.Picture2->isVisible());
    EXPECT_FALSE(r.Command6->isVisible());
    EXPECT_EQ(r.Label1->text().toStdString(), "No. of analogs: 0-8");
    EXPECT_EQ(r.Label2->text().toStdString(), "Threshold: 0.2");
    EXPECT_EQ(r.Slider1->value(), 8);
    EXPECT_EQ(r.Slider6->value(), 3);
    EXPECT_EQ(r.Label6->text().toStdString(), "Smoothing level: 3");

    // A cancelled import shows the format error and leaves everything as it was.
    dialogs.QueueOpenFile(std::nullopt);
    r.Command1->click();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.MessageTexts()[0].rfind("Format error.", 0), 0u);
    EXPECT_FALSE(ws().climateLoaded);
    EXPECT_TRUE(r.Command1->isEnabled());
    EXPECT_FALSE(ws().reconShown);

    // Saving from the menus before any reconstruction refuses instead of writing.
    r.SaveCurve();
    r.SaveScatter();
    EXPECT_EQ(dialogs.MessageTexts().size(), 3u);

    r.close();
    Settle();
    EXPECT_FALSE(app.matLoaded());
    EXPECT_TRUE(m().Command8->isEnabled());
}

TEST_F(MatTest, ClimateImportRunsTheReconstructionAndProposesTheRange)
{
    frmMAT& r = Reconstruct();
    ASSERT_TRUE(ws().climateLoaded);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_FALSE(r.Command1->isEnabled());
    EXPECT_TRUE(ws().reconShown);
    EXPECT_EQ(r.Combo1->count(), ws().climateParamCount);
    EXPECT_EQ(ws().currentClimateParam, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{r.Slider1, r.Slider2, r.Slider3, r.Check1,
                                                      r.Check2, r.Command3, r.Combo1, r.Text1,
                                                      r.Text2, r.Check3, r.Combo3})
        EXPECT_TRUE(w->isEnabled());
    EXPECT_FALSE(r.Combo2->isEnabled());
    EXPECT_TRUE(r.mnuSaveCurve->isEnabled());
    EXPECT_TRUE(r.mnuCopy1->isEnabled());
    EXPECT_FALSE(r.mnuSaveScatter->isEnabled());

    const ReconRange& range = r.reconRange();
    const double lo = RoundRangeDown(range.min[1], range.max[1]);
    const double hi = RoundRangeUp(range.max[1], range.min[1]);
    EXPECT_EQ(Text(r.Text1), FormatNumber(lo));
    EXPECT_EQ(Text(r.Text2), FormatNumber(hi));
    EXPECT_LT(lo, hi);
    // Every reconstructed value of the parameter lies inside the proposed range.
    for (int i = 1; i <= ws().fossilSampleCount; ++i) {
        const double v = ws().reconValues(i, 1);
        if (v == -9999) continue;
        EXPECT_GE(v, lo);
        EXPECT_LE(v, hi);
    }

    // A second parameter gets its own range and curve.
    if (ws().climateParamCount >= 2) {
        r.Combo1->setCurrentIndex(1);
        r.Combo1->activated(1);
        EXPECT_EQ(ws().currentClimateParam, 2);
        EXPECT_EQ(Text(r.Text1), FormatNumber(RoundRangeDown(range.min[2], range.max[2])));
    }
}

TEST_F(MatTest, ClimateFindingsAreShownAndUtf16IsRefused)
{
    Load();
    frmMAT& r = Open();
    // UTF-16 is refused with a message that says so and nothing else; the import stays open.
    const std::string clean = ReadAll(kExamples + "climate.csv");
    std::string utf16 = "\xFF\xFE";
    for (const char c : clean) utf16 += std::string{c, '\0'};
    dialogs.QueueOpenFile(WriteTemp("mat-climate-utf16.csv", utf16));
    r.Command1->click();
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kUtf16Message});
    EXPECT_FALSE(ws().climateLoaded);
    EXPECT_TRUE(r.Command1->isEnabled());

    // A Twarm cell "warm" (row S002) is read as 0 as before, and said once, titled as the
    // pollen tables' data check; the reconstruction runs.
    std::string flawed = clean;
    const std::size_t row = flawed.find("\nS002,");
    ASSERT_NE(row, std::string::npos);
    const std::size_t twarm = flawed.find(',', flawed.find(',', row + 1) + 1) + 1;
    flawed.replace(twarm, flawed.find(',', twarm) - twarm, "warm");
    dialogs.QueueOpenFile(WriteTemp("mat-climate-warm.csv", flawed));
    r.Command1->click();
    ASSERT_TRUE(ws().climateLoaded);
    EXPECT_TRUE(ws().reconShown);
    EXPECT_EQ(ws().climateValues(2, 2), 0);
    ASSERT_EQ(dialogs.MessageTexts().size(), 2u);
    EXPECT_EQ(dialogs.records.back().title, "Data check");
    EXPECT_NE(dialogs.MessageTexts()[1].find("1 value cell is not a number and read as 0 (or as "
                                             "the number it starts with): site S002, Twarm"),
              std::string::npos)
        << dialogs.MessageTexts()[1];
}

TEST_F(MatTest, AnalogueSlidersKeepMinimumBelowMaximum)
{
    frmMAT& r = Reconstruct();
    r.Slider1->setValue(0);
    EXPECT_EQ(r.Slider1->value(), 1) << "no maximum of 0 analogues";
    EXPECT_EQ(r.Label1->text().toStdString(), "No.of analogues: 0-1");

    r.Slider3->setValue(5);
    EXPECT_EQ(r.Slider1->value(), 5) << "the maximum follows a larger minimum";
    EXPECT_EQ(r.Label1->text().toStdString(), "No.of analogues: 5-5");
    r.Slider1->setValue(3);
    EXPECT_EQ(r.Slider3->value(), 3) << "the minimum follows a smaller maximum";
    EXPECT_EQ(r.Label1->text().toStdString(), "No.of analogues: 3-3");
    EXPECT_TRUE(ws().reconShown) << "every change reran the reconstruction";

    // The square-root enhancement transforms the threshold; the label shows the new value
    // only after the slider moves.
    r.Check2->click();
    EXPECT_TRUE(r.Option2[0]->isEnabled());
    EXPECT_EQ(r.Label2->text().toStdString(), "Threshold: 0.2");
    EXPECT_DOUBLE_EQ(r.threshold(), std::sqrt(0.2));
    r.Slider2->setValue(21);
    r.Slider2->setValue(20);
    EXPECT_EQ(r.Label2->text().toStdString(), "Threshold: 0.447213595499958");
}

TEST_F(MatTest, ErrorModelWidensTheWindowAndEverySettingResetsIt)
{
    frmMAT& r = Reconstruct();
    const int narrow = r.width();
    r.Command3->click();
    EXPECT_TRUE(ws().errorModelShown);
    EXPECT_TRUE(r.extraPanelsShown());
    EXPECT_GT(r.width(), narrow);
    EXPECT_TRUE(r.Picture2->isVisible());
    EXPECT_TRUE(r.Picture3->isVisible());
    EXPECT_TRUE(r.Command6->isVisible());
    EXPECT_TRUE(r.Command6->isEnabled());
    EXPECT_TRUE(r.Frame6->isVisible());
    EXPECT_TRUE(r.Slider7->isVisible());
    EXPECT_FALSE(r.Command3->isEnabled());
    EXPECT_TRUE(r.mnuSaveScatter->isEnabled());
    EXPECT_EQ(ws().siteReconValues.rows(), ws().refSiteCount);

    // Each setting change resets the error model and reruns the reconstruction.
    const std::vector<std::function<void()>> changes{
        [&] { r.Option3[1]->click(); },   [&] { r.Check2->click(); },
        [&] { r.Option2[1]->click(); },   [&] { r.Check1->click(); },
        [&] { r.Slider2->setValue(35); }, [&] { r.Slider1->setValue(6); },
        [&] { r.Slider3->setValue(2); }};
    for (std::size_t k = 0; k < changes.size(); ++k) {
        r.Command3->setEnabled(true);
        r.Command3->click();
        ASSERT_TRUE(ws().errorModelShown) << k;
        changes[k]();
        EXPECT_FALSE(ws().errorModelShown) << k;
        EXPECT_FALSE(r.extraPanelsShown()) << k;
        EXPECT_EQ(r.width(), narrow) << k;
        EXPECT_FALSE(r.Picture2->isVisible()) << k;
        EXPECT_FALSE(r.Command6->isVisible()) << k;
        EXPECT_FALSE(r.mnuSaveScatter->isEnabled()) << k;
        EXPECT_TRUE(ws().reconShown) << k;
        EXPECT_TRUE(r.Command3->isEnabled()) << k << ": the rerun reconstruction enables it";
    }
}

TEST_F(MatTest, CurrentSampleIsSharedWithTheDiagramAndTheMainWindow)
{
    frmMAT& r = Reconstruct();
    frmDiagram& d = app.diagram();
    const int n = ws().fossilSampleCount;

    d.Slider1->setValue(n);
    r.UpDown1Down->click();
    EXPECT_EQ(d.Slider1->value(), 1) << "after the last comes the first";
    EXPECT_EQ(ws().currentFossilSample, 1);
    r.UpDown1Up->click();
    EXPECT_EQ(ws().currentFossilSample, n) << "before the first comes the last";
    EXPECT_EQ(r.Check3->text().toStdString(), ws().fossilSampleLabels[n]);

    r.Combo3->setCurrentIndex(4);
    r.Combo3->activated(4);
    const std::string chosen = r.Combo3->currentText().toStdString();
    EXPECT_EQ(ws().fossilSampleLabels[ws().currentFossilSample], chosen);
    EXPECT_EQ(d.Slider1->value(), ws().currentFossilSample);
    EXPECT_EQ(m().Combo1->currentText().toStdString(), chosen);

    // The main window's Next reaches the reconstruction window through the diagram.
    m().Option5[1]->setChecked(true);
    const int before = ws().currentFossilSample;
    m().Command13[1]->click();
    EXPECT_EQ(r.Check3->text().toStdString(), ws().fossilSampleLabels[before % n + 1]);

    // The two cursor boxes follow each other.
    r.Check3->click();
    EXPECT_FALSE(r.Check3->isChecked());
    EXPECT_FALSE(d.Check1->isChecked());
    d.Check1->setChecked(true);
    EXPECT_TRUE(r.Check3->isChecked());
}

TEST_F(MatTest, DraggingTheCursorOnTheCurveMovesTheSampleAndStopsAtTheEnds)
{
    frmMAT& r = Reconstruct();
    frmDiagram& d = app.diagram();
    d.Slider1->setValue(10);
    const SampleAxis axis(ws().fossilSampleLabels, ws().fossilSampleCount, ws().fossilTextLabels);
    r.CurveMouseMove(axis.GrabCentre(10));
    EXPECT_EQ(r.Picture1->MousePointer(), Pointer::SizeNS);
    r.CurveMouseDown(Qt::LeftButton);
    EXPECT_TRUE(r.cursorDragging());
    r.CurveMouseMove(axis.Y(20));
    EXPECT_EQ(d.Slider1->value(), 20);
    r.CurveMouseMove(axis.Y(ws().fossilSampleCount) + 1e6);
    EXPECT_EQ(d.Slider1->value(), ws().fossilSampleCount);
    r.CurveMouseMove(-1e6);
    EXPECT_EQ(d.Slider1->value(), 1);
    r.CurveMouseUp();
    EXPECT_FALSE(r.cursorDragging());
    EXPECT_EQ(ws().currentFossilSample, 1);

    // Off the line a press starts no drag.
    r.CurveMouseMove(axis.Y(30));
    r.CurveMouseDown(Qt::LeftButton);
    EXPECT_FALSE(r.cursorDragging());
}

TEST_F(MatTest, NoAnaloguesShowTheNoticeAndAChangedThresholdRunsAgain)
{
    frmMAT& r = Reconstruct();
    r.Slider2->setValue(0);  // nothing is nearer than 0, and no minimum
    EXPECT_TRUE(r.Text1->text().isEmpty());
    EXPECT_TRUE(r.Text2->text().isEmpty());
    EXPECT_TRUE(ws().reconShown) << "a setting change must still run the reconstruction";
    for (int i = 1; i <= ws().fossilSampleCount; ++i) EXPECT_EQ(ws().reconValues(i, 0), 0);
    // With empty range boxes nothing draws, and the saves still work on the values.
    r.DrawReconCurve();
    r.Slider2->setValue(20);
    EXPECT_FALSE(r.Text1->text().isEmpty());
}

TEST_F(MatTest, SavedCurveAndScatterReadBack)
{
    frmMAT& r = Reconstruct();
    const std::string curve = std::string(TARVEX_BINARY_DIR) + "/mat-curve.csv";
    dialogs.QueueSaveFile(curve);
    r.mnuSaveCurve->trigger();
    std::ifstream in(curve, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const Records records = ReadRecords(text.str());
    ASSERT_EQ(records.size(), static_cast<std::size_t>(ws().fossilSampleCount) + 1);
    EXPECT_EQ(records[0][0], "Depth");
    EXPECT_EQ(records[0][1], ws().climateParamNames[1]);

    r.Command3->click();
    const std::string scatter = std::string(TARVEX_BINARY_DIR) + "/mat-scatter.csv";
    dialogs.QueueSaveFile(scatter);
    r.mnuSaveScatter2->trigger();
    std::ifstream in2(scatter, std::ios::binary);
    std::stringstream text2;
    text2 << in2.rdbuf();
    EXPECT_EQ(ReadRecords(text2.str()).size(), static_cast<std::size_t>(ws().refSiteCount) + 1);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(MatTest, AxisPanelOkClosesTheWindowAndOpeningAgainStartsFresh)
{
    frmMAT& r = Reconstruct();
    r.Command3->click();
    m().Command3->click();  // "Axis settings"
    app.control().OkClicked();
    Settle();
    EXPECT_FALSE(app.matLoaded());
    EXPECT_FALSE(ws().reconShown);
    EXPECT_FALSE(ws().errorModelShown);
    EXPECT_TRUE(m().Command8->isEnabled());

    // The climate table stays loaded: opening again reconstructs at once.
    frmMAT& again = Open();
    EXPECT_FALSE(again.Command1->isEnabled());
    EXPECT_TRUE(ws().reconShown);
    EXPECT_FALSE(again.extraPanelsShown());
}

TEST_F(MatTest, ResizingKeepsTheControlsAndRedrawsTheCurve)
{
    frmMAT& r = Reconstruct();
    const QImage before = r.Picture1->picture();
    r.resize(r.width(), 200);
    QApplication::processEvents();
    EXPECT_GE(r.height(), r.minimumHeight());
    r.resize(r.width(), r.minimumHeight() + 300);
    QApplication::processEvents();
    EXPECT_NE(r.Picture1->picture().size(), before.size());
    EXPECT_TRUE(ws().reconShown);
    r.Slider7->setValue(0);
    EXPECT_EQ(r.Slider7->value(), 1) << "the panels never shrink to nothing";
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

TEST_F(MatTest, ClimateTableFromTheCorrelationWindowServesTheReconstruction)
{
    Load();
    frmMAT& r = Open();
    m().Command14->click();  // "Diagram"
    dialogs.QueueAnswer(true);
    dialogs.QueueOpenFile(kExamples + "climate.csv");
    app.diagram().mnuECC->trigger();
    ASSERT_TRUE(ws().climateLoaded);
    EXPECT_FALSE(ws().reconShown) << "the correlation window starts no reconstruction";
    EXPECT_EQ(r.Combo1->count(), ws().climateParamCount) << "the open window took the table";
    EXPECT_TRUE(r.Slider2->isEnabled());

    // The import command now only reconstructs, without asking for a file.
    const std::size_t dialogsBefore = dialogs.records.size();
    r.Command1->click();
    EXPECT_EQ(dialogs.records.size(), dialogsBefore);
    EXPECT_TRUE(ws().reconShown);
    EXPECT_FALSE(r.Command1->isEnabled());

    // The reconstruction window's cursor box decides the correlation plot's marker.
    r.Check3->click();
    EXPECT_FALSE(app.diagram().Check1->isChecked());
}

TEST_F(MatTest, SmoothedCurveIsDrawnWhenTheFirstAndLastDepthsAreEqual)
{
    // The example core with its last sample at the depth of the first: the axis falls back to
    // equal spacing, and the smoothed curve must follow it onto the panel.
    std::ifstream in(kExamples + "fossil.csv");
    std::ostringstream text;
    text << in.rdbuf();
    std::string table = text.str();
    const std::size_t lastLine = table.rfind('\n', table.size() - 2) + 1;
    const std::size_t comma = table.find(',', lastLine);
    table.replace(lastLine, comma - lastLine, "100");
    const std::string fossil = WriteTemp("mat_equal_end_depths.csv", table);

    dialogs.QueueOpenFile(kExamples + "reference.csv");
    m().Command5->click();
    app.correlVar().Command1->click();
    dialogs.QueueOpenFile(fossil);
    m().Command6->click();
    ASSERT_TRUE(ws().projectionDone);
    ASSERT_EQ(ws().fossilSampleLabels[ws().fossilSampleCount], "100");
    frmMAT& r = Open();
    dialogs.QueueOpenFile(kExamples + "climate.csv");
    r.Command1->click();
    ASSERT_TRUE(ws().reconShown);
    ASSERT_EQ(r.Slider6->value(), 3);

    // No envelope marks yet, so the scheme's third colour is the smoothed curve alone; its
    // first window (samples 1..3) stands level with sample 2.
    const Colour c3 = ws().colours.schemeColour3.Value();
    const QColor smooth(RedOf(c3), GreenOf(c3), BlueOf(c3));
    const QImage curve = r.Picture1->picture();
    int drawn = 0;
    for (int y = 0; y < curve.height(); ++y)
        for (int x = 0; x < curve.width(); ++x) drawn += curve.pixelColor(x, y) == smooth;
    EXPECT_GT(drawn, 100);
    ASSERT_FALSE(ws().smoothValue.size() < 2);
    const int row = static_cast<int>(r.Picture1->MapY(20));
    const int column = static_cast<int>(r.Picture1->MapX(ws().smoothValue[1]));
    bool near = false;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            near = near || curve.pixelColor(std::clamp(column + dx, 0, curve.width() - 1),
                                            std::clamp(row + dy, 0, curve.height() - 1)) == smooth;
    EXPECT_TRUE(near);
}

TEST_F(MatTest, FiguresAndQualityLinesShowWholeAtTheLeastHeight)
{
    frmMAT& r = Reconstruct();
    r.Command3->click();
    ASSERT_TRUE(ws().errorModelShown);
    r.resize(r.width(), r.minimumHeight());
    QApplication::processEvents();
    // Both lines of the analogue quality below the check box, none squeezed under it.
    ASSERT_NE(r.QualityLabel->text().indexOf('\n'), -1);
    EXPECT_GE(r.QualityLabel->height(), 2 * r.QualityLabel->fontMetrics().lineSpacing());
    EXPECT_FALSE(r.QualityLabel->geometry().intersects(r.CheckQuality->geometry()));
    EXPECT_GE(r.QualityLabel->y(), r.CheckQuality->y() + r.CheckQuality->height());

    // The error model's figures: a line that has to break does so between figures, never
    // between a caption and its value, even where the label is much narrower than here.
    QLabel& summary = *r.SummaryLabel;
    EXPECT_LE(summary.heightForWidth(summary.width()), summary.height());
    for (int width : {summary.width(), 120, 90}) {
        for (const QString& paragraph : summary.text().split('\n')) {
            QTextLayout layout(paragraph, summary.font());
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
                line.setLineWidth(width);
            layout.endLayout();
            for (int k = 1; k < layout.lineCount(); ++k) {
                const QChar first = paragraph.at(layout.lineAt(k).textStart());
                EXPECT_FALSE(first.isDigit() || first == '-')
                    << width << ": " << paragraph.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace tarvex
