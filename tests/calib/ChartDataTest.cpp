#include <gtest/gtest.h>

#include <algorithm>

#include "calib/CalibData.h"
#include "calib/CalibTestData.h"
#include "calib/ChartData.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

// Column 100 holds 0.2 and 0.4 in rows 80 and 81 (the second as the median mark), column 101
// holds 0.1 and 0.3 there, column 102 nothing.
Workspace TwoColumns()
{
    Workspace ws = CalibWorkspace();
    Matrix<float>& p = ws.calibMatrices[kProbability];
    p(100, 80) = 0.2f;
    p(100, 81) = -0.4f;
    p(101, 80) = 0.1f;
    p(101, 81) = 0.3f;
    return ws;
}

TEST(ChartData, HalfStepsBetweenCellsThatCarryProbability)
{
    Workspace ws = TwoColumns();
    PrepareChartData(ws, 682, 954);
    const Matrix<float>& c = ws.chartProbability;
    EXPECT_EQ(c(200, 160), 0.2f);
    EXPECT_EQ(c(200, 161), 0.3f);  // (0.2 + 0.4) / 2 within the column
    EXPECT_EQ(c(200, 162), 0.4f);
    EXPECT_EQ(c(201, 160), (0.1f + 0.2f) / 2);
    EXPECT_EQ(c(201, 161), (0.2f + 0.1f + 0.4f + 0.3f) / 4);
    // Row 82 is empty everywhere: it takes back the half step leading to it.
    EXPECT_EQ(c(200, 163), 0.0f);
    EXPECT_EQ(c(201, 163), 0.0f);
    // Column 102 is empty, so the half-step column 203 is 0 in every row, while column 101's
    // own half-step rows are interpolated.
    EXPECT_EQ(c(202, 161), (0.1f + 0.3f) / 2);
    for (int w = 0; w <= 500; ++w) EXPECT_EQ(c(203, w), 0.0f) << w;
    // And the column before 100 has no probability: neither has its half step.
    for (int w = 0; w <= 500; ++w) EXPECT_EQ(c(199, w), 0.0f) << w;
}

TEST(ChartData, ModeMedianAndRegionsOfAFineColumn)
{
    Workspace ws = TwoColumns();
    PrepareChartData(ws, 682, 954);
    // Fine column 200 holds 0.2, 0.3, 0.4 (total 0.9): the running sum passes 0.45 at 161.
    EXPECT_EQ(ws.chartModeIndex[200], 162);
    EXPECT_EQ(ws.chartMedianIndex[200], 161);
    // The inner region takes 0.3 and 0.4 (78 % of the total), the outer all three cells.
    const Matrix<float>& f = ws.chartRegionFlags;
    EXPECT_EQ(f(200, 159), 0.0f);
    EXPECT_EQ(f(200, 160), 1.0f);
    EXPECT_EQ(f(200, 161), 2.0f);
    EXPECT_EQ(f(200, 162), 3.0f);
    EXPECT_GE(ws.chartRegionLevel(200, 0), 0.2f);
    EXPECT_LT(ws.chartRegionLevel(200, 0), 0.3f);
    EXPECT_LT(ws.chartRegionLevel(200, 1), 0.2f);
    EXPECT_GT(ws.chartRegionLevel(200, 1), 0.0f);
}

TEST(ChartData, MedianStopsAtTheFirstFineRowPastHalf)
{
    // Two groups apart (10 and 15): on the fine grid the half above the median passes one
    // half again when summed afresh.
    Workspace ws = ChainOfTwinPairs(10.0f, 15.0f, 3);
    PrepareChartData(ws, 682, 954);
    const Matrix<float>& c = ws.chartProbability;
    int columns = 0;
    for (int u = 0; u <= 500; ++u) {
        const int m = ws.chartMedianIndex[u];
        if (m == -9999) continue;
        ++columns;
        float total = 0, below = 0;
        for (int w = 0; w <= 500; ++w) total += c(u, w);
        for (int w = 0; w < m; ++w) below += c(u, w);
        EXPECT_LE(below, total / 2) << u;
        EXPECT_GT(below + c(u, m), total / 2) << u;
    }
    EXPECT_GT(columns, 20);
}

TEST(ChartData, EmptyColumnsHaveNoModeMedianFlagsOrLevels)
{
    Workspace ws = TwoColumns();
    ws.calibMatrices[kProbability](120, 10) = 0.5f;
    PrepareChartData(ws, 682, 954);
    EXPECT_GT(ws.chartRegionLevel(240, 1), 0.0f);

    // The same column empty at the next preparation: nothing of the first one stays behind.
    ws.calibMatrices[kProbability](120, 10) = 0;
    PrepareChartData(ws, 682, 954);
    for (int u : {240, 300}) {
        EXPECT_EQ(ws.chartModeIndex[u], -9999) << u;
        EXPECT_EQ(ws.chartMedianIndex[u], -9999) << u;
        EXPECT_EQ(ws.chartRegionLevel(u, 0), 0.0f) << u;
        EXPECT_EQ(ws.chartRegionLevel(u, 1), 0.0f) << u;
        for (int w = 0; w <= 500; ++w) EXPECT_EQ(ws.chartRegionFlags(u, w), 0.0f) << u;
    }
    EXPECT_EQ(ws.chartMedianIndex[0], -9999);
    EXPECT_EQ(ws.chartMedianIndex[500], -9999);
}

