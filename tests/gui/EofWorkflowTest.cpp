#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "app/App.h"
#include "app/frmMain.h"
#include "batch/BatchRun.h"
#include "data/FossilImport.h"
#include "data/NumberText.h"
#include "data/TableReader.h"
#include "eof/ScoreFiles.h"
#include "eof/frmCorrelVar.h"
#include "plots/Envelope.h"
#include "support/TestFiles.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Fields of one record through the program's own cell reader.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    CellReader reader(line);
    std::string cell;
    while (reader.ReadCell(cell)) fields.push_back(cell);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    return fields;
}

class EofWorkflowTest : public ::testing::Test {
protected:
    EofWorkflowTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    frmMain& m() { return app.main(); }

    void ImportReference(bool pressOk = true)
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        if (pressOk) app.correlVar().Command1->click();
    }
    void ImportFossil(const std::string& path)
    {
        dialogs.QueueOpenFile(path);
        m().Command6->click();
    }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(EofWorkflowTest, ReferenceOkAndFossilImportRunTheWholeAnalysis)
{
    ImportReference();
    const Workspace& ws = app.ws();
    EXPECT_TRUE(ws.eofDone);
    EXPECT_FALSE(ws.useCorrelation);
    EXPECT_NEAR(ws.eofCumulative[ws.taxonCount], 100.0f, 1e-3);
    EXPECT_FALSE(m().Command5->isEnabled());
    EXPECT_TRUE(m().Command6->isEnabled());
    EXPECT_TRUE(m().Option4[1]->isEnabled());
    EXPECT_TRUE(m().ProgressBar1->isHidden());

    ImportFossil(kExamples + "fossil.csv");
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_EQ(ws.fossilSampleCount, 60);
    EXPECT_TRUE(ws.projectionDone);
    EXPECT_EQ(ws.taxonNameMatches, std::vector<std::string>{"0"});
    int empty = 0;
    for (int s = 1; s <= ws.fossilSampleCount; ++s) empty += ws.fossilSampleEmpty[s] ? 1 : 0;
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(m().Combo1->count(), 59);
    EXPECT_EQ(m().Combo1->currentText().toStdString(),
              ws.fossilSampleLabels[ws.currentFossilSample]);
    EXPECT_FALSE(m().Command6->isEnabled());
    EXPECT_TRUE(m().Command11->isEnabled());
    EXPECT_TRUE(m().Command8->isEnabled());
    EXPECT_TRUE(m().Command14->isEnabled());
    EXPECT_TRUE(m().Slider1->isEnabled());
    EXPECT_TRUE(m().Option5[0]->isEnabled());
    EXPECT_TRUE(m().mnuSaveF->isEnabled());
    EXPECT_TRUE(m().mnuSaveF2->isEnabled());
}

TEST_F(EofWorkflowTest, FossilTableWithOneMoreTaxonIsRefused)
{
    ImportReference();
    const TableReadResult fossil = ReadDataTableFile(kExamples + "fossil.csv");
    ASSERT_EQ(fossil.status, TableStatus::Ok);
    std::string text = "";
    for (int t = 1; t <= fossil.table.columnCount; ++t) text += "," + fossil.table.columnNames[t];
    text += ",Extra\n";
    for (int s = 1; s <= 5; ++s) {
        text += std::to_string(s * 10);
        for (int t = 1; t <= fossil.table.columnCount + 1; ++t) text += ",1";
        text += "\n";
    }
    ImportFossil(WriteTemp("gui_fossil_extra.csv", text));
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kParameterNumberMessage});
    EXPECT_EQ(app.ws().fossilSampleCount, 0);
    EXPECT_TRUE(m().Command6->isEnabled());
    EXPECT_FALSE(m().Command11->isEnabled());
}

std::string FossilWithFirstNameChanged(const std::string& newName)
{
    std::string text = ReadAll(kExamples + "fossil.csv");
    const std::size_t first = text.find(',');
    const std::size_t second = text.find(',', first + 1);
    return text.substr(0, first + 1) + newName + text.substr(second);
}

TEST_F(EofWorkflowTest, DifferingNameAnsweredYesIsRecorded)
{
    ImportReference();
    const std::string reference = app.ws().refTaxonNames[1];
    dialogs.QueueAnswer(true);
    ImportFossil(WriteTemp("gui_fossil_name.csv", FossilWithFirstNameChanged("Renamed")));
    ASSERT_EQ(dialogs.MessageTexts(),
              std::vector<std::string>{"Name inconsistent.  [Renamed] = [" + reference + "]?"});
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_EQ(app.ws().taxonNameMatches,
              (std::vector<std::string>{"1", "[Renamed]/[" + reference + "]"}));
    EXPECT_TRUE(app.ws().projectionDone);
}

