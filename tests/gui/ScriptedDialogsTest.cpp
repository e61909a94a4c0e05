#include <gtest/gtest.h>

#include <QPrinter>

#include "ui/QtDialogs.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

const std::string kCsv = "DataFile(*.csv)|*.csv";

TEST(ScriptedDialogsTest, AnswersEachKindInQueuedOrderAndRecordsEverything)
{
    ScriptedDialogs d;
    d.QueueOpenFile("/data/ref.csv");
    d.QueueOpenFile(std::nullopt);
    d.QueueSaveFile("/data/out.csv");
    d.QueueAnswer(true);
    d.QueueAnswer(false);

    // Kinds keep their own queues: the save answer is not taken by an open dialog.
    EXPECT_EQ(d.OpenFile("Import", kCsv), std::optional<std::string>("/data/ref.csv"));
    EXPECT_TRUE(d.AskYesNo("Use names?"));
    d.Warn("File not found");
    EXPECT_EQ(d.OpenFile("Import", kCsv), std::nullopt);
    d.Inform("Done", "Result");
    EXPECT_FALSE(d.AskYesNo("Replace?", "Question"));
    EXPECT_EQ(d.SaveFile("Save", kCsv, "scores.csv"), std::optional<std::string>("/data/out.csv"));

    EXPECT_EQ(d.unexpectedCalls, 0);
    EXPECT_EQ(d.PendingAnswers(), 0u);
    EXPECT_EQ(d.MessageTexts(),
              (std::vector<std::string>{"Use names?", "File not found", "Done", "Replace?"}));

    struct Expected {
        DialogKind kind;
        std::string title;
        DialogIcon icon;
    };
    const std::vector<Expected> expected{
        {DialogKind::Open, "Import", DialogIcon::None},
        {DialogKind::YesNo, "Error", DialogIcon::Warning},
        {DialogKind::Warn, "Error", DialogIcon::Warning},
        {DialogKind::Open, "Import", DialogIcon::None},
        {DialogKind::Inform, "Result", DialogIcon::Information},
        {DialogKind::YesNo, "Question", DialogIcon::Warning},
        {DialogKind::Save, "Save", DialogIcon::None},
    };
    ASSERT_EQ(d.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(d.records[i].kind, expected[i].kind) << i;
        EXPECT_EQ(d.records[i].title, expected[i].title) << i;
        EXPECT_EQ(d.records[i].icon, expected[i].icon) << i;
    }
    EXPECT_EQ(d.records.back().filter, kCsv);
    EXPECT_EQ(d.records.back().suggestedName, "scores.csv");
}

TEST(ScriptedDialogsTest, UnscriptedQuestionsCancelAndAreCounted)
{
    ScriptedDialogs d;
    d.QueueSaveFile("/tmp/x.csv");
    EXPECT_EQ(d.OpenFile("Import", kCsv), std::nullopt);
    EXPECT_FALSE(d.AskYesNo("Sure?"));
    EXPECT_EQ(d.ChoosePrinter(), nullptr);
    d.Warn("not a question");
    EXPECT_EQ(d.unexpectedCalls, 3);
    EXPECT_EQ(d.PendingAnswers(), 1u);
    EXPECT_EQ(d.records.size(), 4u);
}

TEST(ScriptedDialogsTest, PrinterAnswersArePdfPrintersOrCancels)
{
    ScriptedDialogs d;
    d.QueuePrinterCancel();
    d.QueuePrinterPdf("/tmp/chart.pdf", true, 2);
    EXPECT_EQ(d.ChoosePrinter(), nullptr);
    const std::unique_ptr<QPrinter> printer = d.ChoosePrinter();
    ASSERT_TRUE(printer);
    EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer->outputFileName(), QString("/tmp/chart.pdf"));
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer->copyCount(), 2);
    EXPECT_EQ(d.unexpectedCalls, 0);
}

TEST(QtDialogsTest, FiltersBecomeToolkitFilters)
{
    const std::vector<std::pair<std::string, QString>> cases{
        {"DataFile(*.csv)|*.csv", "DataFile (*.csv)"},
        {"Data|*.csv|Text files (*.txt)|*.txt;*.dat", "Data (*.csv);;Text files (*.txt *.dat)"},
        {"All|", "All (*)"},
        {"", ""},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(QtDialogs::QtFilter(filter), expected) << filter;
}

}  // namespace
}  // namespace tarvex
