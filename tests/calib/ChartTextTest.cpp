#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calib/CalibTestData.h"
#include "calib/ChartData.h"
#include "calib/ChartText.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

TEST(ChartText, FormatChartValueRoundsHalvesUpwards)
{
    const std::pair<double, const char*> cases[] = {
        {1234.7, "1235"},   {12.34, "12.3"},  {0.126, "0.13"},   {0.125, "0.13"},
        {-0.125, "-0.12"},  {12.35, "12.4"},  {-12.35, "-12.3"}, {1000.5, "1001"},
        {-1000.5, "-1000"}, {999.96, "1000"}, {9.995, "10"},     {-9.995, "-9.99"},
        {0, "0"},           {-0.001, "0"},    {2.675, "2.68"},   {123456.5, "123457"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(FormatChartValue(v), text) << v;
}

TEST(ChartText, SectionColumnRoundsHalvesToEven)
{
    EXPECT_EQ(SectionColumn(0), 50);
    EXPECT_EQ(SectionColumn(50), 250);
    EXPECT_EQ(SectionColumn(100), 450);
    EXPECT_EQ(SectionColumn(0.125), 50);  // 0.5 steps
    EXPECT_EQ(SectionColumn(0.375), 52);  // 1.5 steps
}

// Chart data with the given flags in column s (rows not named are 0).
Workspace Flags(int s, const std::vector<std::pair<std::pair<int, int>, float>>& runs)
{
    Workspace ws = CalibWorkspace();
    PrepareChartData(ws, 682, 954);  // allocates the chart's fields, all empty
    for (const auto& [rows, flag] : runs)
        for (int r = rows.first; r <= rows.second; ++r) ws.chartRegionFlags(s, r) = flag;
    return ws;
}

TEST(ChartText, IntervalsOfBothRegions)
{
    const Workspace ws = Flags(250, {{{50, 60}, 1},
                                     {{100, 110}, 2},
                                     {{105, 105}, 3},
                                     {{111, 120}, 1},
                                     {{200, 200}, -2},
                                     {{440, 450}, 2}});
    EXPECT_EQ(SectionIntervals(ws, 250, 2),
              (std::vector<ChartInterval>{
                  {100, 110, false, false}, {200, 200, false, false}, {440, 450, false, true}}));
    EXPECT_EQ(SectionIntervals(ws, 250, 1), (std::vector<ChartInterval>{{50, 60, true, false},
                                                                        {100, 120, false, false},
                                                                        {200, 200, false, false},
                                                                        {440, 450, false, true}}));
    // Rows 50..450 read 0..40 here.
    const SectionTexts t = SectionIntervalTexts(ws, 250, 0, 40, "68.2", "95.4");
    EXPECT_EQ(t.heading1, "68.2 %");
    EXPECT_EQ(t.heading2, "95.4 %");
    EXPECT_EQ(t.intervals1, (std::vector<std::string>{"5 - 6", "15 - 15", "39 - ?"}));
    EXPECT_EQ(t.intervals2, (std::vector<std::string>{"? - 1", "5 - 7", "15 - 15", "39 - ?"}));
    // A reversed axis reads downwards.
    EXPECT_EQ(SectionIntervalTexts(ws, 250, 40, 0, "68.2", "95.4").intervals1.front(), "35 - 34");
}

TEST(ChartText, AtMostElevenIntervals)
{
    std::vector<std::pair<std::pair<int, int>, float>> runs;
    for (int r = 52; r <= 450; r += 2) runs.push_back({{r, r}, 2});  // 200 single-row runs
    const Workspace ws = Flags(300, runs);
    const std::vector<ChartInterval> kept = SectionIntervals(ws, 300, 1);
    ASSERT_EQ(kept.size(), 11u);
    EXPECT_EQ(kept.back(), (ChartInterval{72, 72, false, false}));  // the row-450 one is not kept
}

TEST(ChartText, AverageAndModeAtTheEdgeRows)
{
    Workspace ws = Flags(250, {});
    ws.chartMedianIndex[250] = 50;
    ws.chartModeIndex[250] = 50;
    SectionTexts t = SectionIntervalTexts(ws, 250, 5, 45, "68.2", "95.4");
    EXPECT_EQ(t.average, " 5");  // an average on the bottom row keeps its value
    EXPECT_EQ(t.mode, kOutOfRange);
    ws.chartMedianIndex[250] = 450;
    ws.chartModeIndex[250] = 450;
    t = SectionIntervalTexts(ws, 250, 5, 45, "68.2", "95.4");
    EXPECT_EQ(t.average, kOutOfRange);
    EXPECT_EQ(t.mode, kOutOfRange);
    ws.chartMedianIndex[250] = 123;
    ws.chartModeIndex[250] = 449;
    t = SectionIntervalTexts(ws, 250, -20.5, 20, "68.2", "95.4");
    EXPECT_EQ(t.average, "-13.1");  // -20.5 + 40.5 * 73 / 400 = -13.10875
    EXPECT_EQ(t.mode, "19.9");      // 19.89875
    ws.chartMedianIndex[250] = -9999;
    ws.chartModeIndex[250] = -9999;
    t = SectionIntervalTexts(ws, 250, 0, 40, "68.2", "95.4");
    EXPECT_EQ(t.average, kOutOfRange);
    EXPECT_EQ(t.mode, kOutOfRange);
    EXPECT_TRUE(t.intervals1.empty());
}

TEST(ChartText, PrintedModeFromTheLastFlaggedRow)
{
    Workspace ws = Flags(250, {{{120, 120}, 3}, {{130, 130}, 3}});
    EXPECT_EQ(PrintedModeText(ws, 250, 0, 40), "8");
    EXPECT_EQ(PrintedModeText(Flags(250, {}), 250, 0, 40), kOutOfRange);
    EXPECT_EQ(PrintedModeText(Flags(250, {{{450, 450}, 3}}), 250, 0, 40), kOutOfRange);
    EXPECT_EQ(PrintedModeText(Flags(250, {{{449, 449}, 3}}), 250, 0, 40), "39.9");
}

}  // namespace
}  // namespace tarvex::calib
