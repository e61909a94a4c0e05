#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "data/NumberText.h"
#include "data/TableReader.h"
#include "mat/ClimateImport.h"
#include "support/Batch.h"
#include "support/Records.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

const std::string kReference = kExamples + "reference.csv";
const std::string kFossil = kExamples + "fossil.csv";
const std::string kClimate = kExamples + "climate.csv";

TEST(BatchReconstructionOptionsTest, DefaultsAreThoseOfTheWindow)
{
    BatchOptions o;
    std::string error;
    ASSERT_TRUE(ParseBatchOptions(
        {"--reference", "r.csv", "--fossil", "f.csv", "--climate", "c.csv", "--out", "d"}, o,
        error))
        << error;
    EXPECT_EQ(o.climatePath, "c.csv");
    EXPECT_EQ(o.analogue.basis, DistanceBasis::TaxaProportions);
    EXPECT_EQ(o.analogue.enhancement, MinorTaxaEnhancement::None);
    EXPECT_EQ(o.analogue.kmin, 0);
    EXPECT_EQ(o.analogue.kmax, 8);
    EXPECT_EQ(o.analogue.thresholdSlider, 20);
    EXPECT_EQ(o.analogue.weighting, Weighting::SquaredDistance);
    EXPECT_EQ(o.analogue.smoothing, 3);
    EXPECT_TRUE(o.axes.empty());
    EXPECT_FALSE(o.errorModel);
    EXPECT_FALSE(o.acceptSiteNames);

    BatchOptions c;
    ASSERT_TRUE(ParseBatchOptions({"--reference",
                                   "r.csv",
                                   "--climate",
                                   "c.csv",
                                   "--error-model",
                                   "--basis",
                                   "eof",
                                   "--axes",
                                   "3,1",
                                   "--analogue-enhance",
                                   "log",
                                   "--analogues",
                                   "2-5",
                                   "--threshold",
                                   "0.29",
                                   "--weighting",
                                   "distance",
                                   "--smoothing",
                                   "1",
                                   "--accept-site-names",
                                   "--out",
                                   "d"},
                                  c, error))
        << error;
    EXPECT_EQ(c.analogue.basis, DistanceBasis::EofValues);
    EXPECT_EQ(c.axes, (std::vector<int>{3, 1}));
    EXPECT_EQ(c.analogue.enhancement, MinorTaxaEnhancement::Log);
    EXPECT_EQ(c.analogue.kmin, 2);
    EXPECT_EQ(c.analogue.kmax, 5);
    EXPECT_EQ(c.analogue.thresholdSlider, 29) << "0.29 * 100 is a hair below 29";
    EXPECT_EQ(c.analogue.weighting, Weighting::Distance);
    EXPECT_EQ(c.analogue.smoothing, 1);
    EXPECT_TRUE(c.errorModel);
    EXPECT_TRUE(c.acceptSiteNames);

    for (const auto& [text, slider] :
         std::vector<std::pair<std::string, int>>{{"0", 0}, {"2", 200}, {"1.5", 150}, {".07", 7}}) {
        BatchOptions t;
        ASSERT_TRUE(ParseBatchOptions({"--reference", "r", "--climate", "c", "--error-model",
                                       "--threshold", text, "--out", "d"},
                                      t, error))
            << text;
        EXPECT_EQ(t.analogue.thresholdSlider, slider) << text;
    }
    for (const auto& [text, weighting] : std::vector<std::pair<std::string, Weighting>>{
             {"none", Weighting::None}, {"squared", Weighting::SquaredDistance}}) {
        BatchOptions w;
        ASSERT_TRUE(ParseBatchOptions({"--reference", "r", "--climate", "c", "--error-model",
                                       "--weighting", text, "--out", "d"},
                                      w, error));
        EXPECT_EQ(w.analogue.weighting, weighting);
    }
}

