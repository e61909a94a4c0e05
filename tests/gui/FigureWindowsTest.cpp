#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <filesystem>
#include <sstream>

#include "app/App.h"
#include "app/frmMain.h"
#include "app/frmMainReport.h"
#include "batch/BatchTransfer.h"
#include "calib/frmCalib.h"
#include "diagram/frmDiagram.h"
#include "figures/BatchRenderer.h"
#include "figures/Report.h"
#include "mat/frmMAT.h"
#include "support/CalibrationPath.h"
#include "support/Pdf.h"
#include "support/Records.h"
#include "support/TestFiles.h"
#include "tf/frmTransfer.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

QAction* Action(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    ADD_FAILURE() << "no action " << text.toStdString() << " in " << menu->title().toStdString();
    return nullptr;
}

std::string FreshDir(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Exports a figure through a window's menu, keeping the size the dialog offers.
void ExportThrough(ScriptedDialogs& dialogs, QMenu* menu, const QString& caption,
                   const std::string& path)
{
    dialogs.QueueFigureOffered();
    dialogs.QueueSaveFile(path);
    QAction* a = Action(menu, caption);
    ASSERT_NE(a, nullptr);
    a->trigger();
}

// The windows' way to a returned calibration and its Strativ histogram on the example data.
void ReachStrativ(App& app, ScriptedDialogs& dialogs)
{
    frmCalib& c = ReachCalibration(app, dialogs);
    ASSERT_TRUE(c.stages().drawn[8]);
    c.Command10->click();
    app.mat().Command4->click();
    ASSERT_TRUE(app.ws().histBuilt);
}

// The same figures through the windows and through tarvex-batch with the same settings:
// every page rasterised gives the same pixels.
TEST(FigureWindowsTest, WindowAndBatchDrawTheSameFigures)
{
    const std::string dir = FreshDir("figure-windows-same");
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    ReachStrativ(app, dialogs);
    app.main().OpenDiagram();
    frmMAT& r = app.mat();
    ExportThrough(dialogs, app.diagram().RB1, "Export Figure...", dir + "/w-diagram.pdf");
    ExportThrough(dialogs, app.main().mnuFig2L, "Export Figure...", dir + "/w-score-plots.pdf");
    ExportThrough(dialogs, r.mnuRB1, "Export Figure...", dir + "/w-reconstruction-1.pdf");
    ExportThrough(dialogs, r.mnuRB1, "Export Analogue-Quality Figure...",
                  dir + "/w-analogue-quality.pdf");
    ExportThrough(dialogs, r.mnuRB2, "Export Figure...", dir + "/w-error-model-1.pdf");
    ExportThrough(dialogs, r.mnuRB3, "Export Figure...", dir + "/w-strativ.pdf");
    ExportThrough(dialogs, r.mnuRB4, "Export Calibration-Chart Figure...",
                  dir + "/w-calibration-chart.pdf");
    EXPECT_TRUE(dialogs.MessageTexts().empty()) << dialogs.MessageTexts().front();
    EXPECT_EQ(dialogs.unexpectedCalls, 0);

    fig::QtFigureRenderer renderer;
    std::ostringstream out, err;
    ASSERT_EQ(RunBatch({"--reference", kExamples + "reference.csv", "--fossil",
                        kExamples + "fossil.csv", "--climate", kExamples + "climate.csv",
                        "--calibrate", "--figures", dir + "/batch", "--out", dir + "/out"},
                       out, err, &renderer),
              0)
        << err.str();
    for (const char* stem : {"diagram", "score-plots", "reconstruction-1", "analogue-quality",
                             "error-model-1", "strativ", "calibration-chart"}) {
        const QImage window = PdfFirstPage(dir + "/w-" + stem + ".pdf", 60, dir + "/w-" + stem);
        const QImage batch = PdfFirstPage(dir + "/batch/" + stem + ".pdf", 60, dir + "/b-" + stem);
        ASSERT_FALSE(window.isNull()) << stem;
        ASSERT_FALSE(batch.isNull()) << stem;
        EXPECT_EQ(window.size(), batch.size()) << stem;
        EXPECT_TRUE(window == batch) << stem << ": the rasterised pages differ";
    }
}

// The transfer-functions window's figures are those of tarvex-batch with the same settings:
// the analogues beside the chosen model with the bootstrap's errors, and the figures of merit.
// Before a run the command says there is nothing to draw.
TEST(FigureWindowsTest, TransferWindowDrawsTheBatchFigures)
{
    const std::string dir = FreshDir("figure-windows-transfer");
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    frmMAT& r = ReachErrorModel(app, dialogs);
    r.mnuTransfer->trigger();
    frmTransfer& t = app.transfer();
    dialogs.records.clear();
    Action(t.mnuRB, "Export Figure...")->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_NE(dialogs.MessageTexts()[0].find("nothing to draw yet"), std::string::npos);
    dialogs.records.clear();

    t.CheckWa->setChecked(true);
    t.CheckTolerance->setChecked(false);
    t.CheckWaPls->setChecked(true);
    t.SpinComponents->setValue(5);
    t.OptionLoo->setChecked(true);
    t.CheckErrors->setChecked(true);
    t.SpinResamples->setValue(50);
    t.TextSeed->setText("5");
    t.CheckSignificance->setChecked(false);
    t.CommandStart->click();
    t.WaitForRun();
    ASSERT_NE(t.LastResults(), nullptr);
    ExportThrough(dialogs, t.mnuRB, "Export Figure...", dir + "/w-transfer-1.pdf");
    ExportThrough(dialogs, t.mnuRB, "Export Figures-of-Merit Figure...",
                  dir + "/w-transfer-performance-1.pdf");
    EXPECT_TRUE(dialogs.MessageTexts().empty()) << dialogs.MessageTexts().front();
    EXPECT_EQ(dialogs.unexpectedCalls, 0);

    fig::QtFigureRenderer renderer;
    std::ostringstream out, err;
    ASSERT_EQ(RunBatch({"--reference",
                        kExamples + "reference.csv",
                        "--fossil",
                        kExamples + "fossil.csv",
                        "--climate",
                        kExamples + "climate.csv",
                        "--error-model",
                        "--transfer",
                        "wa,wapls",
                        "--cv",
                        "loo",
                        "--bootstrap",
                        "50",
                        "--seed",
                        "5",
                        "--report-parameters",
                        "1",
                        "--figures",
                        dir + "/batch",
                        "--out",
                        dir + "/out"},
                       out, err, &renderer),
              0)
        << err.str();
    for (const char* stem : {"transfer-1", "transfer-performance-1"}) {
        const QImage window = PdfFirstPage(dir + "/w-" + stem + ".pdf", 60, dir + "/w-" + stem);
        const QImage batch = PdfFirstPage(dir + "/batch/" + stem + ".pdf", 60, dir + "/b-" + stem);
        ASSERT_FALSE(window.isNull()) << stem;
        ASSERT_FALSE(batch.isNull()) << stem;
        EXPECT_EQ(window.size(), batch.size()) << stem;
        EXPECT_TRUE(window == batch) << stem << ": the rasterised pages differ";
    }
    // Another model in the window is another figure.
    t.ComboModel->setCurrentIndex(0);
    ExportThrough(dialogs, t.mnuRB, "Export Figure...", dir + "/w-other.pdf");
    EXPECT_NE(PdfText(dir + "/w-other.pdf")
                  .toStdString()
                  .find(t.ComboModel->currentText().toStdString() + ", leave-one-out"),
              std::string::npos);

    // The main window's report holds the run too, with the model shown, and records the
    // command that repeats it: that command writes the files the window saves.
    dialogs.QueueSaveFile(dir + "/report.pdf");
    app.main().mnuSaveReport->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty()) << dialogs.MessageTexts().front();
    const std::string text = PdfText(dir + "/report.pdf").toStdString();
    for (const char* wanted : {"Reconstruction of Tcold by the analogues and WA inverse",
                               "Transfer functions of Pann: figures of merit", "--transfer",
                               "wa-inverse", "--bootstrap"})
        EXPECT_NE(text.find(wanted), std::string::npos) << wanted;
    BatchOptions repeat = WindowBatchOptions(app);
    repeat.reportPath = dir + "/again.pdf";
    std::vector<std::string> args = EquivalentCommandLine(repeat);
    args.insert(args.end(), {"--out", dir + "/again"});
    std::ostringstream out2, err2;
    ASSERT_EQ(RunBatch(args, out2, err2, &renderer), 0) << err2.str();
    dialogs.QueueSaveFile(dir + "/window-reconstruction.csv");
    t.mnuSaveReconstruction->trigger();
    EXPECT_EQ(ReadAll(dir + "/window-reconstruction.csv"),
              ReadAll(dir + "/again/tf-reconstruction.csv"));
}

