#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "data/NumberText.h"
#include "support/Batch.h"
#include "support/Records.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

const std::string kReference = kExamples + "reference.csv";
const std::string kFossil = kExamples + "fossil.csv";
const std::string kClimate = kExamples + "climate.csv";

std::string FreshDir(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    return dir;
}

std::vector<std::string> FullRun(const std::string& dir, std::vector<std::string> extra = {})
{
    std::vector<std::string> args = {"--reference", kReference,    "--fossil", kFossil, "--climate",
                                     kClimate,      "--calibrate", "--out",    dir};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

Records Matrix(const Records& r)
{
    return Records(r.begin() + 15, r.end());
}

TEST(BatchCalibrationOptionsTest, DefaultsAreThoseOfTheCalibrationWindow)
{
    BatchOptions o;
    std::string error;
    ASSERT_TRUE(ParseBatchOptions(
        {"--reference", "r.csv", "--climate", "c.csv", "--calibrate", "--out", "d"}, o, error))
        << error;
    EXPECT_TRUE(o.calibrate);
    EXPECT_TRUE(o.errorModel);  // the error model gives data set 0
    EXPECT_EQ(o.calibrationParam, 1);
    EXPECT_TRUE(o.pairsPath.empty());
    EXPECT_TRUE(o.rangeLow.empty());
    EXPECT_TRUE(o.chain.generateModel);
    EXPECT_EQ(o.chain.generatedSdPercent, 5);
    EXPECT_EQ(o.chain.smoothingLevel, 10);
    EXPECT_EQ(o.chain.verticalThreshold, 2);
    EXPECT_EQ(o.chain.horizontalThreshold, 1);
    EXPECT_FALSE(o.chain.skipRowNormalisation);
    EXPECT_EQ(o.chain.coefficient1, 682);
    EXPECT_EQ(o.chain.coefficient2, 954);

    BatchOptions c;
    ASSERT_TRUE(
        ParseBatchOptions({"--calibrate", "--pairs", "p.csv", "--model-pairs", "m.csv",
                           "--calibration-range", "-2.5,30", "--smoothing-level", "20",
                           "--vertical-threshold", "0", "--horizontal-threshold", "10",
                           "--skip-row-normalisation", "--coefficients", "50,99.9", "--out", "d"},
                          c, error))
        << error;
    EXPECT_FALSE(c.errorModel);
    EXPECT_FALSE(c.chain.generateModel);
    EXPECT_EQ(c.rangeLow, "-2.5");
    EXPECT_EQ(c.rangeHigh, "30");
    EXPECT_EQ(c.chain.smoothingLevel, 20);
    EXPECT_EQ(c.chain.verticalThreshold, 0);
    EXPECT_EQ(c.chain.horizontalThreshold, 10);
    EXPECT_TRUE(c.chain.skipRowNormalisation);
    EXPECT_EQ(c.chain.coefficient1, 500);
    EXPECT_EQ(c.chain.coefficient2, 999);
}

TEST(BatchCalibrationOptionsTest, HelpNamesEveryCalibrationOption)
{
    const BatchResult help = Batch({"--help"});
    ASSERT_EQ(help.status, 0);
    for (const char* option :
         {"--calibrate", "--calibration-param", "--pairs", "--model-pairs", "--generated-model",
          "--calibration-range", "--smoothing-level", "--vertical-threshold",
          "--horizontal-threshold", "--skip-row-normalisation", "--coefficients"})
        EXPECT_NE(help.out.find(std::string("  ") + option + " "), std::string::npos) << option;
}

TEST(BatchCalibrationOptionsTest, RefusedOptionsExitWithStatusTwoAndWriteNothing)
{
    const std::string dir = FreshDir("batch-calibration-refused");
    const std::vector<std::vector<std::string>> bad = {
        {"--reference", kReference, "--calibrate", "--out", dir},  // no data set 0
        {"--calibrate", "--pairs", "p.csv", "--out", dir},         // no range
        {"--calibrate", "--pairs", "p.csv", "--calibration-range", "5,5", "--out", dir},
        {"--calibrate", "--pairs", "p.csv", "--calibration-range", "5x,9", "--out", dir},
        {"--calibrate", "--pairs", "p.csv", "--calibration-range", "5", "--out", dir},
        {"--calibrate", "--pairs", "p.csv", "--calibration-range", "1,2", "--calibration-param",
         "2", "--out", dir},
        {"--reference", kReference, "--climate", kClimate, "--smoothing-level", "5", "--out", dir},
        FullRun(dir, {"--smoothing-level", "0"}),
        FullRun(dir, {"--smoothing-level", "21"}),
        FullRun(dir, {"--vertical-threshold", "11"}),
        FullRun(dir, {"--horizontal-threshold", "-1"}),
        FullRun(dir, {"--generated-model", "0"}),
        FullRun(dir, {"--generated-model", "21"}),
        FullRun(dir, {"--generated-model", "5", "--model-pairs", "m.csv"}),
        FullRun(dir, {"--calibration-param", "0"}),
        FullRun(dir, {"--coefficients", "68.2"}),
        FullRun(dir, {"--coefficients", "68.25,95.4"}),
        FullRun(dir, {"--coefficients", "68.2,100.1"}),
        FullRun(dir, {"--coefficients", "68.2,95.4,99"}),
        FullRun(dir, {"--calibration-range"}),
    };
    for (const auto& args : bad) {
        const BatchResult r = Batch(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_FALSE(r.err.empty()) << line;
        EXPECT_FALSE(std::filesystem::exists(dir)) << line;
    }
}

TEST(BatchCalibrationTest, DefaultRunWritesTheCommonOutputOfTheFirstParameter)
{
    const std::string dir = FreshDir("batch-calibration-default");
    const BatchResult run = Batch(FullRun(dir));
    ASSERT_EQ(run.status, 0) << run.err;
    const Records r = ReadRecords(ReadAll(dir + "/calibration.csv"));
    ASSERT_EQ(r.size(), 217u);
    const Records head = {{"Meridan common output format"},
                          {"Head note length (lines): ", "15"},
                          {"Version: ", "2.5.0"},
                          {"Original file1: ", ""},
                          {"X: ", "Tcold(Reconstructed)"},
                          {"Y: ", "Tcold(Estimated)"},
                          {"Original file2: ", "N/A"},
                          {"Alternative: ", "Model"},
                          {"Std. Dev. (% of range): ", "5"},
                          {"Resolution (steps): ", "200"},
                          {"Smoothing level (% of range): ", "10"},
                          {"Vertical threshold (samples):", "2"},
                          {"Horizontal threshold (samples):", "1"},
                          {"Confidence coefficient1 (%):", "68.2"},
                          {"Confidence coefficient2 (%):", "95.4"}};
    for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(r[i], head[i]) << "record " << i + 1;

    // The axis runs over the proposed range of the fossil reconstruction, which holds every
    // reconstructed value of the parameter and is wider than none of them by a whole step.
    ASSERT_EQ(r[15].size(), 202u);
    const double low = Val(r[15][1]);
    const double high = Val(r[15][201]);
    ASSERT_LT(low, high);
    const Records curves = ReadRecords(ReadAll(dir + "/climate-curves.csv"));
    ASSERT_EQ(curves[0][1], "Tcold");
    double lo = 1e300, hi = -1e300;
    for (std::size_t i = 1; i < curves.size(); ++i) {
        if (curves[i][1].empty()) continue;
        lo = std::min(lo, Val(curves[i][1]));
        hi = std::max(hi, Val(curves[i][1]));
    }
    EXPECT_LE(low, lo);
    EXPECT_GE(high, hi);
    EXPECT_LT(hi - lo, high - low);
    EXPECT_NE(run.out.find("range " + r[15][1] + " to " + r[15][201]), std::string::npos);

    // Every matrix record: its value on the axis, then 201 cells of which some lie inside a
    // region (flag 1 or 2 before the fraction) and every one is a number.
    int inRegion = 0;
    for (int k = 0; k <= 200; ++k) {
        const auto& rec = r[16 + k];
        ASSERT_EQ(rec.size(), 202u) << k;
        EXPECT_EQ(rec[0], r[15][k + 1]);
        for (int x = 1; x <= 201; ++x) {
            double v = 0;
            ASSERT_TRUE(StrictVal(rec[x], v)) << rec[x];
            if (std::fabs(v) >= 1) ++inRegion;
            EXPECT_LT(std::fabs(v), 4.0);  // flag 3 marks the mode
        }
    }
    EXPECT_GT(inRegion, 201);
}

TEST(BatchCalibrationTest, SettingsReachTheHeadNoteAndTheMatrix)
{
    const std::string base = FreshDir("batch-calibration-base");
    ASSERT_EQ(Batch(FullRun(base, {"--calibration-param", "3"})).status, 0);
    const Records plain = ReadRecords(ReadAll(base + "/calibration.csv"));
    EXPECT_EQ(plain[4], (std::vector<std::string>{"X: ", "Pann(Reconstructed)"}));

    const std::string dir = FreshDir("batch-calibration-settings");
    const BatchResult run = Batch(
        FullRun(dir, {"--calibration-param", "3", "--generated-model", "8", "--smoothing-level",
                      "7", "--vertical-threshold", "0", "--horizontal-threshold", "3",
                      "--coefficients", "50,90", "--calibration-range", "0,2000"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const Records r = ReadRecords(ReadAll(dir + "/calibration.csv"));
    ASSERT_EQ(r.size(), 217u);
    EXPECT_EQ(r[8], (std::vector<std::string>{"Std. Dev. (% of range): ", "8"}));
    EXPECT_EQ(r[10], (std::vector<std::string>{"Smoothing level (% of range): ", "7"}));
    EXPECT_EQ(r[11], (std::vector<std::string>{"Vertical threshold (samples):", "0"}));
    EXPECT_EQ(r[12], (std::vector<std::string>{"Horizontal threshold (samples):", "3"}));
    EXPECT_EQ(r[13], (std::vector<std::string>{"Confidence coefficient1 (%):", "50"}));
    EXPECT_EQ(r[14], (std::vector<std::string>{"Confidence coefficient2 (%):", "90"}));
    EXPECT_EQ(r[15][1], "0");
    EXPECT_EQ(r[15][2], "10");
    EXPECT_EQ(r[15][201], "2000");
    EXPECT_NE(Matrix(r), Matrix(plain));
}

TEST(BatchCalibrationTest, SkippingTheRowNormalisationChangesTheResult)
{
    const std::string a = FreshDir("batch-calibration-rows");
    const std::string b = FreshDir("batch-calibration-norows");
    ASSERT_EQ(Batch(FullRun(a)).status, 0);
    ASSERT_EQ(Batch(FullRun(b, {"--skip-row-normalisation"})).status, 0);
    const Records ra = ReadRecords(ReadAll(a + "/calibration.csv"));
    const Records rb = ReadRecords(ReadAll(b + "/calibration.csv"));
    EXPECT_EQ(Records(ra.begin(), ra.begin() + 16), Records(rb.begin(), rb.begin() + 16));
    EXPECT_NE(Matrix(ra), Matrix(rb));
}

TEST(BatchCalibrationTest, PairFileOfAnEarlierRunGivesTheSameMatrix)
{
    const std::string first = FreshDir("batch-calibration-first");
    ASSERT_EQ(Batch(FullRun(first)).status, 0);
    const Records full = ReadRecords(ReadAll(first + "/calibration.csv"));
    const std::string range = full[15][1] + "," + full[15][201];

    const std::string dir = FreshDir("batch-calibration-pairs");
    const std::string pairs = first + "/scatter-1.csv";
    const BatchResult run =
        Batch({"--calibrate", "--pairs", pairs, "--calibration-range", range, "--out", dir});
    ASSERT_EQ(run.status, 0) << run.err;
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"calibration.csv", "run-record.csv"}));
    const Records r = ReadRecords(ReadAll(dir + "/calibration.csv"));
    ASSERT_EQ(r.size(), 217u);
    EXPECT_EQ(r[3], (std::vector<std::string>{"Original file1: ", pairs}));
    EXPECT_EQ(r[4], full[4]);
    EXPECT_EQ(r[5], full[5]);
    // The scatter file keeps the error model's pairs to full precision, so the chain on them
    // is the chain of the run that wrote them.
    EXPECT_EQ(Matrix(r), Matrix(full));

    // An error model of another parameter as data set 1.
    const std::string model = FreshDir("batch-calibration-model");
    const BatchResult withModel =
        Batch({"--calibrate", "--pairs", pairs, "--model-pairs", first + "/scatter-2.csv",
               "--calibration-range", range, "--out", model});
    ASSERT_EQ(withModel.status, 0) << withModel.err;
    const Records m = ReadRecords(ReadAll(model + "/calibration.csv"));
    ASSERT_EQ(m.size(), 217u);
    EXPECT_EQ(m[6], (std::vector<std::string>{"Original file2: ", first + "/scatter-2.csv"}));
    EXPECT_EQ(m[7], (std::vector<std::string>{"X: ", "Twarm(Reconstructed)"}));
    EXPECT_EQ(m[8], (std::vector<std::string>{"Y: ", "Twarm(Estimated)"}));
    EXPECT_NE(Matrix(m), Matrix(full));
}

TEST(BatchCalibrationTest, WithoutFossilTheRangeFollowsTheClimateValues)
{
    const std::string dir = FreshDir("batch-calibration-nofossil");
    const BatchResult run = Batch({"--reference", kReference, "--climate", kClimate, "--calibrate",
                                   "--calibration-param", "2", "--out", dir});
    ASSERT_EQ(run.status, 0) << run.err;
    const Records r = ReadRecords(ReadAll(dir + "/calibration.csv"));
    ASSERT_EQ(r.size(), 217u);
    // The example climate table: label, Tcold, Twarm, Pann per line.
    std::istringstream climate(ReadAll(kClimate));
    std::string line;
    std::getline(climate, line);
    double lo = 1e300, hi = -1e300;
    while (std::getline(climate, line)) {
        const std::size_t first = line.find(',');
        const std::size_t second = line.find(',', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const double v = Val(line.substr(second + 1));
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    ASSERT_LT(lo, hi);
    EXPECT_LE(Val(r[15][1]), lo);
    EXPECT_GE(Val(r[15][201]), hi);
    EXPECT_LT(Val(r[15][201]) - Val(r[15][1]), 2 * (hi - lo));
}

// The records of the calibration matrix as numbers in the Strativ order: column x of the
// common output (the reconstructed value) across its rows y.
std::vector<std::string> CommonOutputColumn(const Records& calibration, int x)
{
    std::vector<std::string> column;
    for (int y = 0; y <= 200; ++y) column.push_back(calibration[16 + y][x + 1]);
    return column;
}

TEST(BatchCalibrationTest, WithAFossilSequenceBothMatrixFilesAreWritten)
{
    const std::string dir = FreshDir("batch-calibration-matrices");
    const BatchResult run = Batch(FullRun(dir));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Strativ histogram: 801 levels along the curve of Tcold"),
              std::string::npos)
        << run.out;
    const Records calibration = ReadRecords(ReadAll(dir + "/calibration.csv"));
    const Records meridan = ReadRecords(ReadAll(dir + "/meridan-matrix.csv"));
    const Records strativ = ReadRecords(ReadAll(dir + "/strativ-matrix.csv"));

    ASSERT_EQ(meridan.size(), 15u + 1 + 201);
    EXPECT_EQ(meridan[0], (std::vector<std::string>{"Tarvex 1.0 output file (Meridan Light)"}));
    EXPECT_EQ(meridan[2], (std::vector<std::string>{"Reference data file: ", kReference}));
    EXPECT_EQ(meridan[6], (std::vector<std::string>{"Threshold: ", "0.2"}));
    EXPECT_EQ(meridan[7], (std::vector<std::string>{"Inversed weighting: ", "Squared distance"}));
    EXPECT_EQ(meridan[10], (std::vector<std::string>{"X-smoothing (%): ", "10"}));
    EXPECT_EQ(meridan[11], (std::vector<std::string>{"Y-smoothing (%): ", "5"}));
    EXPECT_EQ(meridan[14], (std::vector<std::string>{"Parameter", "Tcold"}));
    // Both matrices lie on the calibration's axis.
    EXPECT_EQ(std::vector<std::string>(meridan[15].begin() + 1, meridan[15].end()),
              std::vector<std::string>(calibration[15].begin() + 1, calibration[15].end()));

    ASSERT_EQ(strativ.size(), 18u + 1 + 802);
    EXPECT_EQ(strativ[3], (std::vector<std::string>{"Fossil data file: ", kFossil}));
    EXPECT_EQ(strativ[15], (std::vector<std::string>{"Vertical resolution: ", "801"}));
    EXPECT_EQ(strativ[16], (std::vector<std::string>{"Smoothed levels", "3"}));
    EXPECT_EQ(strativ[17], (std::vector<std::string>{"Parameter", "Tcold"}));
    EXPECT_EQ(strativ[18], meridan[15]);
    // The levels run from the first depth to the last one.
    EXPECT_EQ(strativ[19][0], "100");
    EXPECT_EQ(strativ.back()[0], "395");
    // A level is empty where the curve does not pass: the smoothed curve runs from the
    // window centred at depth 105 (level 14) to the one at 390 (level 787), and the empty
    // sample at depth 270 leaves out the windows between the ones centred at 260 (level 434)
    // and 280 (level 489).
    auto empty = [&strativ](int level) {
        const auto& rec = strativ[19 + static_cast<std::size_t>(level)];
        for (std::size_t x = 1; x < rec.size(); ++x)
            if (Val(rec[x]) != 0) return false;
        return true;
    };
    for (std::size_t k = 19; k < strativ.size(); ++k) ASSERT_EQ(strativ[k].size(), 202u) << k;
    for (int level = 0; level <= 801; ++level) {
        if (level < 14 || (level > 434 && level < 489) || level > 787) {
            EXPECT_TRUE(empty(level)) << level;
        }
    }
    EXPECT_FALSE(empty(14));
    EXPECT_FALSE(empty(787));
    // Level 14 holds the first window alone: its row is one column of the returned matrix,
    // region flags and probabilities together.
    const std::vector<std::string> first(strativ[19 + 14].begin() + 1, strativ[19 + 14].end());
    int matches = 0;
    for (int x = 0; x <= 200; ++x)
        if (CommonOutputColumn(calibration, x) == first) ++matches;
    EXPECT_EQ(matches, 1);
}

TEST(BatchCalibrationTest, SmoothingLevelChangesOnlyTheStrativMatrix)
{
    const std::string a = FreshDir("batch-calibration-smooth3");
    const std::string b = FreshDir("batch-calibration-smooth1");
    ASSERT_EQ(Batch(FullRun(a)).status, 0);
    ASSERT_EQ(Batch(FullRun(b, {"--smoothing", "1"})).status, 0);
    const auto body = [](const std::string& path) {
        const Records r = ReadRecords(ReadAll(path));
        return Records(r.begin() + 2, r.end());  // after the date-time record
    };
    EXPECT_EQ(body(a + "/meridan-matrix.csv"), body(b + "/meridan-matrix.csv"));
    EXPECT_EQ(ReadAll(a + "/calibration.csv"), ReadAll(b + "/calibration.csv"));
    const Records s1 = body(b + "/strativ-matrix.csv");
    const Records s3 = body(a + "/strativ-matrix.csv");
    EXPECT_EQ(s1[14], (std::vector<std::string>{"Smoothed levels", "1"}));
    ASSERT_EQ(s1.size(), s3.size());
    EXPECT_NE(Records(s1.begin() + 17, s1.end()), Records(s3.begin() + 17, s3.end()));
}

TEST(BatchCalibrationTest, ASequenceWithoutDepthStopsTheRunBeforeAnyFile)
{
    // The first sample of the example sequence alone.
    std::istringstream fossil(ReadAll(kFossil));
    std::string header, sample;
    std::getline(fossil, header);
    std::getline(fossil, sample);
    const std::string single =
        WriteTemp("batch-calibration-single.csv", header + "\n" + sample + "\n");
    const std::string dir = FreshDir("batch-calibration-single");
    const BatchResult run = Batch({"--reference", kReference, "--fossil", single, "--climate",
                                   kClimate, "--calibrate", "--out", dir});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Strativ histogram of parameter 1"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST(BatchCalibrationTest, RefusalsOfTheRunWriteNoFileAtAll)
{
    const std::string dir = FreshDir("batch-calibration-failed");
    const BatchResult param = Batch(FullRun(dir, {"--calibration-param", "4"}));
    EXPECT_EQ(param.status, 1);
    EXPECT_NE(param.err.find("3 parameters"), std::string::npos) << param.err;
    EXPECT_FALSE(std::filesystem::exists(dir));

    // Pairs exactly on a line leave no residual spread for the error model.
    const std::string line = WriteTemp("batch-calibration-line.csv",
                                       "\"Vest\",\"Vobs\"\r\n1,2\r\n2,4\r\n3,6\r\n4,8\r\n");
    const BatchResult sd = Batch(FullRun(dir, {"--model-pairs", line}));
    EXPECT_EQ(sd.status, 1);
    EXPECT_FALSE(sd.err.empty());
    EXPECT_FALSE(std::filesystem::exists(dir));

    const BatchResult missing = Batch({"--calibrate", "--pairs", TempPath("no-such-pairs.csv"),
                                       "--calibration-range", "0,10", "--out", dir});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.empty());
    EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
}  // namespace tarvex
