#include <gtest/gtest.h>

#include <cmath>

#include "calib/CalibModel.h"
#include "calib/CalibRegions.h"
#include "calib/CalibTestData.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

TEST(CalibRegions, ThreeCellColumnLevelsFlagsModeAndMedian)
{
    Workspace ws = NormalisedColumn(80, 100, {0.2f, 0.3f, 0.5f});
    ComputeRegions(ws, 682, 954);
    EXPECT_EQ(ws.regionLevel(80, 0), 0.30029296875f);
    EXPECT_EQ(ws.regionLevel(80, 1), 0.19970703125f);
    const Matrix<float>& f = ws.calibMatrices[kRegionFlags];
    EXPECT_EQ(f(80, 100), 1.0f);
    EXPECT_EQ(f(80, 101), 1.0f);
    EXPECT_EQ(f(80, 102), -3.0f);  // mode and median
    EXPECT_EQ(f(80, 99), 0.0f);
    EXPECT_EQ(f(80, 103), 0.0f);
    EXPECT_EQ(ws.modeIndex[80], 102);
    EXPECT_EQ(ws.medianIndex[80], 102);
    EXPECT_EQ(ws.regionColour[0], 200u + 256u * 255 + 65536u * 200);
    EXPECT_EQ(ws.regionColour[1], 50u + 256u * 127 + 65536u * 50);
}

TEST(CalibRegions, EqualMaximaAndEmptyColumns)
{
    Workspace ws = NormalisedColumn(90, 40, {0.1f, 0.4f, 0.1f, 0.4f});
    ComputeRegions(ws, 682, 954, true);
    EXPECT_EQ(ws.modeIndex[90], 41);  // the lower of the two rows
    EXPECT_EQ(ws.calibMatrices[kRegionFlags](90, 41), 3.0f);
    EXPECT_EQ(ws.modeIndex[91], -9999);
    EXPECT_EQ(ws.medianIndex[91], -9999);
    for (int b = 0; b <= 250; ++b) EXPECT_EQ(ws.calibMatrices[kRegionFlags](91, b), 0.0f);
    EXPECT_EQ(ws.regionColour[0], 200u + 256u * 200 + 65536u * 200);
    EXPECT_EQ(ws.regionColour[1], 100u + 256u * 100 + 65536u * 100);
}

TEST(CalibRegions, FullCoefficientFlagsEveryCellOfNonEmptyColumns)
{
    for (int c2 : {1000, 954}) {
        Workspace ws = NormalisedColumn(80, 100, {0.2f, 0.3f, 0.5f});
        ComputeRegions(ws, 682, c2);
        const Matrix<float>& f = ws.calibMatrices[kRegionFlags];
        if (c2 == 1000) {
            EXPECT_EQ(f(80, 0), 1.0f);
            EXPECT_EQ(f(80, 250), 1.0f);
        } else {
            EXPECT_EQ(f(80, 0), 0.0f);
        }
        EXPECT_EQ(f(80, 102), -3.0f);
        EXPECT_EQ(f(81, 0), 0.0f);  // an empty column stays unflagged
    }
}

TEST(CalibRegions, ZeroCoefficientShrinksToThePeak)
{
    Workspace ws = NormalisedColumn(80, 100, {0.2f, 0.3f, 0.5f});
    ComputeRegions(ws, 0, 0);
    const Matrix<float>& f = ws.calibMatrices[kRegionFlags];
    EXPECT_EQ(f(80, 100), 0.0f);
    EXPECT_EQ(f(80, 101), 0.0f);
    EXPECT_EQ(f(80, 102), -3.0f);
    EXPECT_GT(ws.regionLevel(80, 0), 0.499f);
}

TEST(CalibRegions, RegionsOfARealChainHoldAboutTheirCoefficients)
{
    Workspace ws = CalibWorkspace();
    const PairSet set0 = ScatteredPairs(500, 0.7f, 4.0f, 0, 20, 3, 21);
    PairSet set1;
    ChainSettings settings;
    settings.generateModel = true;
    ASSERT_TRUE(RunChain(ws, set0, set1, settings, false).ok);
    const Matrix<float>& p = ws.calibMatrices[kProbability];
    const Matrix<float>& f = ws.calibMatrices[kRegionFlags];
    int checked = 0;
    for (int a = 25; a <= 225; ++a) {
        if (ws.modeIndex[a] == -9999) continue;
        float inner = 0, outer = 0;
        for (int b = 0; b <= 250; ++b) {
            if (std::fabs(f(a, b)) >= 2) inner += std::fabs(p(a, b));
            if (std::fabs(f(a, b)) >= 1) outer += std::fabs(p(a, b));
        }
        EXPECT_NEAR(inner, 0.682f, 0.03f) << a;
        EXPECT_NEAR(outer, 0.954f, 0.03f) << a;
        // Away from the ends of the data the distributions are nearly symmetric.
        if (a >= 75 && a <= 175) {
            EXPECT_LT(std::abs(ws.medianIndex[a] - ws.modeIndex[a]), 8) << a;
        }
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

}  // namespace
}  // namespace tarvex::calib

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