TEST(ChartData, LastFineColumnHasAMode)
{
    // Grid columns 225 and 226 both carry probability: the half step 451 between them has
    // a mode, and loses it when column 226 empties.
    Workspace ws = CalibWorkspace();
    Matrix<float>& p = ws.calibMatrices[kProbability];
    p(225, 100) = 0.6f;
    p(225, 101) = 0.4f;
    p(226, 100) = 0.2f;
    p(226, 101) = 0.8f;
    PrepareChartData(ws, 682, 954);
    EXPECT_EQ(ws.chartModeIndex[450], 200);
    EXPECT_EQ(ws.chartModeIndex[451], 202);  // (0.4 + 0.8) / 2 beats (0.6 + 0.2) / 2
    p(226, 100) = 0;
    p(226, 101) = 0;
    PrepareChartData(ws, 682, 954);
    EXPECT_EQ(ws.chartModeIndex[451], -9999);
}

TEST(ChartData, FullCoefficientFlagsEveryCellOfNonEmptyColumns)
{
    Workspace ws = TwoColumns();
    PrepareChartData(ws, 682, 1000);
    for (int w = 0; w <= 500; ++w) {
        EXPECT_GE(ws.chartRegionFlags(200, w), 1.0f) << w;
        EXPECT_GE(ws.chartRegionFlags(201, w), 1.0f) << w;
        EXPECT_EQ(ws.chartRegionFlags(203, w), 0.0f) << w;
    }
    // The mode cell keeps its own mark.
    EXPECT_EQ(ws.chartRegionFlags(200, 162), 3.0f);
}

TEST(ChartData, LastGridRow)
{
    Workspace ws = CalibWorkspace();
    Matrix<float>& p = ws.calibMatrices[kProbability];
    p(100, 250) = 0.5f;
    p(101, 250) = 0.25f;
    p(103, 250) = 0.75f;
    PrepareChartData(ws, 682, 954);
    const Matrix<float>& c = ws.chartProbability;
    EXPECT_EQ(c(200, 500), 0.5f);
    EXPECT_EQ(c(201, 500), 0.375f);
    EXPECT_EQ(c(202, 500), 0.25f);
    EXPECT_EQ(c(203, 500), 0.0f);  // column 102 is empty
    EXPECT_EQ(c(206, 500), 0.75f);
    // Row 249 is empty, so the half step below row 250 stays 0.
    EXPECT_EQ(c(200, 499), 0.0f);
}

TEST(ChartData, CellColoursOfBothViews)
{
    constexpr int32_t kWhite = 0xFFFFFF;
    Workspace ws = TwoColumns();
    ApplyColourPreset(ws.colours);
    PrepareChartData(ws, 682, 954);
    // Fine column 200 holds 0.2 (outer region), 0.3 (inner) and 0.4 (mode) in rows 160..162.
    const Matrix<int32_t> conf = ChartCellColours(ws, ChartView::Confidence, 100);
    EXPECT_EQ(conf(150, 109), kWhite);
    EXPECT_EQ(conf(150, 110), 50 + 256 * 127 + 65536 * 50);
    EXPECT_EQ(conf(150, 111), 200 + 256 * 255 + 65536 * 200);
    EXPECT_EQ(conf(150, 112), 200 + 256 * 255 + 65536 * 200);
    // Enhancement 4 %: 0.04 x 0.3 x 20 = 0.24, green rising and blue on its plateau.
    const Matrix<int32_t> prob = ChartCellColours(ws, ChartView::Probability, 4);
    EXPECT_EQ(prob(150, 109), kWhite);
    EXPECT_EQ(prob(150, 111), 0 + 256 * 153 + 65536 * 255);
    ApplyGreyPreset(ws.colours);
    EXPECT_EQ(ChartCellColours(ws, ChartView::Confidence, 100)(150, 110),
              100 + 256 * 100 + 65536 * 100);

    // The legend at that section: white up to the outer region's level (just under 0.2).
    ApplyColourPreset(ws.colours);
    EXPECT_EQ(ChartLegendColour(ws, 200, 1.0, 100), kWhite);          // 0.1996 x 100 x 20 >= 100
    EXPECT_EQ(ChartLegendColour(ws, 200, 0.5, 10), 255 + 256 * 191);  // 39.9 < 50
    EXPECT_EQ(ChartLegendColour(ws, 200, 0.0, 0), kWhite);
}

// Chart data set by hand: every column empty until a test gives it a mode or median.
Workspace HandMadeChart()
{
    Workspace ws;
    ws.chartProbability.resize(kChartLast, kChartLast);
    ws.chartRegionFlags.resize(kChartLast, kChartLast);
    ws.chartRegionLevel.resize(kChartLast, 1);
    ws.chartModeIndex.assign(kChartLast + 1, -9999);
    ws.chartMedianIndex.assign(kChartLast + 1, -9999);
    return ws;
}

