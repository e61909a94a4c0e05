#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

TEST(ReferenceImportTest, FillsWorkspaceFromTextLabelledTable)
{
    Workspace ws;
    const std::string path =
        WriteTemp("ref_ok.csv", ",Pinus,Betula,Poaceae\nA,10,20,70\nB,5,5,90\nC,0,50,50\n");
    const ImportOutcome outcome = ImportReferenceTable(ws, path);
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(ws.refFileName, path);
    EXPECT_EQ(ws.refSiteCount, 3);
    EXPECT_EQ(ws.refTaxonCount, 3);
    EXPECT_EQ(ws.taxonCount, 3);
    EXPECT_EQ(ws.basisRowCount, 3);
    EXPECT_TRUE(ws.refTextLabels);
    EXPECT_EQ(ws.refTaxonNames, (std::vector<std::string>{"", "Pinus", "Betula", "Poaceae"}));
    EXPECT_EQ(ws.refSiteLabels, (std::vector<std::string>{"", "A", "B", "C"}));
    EXPECT_EQ(ws.refData(2, 3), 90.0);
    EXPECT_EQ(ws.refData(3, 2), 50.0);
    EXPECT_EQ(ws.refSiteOnHull.size(), 4u);
    EXPECT_EQ(ws.refScores.rows(), 3);
    EXPECT_EQ(ws.refScores.cols(), 3);
    EXPECT_EQ(ws.refRawScores.rows(), 3);
    EXPECT_EQ(ws.displayAxes.size(), 4u);
    EXPECT_EQ(ws.displayAxes[3], 3);
}

TEST(ReferenceImportTest, AxisListsGrowAndKeepTheirEntries)
{
    Workspace ws;
    ws.selectedAxes = {0, 2, 1, 3};
    std::string content = ",t1,t2,t3,t4,t5\nA,1,2,3,4,5\nB,5,4,3,2,1\n";
    ASSERT_TRUE(ImportReferenceTable(ws, WriteTemp("ref_five.csv", content)).ok);
    ASSERT_EQ(ws.selectedAxes.size(), 6u);
    EXPECT_EQ(ws.selectedAxes[1], 2);
    EXPECT_EQ(ws.selectedAxes[2], 1);
    EXPECT_EQ(ws.selectedAxes[3], 3);
}

struct FailureCase {
    const char* name;
    const char* content;
    std::vector<std::string> messages;
};

TEST(ReferenceImportTest, FailuresGiveTheirMessagesAndChangeNothing)
{
    const std::vector<FailureCase> cases{
        {"blank_row3",
         ",a,b,c\nA,1,2,3\nB,1,2,3\nC,1,,3\n",
         {kBlankCellMessage, kFormatErrorMessage}},
        {"blank_row1", ",a,b,c\nA,1,,3\nB,1,2,3\nC,1,2,3\n", {kFormatErrorMessage}},
        {"text_row1", ",a,b,c\nA,1,x,3\nB,1,2,3\nC,1,2,3\n", {kFormatErrorMessage}},
        {"single_text_row", ",a,b,c\nA,1,2,3\n", {kFormatErrorMessage}},
        {"short_last_row", ",a,b,c\nA,1,2,3\nB,1,2\n", {kFormatErrorMessage}},
        {"empty_file", "", {kFormatErrorMessage}},
    };
    for (const FailureCase& c : cases) {
        Workspace ws;
        ws.refFileName = "before";
        const ImportOutcome outcome =
            ImportReferenceTable(ws, WriteTemp(std::string("ref_") + c.name + ".csv", c.content));
        EXPECT_FALSE(outcome.ok) << c.name;
        EXPECT_EQ(outcome.messages, c.messages) << c.name;
        EXPECT_EQ(ws.refFileName, "before") << c.name;
        EXPECT_EQ(ws.refSiteCount, 0) << c.name;
        EXPECT_EQ(ws.taxonCount, 0) << c.name;
        EXPECT_TRUE(ws.refData.empty()) << c.name;
        EXPECT_TRUE(ws.refTaxonNames.empty()) << c.name;
    }
}

TEST(ReferenceImportTest, MissingFileAndCancelGiveTheFormatError)
{
    Workspace ws;
    const ImportOutcome missing =
        ImportReferenceTable(ws, std::string(TARVEX_BINARY_DIR) + "/no/such/file.csv");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.messages, std::vector<std::string>{kFormatErrorMessage});
    const ImportOutcome cancelled = CancelledReferenceImport();
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.messages, std::vector<std::string>{kFormatErrorMessage});
}

}  // namespace
}  // namespace tarvex
