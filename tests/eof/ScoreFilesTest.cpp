#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

#include "data/RecordWriter.h"
#include "data/TableReader.h"
#include "eof/ScoreFiles.h"
#include "support/Records.h"

namespace tarvex {
namespace {

std::vector<std::vector<std::string>> Records(const std::string& text)
{
    return testing::ReadRecords(text);
}

Workspace ThreeTaxa()
{
    Workspace ws;
    ws.refFileName = "/data/ref.csv";
    ws.fossilFileName = "/data/fossil.csv";
    ws.refTaxonCount = ws.taxonCount = ws.fossilTaxonCount = 3;
    ws.refSiteCount = ws.basisRowCount = 2;
    ws.fossilSampleCount = 2;
    ws.refTaxonNames = {"", "Pinus", "Betula", "Poaceae"};
    ws.refSiteLabels = {"", "S1", "S2"};
    ws.fossilSampleLabels = {"", "100", "105"};
    ws.eofContribution = {0, 62.5f, 30.25f, 7.25f};
    ws.taxonLoadings.resize(3, 3);
    ws.refScores.resize(2, 3);
    ws.fossilScores.resize(2, 3);
    for (int t = 1; t <= 3; ++t)
        for (int k = 1; k <= 3; ++k) ws.taxonLoadings(t, k) = t - 0.5 * k;
    ws.refScores(1, 1) = -1.25;
    ws.refScores(2, 3) = 0.1;
    ws.fossilScores(2, 2) = 1.0 / 3.0;
    ws.fossilOutside = {false, false, true};
    ws.taxonNameMatches = {"0"};
    ws.envelopeTightness = 0.1f;
    return ws;
}

using Recs = std::vector<std::vector<std::string>>;

TEST(ScoreFilesTest, LoadingFileRecords)
{
    const Workspace ws = ThreeTaxa();
    const Recs r = Records(LoadingFileText(ws, "12/09/26 (05:00:00)"));
    ASSERT_EQ(r.size(), 10u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"Tarvex 1.0 output file (component loading)"}));
    EXPECT_EQ(r[1], (std::vector<std::string>{"Date/Time: ", "12/09/26 (05:00:00)"}));
    EXPECT_EQ(r[2], (std::vector<std::string>{"Reference data file: ", "/data/ref.csv"}));
    EXPECT_EQ(r[3], (std::vector<std::string>{"No. of reference taxa: ", "3"}));
    EXPECT_EQ(r[4], (std::vector<std::string>{"No. of reference sites: ", "2"}));
    EXPECT_EQ(r[5], (std::vector<std::string>{"EOF No.:", "1", "2", "3"}));
    EXPECT_EQ(r[6], (std::vector<std::string>{"Contribution:", "62.5", "30.25", "7.25"}));
    EXPECT_EQ(r[7], (std::vector<std::string>{"Pinus", "0.5", "0", "-0.5"}));
    EXPECT_EQ(r[9], (std::vector<std::string>{"Poaceae", "2.5", "2", "1.5"}));
}

TEST(ScoreFilesTest, TextAndNumberFieldsAreQuotedOrBare)
{
    const std::string text = LoadingFileText(ThreeTaxa(), "d (t)");
    EXPECT_NE(text.find("\"EOF No.:\",1,2,3\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Pinus\",0.5,0,-0.5\r\n"), std::string::npos);
}

TEST(ScoreFilesTest, ReferenceScoreHeaderFollowsThePretreatment)
{
    const Workspace ws = ThreeTaxa();
    const Recs r = Records(ReferenceScoreFileText(ws, PretreatmentChoice{}, "d"));
    ASSERT_EQ(r.size(), 12u);
    EXPECT_EQ(r[0][0], "Tarvex 1.0 output file (component score for reference dataset)");
    EXPECT_EQ(r[3], (std::vector<std::string>{"Data pre-treatment: ", "Proportion"}));
    EXPECT_EQ(r[4], (std::vector<std::string>{"Enhancing minor taxa: ", "N/A"}));
    EXPECT_EQ(r[5], (std::vector<std::string>{"Type of matrix: ", "Variance/Covariance"}));
    EXPECT_EQ(r[10], (std::vector<std::string>{"S1", "-1.25", "0", "0"}));
    EXPECT_EQ(r[11], (std::vector<std::string>{"S2", "0", "0", "0.1"}));

    const Recs r2 =
        Records(ReferenceScoreFileText(ws, PretreatmentChoice{false, Enhancement::Log, true}, "d"));
    EXPECT_EQ(r2[3][1], "Raw data");
    EXPECT_EQ(r2[4][1], "Log");
    EXPECT_EQ(r2[5][1], "Correlation");
}

