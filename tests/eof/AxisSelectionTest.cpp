#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "eof/AxisSelection.h"

namespace tarvex {
namespace {

using Axes = std::array<int, 4>;

TEST(AxisChoice, ChosenEofPushesItsNeighbours)
{
    const struct {
        Axes before;
        int changed;
        int eofCount;
        Axes after;
    } cases[] = {
        // X chosen equal to Y: Y moves on to the next EOF number.
        {{0, 2, 2, 9}, 1, 25, {0, 2, 3, 9}},
        {{0, 2, 2, 3}, 1, 25, {0, 2, 3, 4}},
        // With three EOFs, X = 3 chosen while Y = 3: Y wraps round to 1.
        {{0, 3, 3, 2}, 1, 3, {0, 3, 1, 2}},
        // X chosen equal to Z: Z moves on, and again when it then meets Y.
        {{0, 1, 2, 1}, 1, 3, {0, 1, 2, 3}},
        {{0, 3, 1, 3}, 1, 3, {0, 3, 1, 2}},
        // Y chosen: its neighbours are Z (next) and X (previous).
        {{0, 5, 5, 7}, 2, 25, {0, 6, 5, 7}},
        {{0, 1, 7, 7}, 2, 25, {0, 1, 7, 8}},
        // Z chosen equal to X: X is Z's next neighbour.
        {{0, 4, 2, 4}, 3, 25, {0, 5, 2, 4}},
        // The last EOF wraps to the first.
        {{0, 25, 1, 25}, 3, 25, {0, 1, 2, 25}},
        // A choice that clashes with nothing changes nothing.
        {{0, 4, 9, 12}, 2, 25, {0, 4, 9, 12}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveAxisChoice(c.before, c.changed, c.eofCount), c.after)
            << "changed " << c.changed << " from " << c.before[1] << "," << c.before[2] << ","
            << c.before[3];
    }
}

TEST(AxisChoice, AlwaysThreeDifferentEofs)
{
    // Every start, including ones where two axes already agree (a hidden Z combo after
    // "more axes"), and every choice on every axis.
    for (int n : {3, 4, 6}) {
        for (int x = 1; x <= n; ++x)
            for (int y = 1; y <= n; ++y)
                for (int z = 1; z <= n; ++z)
                    for (int changed = 1; changed <= 3; ++changed) {
                        const Axes after = ResolveAxisChoice({0, x, y, z}, changed, n);
                        const Axes before{0, x, y, z};
                        EXPECT_EQ(after[changed], before[changed]);
                        EXPECT_EQ(std::set<int>(after.begin() + 1, after.end()).size(), 3u)
                            << n << ": " << x << y << z << " changed " << changed;
                        for (int k = 1; k <= 3; ++k) {
                            EXPECT_GE(after[k], 1);
                            EXPECT_LE(after[k], n);
                        }
                    }
    }
    // The case the plain steps get wrong: Y and Z both one below the new X.
    EXPECT_EQ(ResolveAxisChoice({0, 3, 2, 2}, 1, 5), (Axes{0, 3, 2, 4}));
}

TEST(AxisChoice, TooFewEofsNeverLoops)
{
    EXPECT_EQ(ResolveAxisChoice({0, 1, 1, 2}, 1, 2), (Axes{0, 1, 2, 1}));
    EXPECT_EQ(ResolveAxisChoice({0, 1, 2, 3}, 1, 0), (Axes{0, 1, 2, 3}));
    EXPECT_EQ(ResolveAxisChoice({0, 1, 2, 3}, 4, 25), (Axes{0, 1, 2, 3}));
}

TEST(AxisCycling, RotationsOverTheSelection)
{
    // 2-D view with "more axes" and the selection 1, 2, 5, 7: "Next" shows 2 and 5, then 5
    // and 7; "Prev." undoes it.
    std::vector<int16_t> axes{0, 1, 2, 5, 7, 9};
    RotateAxesLeft(axes, 4);
    EXPECT_EQ(axes, (std::vector<int16_t>{0, 2, 5, 7, 1, 9}));
    RotateAxesLeft(axes, 4);
    EXPECT_EQ(axes, (std::vector<int16_t>{0, 5, 7, 1, 2, 9}));
    RotateAxesRight(axes, 4);
    RotateAxesRight(axes, 4);
    EXPECT_EQ(axes, (std::vector<int16_t>{0, 1, 2, 5, 7, 9}));
    RotateAxesRight(axes, 3);
    EXPECT_EQ(axes, (std::vector<int16_t>{0, 5, 1, 2, 7, 9}));

    // Counts the list cannot hold, or with nothing to rotate, leave it alone.
    for (int count : {-1, 0, 1, 6, 40}) {
        std::vector<int16_t> same{0, 1, 2, 5, 7, 9};
        RotateAxesLeft(same, count);
        RotateAxesRight(same, count);
        EXPECT_EQ(same, (std::vector<int16_t>{0, 1, 2, 5, 7, 9})) << count;
    }
}

TEST(AxisStatusText, SuffixAndColour)
{
    const struct {
        int selected, visible;
        bool more;
        const char* prefix;
        const char* suffix;
        bool highlighted;
    } cases[] = {
        {4, 2, true, "No. of Axes: 4", " (including invisible ones)", true},
        {3, 2, true, "No. of Axes: 3", " (including invisible one)", true},
        {4, 3, true, "No. of Axes: 4", " (including invisible one)", true},
        {2, 2, false, "No. of Axes: 2", " (all visible)", false},
        {3, 3, false, "No. of Axes: 3", " (all visible)", false},
        // "More axes" reads as such even while nothing is hidden.
        {3, 3, true, "No. of Axes: 3", " (including invisible ones)", true},
        {2, 2, true, "No. of Axes: 2", " (including invisible ones)", true},
        {2, 3, true, "No. of Axes: 2", " (including invisible ones)", true},
        {4, 2, false, "No. of Axes: 4", " (all visible)", false},
    };
    for (const auto& c : cases) {
        const AxisStatus s = AxisStatusText(c.selected, c.visible, c.more);
        EXPECT_EQ(s.prefix, c.prefix);
        EXPECT_EQ(s.suffix, c.suffix) << c.selected << "/" << c.visible;
        EXPECT_EQ(s.highlighted, c.highlighted) << c.selected << "/" << c.visible;
    }
}

TEST(AxisPanel, InitialListKeepsTheWholeSelectionWithMoreAxes)
{
    EXPECT_EQ(InitialListCount(true, 4, 2, 25, 25), 4);
    EXPECT_EQ(InitialListCount(false, 4, 2, 25, 25), 2);
    EXPECT_EQ(InitialListCount(false, 2, 3, 25, 25), 3);
    EXPECT_EQ(InitialListCount(true, 2, 3, 25, 25), 3);
    EXPECT_EQ(InitialListCount(false, 2, 3, 2, 3), 2);     // two EOFs in the 3-D view
    EXPECT_EQ(InitialListCount(true, 30, 2, 25, 25), 25);  // never past the EOFs there are
}

TEST(ContributionTable, ScrollRangeAndRows)
{
    const ContributionScroll scroll = ContributionScrollFor(10, 25);
    EXPECT_EQ(scroll.maximum, 19);
    EXPECT_EQ(scroll.largeChange, 9);
    EXPECT_TRUE(scroll.visible);
    EXPECT_FALSE(ContributionScrollFor(10, 10).visible);
    EXPECT_EQ(ContributionScrollFor(30, 3).maximum, 1);
    EXPECT_EQ(ContributionScrollFor(1, 3).largeChange, 1);

    const std::vector<float> contribution{0, 61.23449f, 30.0006f, 8.76501f};
    const std::vector<float> cumulative{0, 61.23449f, 91.23499f, 100.00001f};
    const std::vector<ContributionRow> rows = ContributionRows(contribution, cumulative, 3, 2, 5);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].number, "2");
    EXPECT_EQ(rows[0].contribution, "30.001 %");
    EXPECT_EQ(rows[0].cumulative, "91.235 %");
    EXPECT_EQ(rows[1].number, "3");
    EXPECT_EQ(rows[1].contribution, "8.765 %");
    EXPECT_EQ(rows[1].cumulative, "100 %");
    for (int k : {2, 3}) {
        EXPECT_EQ(rows[k].number, "");
        EXPECT_EQ(rows[k].contribution, "");
        EXPECT_EQ(rows[k].cumulative, "");
    }
    EXPECT_EQ(ContributionRows(contribution, cumulative, 3, 1, 1)[0].contribution, "61.234 %");
}

TEST(ContributionTable, TotalsOnlyWithMoreThanThreeEofs)
{
    std::vector<float> contribution{0, 50, 20, 15};
    std::vector<float> cumulative{0, 50, 70, 85};
    EXPECT_FALSE(ContributionTotalsFor(contribution, cumulative, 3, {1, 2}).has_value());

    contribution.push_back(14.9996f);
    cumulative.push_back(99.9996f);
    const auto totals = ContributionTotalsFor(contribution, cumulative, 4, {1, 2, 4});
    ASSERT_TRUE(totals.has_value());
    EXPECT_EQ(totals->allTotal, "Total:  100 %");
    EXPECT_EQ(totals->parameterCount, "No. of parameters:  4");
    EXPECT_EQ(totals->selectedTotal, "Total:  85 %");
    EXPECT_EQ(totals->selectedCount, "No. of selected EOFs:  3");
}

}  // namespace
}  // namespace tarvex
