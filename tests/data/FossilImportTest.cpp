#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "data/FossilImport.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// A workspace that looks as if the EOF analysis of three taxa had run.
Workspace AnalysedReference()
{
    Workspace ws;
    ws.refTaxonCount = ws.taxonCount = 3;
    ws.refTaxonNames = {"", "Pinus", "Betula", "Poaceae"};
    ws.eofVectors.resize(4, 3);
    ws.basisMeans.resize(4, 3);
    ws.basisSDs.resize(4, 3);
    return ws;
}

const char* kGoodFossil = ",Pinus,Betula,Poaceae\n10,0,0,0\n20,20,30,50\n30,1,1,2\n";

TEST(FossilImportTest, MatchingNamesImportWithoutQuestions)
{
    Workspace ws = AnalysedReference();
    int questions = 0;
    const ImportOutcome outcome =
        ImportFossilTable(ws, WriteTemp("fossil_ok.csv", kGoodFossil), PretreatmentChoice{},
                          [&](const std::string&) { return ++questions, true; });
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(ws.taxonNameMatches, std::vector<std::string>{"0"});
    EXPECT_EQ(ws.fossilSampleCount, 3);
    EXPECT_FALSE(ws.fossilTextLabels);
    EXPECT_EQ(ws.fossilSampleLabels, (std::vector<std::string>{"", "10", "20", "30"}));
    // The first sample is empty, so the current sample is the second.
    EXPECT_TRUE(ws.fossilSampleEmpty[1]);
    EXPECT_FALSE(ws.fossilSampleEmpty[2]);
    EXPECT_EQ(ws.currentFossilSample, 2);
    EXPECT_EQ(ws.fossilProportions(2, 0), 100.0);
    EXPECT_EQ(ws.fossilProportions(2, 3), 0.5);
    EXPECT_EQ(ws.fossilProportions(1, 1), 0.0);
    EXPECT_EQ(ws.fossilData(2, 3), 50.0);  // no enhancement: values as imported
    EXPECT_EQ(ws.fossilOutside.size(), 4u);
    EXPECT_EQ(ws.fossilScores.rows(), 3);
    // Three samples: top 10 - Int(0.75) = 10, height 2 * 0 + 30 - 10 = 20.
    EXPECT_EQ(ws.diagramScaleTop, 10.0f);
    EXPECT_EQ(ws.diagramScaleHeight, 20.0f);
}

TEST(FossilImportTest, EnhancementFollowsTheReferenceChoice)
{
    Workspace ws = AnalysedReference();
    ASSERT_TRUE(ImportFossilTable(ws, WriteTemp("fossil_sqrt.csv", kGoodFossil),
                                  PretreatmentChoice{true, Enhancement::SquareRoot, false}, {})
                    .ok);
    EXPECT_DOUBLE_EQ(ws.fossilData(2, 3), std::sqrt(0.5));
    EXPECT_EQ(ws.fossilData(1, 2), 0.0);
}

TEST(FossilImportTest, NameQuestionsYesRecordsNoImportsNothing)
{
    const std::string path =
        WriteTemp("fossil_names.csv", ",Pinus sp.,Betula,Poaceae\n10,1,2,3\n20,2,3,4\n");
    Workspace yes = AnalysedReference();
    std::vector<std::string> asked;
    ASSERT_TRUE(ImportFossilTable(yes, path, PretreatmentChoice{}, [&](const std::string& q) {
                    asked.push_back(q);
                    return true;
                }).ok);
    EXPECT_EQ(asked, std::vector<std::string>{"Name inconsistent.  [Pinus sp.] = [Pinus]?"});
    EXPECT_EQ(yes.taxonNameMatches, (std::vector<std::string>{"1", "[Pinus sp.]/[Pinus]"}));

    Workspace no = AnalysedReference();
    const ImportOutcome outcome =
        ImportFossilTable(no, path, PretreatmentChoice{}, [](const std::string&) { return false; });
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.messages.empty());  // the "No" was the user's own decision
    EXPECT_EQ(no.fossilSampleCount, 0);
    EXPECT_TRUE(no.taxonNameMatches.empty());
}

TEST(FossilImportTest, FailuresCarryTheirMessagesAndChangeNothing)
{
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"extra_taxon",
         ",Pinus,Betula,Poaceae,Alnus\n10,1,2,3,4\n20,1,2,3,4\n",
         {kParameterNumberMessage}},
        {"blank", ",Pinus,Betula,Poaceae\n10,1,2,3\n20,1,,3\n", {kBlankCellMessage}},
        {"past_end", ",Pinus,Betula,Poaceae\n10,1,2,3\n20,1,2\n", {kFormatErrorMessage}},
        {"all_empty", ",Pinus,Betula,Poaceae\n10,0,0,0\n20,0,0,0\n", {kFormatErrorMessage}},
    };
    for (const Case& c : cases) {
        Workspace ws = AnalysedReference();
        const ImportOutcome outcome =
            ImportFossilTable(ws, WriteTemp(std::string("fossil_") + c.name + ".csv", c.content),
                              PretreatmentChoice{}, [](const std::string&) { return true; });
        EXPECT_FALSE(outcome.ok) << c.name;
        EXPECT_EQ(outcome.messages, c.messages) << c.name;
        EXPECT_EQ(ws.fossilSampleCount, 0) << c.name;
        EXPECT_TRUE(ws.fossilFileName.empty()) << c.name;
    }
}

TEST(FossilImportTest, WithoutAnEofAnalysisNothingIsImported)
{
    Workspace ws = AnalysedReference();
    ws.eofVectors.clear();
    const ImportOutcome outcome =
        ImportFossilTable(ws, WriteTemp("fossil_noeof.csv", kGoodFossil), PretreatmentChoice{}, {});
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{kNoEofAnalysisMessage});
    EXPECT_EQ(ws.fossilSampleCount, 0);
}

TEST(FossilImportTest, WithoutAnEofAnalysisNoNameQuestionIsAsked)
{
    Workspace ws = AnalysedReference();
    ws.eofVectors.clear();
    int questions = 0;
    const ImportOutcome outcome = ImportFossilTable(
        ws,
        WriteTemp("fossil_noeof_names.csv", ",Pinus sp.,Betula sp.,Poaceae\n10,1,2,3\n20,2,3,4\n"),
        PretreatmentChoice{}, [&](const std::string&) { return ++questions, true; });
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{kNoEofAnalysisMessage});
    EXPECT_TRUE(ws.taxonNameMatches.empty());
}

TEST(FossilImportTest, DecimalDepthLabelsMakeATextLabelledTable)
{
    Workspace ws = AnalysedReference();
    ASSERT_TRUE(ImportFossilTable(ws,
                                  WriteTemp("fossil_textlabels.csv",
                                            ",Pinus,Betula,Poaceae\n10.0,1,2,3\n20.0,2,3,4\n"),
                                  PretreatmentChoice{}, {})
                    .ok);
    EXPECT_TRUE(ws.fossilTextLabels);
    EXPECT_EQ(ws.fossilSampleLabels[1], "10.0");
    EXPECT_EQ(ws.fossilSampleLabels[2], "20.0");
}

}  // namespace
}  // namespace tarvex