TEST(ScoreFilesTest, FossilScoreFileBeforeAndAfterAnEnvelope)
{
    Workspace ws = ThreeTaxa();
    Recs r = Records(FossilScoreFileText(ws, PretreatmentChoice{}, "d"));
    ASSERT_EQ(r.size(), 18u);
    EXPECT_EQ(r[0][0], "Tarvex 1.0 output file (component score for fossil dataset)");
    EXPECT_EQ(r[3], (std::vector<std::string>{"Fossil data file: ", "/data/fossil.csv"}));
    EXPECT_EQ(r[11], (std::vector<std::string>{"Taxa name inconsistency: "}));
    EXPECT_EQ(r[12], (std::vector<std::string>{"Tightness of envelope: ", "0.1"}));
    EXPECT_EQ(r[13], (std::vector<std::string>{"", "EOF No.:", "1", "2", "3"}));
    EXPECT_EQ(r[14], (std::vector<std::string>{"", "Contribution:", "62.5", "30.25", "7.25"}));
    EXPECT_EQ(r[15], (std::vector<std::string>{"Depth", "Envelope", "Yes", "Yes", "No"}));
    EXPECT_EQ(r[16], (std::vector<std::string>{"100", "?", "0", "0", "0"}));
    EXPECT_EQ(r[17], (std::vector<std::string>{"105", "?", "0", "0.333333333333333", "0"}));

    ws.envelopeDone = true;
    ws.taxonNameMatches = {"2", "[Pinus sp.]/[Pinus]", "[Betula sp.]/[Betula]"};
    ws.selectedAxisCount = 3;
    r = Records(FossilScoreFileText(ws, PretreatmentChoice{}, "d"));
    EXPECT_EQ(r[11], (std::vector<std::string>{"Taxa name inconsistency: ", "[Pinus sp.]/[Pinus]",
                                               "[Betula sp.]/[Betula]"}));
    EXPECT_EQ(r[15], (std::vector<std::string>{"Depth", "Envelope", "Yes", "Yes", "Yes"}));
    EXPECT_EQ(r[16][1], "In");
    EXPECT_EQ(r[17][1], "Out");
}

TEST(ScoreFilesTest, EnvelopeOnTwoOfFiveEofsMarksTheirColumns)
{
    Workspace ws = ThreeTaxa();
    ws.taxonCount = 5;
    ws.eofContribution = {0, 50, 20, 15, 10, 5};
    ws.fossilScores.resize(2, 5);
    ws.selectedAxes = {0, 1, 2, 3, 4, 5};
    ws.selectedAxisCount = 2;
    const Recs r = Records(FossilScoreFileText(ws, PretreatmentChoice{}, "d"));
    EXPECT_EQ(r[15],
              (std::vector<std::string>{"Depth", "Envelope", "Yes", "Yes", "No", "No", "No"}));
}

// The workspace as the reference import leaves it while the pre-treatment dialog is still
// open: counts, names and labels, score tables allocated, but no EOF results at all.
Workspace ImportedNotAnalysed()
{
    Workspace ws;
    ws.refFileName = "/data/ref.csv";
    ws.refTaxonCount = ws.taxonCount = 3;
    ws.refSiteCount = ws.basisRowCount = 2;
    ws.refTaxonNames = {"", "Pinus", "Betula", "Poaceae"};
    ws.refSiteLabels = {"", "S1", "S2"};
    ws.refRawScores.resize(2, 3);
    ws.refScores.resize(2, 3);
    return ws;
}

