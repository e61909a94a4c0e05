// The transfer functions through the batch program: options, the five tables as R reads them,
// the run record, site locations, and modern sets larger than the workspace.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "batch/BatchTransfer.h"
#include "data/NumberText.h"
#include "support/Batch.h"
#include "support/Records.h"
#include "support/TestFiles.h"
#include "tf/TfTestData.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

const std::string kReference = kExamples + "reference.csv";
const std::string kFossil = kExamples + "fossil.csv";
const std::string kClimate = kExamples + "climate.csv";

// A location table for the example sites: S001, S002, ... on a grid, with S003 placed on
// S002 when shared is set.
std::string Locations(const std::string& name, bool shared = false)
{
    std::string text = "Site,Latitude,Longitude\n";
    for (int s = 1; s <= 150; ++s) {
        char label[8];
        std::snprintf(label, sizeof label, "S%03d", s);
        const int at = shared && s == 3 ? 2 : s;
        text += std::string(label) + "," + FormatNumber(40 + (at % 15) * 0.5) + "," +
                FormatNumber(-100 + (at / 15) * 0.7) + "\n";
    }
    return WriteTemp(name, text);
}

std::vector<std::string> ArgsFor(const std::string& out, std::vector<std::string> extra)
{
    std::filesystem::remove_all(TempPath(out));
    std::vector<std::string> args{"--reference", kReference, "--climate",
                                  kClimate,      "--out",    TempPath(out)};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

Records FileRecords(const std::string& out, const std::string& name)
{
    return ReadRecords(ReadAll(TempPath(out) + "/" + name));
}

TEST(BatchTransfer, TheFiveTablesHaveTheirColumnsAndOneRowPerItem)
{
    const BatchResult r = Batch(
        ArgsFor("tf-tables", {"--fossil", kFossil, "--transfer", "wa,wapls", "--wapls-components",
                              "3", "--cv", "loo", "--bootstrap", "20", "--significance", "9"}));
    ASSERT_EQ(r.status, 0) << r.err;
    // Models: MAT, WA inverse, WA classical, WA-PLS 1..3; parameters Tcold, Twarm, Pann.
    const Records perf = FileRecords("tf-tables", "tf-performance.csv");
    ASSERT_EQ(perf[0],
              (std::vector<std::string>{"Parameter", "Method", "Components", "Validation", "RMSE",
                                        "R2", "Mean bias", "Max bias", "Suggested"}));
    EXPECT_EQ(perf.size(), 1u + 3 * 6 * 2);
    EXPECT_EQ(perf[1], (std::vector<std::string>{"Tcold", "MAT", "", "apparent", perf[1][4],
                                                 perf[1][5], perf[1][6], perf[1][7], "0"}));
    EXPECT_EQ(perf[2][3], "leave-one-out");
    int suggested = 0;
    for (const auto& row : perf) suggested += row[8] == "1";
    EXPECT_EQ(suggested, 3);
    // The analogue method's leave-one-out is the error model's.
    const BatchResult em = Batch(ArgsFor("tf-em", {"--error-model"}));
    ASSERT_EQ(em.status, 0) << em.err;
    const Records summary = FileRecords("tf-em", "error-model-summary.csv");
    EXPECT_EQ(perf[2][4], summary[1][2]);
    EXPECT_EQ(perf[2][5], summary[1][3]);

    const Records cv = FileRecords("tf-tables", "tf-cv-estimates.csv");
    ASSERT_EQ(cv[0], (std::vector<std::string>{"Parameter", "Method", "Components", "Site",
                                               "Observed", "Apparent", "Cross-validated"}));
    EXPECT_EQ(cv.size(), 1u + 3 * 6 * 150);
    EXPECT_EQ(cv[1][3], "S001");
    EXPECT_EQ(cv.back()[0], "Pann");
    EXPECT_EQ(cv.back()[2], "3");

    const Records coef = FileRecords("tf-tables", "tf-coefficients.csv");
    ASSERT_EQ(coef[0], (std::vector<std::string>{"Taxon", "Parameter", "Method", "Components",
                                                 "Optimum", "Tolerance", "Coefficient"}));
    EXPECT_EQ(coef.size(), 1u + 3 * 5 * 25);
    EXPECT_EQ(coef[1][2], "WA inverse");
    EXPECT_FALSE(coef[1][4].empty());
    EXPECT_TRUE(coef[1][6].empty());

    const Records rec = FileRecords("tf-tables", "tf-reconstruction.csv");
    ASSERT_EQ(rec[0],
              (std::vector<std::string>{"Sample", "Parameter", "Method", "Components", "Estimate",
                                        "Bootstrap estimate", "s1", "s2", "Error"}));
    EXPECT_EQ(rec.size(), 1u + 3 * 6 * 60);
    // Error is the root of s1^2 + s2^2 where the sample has an estimate.
    int checked = 0;
    for (std::size_t i = 1; i < rec.size(); ++i) {
        if (rec[i][6].empty()) continue;
        const double s1 = Val(rec[i][6]), s2 = Val(rec[i][7]);
        EXPECT_NEAR(Val(rec[i][8]), std::sqrt(s1 * s1 + s2 * s2), 1e-12 * Val(rec[i][8]));
        ++checked;
    }
    EXPECT_GT(checked, 1000);

    const Records sig = FileRecords("tf-tables", "significance.csv");
    ASSERT_EQ(sig[0], (std::vector<std::string>{"Parameter", "Method", "Components", "Explained",
                                                "First component", "p", "Random variables"}));
    EXPECT_EQ(sig.size(), 1u + 3 * 6);
    EXPECT_EQ(sig[1][6], "9");
    for (std::size_t i = 1; i < sig.size(); ++i) {
        const double p = Val(sig[i][5]);
        EXPECT_TRUE(p > 0 && p <= 1) << sig[i][5];
    }

    // WA-PLS components against the one before: one row per parameter and component.
    const Records comp = FileRecords("tf-tables", "tf-components.csv");
    ASSERT_EQ(comp[0], (std::vector<std::string>{"Parameter", "Method", "Components", "Validation",
                                                 "RMSE", "Change %", "p"}));
    ASSERT_EQ(comp.size(), 1u + 3 * 3);
    for (std::size_t i = 1; i < comp.size(); ++i) {
        const std::size_t c = (i - 1) % 3 + 1;
        EXPECT_EQ(comp[i][1], "WA-PLS");
        EXPECT_EQ(comp[i][2], std::to_string(c));
        EXPECT_EQ(comp[i][3], "leave-one-out");
        // The RMSE of the validated row of the performance table: twelve rows a parameter,
        // two a model, WA-PLS c the (3 + c)-th model.
        EXPECT_EQ(comp[i][4], perf[12 * ((i - 1) / 3) + 2 * (2 + c) + 2][4]) << i;
        if (c == 1) {
            EXPECT_EQ(comp[i][5], "");
            EXPECT_EQ(comp[i][6], "");
        } else {
            const double before = Val(comp[i - 1][4]), now = Val(comp[i][4]);
            EXPECT_NEAR(Val(comp[i][5]), 100 * (now - before) / before, 1e-9);
            const double p = Val(comp[i][6]);
            EXPECT_TRUE(p > 0 && p <= 1) << comp[i][6];
            // A whole number of randomisations in a thousand.
            EXPECT_NEAR(p * 1000, std::round(p * 1000), 1e-6) << comp[i][6];
        }
    }
    // Without a validation there is nothing to compare.
    const BatchResult apparent = Batch(ArgsFor("tf-apparent", {"--transfer", "wapls"}));
    ASSERT_EQ(apparent.status, 0) << apparent.err;
    EXPECT_FALSE(std::filesystem::exists(TempPath("tf-apparent") + "/tf-components.csv"));
}

TEST(BatchTransfer, TheRunRecordNamesEveryOptionAndTheLocationFile)
{
    const std::string locations = Locations("tf-locations.csv");
    const BatchResult r = Batch(
        ArgsFor("tf-record", {"--transfer", "wapls", "--cv", "hblock", "--locations", locations,
                              "--hblock-km", "60", "--seed", "18446744073709551615"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const Records rec = FileRecords("tf-record", "run-record.csv");
    auto value = [&](const std::string& option) {
        for (const auto& row : rec)
            if (row.size() >= 2 && row[0] == option) return row[1];
        return std::string("(missing)");
    };
    EXPECT_EQ(value("--transfer"), "wapls");
    EXPECT_EQ(value("--wa-tolerance"), "off");
    EXPECT_EQ(value("--wapls-components"), "5");
    EXPECT_EQ(value("--cv"), "hblock");
    EXPECT_EQ(value("--hblock-km"), "60");
    EXPECT_EQ(value("--bootstrap"), "0");
    EXPECT_EQ(value("--seed"), "18446744073709551615");
    EXPECT_EQ(value("--significance"), "0");
    bool input = false;
    for (const auto& row : rec)
        input = input || (row.size() == 4 && row[0] == "--locations" && row[1] == locations);
    EXPECT_TRUE(input);
    EXPECT_EQ(FileRecords("tf-record", "tf-performance.csv")[2][3], "h-block 60 km");
}

TEST(BatchTransfer, HBlockOfZeroKmLeavesOutSitesAtTheSamePlace)
{
    const BatchResult loo = Batch(ArgsFor("tf-loo", {"--transfer", "wa", "--cv", "loo"}));
    const BatchResult apart =
        Batch(ArgsFor("tf-h0", {"--transfer", "wa", "--cv", "hblock", "--locations",
                                Locations("tf-apart.csv"), "--hblock-km", "0"}));
    const BatchResult shared =
        Batch(ArgsFor("tf-h0s", {"--transfer", "wa", "--cv", "hblock", "--locations",
                                 Locations("tf-shared.csv", true), "--hblock-km", "0"}));
    ASSERT_EQ(loo.status + apart.status + shared.status, 0) << loo.err << apart.err << shared.err;
    const Records a = FileRecords("tf-loo", "tf-cv-estimates.csv");
    const Records b = FileRecords("tf-h0", "tf-cv-estimates.csv");
    const Records c = FileRecords("tf-h0s", "tf-cv-estimates.csv");
    ASSERT_EQ(a.size(), b.size());
    int differ = 0;
    for (std::size_t i = 1; i < a.size(); ++i) {
        EXPECT_EQ(a[i][6], b[i][6]) << i;
        if (a[i][6] != c[i][6]) {
            ++differ;
            EXPECT_TRUE(a[i][3] == "S002" || a[i][3] == "S003") << a[i][3];
        }
    }
    EXPECT_GT(differ, 0);
}

TEST(BatchTransfer, TheSameSeedGivesTheSameFilesAndAnotherSeedOthers)
{
    const std::vector<std::string> opts{"--fossil",    kFossil, "--transfer",     "wa,wapls",
                                        "--bootstrap", "30",    "--significance", "19"};
    auto with = [&](const std::string& out, const std::string& seed) {
        std::vector<std::string> o = opts;
        o.push_back("--seed");
        o.push_back(seed);
        const BatchResult r = Batch(ArgsFor(out, o));
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadAll(TempPath(out) + "/tf-reconstruction.csv") +
               ReadAll(TempPath(out) + "/significance.csv");
    };
    const std::string a = with("tf-seed-a", "7");
    EXPECT_EQ(a, with("tf-seed-b", "7"));
    EXPECT_NE(a, with("tf-seed-c", "8"));
}

// A run's settings (as the window made them) give options whose command line the batch reads
// back as the same settings.
TEST(BatchTransfer, SettingsGiveACommandLineThatRepeatsThem)
{
    std::vector<tf::Settings> runs(4);
    runs[0].wapls = true;
    runs[0].validation = tf::Validation::LeaveOneOut;
    runs[1].wa = runs[1].waTolerance = true;
    runs[1].validation = tf::Validation::Bootstrap;
    runs[1].resamples = 1000;
    runs[1].seed = 77;
    runs[2].wa = runs[2].wapls = true;
    runs[2].components = 8;
    runs[2].validation = tf::Validation::HBlock;
    runs[2].hblockKm = 150.5;
    runs[2].resamples = 40;
    runs[2].randomVariables = 19;
    runs[3].wa = true;
    for (const tf::Settings& s : runs) {
        std::vector<std::string> args = {"--reference", "r.csv", "--fossil", "f.csv",
                                         "--climate",   "c.csv", "--out",    "d"};
        for (const std::string& a : TransferCommandLine(OptionsOf(s, "l.csv"))) args.push_back(a);
        BatchOptions back;
        std::string error;
        ASSERT_TRUE(ParseBatchOptions(args, back, error)) << error;
        const tf::Settings again = SettingsOf(back.transfer);
        EXPECT_EQ(again.wa, s.wa);
        EXPECT_EQ(again.waTolerance, s.waTolerance);
        EXPECT_EQ(again.wapls, s.wapls);
        EXPECT_EQ(again.components, s.components);
        EXPECT_EQ(again.validation, s.validation);
        EXPECT_EQ(again.hblockKm, s.hblockKm);
        EXPECT_EQ(again.resamples, s.resamples);
        EXPECT_EQ(again.seed, s.seed);
        EXPECT_EQ(again.randomVariables, s.randomVariables);
        EXPECT_EQ(back.transfer.locationsPath,
                  s.validation == tf::Validation::HBlock ? "l.csv" : "");
    }
}

TEST(BatchTransfer, OptionsThatCannotWorkAreRefused)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--wa-tolerance"}, "--wa-tolerance needs --transfer wa,wapls (or wa or wapls)."},
        {{"--transfer", "wa,pls"}, "--transfer takes wa, wapls or wa,wapls, not 'wa,pls'."},
        {{"--transfer", "wa,wa"}, "--transfer takes wa, wapls or wa,wapls, not 'wa,wa'."},
        {{"--transfer", "wapls", "--wa-tolerance"}, "--wa-tolerance needs wa in --transfer."},
        {{"--transfer", "wa", "--wapls-components", "3"},
         "--wapls-components needs wapls in --transfer."},
        {{"--transfer", "wapls", "--wapls-components", "0"},
         "--wapls-components takes a whole number from 1 to 20, not '0'."},
        {{"--transfer", "wa", "--cv", "hblock"},
         "--cv hblock needs --locations FILE: the distances between the sites come from it."},
        {{"--transfer", "wa", "--cv", "kfold"},
         "--cv takes loo, hblock or bootstrap, not 'kfold'."},
        {{"--transfer", "wa", "--hblock-km", "50"}, "--hblock-km is the distance of --cv hblock."},
        {{"--transfer", "wa", "--cv", "bootstrap", "--bootstrap", "0"},
         "--cv bootstrap needs resamples: --bootstrap 0 leaves none."},
        {{"--transfer", "wa", "--bootstrap", "1"},
         "--bootstrap takes a whole number from 2 to 100000, not '1'."},
        {{"--transfer", "wa", "--bootstrap", "100"},
         "--bootstrap without --cv bootstrap gives the errors of fossil samples: it needs "
         "--fossil FILE."},
        {{"--transfer", "wa", "--significance", "99"},
         "--significance tests the reconstruction of a fossil sequence: it needs --fossil FILE."},
        {{"--transfer", "wa", "--seed", "-1"},
         "--seed takes a whole number from 0 to 18446744073709551615, not '-1'."},
        {{"--transfer", "wa", "--seed", "18446744073709551616"},
         "--seed takes a whole number from 0 to 18446744073709551615, not "
         "'18446744073709551616'."},
    };
    for (const auto& [extra, message] : cases) {
        const BatchResult r = Batch(ArgsFor("tf-bad", extra));
        EXPECT_EQ(r.status, 2) << extra[0];
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), message);
        EXPECT_FALSE(std::filesystem::exists(TempPath("tf-bad")));
    }
    const BatchResult noClimate =
        Batch({"--reference", kReference, "--transfer", "wa", "--out", TempPath("tf-bad")});
    EXPECT_EQ(noClimate.status, 2);
    EXPECT_EQ(noClimate.err.substr(0, noClimate.err.find('\n')),
              "--transfer needs --climate FILE: the transfer functions are fitted to its "
              "parameters.");
}

