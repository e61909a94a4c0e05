#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "calib/CalibData.h"
#include "calib/CalibTestData.h"
#include "mat/Histogram.h"

namespace tarvex {
namespace {

using calib::kReturnedMatrix;
using calib::LineItem;

// A calibrated workspace over low..high with a fossil sequence of the given labels and values
// of parameter 1 (-9999: no value).
Workspace Sequence(const char* low, const char* high, bool textLabels,
                   std::initializer_list<const char*> labels, std::initializer_list<double> values)
{
    Workspace ws = testing::CalibWorkspace(low, high);
    ws.fossilTextLabels = textLabels;
    ws.fossilSampleCount = static_cast<int16_t>(labels.size());
    ws.fossilSampleLabels.assign(1, "Depth");
    for (const char* l : labels) ws.fossilSampleLabels.push_back(l);
    ws.fossilSampleEmpty.assign(labels.size() + 1, false);
    ws.climateParamCount = 1;
    ws.reconValues.resize(ws.fossilSampleCount, 1);
    int i = 1;
    for (double v : values)
        if (i <= ws.fossilSampleCount) ws.reconValues(i++, 1) = v;
    return ws;
}

// The marked raster cells as (level, column), level by level.
std::vector<std::pair<int, int>> Marked(const Workspace& ws)
{
    std::vector<std::pair<int, int>> cells;
    for (int level = 0; level <= ws.histLevels; ++level)
        for (int u = 0; u <= kMatrixResolution; ++u)
            if (ws.histMatrix[0](u, level) != 0) cells.emplace_back(level, u);
    return cells;
}

using Cells = std::vector<std::pair<int, int>>;

TEST(Histogram, LevelsFromThePanelShape)
{
    int v = 0;
    std::string reason;
    ASSERT_TRUE(HistogramLevels(137, 549, v, &reason));
    EXPECT_EQ(v, 801);  // Int(200 * 549 / 137)
    ASSERT_TRUE(HistogramLevels(200, 4, v, &reason));
    EXPECT_EQ(v, 4);
    // No width, no levels, and more levels than a 16-bit count holds all refuse.
    for (auto [w, h] : {std::pair{0.0, 100.0}, {-5.0, 100.0}, {100.0, 0.4}, {1.0, 200.0}}) {
        reason.clear();
        EXPECT_FALSE(HistogramLevels(w, h, v, &reason)) << w << " x " << h;
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_TRUE(HistogramLevels(200, 32767, v, nullptr));
    EXPECT_EQ(v, 32767);
}

TEST(Histogram, TextLabelsInterpolateBetweenSamples)
{
    // Three samples on four levels (step 0.5): positions 1, 2, 3 fall on levels 0, 2, 4.
    Workspace ws = Sequence("0", "20", true, {"a", "b", "c"}, {1.0, 2.0, 1.0});
    std::string reason;
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 4, &reason)) << reason;
    EXPECT_EQ(ws.histLevels, 4);
    EXPECT_TRUE(ws.histBuilt);
    EXPECT_EQ(Marked(ws), (Cells{{0, 10}, {1, 15}, {2, 20}, {3, 15}, {4, 10}}));
}

TEST(Histogram, ProbabilityRowsModesAndMedians)
{
    Workspace ws = Sequence("0", "20", true, {"a", "b", "c"}, {1.0, 2.0, 1.0});
    Matrix<float>& s8 = ws.calibMatrices[kReturnedMatrix];
    // Column 10 of the display range is grid column 35: the mode at display row 50 and the
    // median just below it.
    s8(35, 75) = 3.4f;
    s8(35, 74) = -1.25f;
    s8(35, 76) = 2.1f;
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 4));
    const Matrix<float>& layer1 = ws.histMatrix[1];
    for (int level : {0, 4}) {
        EXPECT_EQ(layer1(50, level), 3.4f);
        EXPECT_EQ(layer1(49, level), -1.25f);
        EXPECT_EQ(layer1(51, level), 2.1f);
        EXPECT_EQ(ws.histModeColumn[level], 50);
        EXPECT_EQ(ws.histMedianColumn[level], 49);
    }
    // Level 1 sits on column 15, whose calibration column is empty.
    for (int u = 0; u <= 200; ++u) EXPECT_EQ(layer1(u, 1), 0.0f);
    EXPECT_EQ(ws.histModeColumn[1], -9999);
    EXPECT_EQ(ws.histMedianColumn[1], -9999);
}