TEST(ScoreFilesTest, BuildersReadOnlyWhatTheWorkspaceHolds)
{
    const Workspace imported = ImportedNotAnalysed();
    EXPECT_FALSE(HasEofResults(imported));
    EXPECT_FALSE(HasEofResults(ThreeTaxa()));  // the fixture has no eigenvectors
    Recs r = Records(LoadingFileText(imported, "d"));
    ASSERT_EQ(r.size(), 10u);
    EXPECT_EQ(r[6], (std::vector<std::string>{"Contribution:", "", "", ""}));
    EXPECT_EQ(r[7], (std::vector<std::string>{"Pinus", "", "", ""}));
    r = Records(ReferenceScoreFileText(imported, PretreatmentChoice{}, "d"));
    ASSERT_EQ(r.size(), 12u);
    EXPECT_EQ(r[11], (std::vector<std::string>{"S2", "0", "0", "0"}));

    // Counts that promise more than the lists and tables hold.
    Workspace wild;
    wild.taxonCount = wild.refTaxonCount = wild.fossilTaxonCount = 3;
    wild.refSiteCount = 4;
    wild.fossilSampleCount = 5;
    wild.envelopeDone = true;
    wild.fossilOutside = {false, true};
    wild.selectedAxes = {0, 1, 2};
    wild.selectedAxisCount = 7;
    wild.taxonNameMatches = {"99", "[a]/[b]"};
    r = Records(FossilScoreFileText(wild, PretreatmentChoice{}, "d"));
    ASSERT_EQ(r.size(), 21u);
    EXPECT_EQ(r[11], (std::vector<std::string>{"Taxa name inconsistency: ", "[a]/[b]"}));
    EXPECT_EQ(r[15], (std::vector<std::string>{"Depth", "Envelope", "Yes", "Yes", "No"}));
    EXPECT_EQ(r[16], (std::vector<std::string>{"", "Out", "", "", ""}));
    EXPECT_EQ(r[20], (std::vector<std::string>{"", "In", "", "", ""}));
    r = Records(LoadingFileText(wild, "d"));
    EXPECT_EQ(r.size(), 10u);
    r = Records(ReferenceScoreFileText(wild, PretreatmentChoice{}, "d"));
    EXPECT_EQ(r.size(), 14u);

    wild.selectedAxisCount = -4;
    wild.taxonNameMatches = {"-3"};
    r = Records(FossilScoreFileText(wild, PretreatmentChoice{}, "d"));
    EXPECT_EQ(r[11], (std::vector<std::string>{"Taxa name inconsistency: "}));
    EXPECT_EQ(r[15], (std::vector<std::string>{"Depth", "Envelope", "No", "No", "No"}));
}

TEST(ScoreFilesTest, EnvelopeStatusIsUnknownUntilAnEnvelopeRan)
{
    Workspace ws = ThreeTaxa();
    ws.fossilSampleCount = 3;
    ws.fossilOutside = {false, false, true, false};
    ws.fossilSampleEmpty = {false, false, false, true};  // emptiness does not enter the rule
    const struct {
        bool done;
        int sample;
        const char* status;
    } cases[] = {
        {false, 1, "?"},  {false, 2, "?"}, {false, 3, "?"}, {true, 1, "In"},
        {true, 2, "Out"}, {true, 3, "In"}, {true, 9, "In"},
    };
    for (const auto& c : cases) {
        ws.envelopeDone = c.done;
        EXPECT_STREQ(EnvelopeStatus(ws, c.sample), c.status) << c.done << " " << c.sample;
    }
}

TEST(ScoreFilesTest, NumbersThatAreNotFiniteAreLeftOutAndReported)
{
    Workspace ws = ThreeTaxa();
    bool allFinite = true;
    LoadingFileText(ws, "d", {}, &allFinite);
    ReferenceScoreFileText(ws, PretreatmentChoice{}, "d", {}, &allFinite);
    FossilScoreFileText(ws, PretreatmentChoice{}, "d", {}, &allFinite);
    EXPECT_TRUE(allFinite);

    ws.eofContribution[2] = std::numeric_limits<float>::infinity();
    ws.refScores(2, 1) = std::numeric_limits<double>::quiet_NaN();
    for (int file = 0; file < 3; ++file) {
        allFinite = true;
        const std::string text =
            file == 0   ? LoadingFileText(ws, "d", {}, &allFinite)
            : file == 1 ? ReferenceScoreFileText(ws, PretreatmentChoice{}, "d", {}, &allFinite)
                        : FossilScoreFileText(ws, PretreatmentChoice{}, "d", {}, &allFinite);
        EXPECT_FALSE(allFinite) << file;
        EXPECT_EQ(text.find("nan"), std::string::npos) << file;
        EXPECT_EQ(text.find("inf"), std::string::npos) << file;
    }
}

TEST(RecordWriterTest, AtomicWriteReplacesWholeOrReportsFailure)
{
    const std::string path = std::string(TARVEX_BINARY_DIR) + "/atomic_out.csv";
    ASSERT_TRUE(WriteFileAtomically(path, "first\r\n"));
    ASSERT_TRUE(WriteFileAtomically(path, "second\r\n"));
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "second\r\n");
    EXPECT_FALSE(std::ifstream(path + ".tarvex-tmp").good());
    EXPECT_FALSE(WriteFileAtomically(std::string(TARVEX_BINARY_DIR) + "/no/such/dir/x.csv", "x"));
}

TEST(RecordWriterTest, DateTimeTextHasTimeInParentheses)
{
    const std::string text = DateTimeText(0);
    ASSERT_GE(text.size(), 12u);
    EXPECT_EQ(text.back(), ')');
    EXPECT_EQ(text.substr(text.size() - 11, 2), " (");
    EXPECT_EQ(text[text.size() - 4], ':');
}

}  // namespace
}  // namespace tarvex
