#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "batch/RunRecord.h"
#include "data/Sha256.h"
#include "support/Batch.h"
#include "support/Records.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

std::string FreshDir(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    return dir;
}

// The record lists exactly the options of the usage text, in its order, so neither can gain
// an option the other lacks.
TEST(RunRecordTest, OptionsFollowTheUsageText)
{
    std::vector<std::string> usage;
    std::istringstream lines(BatchUsage());
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("  --", 0) == 0) {
            const std::string option = line.substr(2, line.find(' ', 2) - 2);
            if (option != "--help") usage.push_back(option);
        }
    std::vector<std::string> recorded;
    for (const auto& [option, value] : EffectiveOptions(BatchOptions{}, Workspace{}, {}))
        recorded.push_back(option);
    EXPECT_EQ(recorded, usage);
}

TEST(RunRecordTest, FullRunRecordsDefaultsSettledValuesAndInputs)
{
    const std::string dir = FreshDir("run-record-full");
    const std::vector<std::string> args = {"--reference",
                                           kExamples + "reference.csv",
                                           "--fossil",
                                           kExamples + "fossil.csv",
                                           "--climate",
                                           kExamples + "climate.csv",
                                           "--calibrate",
                                           "--threshold",
                                           "0.35",
                                           "--out",
                                           dir};
    const BatchResult run = Batch(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Wrote " + dir + "/run-record.csv"), std::string::npos);

    const Records r = ReadRecords(ReadAll(dir + "/run-record.csv"));
    ASSERT_GE(r.size(), 4u);
    EXPECT_EQ(r[0], std::vector<std::string>{"Tarvex batch run record"});
    EXPECT_EQ(r[1][0], "Version");
    EXPECT_FALSE(r[1][1].empty());
    EXPECT_EQ(r[2][0], "Date and time (UTC)");
    EXPECT_EQ(r[2][1].size(), 20u);
    EXPECT_EQ(r[2][1].back(), 'Z');
    std::vector<std::string> command = {"Command line", "tarvex-batch"};
    command.insert(command.end(), args.begin(), args.end());
    EXPECT_EQ(r[3], (std::vector<std::string>{"Working folder",
                                              std::filesystem::current_path().string()}));
    EXPECT_EQ(r[4], command);

    std::map<std::string, std::string> options;
    std::size_t row = 6;
    ASSERT_EQ(r[5], (std::vector<std::string>{"Option", "Value"}));
    for (; row < r.size() && r[row][0] != "Input"; ++row) {
        ASSERT_EQ(r[row].size(), 2u);
        options[r[row][0]] = r[row][1];
    }
    EXPECT_EQ(options.size(), 50u);
    EXPECT_EQ(options["--transfer-model"], "suggested");
    // Given, implied by --calibrate, defaults, and what the run settled itself.
    EXPECT_EQ(options["--threshold"], "0.35");
    EXPECT_EQ(options["--error-model"], "on");
    EXPECT_EQ(options["--analogues"], "0-8");
    EXPECT_EQ(options["--weighting"], "squared");
    EXPECT_EQ(options["--coefficients"], "68.2,95.4");
    EXPECT_EQ(options["--covariance"], "on");
    EXPECT_EQ(options["--correlation"], "off");
    EXPECT_EQ(options["--axes"], "1,2");
    EXPECT_EQ(options["--calibration-range"], "-25,5");
    EXPECT_EQ(options["--pairs"], "");
    EXPECT_EQ(options["--out"], dir);

    ASSERT_EQ(r.size(), row + 4);
    EXPECT_EQ(r[row], (std::vector<std::string>{"Input", "Path", "Size (bytes)", "SHA-256"}));
    const char* inputs[][2] = {
        {"--reference", "reference.csv"}, {"--fossil", "fossil.csv"}, {"--climate", "climate.csv"}};
    for (int i = 0; i < 3; ++i) {
        const std::string path = kExamples + inputs[i][1];
        const std::string content = ReadAll(path);
        EXPECT_EQ(r[row + 1 + i],
                  (std::vector<std::string>{inputs[i][0], path, std::to_string(content.size()),
                                            Sha256Hex(content)}));
    }
}

// A failed run leaves no record, as it leaves no other file.
TEST(RunRecordTest, FailedRunWritesNoRecord)
{
    const std::string dir = FreshDir("run-record-failed");
    const std::string bad = WriteTemp("run-record-bad.csv", ",a,b\nA,1,x\nB,1,2\n");
    const BatchResult run = Batch({"--reference", bad, "--out", dir});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/run-record.csv"));
}

}  // namespace
}  // namespace tarvex
