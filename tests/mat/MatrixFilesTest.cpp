#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "calib/CalibData.h"
#include "calib/CalibTestData.h"
#include "data/NumberText.h"
#include "mat/Histogram.h"
#include "mat/MatrixFiles.h"
#include "support/Records.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// A returned calibration over low..high and a histogram of four levels over three samples.
Workspace Returned(const char* low = "0", const char* high = "20", bool textLabels = true,
                   std::vector<std::string> labels = {"a", "b", "c"})
{
    Workspace ws = CalibWorkspace(low, high);
    ws.refFileName = "ref.csv";
    ws.fossilFileName = "fossil.csv";
    ws.climateFileName = "climate.csv";
    ws.climateParamCount = 2;
    ws.climateParamNames = {"Site", "Tcold", "Pann"};
    Matrix<float>& p = ws.calibMatrices[calib::kProbability];
    p(35, 75) = -0.25f;  // display column 10, row 50: the median cell
    p(35, 76) = 0.5f;
    p(25, 25) = 1e-7f;
    ws.calibMatrices[calib::kRegionFlags](35, 76) = 3;
    calib::ReturnData(ws);

    ws.fossilTextLabels = textLabels;
    ws.fossilSampleCount = static_cast<int16_t>(labels.size());
    ws.fossilSampleLabels = {"Depth"};
    for (const std::string& l : labels) ws.fossilSampleLabels.push_back(l);
    ws.fossilSampleEmpty.assign(labels.size() + 1, false);
    ws.reconValues.resize(ws.fossilSampleCount, 2);
    for (int i = 1; i <= ws.fossilSampleCount; ++i) ws.reconValues(i, 1) = 1.0;
    return ws;
}

MatrixFileSettings Settings()
{
    MatrixFileSettings s;
    s.analogue.thresholdSlider = 20;
    s.analogue.enhancement = MinorTaxaEnhancement::SquareRoot;
    s.analogue.weighting = Weighting::None;
    s.analogue.kmin = 2;
    s.analogue.kmax = 12;
    s.analogue.smoothing = 1;
    s.xSmoothing = 7;
    s.ySmoothing = 4;
    s.param = 1;
    return s;
}

TEST(MatrixFiles, MeridanMatrixRecordByRecord)
{
    const Workspace ws = Returned();
    const Records r = ReadRecords(MeridanMatrixFileText(ws, Settings(), "9/12/2026 (14:05:09)"));
    ASSERT_EQ(r.size(), 15u + 1 + 201);
    EXPECT_EQ(r[0], (std::vector<std::string>{"Tarvex 1.0 output file (Meridan Light)"}));
    const Records header(r.begin() + 1, r.begin() + 15);
    EXPECT_EQ(header, (Records{{"Date/Time: ", "9/12/2026 (14:05:09)"},
                               {"Reference data file: ", "ref.csv"},
                               {"Climate data file: ", "climate.csv"},
                               {"Similarity index: ", "Taxa-based"},
                               {"No. of analogues: ", "2-12"},
                               {"Threshold: ", "0.2"},
                               {"Inversed weighting: ", "N/A"},
                               {"Enhancing minor taxa: ", "Square root"},
                               {"Resolution (steps): ", "200"},
                               {"X-smoothing (%): ", "7"},
                               {"Y-smoothing (%): ", "4"},
                               {"Confidence coefficient1 (%): ", "68.2"},
                               {"Confidence coefficient2 (%): ", "95.4"},
                               {"Parameter", "Tcold"}}));
    for (std::size_t k = 15; k < r.size(); ++k) ASSERT_EQ(r[k].size(), 202u) << k;
    EXPECT_EQ(r[15][0], "");
    EXPECT_EQ(r[15][1], "0");
    EXPECT_EQ(r[15][2], "0.1");
    EXPECT_EQ(r[15][202 - 1], "20");
    // Row b = 50 is record 16 + 50; column a = 10 is field 11.
    EXPECT_EQ(r[66][0], "5");
    EXPECT_EQ(r[66][11], "-0.25");
    EXPECT_EQ(r[67][11], "0.5");
    EXPECT_EQ(Val(r[16][1]), 1e-7);
    EXPECT_EQ(static_cast<float>(Val(r[16][1])), 1e-7f);
    EXPECT_EQ(r[66][12], "0");
}