// Two neighbouring columns 100 and 101 with given modes; every other visible column empty.
Workspace TwoColumns(int m0, int m1)
{
    Workspace ws = CalibWorkspace();
    ws.modeIndex.assign(251, -9999);
    ws.medianIndex.assign(251, -9999);
    ws.modeIndex[100] = static_cast<int16_t>(m0);
    ws.modeIndex[101] = static_cast<int16_t>(m1);
    ws.medianIndex[100] = 90;
    ws.medianIndex[101] = 95;
    return ws;
}

TEST(CalibLines, ModeJoinsOnlyAlongARidge)
{
    // The mode rises by five rows; column 101 rises steadily from row 100 to row 105.
    Workspace ws = TwoColumns(100, 105);
    Matrix<float>& P = ws.calibMatrices[kProbability];
    for (int b = 100; b <= 105; ++b) P(101, b) = 0.05f * (b - 99);
    P(101, 103) = -P(101, 103);  // the median mark does not count as a dip
    std::vector<LineItem> line = ModeLine(ws);
    // The pairs (99, 100) and (101, 102) meet empty columns and give the two end points.
    const std::vector<LineItem> joined = {
        {false, 100, 100, 100, 100}, {true, 100, 100, 101, 105}, {false, 101, 105, 101, 105}};
    EXPECT_EQ(line, joined);

    P(101, 102) = 0.01f;  // a dip in between
    line = ModeLine(ws);
    ASSERT_EQ(line.size(), 4u);
    EXPECT_EQ(line[1], (LineItem{false, 100, 100, 100, 100}));
    EXPECT_EQ(line[2], (LineItem{false, 101, 105, 101, 105}));

    // Falling by five rows: the test runs in the earlier column.
    ws = TwoColumns(105, 100);
    for (int b = 100; b <= 105; ++b) ws.calibMatrices[kProbability](100, b) = 0.05f * (b - 99);
    line = ModeLine(ws);
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[1], (LineItem{true, 100, 105, 101, 100}));
}

TEST(CalibLines, MedianAlwaysJoinsNeighbours)
{
    const Workspace ws = TwoColumns(100, 130);
    const std::vector<LineItem> line = MedianLine(ws);
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[0], (LineItem{false, 100, 90, 100, 90}));
    EXPECT_EQ(line[1], (LineItem{true, 100, 90, 101, 95}));
    EXPECT_EQ(line[2], (LineItem{false, 101, 95, 101, 95}));
}

}  // namespace
}  // namespace tarvex::calib

namespace tarvex::calib {
namespace {

TEST(CalibPictures, ReturnedPanelPaintsOnlyInsideTheOuterRegion)
{
    Workspace ws = NormalisedColumn(80, 100, {0.2f, 0.3f, 0.5f});
    ApplyColourPreset(ws.colours);
    ws.zEnhancement = 1.5f;
    ComputeRegions(ws, 682, 954);
    ws.calibMatrices[kProbability](80, 104) = 0.01f;  // probability outside both regions
    constexpr int32_t kWhite = 0xFFFFFF;

    const Matrix<int32_t> prob = TrimmedProbabilityColours(ws);
    EXPECT_EQ(prob(55, 75), ColourOfValue(ws.colours, 0.2f * 20.0f * 1.5f));
    EXPECT_EQ(prob(55, 77), ColourOfValue(ws.colours, 0.5f * 20.0f * 1.5f));
    EXPECT_EQ(prob(55, 79), kWhite);
    EXPECT_EQ(prob(56, 75), kWhite);

    const Matrix<int32_t> regions = RegionColours(ws);
    EXPECT_EQ(regions(55, 75), static_cast<int32_t>(kRegionColourRing));
    EXPECT_EQ(regions(55, 76), static_cast<int32_t>(kRegionColourRing));
    EXPECT_EQ(regions(55, 77), static_cast<int32_t>(kRegionColourInner));  // mode, median
    EXPECT_EQ(regions(55, 79), kWhite);
}

TEST(ModelColoursTest, CutOffHoldsOnScreenOnlyAndWeightsScaleTheValue)
{
    Workspace ws = CalibWorkspace();
    ApplyColourPreset(ws.colours);
    ws.zEnhancement = 2;
    constexpr int32_t kWhite = 0xFFFFFF;
    Matrix<float>& m = ws.calibMatrices[kJointModel];
    // Enhanced values: exactly the cut-off, just above it, and a negative (median-marked) cell.
    m(60, 70) = ws.colours.colourScaleSlider / 2 / 0.5f;
    m(61, 70) = 0.3f;
    m(62, 70) = -0.3f;
    m(24, 70) = 5;  // outside the visible cells

    const Matrix<int32_t> screen = ModelColours(ws, kJointModel, 0.5f);
    EXPECT_EQ(screen(35, 45), kWhite);
    EXPECT_EQ(screen(36, 45), ColourOfValue(ws.colours, 0.3f * 0.5f * 2));
    EXPECT_EQ(screen(37, 45), screen(36, 45));
    EXPECT_EQ(screen(0, 45), kWhite);

    const Matrix<int32_t> paper = ModelColours(ws, kJointModel, 0.5f, false);
    EXPECT_EQ(paper(35, 45), ColourOfValue(ws.colours, ws.colours.colourScaleSlider));
    EXPECT_EQ(paper(36, 45), screen(36, 45));
    EXPECT_EQ(paper(10, 10), kWhite);  // an empty cell stays paper
}

}  // namespace
}  // namespace tarvex::calib
