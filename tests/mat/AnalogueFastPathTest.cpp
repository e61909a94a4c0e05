// The fast runs of the analogue search against the plain order, bit for bit: distances
// summed in vector lanes across sites and mirrored across the diagonal, one-pass ranking,
// blocks shared among threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mat/Analogues.h"

namespace tarvex {
namespace {

struct Lcg {
    std::uint64_t state;
    double Next()  // [0, 1)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

// Pollen-like proportions: most taxa absent from most sites. Some sites repeat earlier ones
// exactly (distance 0, ties), some differ from an earlier one in a single last bit (distances
// far below what 32 bits hold), and samples copy sites now and then.
Workspace RandomWorkspace(int sites, int taxa, int samples, int params, std::uint64_t seed)
{
    Lcg rng{seed};
    auto row = [&](Matrix<double>& m, int r) {
        double total = 0;
        for (int t = 1; t <= taxa; ++t) {
            const double x = rng.Next();
            m(r, t) = x < 0.6 ? 0 : x * x * 100;
            total += m(r, t);
        }
        if (total == 0) m(r, 1 + r % taxa) = total = 1;
        m(r, 0) = total;
        for (int t = 1; t <= taxa; ++t) m(r, t) /= total;
    };
    Workspace ws;
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.refTaxonCount = static_cast<int16_t>(taxa);
    ws.refProportions.resize(sites, taxa);
    for (int s = 1; s <= sites; ++s) {
        const double pick = rng.Next();
        if (s > 2 && pick < 0.08) {
            const int from = 1 + static_cast<int>(rng.Next() * (s - 1));
            for (int t = 0; t <= taxa; ++t) ws.refProportions(s, t) = ws.refProportions(from, t);
            if (pick < 0.03) {
                const int t = 1 + static_cast<int>(rng.Next() * taxa);
                ws.refProportions(s, t) = std::nextafter(ws.refProportions(s, t), 1.0);
            }
        } else {
            row(ws.refProportions, s);
        }
    }
    ws.fossilSampleCount = static_cast<int16_t>(samples);
    ws.fossilTaxonCount = ws.refTaxonCount;
    ws.fossilProportions.resize(samples, taxa);
    for (int i = 1; i <= samples; ++i) {
        if (rng.Next() < 0.1) {
            const int from = 1 + static_cast<int>(rng.Next() * sites);
            for (int t = 0; t <= taxa; ++t) ws.fossilProportions(i, t) = ws.refProportions(from, t);
        } else {
            row(ws.fossilProportions, i);
        }
    }
    ws.fossilSampleEmpty.assign(samples + 1, false);
    // Scores of five EOFs, some repeated, and contributions that are not exact in 32 bits.
    const int eofs = 5;
    ws.refScores.resize(sites, eofs);
    ws.fossilScores.resize(samples, eofs);
    for (int s = 1; s <= sites; ++s)
        for (int e = 1; e <= eofs; ++e)
            ws.refScores(s, e) =
                s > 1 && rng.Next() < 0.05 ? ws.refScores(s - 1, e) : 4 * rng.Next() - 2;
    for (int i = 1; i <= samples; ++i)
        for (int e = 1; e <= eofs; ++e) ws.fossilScores(i, e) = 4 * rng.Next() - 2;
    ws.eofContribution = {0, 41.3f, 22.7f, 13.1f, 9.9f, 4.3f};
    ws.selectedAxes = {0, 2, 5, 1, 3};
    ws.selectedAxisCount = 3;
    ws.climateParamCount = static_cast<int16_t>(params);
    ws.climateValues.resize(sites, params);
    for (int s = 1; s <= sites; ++s)
        for (int p = 1; p <= params; ++p)
            ws.climateValues(s, p) = (p % 2 ? 30 : 3000) * (rng.Next() - 0.3);
    ws.climateLoaded = true;
    return ws;
}

// Rows whose bits differ, as "row r" texts (at most a few).
std::string DifferingRows(const Matrix<double>& a, const Matrix<double>& b)
{
    if (a.rows() != b.rows() || a.cols() != b.cols())
        return "shapes " + std::to_string(a.rows()) + "x" + std::to_string(a.cols()) + " and " +
               std::to_string(b.rows()) + "x" + std::to_string(b.cols());
    std::string out;
    int shown = 0;
    for (int r = 0; r <= a.rows() && shown < 5; ++r)
        if (std::memcmp(a.row(r), b.row(r), sizeof(double) * (a.cols() + 1)) != 0) {
            out += "row " + std::to_string(r) + " ";
            ++shown;
        }
    return out;
}

struct Setting {
    const char* name;
    DistanceBasis basis;
    MinorTaxaEnhancement enhancement;
    Weighting weighting;
    int kmin, kmax;
    int slider;
};

const Setting kSettings[] = {
    {"proportions", DistanceBasis::TaxaProportions, MinorTaxaEnhancement::None,
     Weighting::SquaredDistance, 0, 8, 20},
    {"square root", DistanceBasis::TaxaProportions, MinorTaxaEnhancement::SquareRoot,
     Weighting::Distance, 2, 10, 60},
    {"log", DistanceBasis::TaxaProportions, MinorTaxaEnhancement::Log, Weighting::None, 3, 20, 30},
    {"EOF values", DistanceBasis::EofValues, MinorTaxaEnhancement::None, Weighting::SquaredDistance,
     1, 5, 10},
    {"one analogue", DistanceBasis::TaxaProportions, MinorTaxaEnhancement::SquareRoot,
     Weighting::SquaredDistance, 0, 1, 200},
};

AnalogueSettings SettingsOf(const Setting& s)
{
    AnalogueSettings a;
    a.basis = s.basis;
    a.enhancement = s.enhancement;
    a.weighting = s.weighting;
    a.kmin = s.kmin;
    a.kmax = s.kmax;
    a.thresholdSlider = s.slider;
    return a;
}

void ExpectFastEqualsPlain(const Workspace& data)
{
    for (const Setting& setting : kSettings) {
        SCOPED_TRACE(setting.name);
        const AnalogueSettings s = SettingsOf(setting);
        const double threshold = DefineThreshold(s.thresholdSlider, s.enhancement);

        Workspace plain = data, fast = data;
        ReconstructClimateReference(plain, s, threshold);
        ReconstructClimate(fast, s, threshold);
        EXPECT_EQ(DifferingRows(plain.distanceMatrix, fast.distanceMatrix), "") << "fossil";
        EXPECT_EQ(DifferingRows(plain.reconValues, fast.reconValues), "") << "fossil";
        EXPECT_EQ(DifferingRows(plain.distanceMatrix, FossilDistances(data, s)), "");

        // The fast error model reuses the storage of the fossil distances.
        GenerateErrorModelReference(plain, s, threshold);
        GenerateErrorModel(fast, s, threshold);
        EXPECT_EQ(DifferingRows(plain.distanceMatrix, fast.distanceMatrix), "") << "sites";
        EXPECT_EQ(DifferingRows(plain.siteReconValues, fast.siteReconValues), "") << "sites";
        EXPECT_EQ(DifferingRows(plain.distanceMatrix, SiteDistances(data, s)), "");

        // Without the matrix: each pair once, ranked for its row and its column.
        Workspace lean = data;
        GenerateErrorModel(lean, s, threshold, {}, false);
        EXPECT_EQ(DifferingRows(plain.siteReconValues, lean.siteReconValues), "") << "lean";
        EXPECT_EQ(lean.distanceMatrix.rows(), -1);
    }
}

TEST(AnalogueFastPathTest, EqualsPlainOrderOnSmallSets)
{
    struct Size {
        int sites, taxa, samples;
    };
    // Around the panel (8 sites), the target group (4) and the block (128 sites).
    const Size sizes[] = {{1, 3, 1},   {2, 1, 2},   {7, 5, 3},      {9, 134, 5},
                          {17, 6, 13}, {127, 9, 4}, {129, 11, 130}, {257, 4, 1}};
    std::uint64_t seed = 1;
    for (const Size& z : sizes) {
        SCOPED_TRACE(std::to_string(z.sites) + " sites, " + std::to_string(z.taxa) + " taxa, " +
                     std::to_string(z.samples) + " samples");
        ExpectFastEqualsPlain(RandomWorkspace(z.sites, z.taxa, z.samples, 3, seed++));
    }
}

// Large enough to be shared among threads.
TEST(AnalogueFastPathTest, EqualsPlainOrderOnThreads)
{
    ExpectFastEqualsPlain(RandomWorkspace(700, 14, 350, 4, 77));
}

// A matrix reused from a run with more sites must not keep distances the run does not write.
TEST(AnalogueFastPathTest, ReusedStorageKeepsNothingOfTheRunBefore)
{
    Workspace data = RandomWorkspace(150, 8, 20, 2, 5);
    const AnalogueSettings s = SettingsOf(kSettings[1]);
    const double threshold = DefineThreshold(s.thresholdSlider, s.enhancement);
    Workspace fast = data;
    GenerateErrorModel(fast, s, threshold);
    // The climate table now holds fewer sites than the counts say: the missing ones take part
    // in nothing.
    data.climateValues.resizePreserve(140, 2);
    fast.climateValues = data.climateValues;
    Workspace plain = data;
    GenerateErrorModelReference(plain, s, threshold);
    GenerateErrorModel(fast, s, threshold);
    EXPECT_EQ(DifferingRows(plain.distanceMatrix, fast.distanceMatrix), "");
    EXPECT_EQ(DifferingRows(plain.siteReconValues, fast.siteReconValues), "");
    EXPECT_EQ(fast.distanceMatrix(145, 3), 0.0);
    EXPECT_EQ(fast.siteReconValues(145, 1), -9999);
    GenerateErrorModel(fast, s, threshold, {}, false);
    EXPECT_EQ(DifferingRows(plain.siteReconValues, fast.siteReconValues), "");
}

TEST(AnalogueFastPathTest, ErrorModelDistancesAreSymmetric)
{
    const Workspace data = RandomWorkspace(300, 20, 1, 1, 9);
    for (const Setting& setting : kSettings) {
        const Matrix<double> d = SiteDistances(data, SettingsOf(setting));
        for (int a = 1; a <= 300; ++a) {
            ASSERT_EQ(d(a, a), 0.0) << setting.name << " " << a;
            for (int b = 1; b < a; ++b)
                ASSERT_EQ(std::memcmp(&d(a, b), &d(b, a), sizeof(double)), 0)
                    << setting.name << " " << a << " " << b;
        }
    }
}

}  // namespace
}  // namespace tarvex
