#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "batch/BatchRun.h"
#include "data/NumberText.h"
#include "data/TableReader.h"
#include "support/Batch.h"
#include "support/ScratchMount.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

TEST(BatchOptionsTest, DefaultsAndChoices)
{
    BatchOptions o;
    std::string error;
    ASSERT_TRUE(ParseBatchOptions({"--reference", "r.csv", "--out", "d"}, o, error)) << error;
    EXPECT_TRUE(o.choice.convertToPercent);
    EXPECT_EQ(o.choice.enhancement, Enhancement::None);
    EXPECT_FALSE(o.choice.useCorrelation);
    EXPECT_FALSE(o.acceptNameMismatches);

    BatchOptions p;
    ASSERT_TRUE(
        ParseBatchOptions({"--reference", "r.csv", "--fossil", "f.csv", "--no-percent", "--enhance",
                           "log", "--correlation", "--accept-name-mismatches", "--out", "d"},
                          p, error));
    EXPECT_EQ(p.fossilPath, "f.csv");
    EXPECT_FALSE(p.choice.convertToPercent);
    EXPECT_EQ(p.choice.enhancement, Enhancement::Log);
    EXPECT_TRUE(p.choice.useCorrelation);
    EXPECT_TRUE(p.acceptNameMismatches);
}

