// What the import checks, the matching by name and the analogue quality add to a batch run,
// and that a run without their options writes the files it wrote before they existed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "data/FossilImport.h"
#include "support/Batch.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// The text of a result file without what changes from run to run or place to place: the
// date-time record and the folder of the example tables.
std::uint64_t Fingerprint(std::string text)
{
    for (std::size_t at; (at = text.find(kExamples)) != std::string::npos;)
        text.erase(at, kExamples.size());
    text =
        std::regex_replace(text, std::regex("\"Date/Time: \",\"[^\"]*\""), "\"Date/Time: \",\"\"");
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::vector<std::string> FullRun(const std::string& out)
{
    return {"--reference",   kExamples + "reference.csv",
            "--fossil",      kExamples + "fossil.csv",
            "--climate",     kExamples + "climate.csv",
            "--error-model", "--calibrate",
            "--out",         out};
}

TEST(BatchChecksTest, FilesOfARunWithoutTheNewOptionsAreThoseWrittenBefore)
{
    // Fingerprints of the files the program wrote for this run before the checks, the
    // matching by name and the analogue quality were added.
    const std::map<std::string, std::uint64_t> before = {
        {"calibration.csv", 0x16ce007eb140c69cull},
        {"climate-curves.csv", 0x71931cbe8de8d677ull},
        {"eof-sequence.csv", 0xd47bd5d66c6e021eull},
        {"error-model-summary.csv", 0x73bd69b8aeac6587ull},
        {"fossil-scores.csv", 0x40ba758c34885c7full},
        {"loading.csv", 0xd759f254e6dc28c9ull},
        {"meridan-matrix.csv", 0xd5c63145afe9246dull},
        {"reference-scores.csv", 0x11518531c0aad7d0ull},
        {"scatter-1.csv", 0x5cde92d53f07d893ull},
        {"scatter-2.csv", 0x46750adeef078bf7ull},
        {"scatter-3.csv", 0xbc525b77307e8ca3ull},
        {"strativ-matrix.csv", 0x0760cf34a1dd1d92ull},
    };
    const std::string out = TempPath("batch_checks_default");
    std::filesystem::remove_all(out);
    const BatchResult r = Batch(FullRun(out));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& [name, fingerprint] : before)
        EXPECT_EQ(Fingerprint(ReadAll(out + "/" + name)), fingerprint) << name;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(before.count(name) || name == "analogue-quality.csv" ||
                    name == "run-record.csv" || name == "reconstruction.csv")
            << name;
        ++files;
    }
    EXPECT_EQ(files, before.size() + 3);
    // The example tables are clean, so nothing more is said.
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(BatchChecksTest, StrictTurnsFindingsIntoAFailureWithNothingWritten)
{
    const std::string ref =
        WriteTemp("batch_strict_ref.csv", ",a,b,c\nA,10,20,70\nB,5,5,90\nC,x,50,50\nD,1,2,3\n");
    const std::string out = TempPath("batch_strict_out");
    std::filesystem::remove_all(out);
    const BatchResult lenient = Batch({"--reference", ref, "--out", out});
    EXPECT_EQ(lenient.status, 0);
    EXPECT_NE(lenient.err.find("1 value cell is not a number and read as 0 (or as the number it "
                               "starts with): site C, a"),
              std::string::npos)
        << lenient.err;
    std::filesystem::remove_all(out);
    const BatchResult strict = Batch({"--reference", ref, "--strict", "--out", out});
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("site C, a"), std::string::npos);
    EXPECT_NE(strict.err.find("--strict"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
    // A clean table passes --strict.
    EXPECT_EQ(Batch({"--reference", kExamples + "reference.csv", "--strict", "--out", out}).status,
              0);
}

TEST(BatchChecksTest, MatchTaxaByNameReordersTheFossilColumns)
{
    // The example sequence with its first two taxa swapped.
    std::string text = ReadAll(kExamples + "fossil.csv");
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    std::string swapped;
    for (const std::string& line : lines) {
        std::vector<std::string> cells;
        std::size_t at = 0;
        for (std::size_t comma; (comma = line.find(',', at)) != std::string::npos; at = comma + 1)
            cells.push_back(line.substr(at, comma - at));
        cells.push_back(line.substr(at));
        std::swap(cells[1], cells[2]);
        for (std::size_t k = 0; k < cells.size(); ++k) swapped += (k ? "," : "") + cells[k];
        swapped += "\n";
    }
    const std::string fossil = WriteTemp("batch_swapped_fossil.csv", swapped);
    const std::string plain = TempPath("batch_byname_plain"), byName = TempPath("batch_byname");
    std::filesystem::remove_all(byName);
    const BatchResult refused =
        Batch({"--reference", kExamples + "reference.csv", "--fossil", fossil, "--out", byName});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--match-taxa-by-name"), std::string::npos) << refused.err;

    ASSERT_EQ(Batch({"--reference", kExamples + "reference.csv", "--fossil",
                     kExamples + "fossil.csv", "--out", plain})
                  .status,
              0);
    const BatchResult matched = Batch({"--reference", kExamples + "reference.csv", "--fossil",
                                       fossil, "--match-taxa-by-name", "--out", byName});
    ASSERT_EQ(matched.status, 0) << matched.err;
    EXPECT_NE(matched.out.find("taxa matched by name"), std::string::npos);
    // Reordered, the sequence has the scores of the original.
    EXPECT_EQ(ReadAll(byName + "/eof-sequence.csv"), ReadAll(plain + "/eof-sequence.csv"));
    const BatchResult help = Batch({"--help"});
    for (const char* option : {"--strict", "--match-taxa-by-name"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

TEST(BatchChecksTest, AnalogueQualityFileOnlyWithAFossilReconstruction)
{
    const std::string out = TempPath("batch_quality");
    std::filesystem::remove_all(out);
    const BatchResult r =
        Batch({"--reference", kExamples + "reference.csv", "--fossil", kExamples + "fossil.csv",
               "--climate", kExamples + "climate.csv", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Analogue quality: "), std::string::npos);
    const std::string text = ReadAll(out + "/analogue-quality.csv");
    EXPECT_EQ(text.rfind("\"Sample\",\"Closest distance\",\"Closest site\"\r\n", 0), 0u);
    std::size_t records = 0;
    for (char c : text) records += c == '\n';
    EXPECT_EQ(records, 1u + 60u + 3u);
    EXPECT_NE(text.find("\"Cut-off 5 %\","), std::string::npos);

    const std::string none = TempPath("batch_quality_none");
    std::filesystem::remove_all(none);
    ASSERT_EQ(Batch({"--reference", kExamples + "reference.csv", "--climate",
                     kExamples + "climate.csv", "--error-model", "--out", none})
                  .status,
              0);
    EXPECT_FALSE(std::filesystem::exists(none + "/analogue-quality.csv"));
}

}  // namespace
}  // namespace tarvex
