#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "batch/BatchRun.h"
#include "data/TableReader.h"
#include "support/Batch.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(BatchZonationTest, OptionsAndTheirDefaults)
{
    BatchOptions o;
    std::string error;
    ASSERT_TRUE(ParseBatchOptions({"--reference", "r.csv", "--out", "d"}, o, error));
    EXPECT_FALSE(o.zonation);
    EXPECT_EQ(o.zonationTransform, ZonationTransform::SquareRoot);

    BatchOptions z;
    ASSERT_TRUE(ParseBatchOptions(
        {"--fossil", "f.csv", "--zonation", "--zonation-transform", "none", "--out", "d"}, z,
        error))
        << error;
    EXPECT_TRUE(z.zonation);
    EXPECT_EQ(z.zonationTransform, ZonationTransform::None);
    EXPECT_TRUE(z.referencePath.empty());

    struct Bad {
        std::vector<std::string> args;
        std::string message;
    };
    const Bad bad[] = {
        {{"--reference", "r.csv", "--zonation", "--out", "d"}, "--zonation needs --fossil FILE."},
        {{"--fossil", "f.csv", "--out", "d"}, "--reference FILE is required"},
        {{"--fossil", "f.csv", "--zonation", "--zonation-transform", "log", "--out", "d"},
         "--zonation-transform takes sqrt or none, not 'log'."},
        {{"--fossil", "f.csv", "--zonation", "--out", "d", "--zonation-transform"},
         "Option --zonation-transform needs a value."},
    };
    for (const Bad& b : bad) {
        const BatchResult r = Batch(b.args);
        EXPECT_EQ(r.status, 2) << b.message;
        EXPECT_EQ(r.err.rfind(b.message, 0), 0u) << r.err;
    }

    const std::string help = Batch({"--help"}).out;
    for (const char* text : {"--zonation ", "--zonation-transform sqrt|none",
                             "square root (default)", "eof-sequence.csv", "zonation-iss.csv"})
        EXPECT_NE(help.find(text), std::string::npos) << text;
}

TEST(BatchZonationTest, FossilAloneWritesOnlyTheZonation)
{
    const std::string out = TempPath("batch_zonation_alone");
    std::filesystem::remove_all(out);
    const BatchResult r = Batch({"--fossil", kExamples + "fossil.csv", "--zonation", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out + "/loading.csv"));
    EXPECT_FALSE(std::filesystem::exists(out + "/eof-sequence.csv"));

    const std::vector<std::string> zonation = Lines(ReadAll(out + "/zonation.csv"));
    const std::vector<std::string> iss = Lines(ReadAll(out + "/zonation-iss.csv"));
    ASSERT_GE(zonation.size(), 3u);
    const int merges = static_cast<int>(zonation.size()) - 1;
    EXPECT_EQ(zonation[0], "\"Merge\",\"Cluster\",\"Size\",\"Level\"");
    EXPECT_EQ(zonation[1].rfind("1,", 0), 0u);
    EXPECT_EQ(static_cast<int>(iss.size()), merges + 2);
    EXPECT_EQ(iss[0], "\"Merge\",\"Upper\",\"Lower\",\"Increment\",\"Dispersion\"");
    EXPECT_EQ(iss[merges].rfind(std::to_string(merges) + ",1,", 0), 0u)
        << "the last merge joins the top zone with the rest";
    const std::string zones = iss.back().substr(iss.back().find(',') + 1);
    EXPECT_EQ(iss.back(), "\"Significant zones (broken stick)\"," + zones);
    EXPECT_NE(r.out.find("Zonation: " + std::to_string(merges) + " merges, " + zones +
                         " significant zone"),
              std::string::npos)
        << r.out;
}

TEST(BatchZonationTest, WithReferenceTheSameZonationAndTheEofSequence)
{
    const std::string alone = TempPath("batch_zonation_alone2");
    const std::string full = TempPath("batch_zonation_full");
    std::filesystem::remove_all(alone);
    std::filesystem::remove_all(full);
    ASSERT_EQ(Batch({"--fossil", kExamples + "fossil.csv", "--zonation", "--zonation-transform",
                     "none", "--out", alone})
                  .status,
              0);
    const BatchResult r =
        Batch({"--reference", kExamples + "reference.csv", "--fossil", kExamples + "fossil.csv",
               "--zonation", "--zonation-transform", "none", "--out", full});
    ASSERT_EQ(r.status, 0) << r.err;
    // The fossil table alone is read and converted as the import does.
    for (const char* name : {"/zonation.csv", "/zonation-iss.csv"})
        EXPECT_EQ(ReadAll(alone + name), ReadAll(full + name)) << name;

    const std::vector<std::string> eof = Lines(ReadAll(full + "/eof-sequence.csv"));
    const std::vector<std::string> zonation = Lines(ReadAll(full + "/zonation.csv"));
    ASSERT_EQ(eof.size(), zonation.size() + 1) << "header and one record per sample";
    EXPECT_EQ(eof[0].rfind("\"Depth\",\"EOF-1\",\"EOF-2\",", 0), 0u);
    EXPECT_NE(eof[0].find(",\"EOF - "), std::string::npos);
    EXPECT_EQ(eof[1][0], '"') << "labels are quoted";

    // Proportions square-rooted by default: a different clustering of the same sequence.
    const std::string rooted = TempPath("batch_zonation_rooted");
    ASSERT_EQ(Batch({"--fossil", kExamples + "fossil.csv", "--zonation", "--out", rooted}).status,
              0);
    EXPECT_NE(ReadAll(rooted + "/zonation-iss.csv"), ReadAll(full + "/zonation-iss.csv"));
    EXPECT_EQ(ReadAll(rooted + "/zonation.csv"), ReadAll(full + "/zonation.csv"));
}

TEST(BatchZonationTest, UnusableFossilTablesFailWithoutFiles)
{
    struct Case {
        const char* name;
        std::string table;
        std::vector<std::string> extra;
        std::string message;
    };
    const Case cases[] = {
        {"malformed", ",a,b,c\nA,1,x,3\nB,1,2,3\n", {}, kFormatErrorMessage},
        {"negative raw value under the square root",
         ",a,b\n1,0.5,-0.5\n2,0.2,0.8\n3,0.3,0.7\n",
         {"--no-percent"},
         "Sample 1, taxon 2: the value -0.5 has no square root"},
        // Refused as the fossil import refuses them, before the clustering could overflow.
        {"values too large to analyse",
         ",a,b\n1,1E+30,0\n2,0,1E+30\n3,1,1\n",
         {"--no-percent", "--zonation-transform", "none"},
         "Value too large: data row 1, column 1 (\"a\") holds 1E+30."},
        {"row total beyond double",
         ",a,b\n1,1.6E+308,1.6E+308\n2,0,1\n3,1,1\n",
         {},
         "Value too large: data row 1, column 1 (\"a\") holds 1.6E+308."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string table = WriteTemp("batch_zonation_bad.csv", c.table);
        const std::string out = TempPath("batch_zonation_bad");
        std::filesystem::remove_all(out);
        std::vector<std::string> args{"--fossil", table, "--zonation", "--out", out};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const BatchResult r = Batch(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out + "/zonation.csv"));
    }
}

}  // namespace
}  // namespace tarvex
