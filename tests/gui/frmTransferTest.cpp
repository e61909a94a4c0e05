// The transfer-function window: its refusals, a run on the worker thread, its table and
// curves, Cancel, and the files its Save commands write (those of the batch program).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <chrono>
#include <filesystem>

#include "app/App.h"
#include "app/frmMain.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "support/Batch.h"
#include "support/TestFiles.h"
#include "tf/TransferFiles.h"
#include "tf/frmTransfer.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class TransferTest : public ::testing::Test {
protected:
    TransferTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    frmMain& m() { return app.main(); }

    // The example data through the windows: reference, fossil, then the climate table in
    // the reconstruction window.
    frmTransfer& Open(bool climate = true)
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        app.correlVar().Command1->click();
        dialogs.QueueOpenFile(kExamples + "fossil.csv");
        m().Command6->click();
        m().Command8->click();
        if (climate) {
            dialogs.QueueOpenFile(kExamples + "climate.csv");
            app.mat().Command1->click();
        }
        app.mat().mnuTransfer->trigger();
        dialogs.records.clear();
        return app.transfer();
    }

    std::string SaveWith(QAction* action, const std::string& name)
    {
        const std::string path = TempPath(name);
        std::filesystem::remove(path);
        dialogs.QueueSaveFile(path);
        action->trigger();
        return ReadAll(path);
    }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(TransferTest, StartRefusesWithoutClimateOrLocationsAndSavesRefuseWithoutResults)
{
    frmTransfer& t = Open(false);
    EXPECT_TRUE(t.isVisible());
    t.CommandStart->click();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.MessageTexts()[0].rfind("Import the climate table in the reconstruction", 0),
              0u);
    EXPECT_FALSE(t.Running());
    t.SavePerformance();
    EXPECT_EQ(dialogs.MessageTexts().back(),
              "There are no results to save yet: press Start first.");
    EXPECT_FALSE(t.mnuSavePerformance->isEnabled());

    dialogs.records.clear();
    dialogs.QueueOpenFile(kExamples + "climate.csv");
    app.mat().Command1->click();
    t.OptionHBlock->setChecked(true);
    t.CommandStart->click();
    EXPECT_EQ(dialogs.MessageTexts(),
              std::vector<std::string>{
                  "The h-block cross-validation needs the locations of the modern sites."});
    // A location table that misses a site is refused with its reason.
    dialogs.QueueOpenFile(
        WriteTemp("tf-window-locations.csv", ",Lat,Lon\nS001,40,10\nS002,41,10\n"));
    t.CommandLocations->click();
    EXPECT_NE(dialogs.MessageTexts().back().find("Site number inconsistent."), std::string::npos);
    EXPECT_EQ(t.LabelLocations->text().toStdString(), "No location table");
}

TEST_F(TransferTest, ARunFillsTheTableAndSavesTheBatchProgramsFiles)
{
    frmTransfer& t = Open();
    t.CheckTolerance->setChecked(true);
    t.SpinComponents->setValue(3);
    t.OptionLoo->setChecked(true);
    t.CheckErrors->setChecked(true);
    t.SpinResamples->setValue(50);
    t.CheckSignificance->setChecked(true);
    t.SpinRandom->setValue(19);
    t.TextSeed->setText("5");
    t.CommandStart->click();
    EXPECT_TRUE(t.Running());
    EXPECT_FALSE(t.CommandStart->isEnabled());
    EXPECT_TRUE(t.CommandCancel->isEnabled());
    t.WaitForRun();
    ASSERT_NE(t.LastResults(), nullptr);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_TRUE(t.CommandStart->isEnabled());

    // MAT, WA x4, WA-PLS x3, each apparent and leave-one-out.
    EXPECT_EQ(t.TablePerformance->rowCount(), 16);
    EXPECT_EQ(t.TablePerformance->item(1, 2)->text().toStdString(), "leave-one-out");
    int suggested = 0;
    for (int r = 0; r < t.TablePerformance->rowCount(); ++r)
        suggested += t.TablePerformance->item(r, 9)->text() == "suggested";
    EXPECT_EQ(suggested, 1);
    // Change % and p on the validated rows of WA-PLS 2 and 3 only (rows 13 and 15).
    for (int r = 0; r < t.TablePerformance->rowCount(); ++r) {
        const bool compared = r == 13 || r == 15;
        EXPECT_EQ(t.TablePerformance->item(r, 7)->text().isEmpty(), !compared) << r;
        EXPECT_EQ(t.TablePerformance->item(r, 8)->text().isEmpty(), !compared) << r;
    }
    EXPECT_EQ(t.TablePerformance->item(13, 1)->text().toStdString(), "2");
    EXPECT_EQ(t.ComboParameter->count(), 3);
    EXPECT_EQ(t.ComboModel->count(), 7);
    EXPECT_NE(t.LabelSignificance->text().toStdString().find("19 random variables, seed 5"),
              std::string::npos);

    // The batch program with the same settings writes the same files.
    const BatchResult batch = Batch({"--reference",
                                     kExamples + "reference.csv",
                                     "--fossil",
                                     kExamples + "fossil.csv",
                                     "--climate",
                                     kExamples + "climate.csv",
                                     "--transfer",
                                     "wa,wapls",
                                     "--wa-tolerance",
                                     "--wapls-components",
                                     "3",
                                     "--cv",
                                     "loo",
                                     "--bootstrap",
                                     "50",
                                     "--significance",
                                     "19",
                                     "--seed",
                                     "5",
                                     "--out",
                                     TempPath("tf-window-batch")});
    ASSERT_EQ(batch.status, 0) << batch.err;
    const std::pair<QAction*, const char*> saves[] = {
        {t.mnuSavePerformance, tf::kPerformanceFile},
        {t.mnuSaveEstimates, tf::kCrossValidationFile},
        {t.mnuSaveCoefficients, tf::kCoefficientsFile},
        {t.mnuSaveReconstruction, tf::kReconstructionFile},
        {t.mnuSaveSignificance, tf::kSignificanceFile},
        {t.mnuSaveComponents, tf::kComponentsFile}};
    for (const auto& [action, name] : saves) {
        EXPECT_TRUE(action->isEnabled()) << name;
        const std::string saved = SaveWith(action, std::string("tf-window-") + name);
        EXPECT_FALSE(saved.empty()) << name;
        EXPECT_EQ(saved, ReadAll(TempPath("tf-window-batch") + "/" + name)) << name;
    }
    EXPECT_EQ(dialogs.records.back().suggestedName, tf::kComponentsFile);
}