// File > Save of reconstruction.csv in the window writes what the equivalent batch command
// writes, and File > "Save Report..." lists that command, the inputs' SHA-256 and the figures.
TEST(FigureWindowsTest, TableAndReportFromTheWindows)
{
    const std::string dir = FreshDir("figure-windows-report");
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    ReachStrativ(app, dialogs);
    frmMAT& r = app.mat();
    dialogs.QueueSaveFile(dir + "/window.csv");
    r.mnuSaveTable->trigger();
    dialogs.QueueSaveFile(dir + "/report.pdf");
    app.main().mnuSaveReport->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty()) << dialogs.MessageTexts().front();

    const std::vector<std::string> args = EquivalentCommandLine(WindowBatchOptions(app));
    std::vector<std::string> batchArgs = args;
    batchArgs.insert(batchArgs.end(), {"--out", dir + "/out"});
    std::ostringstream out, err;
    ASSERT_EQ(RunBatch(batchArgs, out, err), 0) << err.str();
    EXPECT_EQ(ReadAll(dir + "/window.csv"), ReadAll(dir + "/out/reconstruction.csv"));

    const std::string text = PdfText(dir + "/report.pdf").toStdString();
    EXPECT_NE(text.find("--calibrate"), std::string::npos);
    EXPECT_NE(text.find("tarvex-batch --reference"), std::string::npos);
    for (const auto& record : ReadRecords(ReadAll(dir + "/out/run-record.csv")))
        if (record.size() == 4 && record[0] != "Input") {
            EXPECT_NE(text.find(record[3]), std::string::npos) << record[0];
        }
    for (const char* title : {"Pinus", "Closest distance", "Tcold, observed", "Probability"})
        EXPECT_NE(text.find(title), std::string::npos) << title;
    EXPECT_GE(PdfPageCount(dir + "/report.pdf"), 12);
}