TEST(BatchReconstructionOptionsTest, BadSettingsExitWithTwoAndSayWhy)
{
    const std::vector<std::string> base{"--reference",   "r.csv", "--climate", "c.csv",
                                        "--error-model", "--out", "d"};
    struct Bad {
        std::vector<std::string> extra;
        std::string message;
    };
    const Bad bad[] = {
        {{"--threshold", "0.205"}, "--threshold takes a value from 0 to 2 in steps of 0.01"},
        {{"--threshold", "2.01"}, "--threshold takes a value from 0 to 2"},
        {{"--threshold", "-0.1"}, "--threshold takes a value from 0 to 2"},
        {{"--threshold", "0.2x"}, "--threshold takes a value from 0 to 2"},
        {{"--analogues", "5-2"}, "--analogues: the minimum 5 is above the maximum 2."},
        {{"--analogues", "0-0"}, "--analogues: the minimum runs from 0 to 20 and the maximum"},
        {{"--analogues", "0-21"}, "--analogues: the minimum runs from 0 to 20"},
        {{"--analogues", "21-21"}, "--analogues: the minimum runs from 0 to 20"},
        {{"--analogues", "3"}, "--analogues takes KMIN-KMAX such as 0-8, not '3'."},
        {{"--analogues", "-1-3"}, "--analogues takes KMIN-KMAX"},
        {{"--smoothing", "0"}, "--smoothing takes a whole number from 1 to 10, not '0'."},
        {{"--smoothing", "11"}, "--smoothing takes a whole number from 1 to 10"},
        {{"--smoothing", "2.5"}, "--smoothing takes a whole number from 1 to 10"},
        {{"--basis", "pca"}, "--basis takes taxa or eof, not 'pca'."},
        {{"--weighting", "cube"}, "--weighting takes none, squared or distance, not 'cube'."},
        {{"--analogue-enhance", "cube"}, "--analogue-enhance takes none, sqrt or log"},
        {{"--basis", "eof", "--axes", "1,1"}, "--axes names EOF 1 twice."},
        {{"--basis", "eof", "--axes", "0,1"}, "--axes takes EOF numbers from 1 up"},
        {{"--basis", "eof", "--axes", "1,,2"}, "--axes takes EOF numbers from 1 up"},
        {{"--axes", "1,2"}, "--axes chooses the EOFs of --basis eof"},
        {{"--enhance", "log", "--analogue-enhance", "sqrt"},
         "--analogue-enhance cannot be combined with --enhance"},
        {{"--threshold"}, "Option --threshold needs a value."},
    };
    for (const Bad& b : bad) {
        std::vector<std::string> args = base;
        args.insert(args.end(), b.extra.begin(), b.extra.end());
        const BatchResult r = Batch(args);
        EXPECT_EQ(r.status, 2) << b.message;
        EXPECT_EQ(r.err.rfind(b.message, 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(BatchReconstructionOptionsTest, ClimateNeedsSomethingToDo)
{
    struct Bad {
        std::vector<std::string> args;
        std::string message;
    };
    const Bad bad[] = {
        {{"--reference", "r", "--climate", "c", "--out", "d"},
         "--climate alone has nothing to do: add --fossil FILE"},
        {{"--fossil", "f", "--zonation", "--climate", "c", "--out", "d"},
         "--climate needs --reference FILE"},
        {{"--reference", "r", "--fossil", "f", "--threshold", "0.3", "--out", "d"},
         "--threshold needs --climate FILE."},
        {{"--reference", "r", "--error-model", "--out", "d"},
         "--error-model needs --climate FILE."},
        {{"--reference", "r", "--accept-site-names", "--out", "d"},
         "--accept-site-names needs --climate FILE."},
    };
    for (const Bad& b : bad) {
        const BatchResult r = Batch(b.args);
        EXPECT_EQ(r.status, 2) << b.message;
        EXPECT_EQ(r.err.rfind(b.message, 0), 0u) << r.err;
    }
    const std::string help = Batch({"--help"}).out;
    for (const char* text :
         {"--climate FILE", "--error-model", "--basis taxa|eof", "(default: taxa)",
          "--axes E1,E2,...", "(default: 1,2", "--analogue-enhance none|sqrt|log",
          "--analogues KMIN-KMAX", "(default: 0-8)", "--threshold T", "(default: 0.2)",
          "--weighting none|squared|distance", "(default: squared)", "--smoothing W",
          "(default: 3)", "--accept-site-names", "climate-curves.csv", "scatter-P.csv",
          "error-model-summary.csv"})
        EXPECT_NE(help.find(text), std::string::npos) << text;
    // The default distance is named for what it is: the sum of squared differences of the
    // proportions; only their square roots make it the squared chord distance.
    const std::size_t basis = help.find("--basis taxa|eof");
    const std::string distance = help.substr(basis, help.find("--axes") - basis);
    EXPECT_NE(distance.find("(squared Euclidean"), std::string::npos) << distance;
    EXPECT_NE(distance.find("squared chord distance with --analogue-enhance\n"
                            "                            sqrt)"),
              std::string::npos)
        << distance;
}

// The example climate table with its text changed by edit, in the build tree.
std::string EditedClimate(const std::string& name, void (*edit)(std::string&))
{
    std::string text = ReadAll(kClimate);
    edit(text);
    return WriteTemp(name, text);
}

std::string FreshFolder(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    return dir;
}

TEST(BatchReconstructionTest, ClimateTableThatDoesNotFitFailsWithoutAnyFile)
{
    struct Case {
        const char* name;
        void (*edit)(std::string&);
        std::string message;
    };
    const Case cases[] = {
        {"one row fewer", [](std::string& t) { t.erase(t.rfind('\n', t.size() - 2) + 1); },
         std::string("Climate data ") + "%s:\n" + kSiteNumberMessage + "\n" + kFormatErrorMessage +
             "\nThe climate table has 149 data rows; the reference table has 150 sites.\n"},
        {"blank cell",
         [](std::string& t) {
             const std::size_t row = t.find("\nS003,");
             const std::size_t cell = t.find(',', row) + 1;
             t.erase(cell, t.find(',', cell) - cell);
         },
         std::string("Climate data ") + "%s:\n" + kBlankCellMessage + "\n" + kFormatErrorMessage +
             "\nThe cell in data row 3, column 1 (\"Tcold\") is empty.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string climate = EditedClimate("batch_climate_bad.csv", c.edit);
        const std::string out = FreshFolder("batch_climate_bad");
        const BatchResult r = Batch(
            {"--reference", kReference, "--fossil", kFossil, "--climate", climate, "--out", out});
        EXPECT_EQ(r.status, 1);
        std::string expected = c.message;
        expected.replace(expected.find("%s"), 2, climate);
        EXPECT_EQ(r.err, expected);
        EXPECT_FALSE(std::filesystem::exists(out)) << "no file of the run is written";
    }
}

TEST(BatchReconstructionTest, DifferingSiteLabelsAreListedAndRefused)
{
    const std::string renamed = EditedClimate("batch_climate_renamed.csv", [](std::string& t) {
        t.replace(t.find("\nS002,") + 1, 4, "X002");
    });
    const std::string out = FreshFolder("batch_climate_renamed");
    const BatchResult refused =
        Batch({"--reference", kReference, "--climate", renamed, "--error-model", "--out", out});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Climate data " + renamed +
                               ":\nName inconsistent.  [X002] = [S002]?\nSite labels differ from "
                               "the reference sites; run with --accept-site-names to match the "
                               "rows by position anyway.\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    // Site numbers instead of the reference names: every site differs, the first ten are
    // listed.
    const std::string numbered = EditedClimate("batch_climate_numbered.csv", [](std::string& t) {
        int site = 0;
        for (std::size_t at = t.find('\n'); at + 1 < t.size(); at = t.find('\n', at + 1))
            t.replace(at + 1, t.find(',', at) - at - 1, std::to_string(++site));
    });
    const BatchResult many =
        Batch({"--reference", kReference, "--climate", numbered, "--error-model", "--out", out});
    EXPECT_EQ(many.status, 1);
    EXPECT_NE(many.err.find("Name inconsistent.  [1] = [S001]?\n"), std::string::npos) << many.err;
    EXPECT_NE(many.err.find("Name inconsistent.  [10] = [S010]?\n... and 140 more differing "
                            "site labels.\n"),
              std::string::npos)
        << many.err;
    EXPECT_EQ(many.err.find("[11] = [S011]"), std::string::npos);
}

TEST(BatchReconstructionTest, AxesBeyondTheAnalysisAreRefused)
{
    const std::string out = FreshFolder("batch_axes_beyond");
    const BatchResult r = Batch({"--reference", kReference, "--climate", kClimate, "--error-model",
                                 "--basis", "eof", "--axes", "1,26", "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "EOF 26 cannot be used for --basis eof: the analysis has 25 EOFs.\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

// The runs below compute reconstructions and need the analogue search and the error model.

TEST(BatchReconstructionTest, FullRunWritesCurvesScattersAndSummary)
{
    const std::string out = FreshFolder("batch_recon_full");
    const BatchResult r = Batch({"--reference", kReference, "--fossil", kFossil, "--climate",
                                 kClimate, "--error-model", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Climate data: 150 sites x 3 parameters"), std::string::npos) << r.out;

    // One record per fossil sample, labelled as in the EOF sequence file.
    const Records curves = ReadRecords(ReadAll(out + "/climate-curves.csv"));
    const Records sequence = ReadRecords(ReadAll(out + "/eof-sequence.csv"));
    ASSERT_EQ(curves.size(), 61u);
    EXPECT_EQ(curves[0], (std::vector<std::string>{"Depth", "Tcold", "Twarm", "Pann"}));
    for (std::size_t i = 1; i < curves.size(); ++i) {
        ASSERT_EQ(curves[i].size(), 4u) << i;
        EXPECT_EQ(curves[i][0], sequence[i][0]) << i;
        for (int p = 1; p <= 3; ++p)
            EXPECT_TRUE(curves[i][p].empty() || IsNumber(curves[i][p])) << curves[i][p];
    }

    // Each scatter file pairs every reference site's estimate with its modern value, the
    // climate table's value written as a number. The summary agrees with the pairs.
    const TableReadResult climate = ReadDataTableFile(kClimate);
    ASSERT_EQ(climate.status, TableStatus::Ok);
    const Records summary = ReadRecords(ReadAll(out + "/error-model-summary.csv"));
    ASSERT_EQ(summary.size(), 4u);
    const char* names[] = {"", "Tcold", "Twarm", "Pann"};
    for (int p = 1; p <= 3; ++p) {
        SCOPED_TRACE(names[p]);
        const Records scatter =
            ReadRecords(ReadAll(out + "/scatter-" + std::to_string(p) + ".csv"));
        ASSERT_EQ(scatter.size(), 151u);
        EXPECT_EQ(scatter[0], (std::vector<std::string>{std::string(names[p]) + "(Reconstructed)",
                                                        std::string(names[p]) + "(Estimated)"}));
        int sites = 0;
        double squares = 0;
        for (int s = 1; s <= 150; ++s) {
            ASSERT_EQ(scatter[s].size(), 2u);
            EXPECT_EQ(scatter[s][1], FormatNumber(climate.table.values(s, p))) << s;
            if (scatter[s][0].empty()) continue;
            ++sites;
            const double residual = Val(scatter[s][0]) - Val(scatter[s][1]);
            squares += residual * residual;
        }
        EXPECT_EQ(summary[p][0], names[p]);
        EXPECT_EQ(summary[p][1], std::to_string(sites));
        ASSERT_GT(sites, 0);
        EXPECT_NEAR(Val(summary[p][2]), std::sqrt(squares / sites), 1e-9 * Val(summary[p][2]));
    }
}

TEST(BatchReconstructionTest, ErrorModelAloneWritesNoCurves)
{
    const std::string out = FreshFolder("batch_recon_error_model");
    const BatchResult r =
        Batch({"--reference", kReference, "--climate", kClimate, "--error-model", "--basis", "eof",
               "--axes", "1,2,3", "--weighting", "none", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out + "/climate-curves.csv"));
    EXPECT_FALSE(std::filesystem::exists(out + "/fossil-scores.csv"));
    for (const char* name : {"/scatter-1.csv", "/scatter-2.csv", "/scatter-3.csv",
                             "/error-model-summary.csv", "/loading.csv"})
        EXPECT_TRUE(std::filesystem::exists(out + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(out + "/scatter-4.csv"));
}

TEST(BatchReconstructionTest, ThresholdZeroLeavesEveryValueMissing)
{
    // No distance is below 0; without a minimum number of analogues nothing is reconstructed,
    // and the error model never applies one.
    const std::string out = FreshFolder("batch_recon_none");
    const BatchResult r = Batch({"--reference", kReference, "--fossil", kFossil, "--climate",
                                 kClimate, "--error-model", "--threshold", "0", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Reconstruction: 60 samples, 60 without analogues"), std::string::npos)
        << r.out;
    const Records curves = ReadRecords(ReadAll(out + "/climate-curves.csv"));
    ASSERT_EQ(curves.size(), 61u);
    for (std::size_t i = 1; i < curves.size(); ++i)
        EXPECT_EQ(curves[i], (std::vector<std::string>{curves[i][0], "", "", ""}));
    const Records scatter = ReadRecords(ReadAll(out + "/scatter-2.csv"));
    for (std::size_t s = 1; s < scatter.size(); ++s) {
        EXPECT_EQ(scatter[s][0], "");
        EXPECT_TRUE(IsNumber(scatter[s][1]));
    }
    EXPECT_EQ(ReadRecords(ReadAll(out + "/error-model-summary.csv"))[1],
              (std::vector<std::string>{"Tcold", "0", "", "", "", ""}));

    // With a minimum of three analogues the fossil samples are reconstructed again, the
    // reference sites still not.
    const std::string kmin = FreshFolder("batch_recon_kmin");
    const BatchResult k =
        Batch({"--reference", kReference, "--fossil", kFossil, "--climate", kClimate,
               "--error-model", "--threshold", "0", "--analogues", "3-8", "--out", kmin});
    ASSERT_EQ(k.status, 0) << k.err;
    EXPECT_NE(k.out.find("Reconstruction: 60 samples, 0 without analogues"), std::string::npos)
        << k.out;
    EXPECT_EQ(ReadRecords(ReadAll(kmin + "/error-model-summary.csv"))[3][1], "0");
}

TEST(BatchReconstructionTest, AcceptedSiteLabelsRun)
{
    const std::string renamed = EditedClimate("batch_climate_renamed2.csv", [](std::string& t) {
        t.replace(t.find("\nS002,") + 1, 4, "X002");
    });
    const std::string out = FreshFolder("batch_climate_accepted");
    const BatchResult r = Batch({"--reference", kReference, "--climate", renamed, "--error-model",
                                 "--accept-site-names", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 accepted site-label differences"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(out + "/scatter-1.csv"));
}

}  // namespace
}  // namespace tarvex