TEST(MatrixFiles, StrativMatrixRecordByRecord)
{
    Workspace ws = Returned();
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 4));
    MatrixFileSettings s = Settings();
    s.analogue.weighting = Weighting::Distance;
    s.analogue.enhancement = MinorTaxaEnhancement::Log;
    const Records r = ReadRecords(StrativMatrixFileText(ws, s, "d (t)"));
    ASSERT_EQ(r.size(), 18u + 1 + 5);  // V + 1 level records
    EXPECT_EQ(r[0], (std::vector<std::string>{"Tarvex 1.0 output file"}));
    const Records header(r.begin() + 1, r.begin() + 18);
    EXPECT_EQ(header, (Records{{"Date/Time: ", "d (t)"},
                               {"Reference data file: ", "ref.csv"},
                               {"Fossil data file: ", "fossil.csv"},
                               {"Climate data file: ", "climate.csv"},
                               {"Similarity index: ", "Taxa-based"},
                               {"No. of analogues: ", "2-12"},
                               {"Threshold: ", "0.2"},
                               {"Inversed weighting: ", "Distance"},
                               {"Enhancing minor taxa: ", "Log"},
                               {"Horizontal resolution: ", "200"},
                               {"X-smoothing (%): ", "7"},
                               {"Y-smoothing (%): ", "4"},
                               {"Confidence coefficient1 (%): ", "68.2"},
                               {"Confidence coefficient2 (%): ", "95.4"},
                               {"Vertical resolution: ", "4"},
                               {"Smoothed levels", "1"},
                               {"Parameter", "Tcold"}}));
    for (std::size_t k = 18; k < r.size(); ++k) ASSERT_EQ(r[k].size(), 202u) << k;
    // Sample numbers 1..3 spread over the levels 0..4.
    const char* positions[] = {"1", "1.5", "2", "2.5", "3"};
    for (int level = 0; level <= 4; ++level) EXPECT_EQ(r[19 + level][0], positions[level]);
    // Every level sits on column 10: the median -0.25 at column 50, flag 3 + 0.5 at 51.
    for (int level = 0; level <= 4; ++level) {
        EXPECT_EQ(r[19 + level][51], "-0.25") << level;
        EXPECT_EQ(r[19 + level][52], "3.5") << level;
    }
}

TEST(MatrixFiles, AxisAndLevelPositionsOfOtherRanges)
{
    // A reversed calibration range and depths that do not divide evenly.
    Workspace ws = Returned("20", "0", false, {"0", "1", "2"});
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 3));
    const Records r = ReadRecords(StrativMatrixFileText(ws, Settings(), "d (t)"));
    ASSERT_EQ(r.size(), 18u + 1 + 4);
    EXPECT_EQ(r[18][1], "20");
    EXPECT_EQ(r[18][2], "19.9");
    EXPECT_EQ(r[18][201], "0");
    EXPECT_EQ(r[19][0], "0");
    EXPECT_EQ(r[20][0], "0.6667");
    EXPECT_EQ(r[21][0], "1.3333");
    EXPECT_EQ(r[22][0], "2");

    // The calibration's own grid names the columns, even where the reconstruction window's
    // range would say otherwise: -25 .. 5 in steps of 0.15.
    const Workspace wide = Returned("-25", "5");
    EXPECT_EQ(MatrixAxisValue(wide, 0), -25.0f);
    EXPECT_EQ(MatrixAxisValue(wide, 1), -24.85f);
    EXPECT_EQ(MatrixAxisValue(wide, 200), 5.0f);
}

TEST(MatrixFiles, NothingToWriteWithoutTheirData)
{
    Workspace ws = Returned();
    EXPECT_TRUE(StrativMatrixFileText(ws, Settings(), "d").empty());  // no histogram yet
    MatrixFileSettings s = Settings();
    s.param = 3;
    EXPECT_TRUE(MeridanMatrixFileText(ws, s, "d").empty());
    ws.calibReturned = false;
    EXPECT_TRUE(MeridanMatrixFileText(ws, Settings(), "d").empty());
    std::string reason;
    EXPECT_FALSE(WriteMatrixFile(TempPath("matrix-none.csv"), "", true, &reason));
    EXPECT_FALSE(reason.empty());
}

TEST(MatrixFiles, SavedWholeOrNotAtAll)
{
    Workspace ws = Returned();
    const std::string path = TempPath("meridan-matrix-test.csv");
    std::filesystem::remove(path);
    bool finite = true;
    const std::string text = MeridanMatrixFileText(ws, Settings(), "d (t)", {}, &finite);
    std::string reason;
    ASSERT_TRUE(WriteMatrixFile(path, text, finite, &reason)) << reason;
    EXPECT_EQ(ReadAll(path), text);

    // A number that is not finite refuses the file and leaves the one already there.
    ws.calibMatrices[calib::kProbability](100, 100) = std::numeric_limits<float>::quiet_NaN();
    finite = true;
    const std::string bad = MeridanMatrixFileText(ws, Settings(), "d (t)", {}, &finite);
    EXPECT_FALSE(finite);
    EXPECT_FALSE(WriteMatrixFile(path, bad, finite, &reason));
    EXPECT_EQ(ReadAll(path), text);

    // A folder that does not exist fails with the system's reason.
    reason.clear();
    EXPECT_FALSE(WriteMatrixFile(TempPath("no-such-folder/m.csv"), text, true, &reason));
    EXPECT_FALSE(reason.empty());
}

TEST(MatrixFiles, ProgressOncePerMatrixRecord)
{
    Workspace ws = Returned();
    ASSERT_TRUE(BuildHistogram(ws, 1, 1, 200, 4));
    int calls = 0, last = -1;
    StrativMatrixFileText(ws, Settings(), "d", [&](int done, int total) {
        ++calls;
        last = done;
        EXPECT_EQ(total, 4);
    });
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(last, 4);
}

}  // namespace
}  // namespace tarvex