// A figure whose results do not exist yet is refused with a message; a cancelled options
// dialog ends the command; a diagram narrower than its taxa allow is widened and the user
// told so.
TEST(FigureWindowsTest, ExportRefusesCancelsAndWidens)
{
    const std::string dir = FreshDir("figure-windows-edges");
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    frmMAT& r = ReachErrorModel(app, dialogs);
    Action(r.mnuRB3, "Export Figure...")->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_NE(dialogs.MessageTexts()[0].find("nothing to draw yet"), std::string::npos);
    EXPECT_EQ(dialogs.records.back().title, "Error");

    dialogs.QueueFigureCancel();
    Action(r.mnuRB2, "Export Figure...")->trigger();
    EXPECT_EQ(dialogs.records.back().kind, DialogKind::Figure);
    EXPECT_EQ(dialogs.unexpectedCalls, 0);

    app.main().OpenDiagram();
    FigureOptions narrow;
    narrow.widthMm = 60;
    narrow.heightMm = 120;
    dialogs.QueueFigureOptions(narrow);
    dialogs.QueueSaveFile(dir + "/narrow.svg");
    Action(app.diagram().RB1, "Export Figure...")->trigger();
    EXPECT_TRUE(dialogs.lastOfferedFigure.diagram);
    ASSERT_TRUE(std::filesystem::exists(dir + "/narrow.svg"));
    const std::string svg = ReadAll(dir + "/narrow.svg");
    EXPECT_EQ(svg.find("width=\"60"), std::string::npos) << "widened beyond 60 mm";
    EXPECT_NE(dialogs.MessageTexts().back().find("taxa needed"), std::string::npos);

    // The reconstruction table before a reconstruction: refused, nothing asked.
    ScriptedDialogs fresh;
    App empty(fresh);
    empty.endProgram = [] {};
    empty.mat().SaveReconstructionTable();
    ASSERT_EQ(fresh.MessageTexts().size(), 1u);
    EXPECT_EQ(fresh.MessageTexts()[0], "There is no reconstruction to save yet.");
}