TEST(Histogram, NumericLabelsGoingBackAddTwoColumnsOnALevel)
{
    // Depths 0, 4, 2, 4 on four levels: the first window interpolates over levels 0..3, the
    // second goes back up (nothing), the third covers levels 2 and 3 again.
    Workspace ws = Sequence("0", "20", false, {"0", "4", "2", "4"}, {0.0, 4.0, 10.0, 14.0});
    Matrix<float>& s8 = ws.calibMatrices[kReturnedMatrix];
    s8(20 + 25, 75) = 1.25f;
    s8(100 + 25, 75) = 2.5f;
    s8(100 + 25, 60) = -0.5f;
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 4));
    EXPECT_EQ(Marked(ws), (Cells{{0, 0}, {1, 10}, {2, 20}, {2, 100}, {3, 30}, {3, 120}, {4, 140}}));
    EXPECT_EQ(ws.histMatrix[1](50, 2), 3.75f);
    EXPECT_EQ(ws.histModeColumn[2], 50);
    EXPECT_EQ(ws.histMedianColumn[2], 35);
}

TEST(Histogram, ValuesArePlacedOnTheCalibrationGrid)
{
    // A reversed calibration range: column 0 is 30, one column per -0.1.
    Workspace ws = Sequence("30", "10", true, {"a", "b"}, {12.5, 29.0});
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 1));
    EXPECT_EQ(Marked(ws), (Cells{{0, 175}, {1, 10}}));

    // Values off the matrix are skipped, not wrapped.
    Workspace off = Sequence("0", "20", true, {"a", "b"}, {-3.0, 25.0});
    ASSERT_TRUE(BuildHistogram(off, 1, 1, 200, 1));
    EXPECT_TRUE(Marked(off).empty());
}

TEST(Histogram, MissingValuesAndEmptySamples)
{
    // Sample 2 has no analogues and sample 3 is empty: window 1 marks only its own cell,
    // windows 2 and 3 nothing, the last one its cell.
    Workspace ws = Sequence("0", "20", true, {"a", "b", "c", "d"}, {5.0, -9999, 7.0, 9.0});
    ws.fossilSampleEmpty[3] = true;
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 3));
    EXPECT_EQ(Marked(ws), (Cells{{0, 50}, {3, 90}}));
}

TEST(Histogram, SmoothedCurveIsFollowedAtHigherLevels)
{
    // Width 2: windows at positions 1.5, 2.5, 3.5 with values 2, 4, 6; with text labels the
    // level step is (4 - 1) / 6 = 0.5, so the windows sit at levels 1, 3 and 5.
    Workspace ws = Sequence("0", "20", true, {"a", "b", "c", "d"}, {1.0, 3.0, 5.0, 7.0});
    ASSERT_TRUE(BuildHistogram(ws, 1, 2, 200, 6));
    EXPECT_EQ(Marked(ws), (Cells{{1, 20}, {2, 30}, {3, 40}, {4, 50}, {5, 60}}));
}

TEST(Histogram, SequencesWithoutALevelStepFailAndLeaveTheWorkspace)
{
    struct Case {
        const char* what;
        bool textLabels;
        std::initializer_list<const char*> labels;
    };
    for (const Case& c : {Case{"one sample", true, {"a"}}, Case{"one depth", false, {"5"}},
                          Case{"equal ends", false, {"5", "7", "5"}},
                          Case{"endless depth", false, {"5", "7", "1e400"}}}) {
        Workspace ws = Sequence("0", "20", c.textLabels, c.labels, {3.0, 3.0, 3.0});
        ws.histLevels = 7;
        std::string reason;
        EXPECT_FALSE(BuildHistogram(ws, 1, 1, 200, 4, &reason)) << c.what;
        EXPECT_FALSE(reason.empty()) << c.what;
        EXPECT_FALSE(ws.histBuilt) << c.what;
        EXPECT_EQ(ws.histLevels, 7) << c.what;
        EXPECT_TRUE(ws.histMatrix[1].empty()) << c.what;
    }
    // A panel without width or with too many levels fails the same way.
    Workspace ws = Sequence("0", "20", true, {"a", "b"}, {1.0, 2.0});
    EXPECT_FALSE(BuildHistogram(ws, 1, 1, 0, 500));
    EXPECT_FALSE(BuildHistogram(ws, 1, 1, 2, 500));
    EXPECT_FALSE(ws.histBuilt);
    // And so does a build before any calibration came back.
    Workspace bare = Sequence("0", "20", true, {"a", "b"}, {1.0, 2.0});
    bare.calibMatrices.clear();
    EXPECT_FALSE(BuildHistogram(bare, 1, 1, 200, 4));
}

TEST(Histogram, AFarAwayDepthDoesNotStallTheBuild)
{
    // The middle depth lies 1e12 levels past the end: only the levels on the matrix are walked.
    Workspace ws = Sequence("0", "20", false, {"0", "1e12", "10"}, {1.0, 2.0, 3.0});
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 10));
    const Cells cells = Marked(ws);
    ASSERT_EQ(cells.size(), 12u);  // window 1 fills every level; the last sample adds one
    EXPECT_EQ(cells.front(), (std::pair{0, 10}));
    EXPECT_EQ(cells[10], (std::pair{10, 10}));
    EXPECT_EQ(cells.back(), (std::pair{10, 30}));
}

