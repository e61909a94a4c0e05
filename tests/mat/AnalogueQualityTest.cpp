#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "data/FossilImport.h"
#include "data/NumberText.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "eof/Pretreatment.h"
#include "mat/AnalogueQuality.h"
#include "mat/ClimateImport.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

TEST(AnalogueQualityTest, PercentilesInterpolateBetweenOrderStatistics)
{
    struct Case {
        std::vector<double> values;
        double percent, expected;
    };
    const std::vector<Case> cases = {
        {{5, 1, 4, 2, 3}, 50, 3},    // the middle one, whatever the input order
        {{1, 2, 3, 4}, 2.5, 1.075},  // (n - 1) p = 0.075 of the way from 1 to 2
        {{1, 2, 3, 4}, 10, 1.3},    {{10, 20}, 5, 10.5}, {{7}, 2.5, 7},
        {{3, 1, 2}, 100, 3},        {{3, 1, 2}, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Percentile(c.values, c.percent), c.expected, 1e-12) << c.percent;
    EXPECT_TRUE(std::isnan(Percentile({}, 5)));
    // Sites without any other site at a non-zero distance do not enter the cut-offs.
    const std::array<double, 3> cut =
        QualityCutoffs({0, std::numeric_limits<double>::infinity(), 1, 2, 3, 4});
    EXPECT_NEAR(cut[0], 1.075, 1e-12);
    EXPECT_NEAR(cut[1], 1.15, 1e-12);
    EXPECT_NEAR(cut[2], 1.3, 1e-12);
}

struct Lcg {
    std::uint64_t state;
    double Next()
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

// Sparse proportions over more sites than one block of the search holds, with repeated sites
// (distance 0, which never counts) and five weighted EOFs.
Workspace Sites(int sites, int taxa)
{
    Lcg rng{42};
    Workspace ws;
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.refTaxonCount = static_cast<int16_t>(taxa);
    ws.refProportions.resize(sites, taxa);
    ws.refScores.resize(sites, 5);
    for (int s = 1; s <= sites; ++s) {
        if (s > 3 && rng.Next() < 0.05) {
            for (int t = 0; t <= taxa; ++t) ws.refProportions(s, t) = ws.refProportions(s - 3, t);
            for (int e = 0; e <= 5; ++e) ws.refScores(s, e) = ws.refScores(s - 3, e);
            continue;
        }
        double total = 0;
        for (int t = 1; t <= taxa; ++t) {
            const double x = rng.Next();
            ws.refProportions(s, t) = x < 0.6 ? 0 : x * x;
            total += ws.refProportions(s, t);
        }
        if (total == 0) ws.refProportions(s, 1) = total = 1;
        for (int t = 1; t <= taxa; ++t) ws.refProportions(s, t) /= total;
        for (int e = 1; e <= 5; ++e) ws.refScores(s, e) = 4 * rng.Next() - 2;
    }
    ws.eofContribution = {0, 41.3f, 22.7f, 13.1f, 9.9f, 4.3f};
    ws.selectedAxes = {0, 2, 5, 1};
    ws.selectedAxisCount = 3;
    ws.climateParamCount = 1;
    ws.climateValues.resize(sites, 1);
    ws.climateLoaded = true;
    return ws;
}

TEST(AnalogueQualityTest, ModernClosestDistancesAreTheMinimaOfTheSiteMatrix)
{
    Workspace ws = Sites(300, 17);
    for (const auto& [basis, enhancement] :
         {std::pair{DistanceBasis::TaxaProportions, MinorTaxaEnhancement::None},
          std::pair{DistanceBasis::TaxaProportions, MinorTaxaEnhancement::SquareRoot},
          std::pair{DistanceBasis::EofValues, MinorTaxaEnhancement::None}}) {
        AnalogueSettings settings;
        settings.basis = basis;
        settings.enhancement = enhancement;
        const Matrix<double> d = SiteDistances(ws, settings);
        const std::vector<double> closest = ModernClosestDistances(ws, settings);
        ASSERT_EQ(closest.size(), 301u);
        int repeated = 0;
        for (int s = 1; s <= 300; ++s) {
            double best = std::numeric_limits<double>::infinity();
            for (int o = 1; o <= 300; ++o) {
                if (o == s) continue;
                if (static_cast<float>(d(s, o)) == 0) {
                    ++repeated;
                    continue;
                }
                best = std::min(best, d(s, o));
            }
            ASSERT_EQ(closest[s], best) << "site " << s;
        }
        EXPECT_GT(repeated, 0);  // the zero distances were there to be left out
    }
}

TEST(AnalogueQualityTest, CacheComputesOnlyWhenTheDistanceChanges)
{
    Workspace ws = Sites(40, 6);
    ModernClosestCache cache;
    AnalogueSettings settings;
    const std::vector<double> first = cache.Get(ws, settings);
    settings.kmax = 3;
    settings.thresholdSlider = 90;
    settings.weighting = Weighting::None;
    EXPECT_EQ(cache.Get(ws, settings), first);
    EXPECT_EQ(cache.computations(), 1);
    settings.enhancement = MinorTaxaEnhancement::Log;
    cache.Get(ws, settings);
    EXPECT_EQ(cache.computations(), 2);
    ws.refProportions(7, 2) += 0.25;  // new reference values (another pre-treatment)
    cache.Get(ws, settings);
    EXPECT_EQ(cache.computations(), 3);
}

TEST(AnalogueQualityTest, ClosestSiteSkipsZeroDistanceAndPrefersTheLowerSite)
{
    Workspace ws;
    ws.fossilSampleCount = 3;
    ws.refSiteCount = 3;
    ws.fossilSampleLabels = {"", "0", "10", "x,y"};
    ws.refSiteLabels = {"", "A", "B", "C"};
    ws.distanceMatrix.resize(3, 3);
    const double rows[3][3] = {{0, 0.5, 0.25}, {0.125, 0.125, 1}, {0, 0, 0}};
    for (int i = 1; i <= 3; ++i)
        for (int s = 1; s <= 3; ++s) ws.distanceMatrix(i, s) = rows[i - 1][s - 1];
    AssessAnalogueQuality(ws, {0, 0.2, 0.3, 0.4, 0.5});
    EXPECT_EQ(ws.closestSite, (std::vector<int>{0, 3, 1, 0}));
    EXPECT_EQ(ws.closestDistance, (std::vector<double>{-9999, 0.25, 0.125, -9999}));
    EXPECT_TRUE(BeyondCutoff(ws, 1, 1));
    EXPECT_FALSE(BeyondCutoff(ws, 2, 1));
    EXPECT_FALSE(BeyondCutoff(ws, 3, 0));  // no site at all: nothing to say

    const std::string text = AnalogueQualityFileText(ws);
    EXPECT_EQ(text,
              "\"Sample\",\"Closest distance\",\"Closest site\"\r\n"
              "\"0\",0.25,\"C\"\r\n"
              "\"10\",0.125,\"A\"\r\n"
              "\"x,y\",,\r\n"
              "\"Cut-off 2.5 %\",0.2075\r\n"
              "\"Cut-off 5 %\",0.215\r\n"
              "\"Cut-off 10 %\",0.23\r\n");
    // Every field comes back through the program's cell reader as written.
    CellReader reader(text);
    std::vector<std::string> cells;
    std::string cell;
    while (reader.ReadCell(cell)) cells.push_back(cell);
    EXPECT_EQ(cells,
              (std::vector<std::string>{"Sample", "Closest distance", "Closest site", "0", "0.25",
                                        "C", "10", "0.125", "A", "x,y", "", "", "Cut-off 2.5 %",
                                        "0.2075", "Cut-off 5 %", "0.215", "Cut-off 10 %", "0.23"}));
}

// The foraminifera core against its training set, as a user runs it: percentages converted,
// taxa distance without enhancement.
TEST(AnalogueQualityTest, CoreV12122AgainstTheTrainingSet)
{
    const std::string dir = testing::SharedData("imbrie-kipp/");
    REQUIRE_SHARED_DATA(dir + "modern.csv", dir + "v12-122.csv");
    Workspace ws;
    ASSERT_TRUE(ImportReferenceTable(ws, dir + "modern.csv").ok);
    PretreatmentChoice choice;
    PretreatReference(ws, choice);
    ws.eofVectors.resize(ws.refTaxonCount + 1, ws.refTaxonCount);
    ws.basisMeans.resize(2, ws.refTaxonCount);
    ws.basisSDs.resize(2, ws.refTaxonCount);
    ws.taxonCount = ws.refTaxonCount;
    ASSERT_TRUE(ImportFossilTable(ws, dir + "v12-122.csv", choice, {}).ok);
    ASSERT_TRUE(ImportClimateTable(ws, dir + "sst.csv", {}).ok);
    // Figures of an independent computation (squared differences of proportions, and of
    // their square roots, i.e. the squared chord distance).
    struct Expected {
        MinorTaxaEnhancement enhancement;
        double cutoffs[3];
        double top;
    };
    for (const Expected& e :
         {Expected{MinorTaxaEnhancement::None,
                   {0.00024864923050660565, 0.0003790599999999998, 0.0020573011913880912},
                   2.1598567901570594e-08},
          Expected{MinorTaxaEnhancement::SquareRoot,
                   {0.009561377099388056, 0.014180249435020085, 0.027563698617197586},
                   1.0568624318140099e-06}}) {
        AnalogueSettings settings;
        settings.enhancement = e.enhancement;
        ReconstructClimate(ws, settings,
                           DefineThreshold(settings.thresholdSlider, settings.enhancement));
        AssessAnalogueQuality(ws, ModernClosestDistances(ws, settings));
        ASSERT_EQ(ws.fossilSampleCount, 110);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(ws.analogueCutoffs[k], e.cutoffs[k], 1e-15 + e.cutoffs[k] * 1e-12);
        // The depth-0 sample is the top of the same core as modern site V12.122; every other
        // sample of the glacial core lies beyond even the 10 % cut-off.
        EXPECT_EQ(ws.refSiteLabels[ws.closestSite[1]], "V12.122");
        EXPECT_NEAR(ws.closestDistance[1], e.top, e.top * 1e-9);
        for (int k = 0; k < 3; ++k) {
            int beyond = 0;
            for (int i = 1; i <= 110; ++i) beyond += BeyondCutoff(ws, i, k);
            EXPECT_EQ(beyond, 109) << "cut-off " << k;
        }
    }
}

}  // namespace
}  // namespace tarvex