TEST_F(EofWorkflowTest, DifferingNameAnsweredNoImportsNothing)
{
    ImportReference();
    dialogs.QueueAnswer(false);
    ImportFossil(WriteTemp("gui_fossil_name_no.csv", FossilWithFirstNameChanged("Renamed")));
    EXPECT_EQ(dialogs.MessageTexts().size(), 1u);  // the question only
    EXPECT_EQ(app.ws().fossilSampleCount, 0);
    EXPECT_FALSE(app.ws().projectionDone);
    EXPECT_TRUE(m().Command6->isEnabled());
    EXPECT_EQ(dialogs.unexpectedCalls, 0);
}

TEST_F(EofWorkflowTest, FossilImportBeforeThePretreatmentOkFailsAndStaysAvailable)
{
    ImportReference(false);
    ASSERT_TRUE(app.correlVar().isVisible());
    ImportFossil(kExamples + "fossil.csv");
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kNoEofAnalysisMessage});
    EXPECT_EQ(app.ws().fossilSampleCount, 0);
    EXPECT_FALSE(app.ws().projectionDone);
    EXPECT_TRUE(m().Command6->isEnabled());
}

TEST_F(EofWorkflowTest, FossilImportBeforeThePretreatmentOkAsksNoNameQuestion)
{
    ImportReference(false);
    ImportFossil(WriteTemp("gui_fossil_name_noeof.csv", FossilWithFirstNameChanged("Renamed")));
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kNoEofAnalysisMessage});
    EXPECT_EQ(dialogs.records.back().kind, DialogKind::Warn);
    EXPECT_EQ(dialogs.unexpectedCalls, 0);
    EXPECT_EQ(app.ws().fossilSampleCount, 0);
    EXPECT_TRUE(m().Command6->isEnabled());
}

TEST_F(EofWorkflowTest, BlankCellInTheFossilTableIsReportedAlone)
{
    ImportReference();
    std::string text = ReadAll(kExamples + "fossil.csv");
    // Empty the first value of the third data row.
    std::size_t row = text.find('\n');
    row = text.find('\n', row + 1);
    row = text.find('\n', row + 1);
    const std::size_t first = text.find(',', row);
    const std::size_t second = text.find(',', first + 1);
    text.erase(first + 1, second - first - 1);
    ImportFossil(WriteTemp("gui_fossil_blank.csv", text));
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kBlankCellMessage});
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_EQ(app.ws().fossilSampleCount, 0);
    EXPECT_TRUE(m().Command6->isEnabled());
}

TEST_F(EofWorkflowTest, SavedFilesReadBackAndMatchTheBatchRun)
{
    ImportReference();
    ImportFossil(kExamples + "fossil.csv");
    namespace fs = std::filesystem;
    const fs::path dir = TempPath("gui_saves");
    fs::remove_all(dir);
    fs::create_directories(dir);

    const std::string loading = (dir / "loading.csv").string();
    const std::string refScores = (dir / "reference-scores.csv").string();
    const std::string fossilScores = (dir / "fossil-scores.csv").string();
    dialogs.QueueSaveFile(loading);
    m().mnuSaveL->trigger();
    dialogs.QueueSaveFile(refScores);
    m().mnuSaveS2->trigger();
    dialogs.QueueSaveFile(fossilScores);
    m().mnuSaveF->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty());

    const Workspace& ws = app.ws();
    const std::vector<std::string> fossilLines = Lines(ReadAll(fossilScores));
    ASSERT_EQ(fossilLines.size(), 16u + ws.fossilSampleCount);
    for (int j = 1; j <= ws.fossilSampleCount; ++j) {
        const std::vector<std::string> f = Fields(fossilLines[15 + j]);
        ASSERT_EQ(f.size(), 2u + ws.taxonCount);
        EXPECT_EQ(f[0], ws.fossilSampleLabels[j]);
        EXPECT_EQ(f[1], "?");
        EXPECT_NEAR(Val(f[2]), ws.fossilScores(j, 1),
                    1e-12 * (1 + std::abs(ws.fossilScores(j, 1))));
    }
    const std::vector<std::string> refLines = Lines(ReadAll(refScores));
    ASSERT_EQ(refLines.size(), 10u + ws.refSiteCount);
    EXPECT_EQ(Fields(refLines[10]).front(), ws.refSiteLabels[1]);
    EXPECT_EQ(Lines(ReadAll(loading)).size(), 7u + ws.taxonCount);

    // The command-line companion writes the same files for the same choices.
    const fs::path batchDir = TempPath("gui_saves_batch");
    fs::remove_all(batchDir);
    std::ostringstream out, err;
    ASSERT_EQ(RunBatch({"--reference", kExamples + "reference.csv", "--fossil",
                        kExamples + "fossil.csv", "--out", batchDir.string()},
                       out, err),
              0)
        << err.str();
    for (const char* name : {"loading.csv", "reference-scores.csv", "fossil-scores.csv"}) {
        std::vector<std::string> desktop = Lines(ReadAll((dir / name).string()));
        std::vector<std::string> batch = Lines(ReadAll((batchDir / name).string()));
        ASSERT_EQ(desktop.size(), batch.size()) << name;
        desktop.erase(desktop.begin() + 1);  // the date-time record
        batch.erase(batch.begin() + 1);
        EXPECT_EQ(desktop, batch) << name;
    }
}