// A built histogram of two levels with the given mode columns and the layer-1 row of level 1.
Workspace Modes(int m0, int m1, std::initializer_list<float> row1, int first)
{
    Workspace ws;
    ws.histBuilt = true;
    ws.histLevels = 1;
    ws.histMatrix[1].resize(kMatrixResolution, 1);
    ws.histModeColumn = {static_cast<int16_t>(m0), static_cast<int16_t>(m1)};
    ws.histMedianColumn = {-9999, -9999};
    int u = first;
    for (float v : row1) ws.histMatrix[1](u++, 1) = v;
    return ws;
}

TEST(Histogram, ModeLineJoinsNeighboursOrRidges)
{
    const LineItem joined{true, 100, 0, 101, 1};
    EXPECT_EQ(HistogramModeLine(Modes(100, 101, {}, 0)), std::vector<LineItem>{joined});

    const LineItem ridge{true, 100, 0, 104, 1};
    EXPECT_EQ(HistogramModeLine(Modes(100, 104, {3.1f, 3.2f, 3.2f, -3.3f, 3.5f}, 100)),
              std::vector<LineItem>{ridge});
    const std::vector<LineItem> apart{{false, 100, 0, 100, 0}, {false, 104, 1, 104, 1}};
    EXPECT_EQ(HistogramModeLine(Modes(100, 104, {3.1f, 3.4f, 3.2f, 3.3f, 3.5f}, 100)), apart);
    // A missing mode leaves the other as a point; two missing leave nothing.
    EXPECT_EQ(HistogramModeLine(Modes(-9999, 60, {}, 0)),
              (std::vector<LineItem>{{false, 60, 1, 60, 1}}));
    EXPECT_TRUE(HistogramModeLine(Modes(-9999, -9999, {}, 0)).empty());
}

TEST(Histogram, MedianLineAlongLevels)
{
    Workspace ws = Modes(-9999, -9999, {}, 0);
    ws.histLevels = 3;
    ws.histMatrix[1].resize(kMatrixResolution, 3);
    ws.histModeColumn.assign(4, -9999);
    ws.histMedianColumn = {40, 42, -9999, 45};
    EXPECT_EQ(HistogramMedianLine(ws),
              (std::vector<LineItem>{
                  {true, 40, 0, 42, 1}, {false, 42, 1, 42, 1}, {false, 45, 3, 45, 3}}));
}

TEST(Histogram, ReturnedModeLineIsJudgedOnTheReturnedMatrix)
{
    Workspace ws = testing::CalibWorkspace();
    ws.modeIndex.assign(251, -9999);
    ws.modeIndex[100] = 60;
    ws.modeIndex[101] = 63;
    Matrix<float>& s8 = ws.calibMatrices[kReturnedMatrix];
    // Slot 8 rises in column 101 from row 60 to 63 (flags lifting the probabilities), while
    // the probability alone would not.
    const float rows[] = {1.3f, 2.1f, 2.2f, 3.4f};
    for (int k = 0; k < 4; ++k) s8(101, 60 + k) = rows[k];
    const std::vector<LineItem> line = ReturnedModeLine(ws);
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[0], (LineItem{false, 100, 60, 100, 60}));  // column 99 is empty
    EXPECT_EQ(line[1], (LineItem{true, 100, 60, 101, 63}));
    EXPECT_EQ(line[2], (LineItem{false, 101, 63, 101, 63}));  // and so is column 102
    s8(101, 62) = 1.9f;
    EXPECT_EQ(ReturnedModeLine(ws)[1], (LineItem{false, 100, 60, 100, 60}));
}

TEST(Histogram, CellColoursInBothDisplays)
{
    constexpr int32_t kWhite = 0xFFFFFF;
    Workspace ws = Modes(-9999, -9999, {0.9f, 1.02f, -2.02f, 3.5f}, 10);
    ApplyColourPreset(ws.colours);
    SetMatrixRegionColours(ws);
    const Matrix<int32_t> conf = HistogramColours(ws, MatrixDisplay::Confidence);
    EXPECT_EQ(conf(10, 1), kWhite);
    EXPECT_EQ(conf(11, 1), 50 + 256 * 127 + 65536 * 50);
    EXPECT_EQ(conf(12, 1), 200 + 256 * 255 + 65536 * 200);
    EXPECT_EQ(conf(13, 1), 200 + 256 * 255 + 65536 * 200);
    const Matrix<int32_t> prob = HistogramColours(ws, MatrixDisplay::Probability);
    EXPECT_EQ(prob(10, 1), kWhite);
    // Fraction 0.02 at enhancement 1: scale value 0.4, red rising, green on its plateau.
    EXPECT_EQ(prob(11, 1), 170 + 256 * 255);
    EXPECT_EQ(prob(12, 1), 170 + 256 * 255);
    // Fraction 0.5: scale value 10, past every stop.
    EXPECT_EQ(prob(13, 1), 0);
    ws.zEnhancement = 0.5f;  // fraction 0.02 now scales to 0.2: green rising, blue full
    EXPECT_EQ(HistogramColours(ws, MatrixDisplay::Probability)(11, 1), 0 + 256 * 85 + 65536 * 255);

    ApplyGreyPreset(ws.colours);
    SetMatrixRegionColours(ws);
    EXPECT_EQ(HistogramColours(ws, MatrixDisplay::Confidence)(12, 1),
              200 + 256 * 200 + 65536 * 200);
    EXPECT_EQ(HistogramColours(ws, MatrixDisplay::Confidence)(11, 1),
              100 + 256 * 100 + 65536 * 100);
}

