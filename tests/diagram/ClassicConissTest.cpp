#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "diagram/Coniss.h"
#include "support/Records.h"
#include "support/Sequences.h"

namespace tarvex {
namespace {

using testing::Numbered;
using testing::ReadRecords;
using testing::Rows;

// Four samples of one taxon whose square roots are 0, 1, 4 and 6.
//   Single samples: increment n_a n_b / (n_a + n_b) d^2 = d^2 / 2 for the pairs
//     1-2: 0.5, 2-3: 4.5, 3-4: 2          -> join 1 and 2 (0.5); mean 0.5, dispersion 0.5
//   {1,2}-3: 2*1/3 * 3.5^2 = 8.1667, 3-4: 2 -> join 3 and 4 (2);  mean 5,   dispersion 2.5
//   {1,2}-{3,4}: 2*2/4 * 4.5^2 = 20.25      -> join the pairs;   dispersion 22.75
//   (22.75 is the sum of squares of 0, 1, 4, 6 about their mean 2.75, as it must be.)
// Broken stick over 3 pieces: expectations 1/3 (1 + 1/2 + 1/3) = 0.611, 1/3 (1/2 + 1/3) =
// 0.278 and 1/9. Split 1 (merge 3) explains 20.25 / 22.75 = 0.890 > 0.611; split 2 (merge 2)
// explains 2 / 22.75 = 0.088 < 0.278, which ends the count: 2 zones, the second starting at
// sample 3 (the lower cluster of merge 3).
TEST(ClassicConissTest, HandWorkedFourSamples)
{
    const Matrix<double> raw = Rows({{0}, {1}, {16}, {36}});
    const IssZonation z = ClassicConiss(raw, 4, 1, ZonationTransform::SquareRoot, Numbered(4));
    ASSERT_EQ(z.merges.size(), 4u);
    struct Expected {
        int upper, lower;
        double increment, dispersion;
        float upperPosition, lowerPosition;
    };
    const Expected expected[] = {
        {1, 2, 0.5, 0.5, 1, 2}, {3, 4, 2, 2.5, 3, 4}, {1, 3, 20.25, 22.75, 1.5f, 3.5f}};
    for (int v = 1; v <= 3; ++v) {
        SCOPED_TRACE(v);
        const Expected& e = expected[v - 1];
        EXPECT_EQ(z.merges[v].upper, e.upper);
        EXPECT_EQ(z.merges[v].lower, e.lower);
        EXPECT_DOUBLE_EQ(z.merges[v].increment, e.increment);
        EXPECT_DOUBLE_EQ(z.merges[v].dispersion, e.dispersion);
        EXPECT_EQ(z.merges[v].upperPosition, e.upperPosition);
        EXPECT_EQ(z.merges[v].lowerPosition, e.lowerPosition);
    }
    EXPECT_EQ(z.significantZones, 2);
    EXPECT_EQ(z.zoneStarts, (std::vector<int>{3}));

    // Without the transform the same numbers come from the roots themselves; on the raw
    // values the clustering differs.
    const IssZonation none =
        ClassicConiss(Rows({{0}, {1}, {4}, {6}}), 4, 1, ZonationTransform::None, Numbered(4));
    EXPECT_DOUBLE_EQ(none.merges[3].dispersion, 22.75);
    const IssZonation rawNone = ClassicConiss(raw, 4, 1, ZonationTransform::None, Numbered(4));
    EXPECT_DOUBLE_EQ(rawNone.merges[1].increment, 0.5);
    EXPECT_EQ(rawNone.merges[2].upper, 1) << "{1,2}-3 (2/3 * 15.5^2) beats 3-4 (200)";
}

TEST(ClassicConissTest, ThreeClearZones)
{
    // Three blocks of three samples with distinct compositions and a little noise.
    const Matrix<double> x = Rows({{0.80, 0.15, 0.05},
                                   {0.78, 0.17, 0.05},
                                   {0.82, 0.13, 0.05},
                                   {0.20, 0.70, 0.10},
                                   {0.22, 0.69, 0.09},
                                   {0.18, 0.72, 0.10},
                                   {0.40, 0.10, 0.50},
                                   {0.42, 0.09, 0.49},
                                   {0.39, 0.12, 0.49}});
    for (ZonationTransform tr : {ZonationTransform::SquareRoot, ZonationTransform::None}) {
        const IssZonation z = ClassicConiss(x, 9, 3, tr, Numbered(9));
        ASSERT_EQ(z.merges.size(), 9u);
        EXPECT_EQ(z.significantZones, 3);
        EXPECT_EQ(z.zoneStarts, (std::vector<int>{4, 7}));
        // The last two merges join whole blocks; every earlier one stays inside a block.
        for (int v = 1; v <= 6; ++v)
            EXPECT_EQ((z.merges[v].upper - 1) / 3, (z.merges[v].lower - 1) / 3) << v;
        // The dispersion only grows.
        for (int v = 2; v <= 8; ++v) EXPECT_GE(z.merges[v].dispersion, z.merges[v - 1].dispersion);
    }
}

TEST(ClassicConissTest, EqualIncrementsJoinTheEarlierPair)
{
    const IssZonation z =
        ClassicConiss(Rows({{0}, {1}, {2}, {3}}), 4, 1, ZonationTransform::None, Numbered(4));
    ASSERT_EQ(z.merges.size(), 4u);
    EXPECT_EQ(z.merges[1].upper, 1);
    EXPECT_EQ(z.merges[2].upper, 3) << "{1,2}-3 costs 1.5, 3-4 costs 0.5";
}

TEST(ClassicConissTest, BrokenStickCounts)
{
    // merges[v].increment for v = 1..n - 1; the dispersion of the last merge is the total.
    auto merges = [](std::vector<double> increments) {
        std::vector<IssMerge> m(1);
        double total = 0;
        for (double inc : increments) {
            total += inc;
            IssMerge x;
            x.increment = inc;
            x.dispersion = total;
            m.push_back(x);
        }
        return m;
    };
    struct Case {
        const char* name;
        std::vector<IssMerge> merges;
        int samples;
        int zones;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"one sample", merges({}), 1, 1},
        {"two samples never split: share 1 against 1", merges({3}), 2, 1},
        // Three samples: expectations 0.75 and 0.25.
        {"share above expectation, then below", merges({0.2, 0.8}), 3, 2},
        {"share equal to expectation is not significant", merges({0.25, 0.75}), 3, 1},
        // Four samples: expectations 0.611, 0.278, 0.111; the count stops at the first miss
        // even when a later split would pass.
        {"stops at the first miss", merges({0.3, 0.05, 0.65}), 4, 2},
        // The expectations add up to 1, so at most n - 2 splits can pass.
        {"two splits pass", merges({0.10, 0.28, 0.62}), 4, 3},
        {"all identical: no dispersion", merges({0, 0, 0}), 4, 1},
        {"merges missing", merges({0.1, 0.9}), 4, 1},
        {"dispersion not a number", merges({nan, 1, 1}), 4, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(BrokenStickZones(c.merges, c.samples), c.zones) << c.name;
}

TEST(ClassicConissTest, UnusableValuesAreNamedAndNeverJoined)
{
    const double inf = std::numeric_limits<double>::infinity();
    const Matrix<double> negative = Rows({{0.5, -0.1}, {0.5, 0.2}});
    EXPECT_EQ(ZonationDataProblem(negative, 2, 2, ZonationTransform::SquareRoot),
              "Sample 1, taxon 2: the value -0.1 has no square root; the square-root transform "
              "needs values of 0 and above.");
    EXPECT_EQ(ZonationDataProblem(negative, 2, 2, ZonationTransform::None), "");
    EXPECT_EQ(ZonationDataProblem(Rows({{1}, {inf}}), 2, 1, ZonationTransform::None),
              "Sample 2, taxon 1: the value is not a finite number.");
    EXPECT_NE(ZonationDataProblem(negative, 3, 2, ZonationTransform::None), "");

    // The clustering itself stays safe: no pair with an increment that is no number is joined,
    // and the zone count is 1.
    const IssZonation z = ClassicConiss(negative, 2, 2, ZonationTransform::SquareRoot, Numbered(2));
    EXPECT_EQ(z.merges.size(), 1u);
    EXPECT_EQ(z.significantZones, 1);
    EXPECT_TRUE(z.zoneStarts.empty());
    const IssZonation one = ClassicConiss(negative, 1, 2, ZonationTransform::None, {});
    EXPECT_EQ(one.merges.size(), 1u);
    EXPECT_EQ(one.significantZones, 1);
}

TEST(ClassicConissTest, ZonationIssFileRecords)
{
    const IssZonation z = ClassicConiss(Rows({{0}, {1}, {16}, {36}}), 4, 1,
                                        ZonationTransform::SquareRoot, Numbered(4));
    const std::string text = ZonationIssFileText(z);
    EXPECT_EQ(ReadRecords(text),
              (testing::Records{{"Merge", "Upper", "Lower", "Increment", "Dispersion"},
                                {"1", "1", "2", "0.5", "0.5"},
                                {"2", "3", "4", "2", "2.5"},
                                {"3", "1", "3", "20.25", "22.75"},
                                {"Significant zones (broken stick)", "2"}}));
    EXPECT_NE(text.find("\r\n\"Significant zones (broken stick)\",2\r\n"), std::string::npos);

    std::istringstream line(IssMergeLine(z.merges[3]));
    std::string upper, lower, increment, dispersion;
    line >> upper >> lower >> increment >> dispersion;
    EXPECT_EQ(upper + " " + lower + " " + increment + " " + dispersion, "1 3 20.25 22.75");
}

}  // namespace
}  // namespace tarvex
