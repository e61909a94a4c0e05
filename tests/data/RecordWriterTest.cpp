#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/RecordWriter.h"
#include "data/TableReader.h"
#include "eof/ScoreFiles.h"

namespace tarvex {
namespace {

std::vector<std::string> CellsOf(const std::string& text)
{
    CellReader reader(text);
    std::vector<std::string> cells;
    std::string cell;
    while (reader.ReadCell(cell)) cells.push_back(cell);
    return cells;
}

// Labels and names come from the user's tables and may hold anything the cell reader let
// through; each must come back from the written file exactly.
const std::vector<std::string> kAwkwardTexts = {
    "plain",         "a\"b",     "\"",       "\"\"",    "say \"hi\"", "\"quoted\"", "x, y",
    "line\r\nbreak", "cr\ronly", "lf\nonly", "a\",\"b", " padded ",   "",           "end quote\"",
};

TEST(RecordWriterTest, TextFieldsReadBackThroughTheCellReader)
{
    RecordWriter w;
    for (const std::string& text : kAwkwardTexts) {
        w.Text(text).Number(1.5);
        w.EndRecord();
    }
    std::vector<std::string> expected;
    for (const std::string& text : kAwkwardTexts) {
        expected.push_back(text);
        expected.push_back("1.5");
    }
    EXPECT_EQ(CellsOf(w.str()), expected);
}

TEST(RecordWriterTest, QuoteInsideATextFieldIsDoubled)
{
    RecordWriter w;
    w.Text("a\"b").Text("x");
    w.EndRecord();
    EXPECT_EQ(w.str(), "\"a\"\"b\",\"x\"\r\n");
}

TEST(RecordWriterTest, ScoreFileLabelsWithQuotesCommasAndLineEndsReadBack)
{
    Workspace ws;
    ws.refFileName = "C:\\data\\\"odd\", name.csv";
    ws.refTaxonCount = ws.taxonCount = 1;
    ws.refSiteCount = ws.basisRowCount = 3;
    ws.refTaxonNames = {"corner", "Pinus \"sylvestris\", type"};
    ws.refSiteLabels = {"", "Lake \"A\"", "B,\r\nC", "\""};
    ws.eofContribution = {0, 100};
    ws.taxonLoadings.resize(1, 1);
    ws.refScores.resize(3, 1);
    ws.refScores(2, 1) = -2;

    const std::vector<std::string> loading = CellsOf(LoadingFileText(ws, "d (t)"));
    ASSERT_GE(loading.size(), 5u);
    const std::vector<std::string> loadingTail(loading.begin() + 5, loading.end());
    EXPECT_EQ(loading[4], ws.refFileName);
    EXPECT_EQ(loadingTail,
              (std::vector<std::string>{
                  "No. of reference taxa: ", "1", "No. of reference sites: ", "3", "EOF No.:", "1",
                  "Contribution:", "100", "Pinus \"sylvestris\", type", "0"}));

    const std::vector<std::string> scores =
        CellsOf(ReferenceScoreFileText(ws, PretreatmentChoice{}, "d (t)"));
    ASSERT_GE(scores.size(), 6u);
    const std::vector<std::string> rows(scores.end() - 6, scores.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"Lake \"A\"", "0", "B,\r\nC", "-2", "\"", "0"}));
}

}  // namespace
}  // namespace tarvex
