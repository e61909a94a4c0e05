#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "diagram/Coniss.h"
#include "support/Records.h"
#include "support/Sequences.h"

namespace tarvex {
namespace {

using testing::Numbered;
using testing::ReadRecords;
using testing::Rows;

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

// One taxon with values 0, 0.25, 1, 1.5, all exact in single precision:
//   distances 0.0625 (1-2), 0.5625 (2-3), 0.25 (3-4): join 1 and 2 at 0.0625, mean 0.125;
//   then 0.765625 (1-3) against 0.25 (3-4): join 3 and 4 at 0.25, mean 1.25;
//   last (1.25 - 0.125)^2 = 1.265625 joins the two pairs.
// Positions 1..4: the pairs sit at 1.5 and 3.5, and the last merge joins those.
const Matrix<double> kFour = Rows({{0}, {0.25}, {1}, {1.5}});

TEST(ConissTest, WorkedFourSamples)
{
    const ConissState s = RunConiss(kFour, 4, 1, Numbered(4));
    ASSERT_EQ(s.merges.size(), 4u);
    struct Expected {
        int cluster, size;
        float level, upper, lower;
    };
    const Expected expected[] = {
        {1, 1, 0.0625f, 1, 2}, {3, 1, 0.25f, 3, 4}, {1, 2, 1.265625f, 1.5f, 3.5f}};
    for (int v = 1; v <= 3; ++v) {
        SCOPED_TRACE(v);
        const Expected& e = expected[v - 1];
        EXPECT_EQ(s.merges[v].cluster, e.cluster);
        EXPECT_EQ(s.merges[v].size, e.size);
        EXPECT_EQ(s.merges[v].level, e.level);
        EXPECT_EQ(s.merges[v].upperPosition, e.upper);
        EXPECT_EQ(s.merges[v].lowerPosition, e.lower);
    }
    EXPECT_EQ(s.clusterStart, (std::vector<bool>{true, true, false, false, false, true}));
    EXPECT_EQ(s.lastCluster, (std::vector<bool>{false, true, false, false, false}));

    // 100 x level rounded to 3 decimals, halves to even: 126.5625 -> 126.562.
    EXPECT_EQ(Words(ConissMergeLine(s.merges[1])), (std::vector<std::string>{"1", "1", "6.25"}));
    EXPECT_EQ(Words(ConissMergeLine(s.merges[3])), (std::vector<std::string>{"1", "2", "126.562"}));
    EXPECT_EQ(ClusterStartLines(s), (std::vector<std::string>{"     4  False", "     3  False",
                                                              "     2  False", "     1  True"}));
}

TEST(ConissTest, EdgeCasesOfTheClustering)
{
    struct Case {
        const char* name;
        Matrix<double> data;
        std::vector<int> clusters;  // K of merges 1, 2, ...
        std::vector<float> levels;
    };
    const Case cases[] = {
        // Two samples: one merge at their squared distance.
        {"two samples", Rows({{0.5, 0.5}, {0.25, 0.75}}), {1}, {0.125f}},
        // Identical neighbours join first at level 0, the earlier pair before the later.
        {"identical neighbours",
         Rows({{1, 0}, {0.5, 0.5}, {0.5, 0.5}, {0, 1}, {0, 1}}),
         {2, 4, 1, 1},
         {0, 0, 0.5f, 8.0f / 9}},
        // An empty sample is a sample like any other: it is nearest to the small one.
        {"empty sample",
         Rows({{1, 0}, {0, 0}, {0.25, 0}, {0, 1}}),
         {2, 1, 1},
         {0.0625f, 0.765625f, 1 + 1.5625f / 9}},
        // Raw values put every distance above 9999; the clustering still runs to the end.
        {"raw values", Rows({{0}, {200}, {10000}}), {1, 1}, {40000.0f, 98010000.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = c.data.rows();
        const ConissState s = RunConiss(c.data, n, c.data.cols(), Numbered(n));
        ASSERT_EQ(s.merges.size(), c.clusters.size() + 1);
        for (std::size_t v = 1; v < s.merges.size(); ++v) {
            EXPECT_EQ(s.merges[v].cluster, c.clusters[v - 1]) << "merge " << v;
            EXPECT_FLOAT_EQ(s.merges[v].level, c.levels[v - 1]) << "merge " << v;
        }
        for (int i = 2; i <= n; ++i) EXPECT_FALSE(s.clusterStart[i]) << i;
    }
}

TEST(ConissTest, DepthPositionsAndMidpoints)
{
    const std::vector<float> depths{0, 300, 305, 320, 350};
    const ConissState s = RunConiss(kFour, 4, 1, depths);
    ASSERT_EQ(s.merges.size(), 4u);
    EXPECT_EQ(s.merges[1].upperPosition, 300);
    EXPECT_EQ(s.merges[1].lowerPosition, 305);
    EXPECT_EQ(s.merges[2].upperPosition, 320);
    EXPECT_EQ(s.merges[2].lowerPosition, 350);
    EXPECT_EQ(s.merges[3].upperPosition, 302.5f);
    EXPECT_EQ(s.merges[3].lowerPosition, 335);
}

TEST(ConissTest, NothingToJoinOrNothingJoinable)
{
    // One sample, no sample, counts beyond the matrix: no merge, nothing read past the end.
    for (int n : {0, 1}) {
        const ConissState s = RunConiss(kFour, n, 1, Numbered(n));
        EXPECT_EQ(s.merges.size(), 1u) << n;
        EXPECT_EQ(ClusterStartLines(s).size(), static_cast<std::size_t>(n));
    }
    const ConissState beyond = RunConiss(kFour, 9, 5, {});
    EXPECT_EQ(beyond.samples, 4);
    EXPECT_EQ(beyond.merges.size(), 4u);
    EXPECT_EQ(beyond.merges[3].upperPosition, 1.5f) << "missing positions are sample numbers";

    // Distances beyond single precision are no numbers below infinity: the run stops with what
    // it has instead of joining cluster 0.
    const double inf = std::numeric_limits<double>::infinity();
    const ConissState huge = RunConiss(Rows({{0}, {1e30}, {-1e30}}), 3, 1, Numbered(3));
    EXPECT_EQ(huge.merges.size(), 1u);
    EXPECT_EQ(huge.clusterStart, (std::vector<bool>(5, true)));
    const ConissState partly = RunConiss(Rows({{0}, {0.5}, {inf}}), 3, 1, Numbered(3));
    ASSERT_EQ(partly.merges.size(), 2u);
    EXPECT_EQ(partly.merges[1].cluster, 1);
    EXPECT_EQ(partly.lastCluster, (std::vector<bool>{false, false, false, true}));
}

TEST(ConissTest, InitialStateHasEveryStartAndNoMerge)
{
    const ConissState s = InitialConissState(3);
    EXPECT_EQ(s.clusterStart, (std::vector<bool>(5, true)));
    EXPECT_EQ(s.merges.size(), 1u);
    EXPECT_EQ(ClusterStartLines(s),
              (std::vector<std::string>{"     3  True", "     2  True", "     1  True"}));
}

TEST(ConissTest, ZonationFileRecords)
{
    const ConissState s = RunConiss(kFour, 4, 1, Numbered(4));
    const std::string text = ZonationFileText(s);
    EXPECT_EQ(text.substr(0, text.find("\r\n") + 2),
              "\"Merge\",\"Cluster\",\"Size\",\"Level\"\r\n");
    EXPECT_EQ(ReadRecords(text), (testing::Records{{"Merge", "Cluster", "Size", "Level"},
                                                   {"1", "1", "1", "0.0625"},
                                                   {"2", "3", "1", "0.25"},
                                                   {"3", "1", "2", "1.265625"}}));
    // The level is the single-precision value with 7 significant digits, not 100 times it.
    const ConissState third = RunConiss(Rows({{0}, {1.0 / 3}}), 2, 1, Numbered(2));
    EXPECT_EQ(ReadRecords(ZonationFileText(third))[1],
              (std::vector<std::string>{"1", "1", "1", "0.1111111"}));
}

}  // namespace
}  // namespace tarvex