TEST(BatchOptionsTest, BadCommandLinesExitWithTwoAndExplain)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--out", "d"},
             {"--reference", "r.csv"},
             {"--reference", "r.csv", "--out", "d", "--enhance", "cube"},
             {"--reference", "r.csv", "--out", "d", "--bogus"},
             {"--reference", "r.csv", "--out", "a", "--out", "b"},
             {"--reference", "r.csv", "--correlation", "--covariance", "--out", "d"},
             {"--reference", "r.csv", "--strict", "--strict", "--out", "d"},
             {"--reference"}}) {
        const BatchResult r = Batch(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage: tarvex-batch"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    const BatchResult help = Batch({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"--reference", "--fossil", "--no-percent", "--enhance", "--correlation", "--covariance",
          "--accept-name-mismatches", "--out"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

TEST(BatchRunTest, MalformedTableGivesFormatErrorAndFailure)
{
    const std::string bad = TempPath("batch_bad.csv");
    std::ofstream(bad) << ",a,b,c\nA,1,x,3\nB,1,2,3\n";
    const BatchResult r = Batch({"--reference", bad, "--out", TempPath("batch_bad_out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(kFormatErrorMessage), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(TempPath("batch_bad_out/loading.csv")));
}

TEST(BatchRunTest, NameMismatchIsRefusedUnlessAccepted)
{
    std::ifstream in(kExamples + "fossil.csv", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    text.insert(text.find(',', 1), "X");  // first taxon name gets a trailing X
    const std::string fossil = TempPath("batch_renamed.csv");
    std::ofstream(fossil, std::ios::binary) << text;

    const std::string out = TempPath("batch_renamed_out");
    std::filesystem::remove_all(out);
    const BatchResult refused =
        Batch({"--reference", kExamples + "reference.csv", "--fossil", fossil, "--out", out});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Name inconsistent."), std::string::npos);
    EXPECT_NE(refused.err.find("--accept-name-mismatches"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out + "/fossil-scores.csv"));

    const BatchResult accepted = Batch({"--reference", kExamples + "reference.csv", "--fossil",
                                        fossil, "--accept-name-mismatches", "--out", out});
    ASSERT_EQ(accepted.status, 0) << accepted.err;
    std::ifstream written(out + "/fossil-scores.csv", std::ios::binary);
    std::stringstream w;
    w << written.rdbuf();
    EXPECT_NE(w.str().find("\"Taxa name inconsistency: \",\"["), std::string::npos);
}

// Result folder holding the files of an earlier run, each reading "old".
std::string FolderWithOldResults(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void PutOldResults(const std::string& dir)
{
    for (const char* file : {"loading.csv", "reference-scores.csv", "fossil-scores.csv"})
        std::ofstream(dir + "/" + file, std::ios::binary) << "old";
}

std::vector<std::string> ResultContents(const std::string& dir)
{
    std::vector<std::string> contents;
    for (const char* file : {"loading.csv", "reference-scores.csv", "fossil-scores.csv"})
        contents.push_back(ReadAll(dir + "/" + file));
    return contents;
}

TEST(BatchWriteTest, FullDiskReplacesNoResultFileAndSaysWhy)
{
    const std::string dir = FolderWithOldResults("batch_full");
    // Room for the small loading file but not for the reference scores.
    Mount small("mount -t tmpfs -o size=64k tmpfs " + dir, dir);
    if (!small.ok()) GTEST_SKIP() << small.why();
    PutOldResults(dir);

    const BatchResult r = Batch({"--reference", kExamples + "reference.csv", "--fossil",
                                 kExamples + "fossil.csv", "--out", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No file was replaced."), std::string::npos) << r.err;
    EXPECT_EQ(ResultContents(dir), (std::vector<std::string>{"old", "old", "old"}));
    EXPECT_EQ(r.out.find("Wrote"), std::string::npos);
}

TEST(BatchWriteTest, RenameFailingPartWayNamesTheNewAndTheOldFiles)
{
    const std::string dir = FolderWithOldResults("batch_partway");
    PutOldResults(dir);
    std::ofstream(dir + "/pinned", std::ios::binary) << "old";
    // A file bound over the fossil scores cannot be renamed onto.
    Mount pinned("mount --bind " + dir + "/pinned " + dir + "/fossil-scores.csv",
                 dir + "/fossil-scores.csv");
    if (!pinned.ok()) GTEST_SKIP() << pinned.why();

    const BatchResult r = Batch({"--reference", kExamples + "reference.csv", "--fossil",
                                 kExamples + "fossil.csv", "--out", dir});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> contents = ResultContents(dir);
    EXPECT_NE(contents[0], "old");
    EXPECT_NE(contents[1], "old");
    EXPECT_EQ(contents[2], "old");
    EXPECT_NE(r.err.find("Already replaced with the new results: " + dir + "/loading.csv, " + dir +
                         "/reference-scores.csv."),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Left as they were: " + dir + "/fossil-scores.csv, " + dir +
                         "/eof-sequence.csv, " + dir + "/run-record.csv."),
              std::string::npos)
        << r.err;
}

TEST(BatchWriteTest, ResultsThatAreNotFiniteAreRefused)
{
    BatchOptions options;
    options.referencePath = kExamples + "reference.csv";
    options.outDir = TempPath("batch_nonfinite");
    std::filesystem::remove_all(options.outDir);
    Workspace ws;
    std::ostringstream out, err;
    ASSERT_TRUE(BatchReferenceStage(ws, options, err));
    ASSERT_TRUE(BatchEofStage(ws, options, out));
    ws.refScores(3, 2) = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(BatchWriteStage(ws, options, "d (t)", out, err));
    EXPECT_NE(err.str().find("not finite"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(options.outDir + "/loading.csv"));
    EXPECT_FALSE(std::filesystem::exists(options.outDir + "/reference-scores.csv"));
}

TEST(BatchRunTest, MoreTaxaThanSitesWriteFiniteContributions)
{
    // Twenty sites by 300 taxa of random counts: the run used to end with status 0 and "nan"
    // for every contribution.
    std::uint64_t state = 99;
    std::string table;
    for (int t = 1; t <= 300; ++t) table += ",T" + std::to_string(t);
    table += "\n";
    for (int s = 1; s <= 20; ++s) {
        table += "Site" + std::to_string(s);
        for (int t = 1; t <= 300; ++t) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            table += "," + std::to_string(1 + (state >> 33) % 99);
        }
        table += "\n";
    }
    const std::string out = TempPath("batch_wide_out");
    std::filesystem::remove_all(out);
    const BatchResult r = Batch({"--reference", WriteTemp("batch_wide.csv", table), "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string loading = ReadAll(out + "/loading.csv");
    for (const char* bad : {"nan", "inf"}) {
        EXPECT_EQ(loading.find(bad), std::string::npos) << bad;
        EXPECT_EQ(ReadAll(out + "/reference-scores.csv").find(bad), std::string::npos) << bad;
    }
    // Record 7: "Contribution:", then one share per EOF; together they make 100.
    CellReader reader(loading);
    std::string cell;
    while (reader.ReadCell(cell) && cell != "Contribution:") {
    }
    double sum = 0;
    for (int k = 1; k <= 300 && reader.ReadCell(cell); ++k) {
        ASSERT_TRUE(IsNumber(cell)) << k << ": " << cell;
        sum += Val(cell);
        if (k >= 80) {
            EXPECT_EQ(cell, "0") << k;
        }
    }
    EXPECT_NEAR(sum, 100, 1e-3);
}

}  // namespace
}  // namespace tarvex