TEST(BatchTransfer, ALocationTableThatDoesNotFitStopsTheRun)
{
    std::string text = ReadAll(Locations("tf-loc-src.csv"));
    auto run = [&](const std::string& table) {
        return Batch(ArgsFor("tf-loc", {"--transfer", "wa", "--cv", "hblock", "--locations",
                                        WriteTemp("tf-loc.csv", table)}));
    };
    std::string renamed = text;
    renamed.replace(renamed.find("S010,"), 5, "X010,");
    BatchResult r = run(renamed);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Name inconsistent.\nThe location table has no row for the reference site "
                         "\"S010\"."),
              std::string::npos)
        << r.err;
    std::string far = text;
    far.replace(far.find("S020,"), far.find('\n', far.find("S020,")) - far.find("S020,"),
                "S020,91,10");
    r = run(far);
    EXPECT_NE(r.err.find("Coordinates out of range.\n1 site lies outside latitudes -90..90 or "
                         "longitudes -180..180: \"S020\" (91, 10)."),
              std::string::npos)
        << r.err;
    r = run(text.substr(0, text.rfind("S150")));
    EXPECT_NE(r.err.find("Site number inconsistent.\nThe location table has 149 data rows; the "
                         "reference table has 150 sites."),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(TempPath("tf-loc")));
}