// The command line a window report records reads back as the settings it was made from.
TEST(FigureWindowsTest, EquivalentCommandLineReadsBackAsItsSettings)
{
    BatchOptions o;
    o.referencePath = "r.csv";
    o.fossilPath = "f.csv";
    o.climatePath = "c.csv";
    o.choice.convertToPercent = false;
    o.choice.enhancement = Enhancement::Log;
    o.choice.useCorrelation = true;
    o.matchTaxaByName = true;
    o.analogue.basis = DistanceBasis::EofValues;
    o.axes = {1, 3};
    o.analogue.kmin = 2;
    o.analogue.kmax = 5;
    o.analogue.thresholdSlider = 35;
    o.analogue.weighting = Weighting::Distance;
    o.analogue.smoothing = 5;
    o.calibrate = true;
    o.errorModel = true;
    o.calibrationParam = 2;
    o.rangeLow = "-30";
    o.rangeHigh = "10";
    o.chain.smoothingLevel = 12;
    o.chain.verticalThreshold = 3;
    o.chain.horizontalThreshold = 0;
    o.chain.skipRowNormalisation = true;
    o.chain.generatedSdPercent = 8;
    o.chain.coefficient1 = 500;
    o.chain.coefficient2 = 990;
    o.envelope = true;
    o.reportPath = "report.pdf";
    o.transfer.wa = o.transfer.wapls = o.transfer.tolerance = true;
    o.transfer.components = 7;
    o.transfer.cv = tf::Validation::HBlock;
    o.transfer.locationsPath = "l.csv";
    o.transfer.hblockKm = 150;
    o.transfer.bootstrap = 200;
    o.transfer.seed = 42;
    o.transfer.significance = 19;
    ASSERT_TRUE(tf::ParseModelChoice("wapls:3", o.transfer.model));
    std::vector<std::string> args = EquivalentCommandLine(o);
    args.insert(args.end(), {"--out", "d"});
    BatchOptions back;
    std::string error;
    ASSERT_TRUE(ParseBatchOptions(args, back, error)) << error;
    EXPECT_EQ(back.referencePath, o.referencePath);
    EXPECT_EQ(back.fossilPath, o.fossilPath);
    EXPECT_EQ(back.climatePath, o.climatePath);
    EXPECT_EQ(back.choice.convertToPercent, false);
    EXPECT_EQ(back.choice.enhancement, Enhancement::Log);
    EXPECT_TRUE(back.choice.useCorrelation);
    EXPECT_TRUE(back.matchTaxaByName);
    EXPECT_EQ(back.analogue.basis, DistanceBasis::EofValues);
    EXPECT_EQ(back.axes, o.axes);
    EXPECT_EQ(back.analogue.kmin, 2);
    EXPECT_EQ(back.analogue.kmax, 5);
    EXPECT_EQ(back.analogue.thresholdSlider, 35);
    EXPECT_EQ(back.analogue.weighting, Weighting::Distance);
    EXPECT_EQ(back.analogue.smoothing, 5);
    EXPECT_TRUE(back.calibrate && back.errorModel);
    EXPECT_EQ(back.calibrationParam, 2);
    EXPECT_EQ(back.rangeLow + "," + back.rangeHigh, "-30,10");
    EXPECT_EQ(back.chain.smoothingLevel, 12);
    EXPECT_EQ(back.chain.verticalThreshold, 3);
    EXPECT_EQ(back.chain.horizontalThreshold, 0);
    EXPECT_TRUE(back.chain.skipRowNormalisation);
    EXPECT_EQ(back.chain.generatedSdPercent, 8);
    EXPECT_EQ(back.chain.coefficient1, 500);
    EXPECT_EQ(back.chain.coefficient2, 990);
    EXPECT_TRUE(back.envelope);
    EXPECT_EQ(back.reportPath, "report.pdf");
    const TransferOptions& t = back.transfer;
    EXPECT_TRUE(t.wa && t.wapls && t.tolerance);
    EXPECT_EQ(t.components, 7);
    EXPECT_EQ(t.cv, tf::Validation::HBlock);
    EXPECT_EQ(t.locationsPath, "l.csv");
    EXPECT_EQ(t.hblockKm, 150);
    EXPECT_EQ(t.bootstrap, 200);
    EXPECT_EQ(t.seed, 42u);
    EXPECT_EQ(t.significance, 19);
    EXPECT_EQ(tf::ModelChoiceText(t.model), "wapls:3");
    // A bootstrap validation with its usual thousand resamples and the defaults say no more.
    BatchOptions plain;
    plain.transfer.wapls = true;
    plain.transfer.cv = tf::Validation::Bootstrap;
    plain.transfer.bootstrap = 1000;
    EXPECT_EQ(TransferCommandLine(plain.transfer),
              (std::vector<std::string>{"--transfer", "wapls", "--cv", "bootstrap"}));
}

}  // namespace
}  // namespace tarvex
