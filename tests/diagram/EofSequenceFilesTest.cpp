#include <gtest/gtest.h>

#include "diagram/EofSequenceFiles.h"
#include "support/Records.h"

namespace tarvex {
namespace {

using testing::ReadRecords;
using testing::Records;

// n samples with t EOFs; score (i, k) = i + k / 8, exact in the file's notation.
Workspace Sequence(int n, int t)
{
    Workspace ws;
    ws.fossilSampleCount = static_cast<int16_t>(n);
    ws.fossilTaxonCount = static_cast<int16_t>(t);
    ws.fossilSampleLabels.assign(1, "");
    for (int i = 1; i <= n; ++i) ws.fossilSampleLabels.push_back(std::to_string(100 + 5 * i));
    ws.fossilSampleEmpty.assign(static_cast<std::size_t>(n) + 1, false);
    ws.fossilScores.resize(n, t);
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= t; ++k) ws.fossilScores(i, k) = i + k / 8.0;
    return ws;
}

TEST(EofSequenceFilesTest, OneEofFile)
{
    Workspace ws = Sequence(3, 4);
    ws.fossilSampleLabels[1] = "120";
    ws.fossilScores(1, 2) = -0.8125;
    ws.fossilSampleEmpty[2] = true;
    const std::string text = EofSequenceFileText(ws, 2);
    // Labels that look like numbers are still quoted; scores are bare.
    EXPECT_EQ(text, "\"Depth\",\"EOF-2\"\r\n\"120\",-0.8125\r\n\"110\"\r\n\"115\",3.25\r\n");
}

TEST(EofSequenceFilesTest, AllEofHeadersAndRecords)
{
    struct Case {
        int t;
        std::vector<std::string> header;
        std::string lastFraction;  // of the last score, t / 8
    };
    const Case cases[] = {{4, {"Depth", "EOF-1", "EOF-2", "EOF-3", "EOF - 4"}, ".5"},
                          {1, {"Depth", "EOF - 1"}, ".125"},
                          {2, {"Depth", "EOF-1", "EOF - 2"}, ".25"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        Workspace ws = Sequence(3, c.t);
        ws.fossilSampleEmpty[3] = true;
        const Records r = ReadRecords(AllEofSequenceFileText(ws));
        ASSERT_EQ(r.size(), 4u);
        EXPECT_EQ(r[0], c.header);
        for (int i = 1; i <= 2; ++i) {
            ASSERT_EQ(r[i].size(), static_cast<std::size_t>(c.t) + 1) << i;
            EXPECT_EQ(r[i][0], std::to_string(100 + 5 * i));
            EXPECT_EQ(r[i][c.t], std::to_string(i) + c.lastFraction) << i;
        }
        EXPECT_EQ(r[3], (std::vector<std::string>{"115"})) << "an empty sample has its label only";
    }
    // Blanks around the hyphen only in the last header field.
    const std::string text = AllEofSequenceFileText(Sequence(1, 2));
    EXPECT_EQ(text.substr(0, text.find("\r\n") + 2), "\"Depth\",\"EOF-1\",\"EOF - 2\"\r\n");
}

TEST(EofSequenceFilesTest, AllEmptySequenceAndProgress)
{
    Workspace ws = Sequence(3, 2);
    ws.fossilSampleEmpty.assign(4, true);
    ws.fossilSampleLabels = {"", "top", "12.50", "bottom"};
    std::vector<std::pair<int, int>> seen;
    const Records r =
        ReadRecords(AllEofSequenceFileText(ws, [&](int i, int n) { seen.emplace_back(i, n); }));
    EXPECT_EQ(r, (Records{{"Depth", "EOF-1", "EOF - 2"}, {"top"}, {"12.50"}, {"bottom"}}));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
}

TEST(EofSequenceFilesTest, MissingScoresWriteNothing)
{
    struct Case {
        const char* name;
        void (*spoil)(Workspace&);
        int eof;
        bool oneWritten, allWritten;
    };
    const Case cases[] = {
        {"no scores", [](Workspace& ws) { ws.fossilScores.clear(); }, 1, false, false},
        {"fewer score rows", [](Workspace& ws) { ws.fossilScores.resize(2, 3); }, 1, false, false},
        {"EOF beyond the scores", [](Workspace&) {}, 4, false, true},
        {"EOF 0", [](Workspace&) {}, 0, false, true},
        {"labels missing", [](Workspace& ws) { ws.fossilSampleLabels.resize(3); }, 1, false, false},
        {"empty flags missing", [](Workspace& ws) { ws.fossilSampleEmpty.clear(); }, 1, false,
         false},
        {"more EOFs than score columns", [](Workspace& ws) { ws.fossilTaxonCount = 5; }, 1, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace ws = Sequence(3, 3);
        c.spoil(ws);
        EXPECT_EQ(!EofSequenceFileText(ws, c.eof).empty(), c.oneWritten);
        EXPECT_EQ(!AllEofSequenceFileText(ws).empty(), c.allWritten);
        EXPECT_EQ(EofSequenceReady(ws, ws.fossilTaxonCount), c.allWritten);
    }
    // No samples: the header alone.
    EXPECT_EQ(ReadRecords(AllEofSequenceFileText(Sequence(0, 3))),
              (Records{{"Depth", "EOF-1", "EOF-2", "EOF - 3"}}));
}

}  // namespace
}  // namespace tarvex