TEST_F(TransferTest, TheCurvesShowTheModelAndTheAnalogueReconstructionWithBands)
{
    frmTransfer& t = Open();
    t.resize(1200, 800);
    t.CheckErrors->setChecked(true);
    t.SpinResamples->setValue(30);
    t.CommandStart->click();
    t.WaitForRun();
    ASSERT_NE(t.LastResults(), nullptr);
    const QImage image = t.PictureCurves->picture();
    int model = 0, mat = 0, band = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            model += c == QColor(30, 80, 190);
            mat += c == QColor(200, 60, 30);
            band += c == QColor(205, 220, 245);
        }
    EXPECT_GT(model, 100);
    EXPECT_GT(mat, 100);
    EXPECT_GT(band, 1000);
    // Another model redraws its own curve.
    const int before = model;
    t.ComboModel->setCurrentIndex(0);
    EXPECT_EQ(t.ComboModel->currentText().toStdString(), "WA inverse");
    const QImage other = t.PictureCurves->picture();
    int now = 0;
    for (int y = 0; y < other.height(); ++y)
        for (int x = 0; x < other.width(); ++x)
            now += other.pixelColor(x, y) == QColor(30, 80, 190);
    EXPECT_GT(now, 100);
    EXPECT_NE(now, before);
}

// The table and the curves share the height: with a fossil sequence the curves take the larger
// part; without one there are no curves, and the table takes the room they leave.
TEST_F(TransferTest, TheTableTakesTheRoomOfCurvesThatAreNotThere)
{
    for (const bool fossil : {true, false}) {
        SCOPED_TRACE(fossil ? "with a fossil table" : "without a fossil table");
        App other(dialogs);
        other.endProgram = [] {};
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        other.main().Command5->click();
        other.correlVar().Command1->click();
        if (fossil) {
            dialogs.QueueOpenFile(kExamples + "fossil.csv");
            other.main().Command6->click();
        }
        other.main().Command8->click();
        dialogs.QueueOpenFile(kExamples + "climate.csv");
        other.mat().Command1->click();
        other.mat().mnuTransfer->trigger();
        frmTransfer& t = other.transfer();
        t.resize(1180, 760);
        t.show();
        QApplication::processEvents();
        t.CommandStart->click();
        t.WaitForRun();
        QApplication::processEvents();
        ASSERT_NE(t.LastResults(), nullptr);
        if (fossil)
            EXPECT_GT(t.PictureCurves->height(), t.TablePerformance->height());
        else
            EXPECT_GT(t.TablePerformance->height(), 2 * t.PictureCurves->height());
        t.close();
    }
}

TEST_F(TransferTest, CancelStopsALongRunAndKeepsTheResultsBefore)
{
    frmTransfer& t = Open();
    t.CommandStart->click();
    t.WaitForRun();
    ASSERT_NE(t.LastResults(), nullptr);
    const tf::Results* before = t.LastResults();
    const int rows = t.TablePerformance->rowCount();

    // 100,000 resamples would take minutes.
    t.OptionBootstrap->setChecked(true);
    t.SpinResamples->setValue(100000);
    t.CommandStart->click();
    ASSERT_TRUE(t.Running());
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    t.CommandCancel->click();
    t.WaitForRun();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10);
    EXPECT_FALSE(t.Running());
    EXPECT_EQ(t.LastResults(), before);
    EXPECT_EQ(t.TablePerformance->rowCount(), rows);
    EXPECT_EQ(t.LabelStatus->text().toStdString(),
              "Cancelled; the results shown are those of the run before.");
    EXPECT_TRUE(t.CommandStart->isEnabled());
}

TEST_F(TransferTest, ClosingTheWindowDuringARunStopsIt)
{
    frmTransfer& t = Open();
    t.OptionBootstrap->setChecked(true);
    t.SpinResamples->setValue(100000);
    t.CommandStart->click();
    ASSERT_TRUE(t.Running());
    t.close();
    EXPECT_FALSE(t.Running());
    EXPECT_FALSE(t.isVisible());
}

}  // namespace
}  // namespace tarvex