// A modern set of 10,050 sites in 6 taxa, beyond the 9999 the workspace holds.
TEST(BatchTransfer, ModernSetsBeyondTheWorkspaceRunTheTransferFunctionsAlone)
{
    const int sites = 10050;
    std::string reference = ",A,B,C,D,E,F\n", climate = ",T\n";
    Lcg64 rng{5};
    for (int s = 1; s <= sites; ++s) {
        const double where = rng.Next();
        reference += "R" + std::to_string(s);
        for (int k = 0; k < 6; ++k) {
            const double d = (where - k / 5.0) * 3;
            reference +=
                "," + std::to_string(static_cast<int>(100 * std::exp(-d * d) * rng.Next()) +
                                     (k == s % 6));
        }
        reference += "\n";
        climate +=
            "R" + std::to_string(s) + "," + FormatNumber(std::round(where * 200) / 10) + "\n";
    }
    const std::string refPath = WriteTemp("tf-large-ref.csv", reference);
    const std::string climPath = WriteTemp("tf-large-clim.csv", climate);
    std::filesystem::remove_all(TempPath("tf-large"));
    const BatchResult r = Batch({"--reference", refPath, "--climate", climPath, "--transfer",
                                 "wa,wapls", "--out", TempPath("tf-large")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("10050 sites x 6 taxa, beyond the analysis windows"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(TempPath("tf-large") + "/loading.csv"));
    const Records cv = FileRecords("tf-large", "tf-cv-estimates.csv");
    EXPECT_EQ(cv.size(), 1u + 7 * sites);
    EXPECT_EQ(cv.back()[3], "R10050");
    EXPECT_TRUE(std::filesystem::exists(TempPath("tf-large") + "/run-record.csv"));

    const BatchResult refused = Batch({"--reference", refPath, "--climate", climPath, "--transfer",
                                       "wa", "--error-model", "--out", TempPath("tf-large-em")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--error-model cannot be used."), std::string::npos) << refused.err;
    // Without --transfer the limit of the tables stands as before.
    const BatchResult plain = Batch({"--reference", refPath, "--out", TempPath("tf-large-plain")});
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("Data row 10000 is beyond the limit of 9999 data rows."),
              std::string::npos);
}

}  // namespace
}  // namespace tarvex