TEST(Histogram, ReturnedMatrixColours)
{
    constexpr int32_t kWhite = 0xFFFFFF;
    Workspace ws = testing::CalibWorkspace();
    ApplyColourPreset(ws.colours);
    SetMatrixRegionColours(ws);
    ws.calibMatrices[calib::kProbability](30, 40) = 0.02f;
    ws.calibMatrices[calib::kRegionFlags](30, 40) = 0;
    ws.calibMatrices[calib::kProbability](31, 40) = -0.02f;
    ws.calibMatrices[calib::kRegionFlags](31, 40) = -2;
    calib::ReturnData(ws);
    const Matrix<int32_t> prob = ReturnedMatrixColours(ws, MatrixDisplay::Probability);
    EXPECT_EQ(prob(5, 15), kWhite);  // outside both regions in colour display
    EXPECT_EQ(prob(6, 15), 170 + 256 * 255);
    const Matrix<int32_t> conf = ReturnedMatrixColours(ws, MatrixDisplay::Confidence);
    EXPECT_EQ(conf(5, 15), kWhite);
    EXPECT_EQ(conf(6, 15), 200 + 256 * 255 + 65536 * 200);
    ApplyGreyPreset(ws.colours);  // grey display draws every cell
    EXPECT_NE(ReturnedMatrixColours(ws, MatrixDisplay::Probability)(5, 15), kWhite);
    EXPECT_EQ(ReturnedMatrixColours(ws, MatrixDisplay::Probability)(0, 0), kWhite);
}

TEST(Histogram, PanelScaleAndOverlayColours)
{
    Workspace ws = Sequence("0", "20", true, {"a", "b", "c"}, {1.0, 2.0, 1.0});
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 400));
    EXPECT_DOUBLE_EQ(HistogramVerticalScale(ws).top, -10);
    EXPECT_DOUBLE_EQ(HistogramVerticalScale(ws).height, 420);
    ws.fossilSampleEmpty[1] = true;
    EXPECT_DOUBLE_EQ(HistogramVerticalScale(ws).top, -10);  // one empty end keeps the margin
    ws.fossilSampleEmpty[3] = true;
    EXPECT_DOUBLE_EQ(HistogramVerticalScale(ws).top, 0);
    EXPECT_DOUBLE_EQ(HistogramVerticalScale(ws).height, 400);

    ApplyColourPreset(ws.colours);
    EXPECT_EQ(ModeLineColour(ws), 255u);
    EXPECT_EQ(MedianLineColour(ws), 65536u * 255);
    ApplyGreyPreset(ws.colours);
    EXPECT_EQ(ModeLineColour(ws), 0u);
    EXPECT_EQ(MedianLineColour(ws), 0u);
}

TEST(Histogram, LevelsCutByTheDisplayRange)
{
    Workspace ws = Modes(-9999, -9999, {}, 0);  // levels 0 and 1
    EXPECT_TRUE(HistogramCutLevels(ws).lower.empty());
    EXPECT_TRUE(HistogramCutLevels(ws).upper.empty());
    ws.histMatrix[1](kMatrixResolution, 1) = 2.3f;  // the inner region at the upper end
    ws.histMatrix[1](0, 0) = -1.0f;                 // the ring's median cell at the lower end
    ws.histMatrix[1](kMatrixResolution, 0) = 0.8f;  // outside the regions: not drawn, not cut
    ws.histMatrix[1](1, 1) = 2.0f;                  // inside, but not at an end
    const HistogramEdgeLevels cut = HistogramCutLevels(ws);
    EXPECT_EQ(cut.lower, std::vector<int>{0});
    EXPECT_EQ(cut.upper, std::vector<int>{1});
    ws.histBuilt = false;
    EXPECT_TRUE(HistogramCutLevels(ws).upper.empty());
}

}  // namespace
}  // namespace tarvex