TEST_F(EofWorkflowTest, SavingBeforeTheAnalysisIsRefusedWithoutAsking)
{
    ImportReference(false);  // the pre-treatment dialog is still open
    ASSERT_TRUE(m().mnuSaveL->isEnabled());
    ASSERT_TRUE(m().mnuSaveS->isEnabled());
    const std::string path = TempPath("gui_early_save.csv");
    std::filesystem::remove(path);
    // A file name is ready for a save that went on to ask for one; none may ask.
    dialogs.QueueSaveFile(path);
    for (QAction* save : {m().mnuSaveL, m().mnuSaveS, m().mnuSaveL2, m().mnuSaveS2}) {
        SCOPED_TRACE(save->text().toStdString());
        dialogs.records.clear();
        save->trigger();
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.records[0].kind, DialogKind::Warn);
        EXPECT_EQ(dialogs.records[0].title, "Error");
        EXPECT_EQ(dialogs.records[0].text, kNoEofResultsMessage);
        EXPECT_EQ(dialogs.PendingAnswers(), 1u);
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_TRUE(m().ProgressBar1->isHidden());
    }

    // After OK the same command saves, to the name still waiting.
    app.correlVar().Command1->click();
    dialogs.records.clear();
    m().mnuSaveL->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_EQ(Lines(ReadAll(path)).size(), 7u + app.ws().taxonCount);
}

TEST_F(EofWorkflowTest, ResultsThatAreNotFiniteAreNotSaved)
{
    ImportReference();
    app.ws().taxonLoadings(2, 1) = std::numeric_limits<double>::infinity();
    const std::string path = TempPath("gui_nonfinite.csv");
    std::filesystem::remove(path);
    dialogs.QueueSaveFile(path);
    m().mnuSaveL->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_NE(dialogs.MessageTexts()[0].find(kNonFiniteResultsMessage), std::string::npos);
    EXPECT_NE(dialogs.MessageTexts()[0].find(path), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(EofWorkflowTest, FossilFileAfterAnEnvelopeEqualsTheCoreRunOfTheSameActions)
{
    ImportReference();
    ImportFossil(kExamples + "fossil.csv");
    m().Command11->click();  // Envelop, with the generator as it is at program start
    const Workspace& ws = app.ws();
    ASSERT_TRUE(ws.envelopeDone);
    const std::string desktop = TempPath("gui_envelope_fossil.csv");
    dialogs.QueueSaveFile(desktop);
    m().mnuSaveF->trigger();
    ASSERT_TRUE(dialogs.MessageTexts().empty());

    // The batch stages and one envelope run from a fresh generator: the same actions.
    BatchOptions options;
    options.referencePath = kExamples + "reference.csv";
    options.fossilPath = kExamples + "fossil.csv";
    Workspace core;
    std::ostringstream out, err;
    ASSERT_TRUE(BatchReferenceStage(core, options, err));
    ASSERT_TRUE(BatchEofStage(core, options, out));
    ASSERT_TRUE(BatchFossilStage(core, options, out, err)) << err.str();
    UniformRandom fresh;
    RunEnvelopeAnalysis(core, fresh, 0.1f, {});

    std::vector<std::string> saved = Lines(ReadAll(desktop));
    std::vector<std::string> expected =
        Lines(FossilScoreFileText(core, options.choice, "date (time)"));
    ASSERT_EQ(saved.size(), expected.size());
    saved.erase(saved.begin() + 1);
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(saved, expected);

    // Every sample, the empty one included, carries the mark the envelope gave it.
    int empty = 0;
    for (int j = 1; j <= ws.fossilSampleCount; ++j) {
        const std::vector<std::string> f = Fields(Lines(ReadAll(desktop))[15 + j]);
        EXPECT_EQ(f[1], ws.fossilOutside[j] ? "Out" : "In") << j;
        empty += ws.fossilSampleEmpty[j] ? 1 : 0;
    }
    EXPECT_EQ(empty, 1);
}

TEST_F(EofWorkflowTest, CancelledSaveIsSilentAndFailedSaveSaysSo)
{
    ImportReference();
    dialogs.QueueSaveFile(std::nullopt);
    m().mnuSaveL->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty());

    const std::string bad = TempPath("no/such/folder/loading.csv");
    dialogs.QueueSaveFile(bad);
    m().mnuSaveL->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_NE(dialogs.MessageTexts()[0].find(bad), std::string::npos);
    // The system's reason, not a guess at it.
    EXPECT_NE(dialogs.MessageTexts()[0].find("No such file or directory"), std::string::npos)
        << dialogs.MessageTexts()[0];
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_TRUE(m().ProgressBar1->isHidden());
}

}  // namespace
}  // namespace tarvex
