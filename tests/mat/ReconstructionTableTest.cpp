#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "calib/CalibData.h"
#include "data/NumberText.h"
#include "mat/Analogues.h"
#include "mat/ReconstructionTable.h"
#include "support/Batch.h"
#include "support/Records.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

const std::vector<std::string> kHeader = {
    "Sample",           "Parameter",        "Estimate",      "Smoothed",  "Analogues",
    "Closest distance", "Outside envelope", "Poor analogue", "Mode",      "Median",
    "Lower 68.2",       "Upper 68.2",       "Lower 95.4",    "Upper 95.4"};

std::string FreshDir(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    return dir;
}

BatchResult ExampleRun(const std::string& dir, std::vector<std::string> extra = {})
{
    std::vector<std::string> args = {
        "--reference", kExamples + "reference.csv", "--fossil", kExamples + "fossil.csv",
        "--climate",   kExamples + "climate.csv",   "--out",    dir};
    args.insert(args.end(), extra.begin(), extra.end());
    return Batch(args);
}

double Number(const std::string& field)
{
    double v = 0;
    EXPECT_TRUE(StrictVal(field, v)) << field;
    return v;
}

// The whole table of a calibrated run read back with the cell reader: one header row, one
// record of 14 fields per sample and parameter, the estimates of the curve file, the closest
// distances of the quality file, and the calibration's columns only for the calibrated
// parameter, each region enclosing the narrower one and the mode.
TEST(ReconstructionTableTest, CalibratedRunReadsBackAsAPlainTable)
{
    const std::string dir = FreshDir("recon-table-calibrated");
    const BatchResult run = ExampleRun(dir, {"--calibrate"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Records table = ReadRecords(ReadAll(dir + "/reconstruction.csv"));
    const Records curves = ReadRecords(ReadAll(dir + "/climate-curves.csv"));
    const Records quality = ReadRecords(ReadAll(dir + "/analogue-quality.csv"));
    ASSERT_EQ(table.size(), 1u + 60 * 3);
    EXPECT_EQ(table[0], kHeader);
    const std::vector<std::string> params = {"Tcold", "Twarm", "Pann"};
    const double cutoff5 = Number(quality[62][1]);
    ASSERT_EQ(quality[62][0], "Cut-off 5 %");
    int calibrated = 0;
    for (std::size_t r = 1; r < table.size(); ++r) {
        const std::vector<std::string>& row = table[r];
        ASSERT_EQ(row.size(), 14u) << r;
        const std::size_t p = (r - 1) / 60, i = (r - 1) % 60 + 1;
        EXPECT_EQ(row[0], curves[i][0]);
        EXPECT_EQ(row[1], params[p]);
        EXPECT_EQ(row[2], curves[i][p + 1]);
        EXPECT_EQ(row[5], quality[i][1]);
        EXPECT_EQ(row[6], "");  // no envelope analysis in this run
        if (!row[5].empty()) {
            EXPECT_EQ(row[7], Number(row[5]) > cutoff5 ? "1" : "0");
        }
        if (row[2].empty()) {
            EXPECT_EQ(row[4], "") << "an empty sample has no analogues";
        }
        const bool any = !row[8].empty() || !row[10].empty() || !row[12].empty();
        if (p != 0) {
            EXPECT_FALSE(any) << "only the calibrated parameter has calibration columns";
            continue;
        }
        if (!any) continue;
        ++calibrated;
        const double mode = Number(row[8]), median = Number(row[9]);
        const double l1 = Number(row[10]), u1 = Number(row[11]);
        const double l2 = Number(row[12]), u2 = Number(row[13]);
        EXPECT_LE(l2, l1);
        EXPECT_LE(l1, mode);
        EXPECT_LE(mode, u1);
        EXPECT_LE(u1, u2);
        EXPECT_LE(l2, median);
        EXPECT_LE(median, u2);
    }
    EXPECT_GT(calibrated, 50);
}

// The smoothed column is the drawn smoothed line at each sample: for evenly spaced depths and
// three samples per window the middle sample carries its window's mean; the first and the last
// sample lie outside every window, and at level 1 there is no smoothed line.
TEST(ReconstructionTableTest, SmoothedColumnFollowsTheSmoothedCurve)
{
    const std::string dir = FreshDir("recon-table-smoothed");
    ASSERT_EQ(ExampleRun(dir, {"--envelope"}).status, 0);
    const Records table = ReadRecords(ReadAll(dir + "/reconstruction.csv"));
    for (int p = 0; p < 3; ++p) {
        const auto row = [&](int i) { return table[static_cast<std::size_t>(p * 60 + i)]; };
        EXPECT_EQ(row(1)[3], "");
        EXPECT_EQ(row(60)[3], "");
        for (int i = 2; i <= 59; ++i) {
            if (row(i - 1)[2].empty() || row(i)[2].empty() || row(i + 1)[2].empty()) {
                EXPECT_EQ(row(i)[3], "") << i;
                continue;
            }
            const double sum = Number(row(i - 1)[2]) + Number(row(i)[2]) + Number(row(i + 1)[2]);
            EXPECT_EQ(row(i)[3], FormatSingle(static_cast<float>(sum / 3))) << i;
        }
    }
    // The envelope run marks every sample with pollen 0 or 1.
    int outside = 0;
    for (std::size_t r = 1; r <= 60; ++r) {
        ASSERT_TRUE(table[r][6] == "0" || table[r][6] == "1" || table[r][2].empty()) << r;
        outside += table[r][6] == "1";
    }
    EXPECT_GT(outside, 0);

    const std::string flat = FreshDir("recon-table-level1");
    ASSERT_EQ(ExampleRun(flat, {"--smoothing", "1"}).status, 0);
    for (const auto& r : ReadRecords(ReadAll(flat + "/reconstruction.csv")))
        if (r[0] != "Sample") {
            EXPECT_EQ(r[3], "");
        }
}

// A hand-made calibration: the column of an estimate by the histogram's rounding, the region
// ends as the outermost flagged cells, the mode and median cells, and nothing off the grid or
// in an empty column; a range from high to low still gives lower <= upper.
TEST(ReconstructionTableTest, CalibrationAtReadsTheColumnOfTheEstimate)
{
    Workspace ws;
    ws.calibMatrices.assign(9, Matrix<float>(calib::kGridLast, calib::kGridLast));
    ws.modeIndex.assign(calib::kGridLast + 1, -9999);
    ws.medianIndex.assign(calib::kGridLast + 1, -9999);
    Matrix<float>& flags = ws.calibMatrices[calib::kRegionFlags];
    for (int b = 118; b <= 132; ++b) flags(125, b) = 1;
    for (int b = 121; b <= 128; ++b) flags(125, b) = 2;
    flags(125, 124) = 3;
    flags(125, 126) = -2;
    ws.modeIndex[125] = 124;
    ws.medianIndex[125] = 126;

    struct Case {
        double low, step, estimate;
        double mode, median, l1, u1, l2, u2;
    };
    const double nan = NAN;
    const Case cases[] = {
        {0, 0.1, 10.0, 9.9, 10.1, 9.6, 10.3, 9.3, 10.7},
        {0, 0.1, 10.04, 9.9, 10.1, 9.6, 10.3, 9.3, 10.7},   // rounds into the same column
        {0, 0.1, 10.06, nan, nan, nan, nan, nan, nan},      // the next column is empty
        {0, 0.1, -3, nan, nan, nan, nan, nan, nan},         // off the grid
        {20, -0.1, 10.0, 10.1, 9.9, 9.7, 10.4, 9.3, 10.7},  // high to low
    };
    for (const Case& c : cases) {
        ws.gridLow = c.low;
        ws.gridStep = c.step;
        const CalibratedValue v = CalibrationAt(ws, c.estimate);
        const double got[] = {v.mode, v.median, v.lower1, v.upper1, v.lower2, v.upper2};
        const double want[] = {c.mode, c.median, c.l1, c.u1, c.l2, c.u2};
        for (int k = 0; k < 6; ++k) {
            if (std::isnan(want[k]))
                EXPECT_TRUE(std::isnan(got[k])) << c.estimate << " " << k;
            else
                EXPECT_EQ(got[k], want[k]) << c.estimate << " " << k;
        }
    }
}

TEST(ReconstructionTableTest, SmoothedAtInterpolatesBetweenWindowsOnly)
{
    SmoothedCurve up;
    up.windows = 3;
    up.position = {0, 1.5f, 2.5f, 3.5f};
    up.value = {0, 10, -9999, 30};
    EXPECT_EQ(SmoothedAt(up, 1.5), 10);
    EXPECT_TRUE(std::isnan(SmoothedAt(up, 2.0)));  // next to a window without a value
    EXPECT_TRUE(std::isnan(SmoothedAt(up, 1.0)));  // above the first window
    EXPECT_TRUE(std::isnan(SmoothedAt(up, 4.0)));  // below the last
    SmoothedCurve down;
    down.windows = 3;
    down.position = {0, 30, 20, 10};
    down.value = {0, 1, 2, 3};
    EXPECT_FLOAT_EQ(SmoothedAt(down, 25), 1.5f);
    EXPECT_FLOAT_EQ(SmoothedAt(down, 12.5), 2.75f);
}

// The bins the error-model figure draws are those of the maximum bias in the summary.
TEST(ReconstructionTableTest, BiasBinsGiveTheMaximumBias)
{
    const std::string dir = FreshDir("recon-table-bins");
    ASSERT_EQ(ExampleRun(dir, {"--error-model"}).status, 0);
    const Records summary = ReadRecords(ReadAll(dir + "/error-model-summary.csv"));
    Workspace ws;
    // Rebuild the error model from the scatter files, which hold exactly its pairs.
    ws.climateParamCount = 3;
    ws.refSiteCount = 150;
    ws.siteReconValues = Matrix<double>(150, 3);
    ws.climateValues = Matrix<double>(150, 3);
    for (int p = 1; p <= 3; ++p) {
        const Records pairs = ReadRecords(ReadAll(dir + "/scatter-" + std::to_string(p) + ".csv"));
        for (int s = 1; s <= 150; ++s) {
            ws.siteReconValues(s, p) = pairs[s][0].empty() ? -9999 : Number(pairs[s][0]);
            ws.climateValues(s, p) = Number(pairs[s][1]);
        }
        const std::vector<BiasBin> bins = ErrorModelBiasBins(ws, p);
        ASSERT_EQ(bins.size(), 10u);
        int count = 0;
        double worst = 0;
        for (const BiasBin& b : bins) {
            count += b.count;
            if (b.count > 0 && std::fabs(b.meanResidual) > std::fabs(worst)) worst = b.meanResidual;
        }
        const ErrorModelSummary s = SummariseErrorModel(ws, p);
        EXPECT_EQ(count, s.sites);
        EXPECT_EQ(worst, s.maxBias) << p;
        // The scatter files hold 15 digits, so the run's own figure agrees to about that.
        const double written = Number(summary[static_cast<std::size_t>(p)][5]);
        EXPECT_NEAR(worst, written, 1e-12 * std::fabs(written));
    }
}

struct BadLine {
    std::vector<std::string> args;
    const char* message;
};

// Figure options that cannot work are refused before anything is read (status 2), and a build
// without the figure library refuses --report and --figures in the same way.
TEST(ReconstructionTableTest, FigureOptionsAreChecked)
{
    const std::string ref = kExamples + "reference.csv", fossil = kExamples + "fossil.csv";
    const std::string dir = FreshDir("recon-table-options");
    const BadLine lines[] = {
        {{"--reference", ref, "--fossil", fossil, "--report", "r.txt", "--out", dir},
         "give a name ending in .pdf"},
        {{"--reference", ref, "--fossil", fossil, "--diagram-bars", "--out", dir},
         "--diagram-bars needs --report"},
        {{"--reference", ref, "--envelope", "--out", dir}, "--envelope needs"},
        {{"--reference", ref, "--fossil", fossil, "--figures", dir + "/f", "--report-parameters",
          "1", "--out", dir},
         "it needs --climate"},
        {{"--reference", ref, "--fossil", fossil, "--figures", dir + "/f", "--diagram-min-percent",
          "101", "--out", dir},
         "from 0 to 100"},
        {{"--reference", ref, "--fossil", fossil, "--report", dir + "/r.pdf", "--out", dir},
         "no figure library"},
    };
    for (const BadLine& line : lines) {
        const BatchResult run = Batch(line.args);
        EXPECT_EQ(run.status, 2) << line.message;
        EXPECT_NE(run.err.find(line.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir)) << line.message;
    }
}

}  // namespace
}  // namespace tarvex