ChartPathPiece Point(int i, int j)
{
    return {i, j, i, j};
}

TEST(ChartPaths, AveragePathJoinsNeighboursAndLeavesGapsAtEmptyColumns)
{
    Workspace ws = HandMadeChart();
    ws.chartMedianIndex[50] = 100;
    ws.chartMedianIndex[51] = 101;
    ws.chartMedianIndex[53] = 105;
    ws.chartMedianIndex[451] = 300;  // the right-hand neighbour of the last charted column
    ws.chartMedianIndex[450] = 299;
    const std::vector<ChartPathPiece> expected = {{50, 100, 51, 101}, Point(51, 101),
                                                  Point(53, 105),     Point(53, 105),
                                                  Point(450, 299),    {450, 299, 451, 300}};
    EXPECT_EQ(ChartAveragePath(ws), expected);
    EXPECT_TRUE(ChartAveragePath(Workspace{}).empty());
}

TEST(ChartPaths, ModeJumpsAreLinesOnlyOverASteadyRise)
{
    Workspace ws = HandMadeChart();
    Matrix<float>& p = ws.chartProbability;
    ws.chartModeIndex[100] = 200;
    ws.chartModeIndex[101] = 201;  // one row: always a line
    ws.chartModeIndex[102] = 210;  // column 102 rises steadily up to its mode
    for (int w = 191; w <= 210; ++w) p(102, w) = static_cast<float>(w - 190);
    ws.chartModeIndex[103] = 200;  // down again: column 102 is examined, still steady
    ws.chartModeIndex[104] = 220;  // column 104 dips on the way up: two points
    for (int w = 195; w <= 220; ++w) p(104, w) = w <= 205 ? 1.0f : w <= 210 ? 0.5f : 2.0f;
    const std::vector<ChartPathPiece> expected = {
        Point(100, 200), {100, 200, 101, 201}, {101, 201, 102, 210}, {102, 210, 103, 200},
        Point(103, 200), Point(104, 220),      Point(104, 220)};
    EXPECT_EQ(ChartModePath(ws), expected);

    // A flat stretch on the way up is no dip: the rise is still steady.
    for (int w = 200; w <= 205; ++w) p(104, w) = 1;
    for (int w = 206; w <= 220; ++w) p(104, w) = static_cast<float>(w - 200);
    const std::vector<ChartPathPiece> joined = ChartModePath(ws);
    EXPECT_NE(std::find(joined.begin(), joined.end(), ChartPathPiece{103, 200, 104, 220}),
              joined.end());
}

TEST(ChartPaths, SectionBarsAndThePrintedChart)
{
    Workspace ws = HandMadeChart();
    ApplyColourPreset(ws.colours);
    ws.chartProbability(200, 100) = 0.01f;  // 0.01 x 100 x 20 = 20 % of the width
    ws.chartProbability(200, 101) = 0.2f;   // far beyond the figure: a full bar
    constexpr int32_t kWhite = 0xFFFFFF, kBar = 0xFF0000;
    const Matrix<int32_t> bars = ChartSectionColours(ws, 200, 100, kBar);
    EXPECT_EQ(bars(0, 50), kBar);
    EXPECT_EQ(bars(19, 50), kBar);
    EXPECT_EQ(bars(20, 50), kWhite);
    EXPECT_EQ(bars(100, 51), kBar);
    EXPECT_EQ(bars(0, 52), kWhite);
    // No enhancement, no bars; another section, other bars.
    const Matrix<int32_t> none = ChartSectionColours(ws, 200, 0, kBar);
    const Matrix<int32_t> other = ChartSectionColours(ws, 201, 100, kBar);
    for (int k = 0; k <= 100; ++k) {
        EXPECT_EQ(none(k, 51), kWhite);
        EXPECT_EQ(other(k, 51), kWhite);
    }

    // On paper the flags decide, whatever the probability; the mode is red only when shown.
    for (int j = 100; j <= 103; ++j) ws.chartRegionFlags(300, j) = static_cast<float>(j - 100);
    const int32_t ring = 50 + 256 * 127 + 65536 * 50, inner = 200 + 256 * 255 + 65536 * 200;
    const Matrix<int32_t> shown = ChartPrintColours(ws, true);
    const Matrix<int32_t> hidden = ChartPrintColours(ws, false);
    EXPECT_EQ(shown(250, 50), kWhite);
    EXPECT_EQ(shown(250, 51), ring);
    EXPECT_EQ(shown(250, 52), inner);
    EXPECT_EQ(shown(250, 53), 255);
    EXPECT_EQ(hidden(250, 53), inner);
    ApplyGreyPreset(ws.colours);
    EXPECT_EQ(ChartPrintColours(ws, true)(250, 53), 0);
    EXPECT_EQ(ChartPrintColours(ws, true)(250, 51), 100 + 256 * 100 + 65536 * 100);
}

}  // namespace
}  // namespace tarvex::calib
