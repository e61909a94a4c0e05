// The smaller pieces of the transfer functions: random streams, figures of merit, distances
// on the sphere, the significance test's shares, the suggestion of components.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "tf/Analogue.h"
#include "tf/Figures.h"
#include "tf/Geo.h"
#include "tf/Random.h"
#include "tf/Significance.h"
#include "tf/TfTestData.h"
#include "tf/TransferRun.h"

namespace tarvex::tf {
namespace {

TEST(Random, TheEngineIsTheStandardsAndUniformsComeFromItsTopBits)
{
    // The standard fixes the 10000th output of a default-constructed std::mt19937_64.
    std::mt19937_64 standard;
    standard.discard(9999);
    EXPECT_EQ(standard(), 9981545732273789042ULL);

    Random a(42);
    std::mt19937_64 engine(42);
    const std::uint64_t first = engine();
    EXPECT_EQ(a.Uniform(), static_cast<double>(first >> 11) / 9007199254740992.0);
}

TEST(Random, StreamsRepeatAndDiffer)
{
    auto draws = [](std::uint64_t seed, Random::Stream stream, std::uint64_t number) {
        Random r(seed, stream, number);
        std::vector<std::uint64_t> v;
        for (int i = 0; i < 8; ++i) v.push_back(r.Below(1000));
        return v;
    };
    EXPECT_EQ(draws(1, Random::Stream::Bootstrap, 3), draws(1, Random::Stream::Bootstrap, 3));
    EXPECT_NE(draws(1, Random::Stream::Bootstrap, 3), draws(2, Random::Stream::Bootstrap, 3));
    EXPECT_NE(draws(1, Random::Stream::Bootstrap, 3), draws(1, Random::Stream::Bootstrap, 4));
    EXPECT_NE(draws(1, Random::Stream::Bootstrap, 3), draws(1, Random::Stream::RandomVariable, 3));
}

TEST(Random, BelowCoversItsRangeOnly)
{
    Random r(7);
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t v = r.Below(5);
        ASSERT_LT(v, 5u);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(r.Below(1), 0u);
    // A range just above half of 2^64 rejects almost half of the outputs and still ends.
    const std::uint64_t big = (std::uint64_t(1) << 63) + 1;
    for (int i = 0; i < 100; ++i) ASSERT_LT(r.Below(big), big);
}

TEST(Figures, WorkedExample)
{
    // Observed 0..10; residuals +1 at 0 and 1, -2 at 10, 0 elsewhere; one site without an
    // estimate. RMSE = sqrt(6 / 11), mean bias 0, maximum bias -2 (the top bin alone).
    std::vector<double> e{0}, o{0};
    for (int i = 0; i <= 10; ++i) {
        o.push_back(i);
        e.push_back(i + (i <= 1 ? 1 : 0) - (i == 10 ? 2 : 0));
    }
    o.push_back(50);
    e.push_back(kNoEstimate);
    const Figures f = ComputeFigures(e, o);
    EXPECT_EQ(f.count, 11);
    EXPECT_DOUBLE_EQ(f.rmse, std::sqrt(6.0 / 11));
    EXPECT_NEAR(f.meanBias, 0, 1e-15);
    EXPECT_DOUBLE_EQ(f.maxBias, -2);
    // Observed 0 and 1 share the lowest bin (mean residual 1): the top bin wins.
    EXPECT_GT(f.r2, 0.9);
}

TEST(Figures, AValueOnAnInnerEdgeBelongsToTheLowerBin)
{
    // Range 0..10: edges at 1, 2, ..., 9. Observed 1 lies on the first inner edge and joins
    // the lowest bin (0, 1], with observed 0; observed 1.5 is alone in (1, 2].
    EXPECT_EQ(BiasBin(1, 0, 10), 0);
    EXPECT_EQ(BiasBin(0, 0, 10), 0);
    EXPECT_EQ(BiasBin(1.5, 0, 10), 1);
    EXPECT_EQ(BiasBin(10, 0, 10), 9);
    EXPECT_EQ(BiasBin(9, 0, 10), 8);
    // Edges that are not exact binary fractions: 0.3 = 0 + 3 * (1 / 10) as computed.
    const double edge = 0 + 3 * ((1.0 - 0) / 10);
    EXPECT_EQ(BiasBin(edge, 0, 1), 2);
    EXPECT_EQ(BiasBin(std::nextafter(edge, 1.0), 0, 1), 3);

    std::vector<double> o{0, 0, 1, 1.5, 10}, e{0, 0, 1 + 4, 1.5 + 3, 10};
    // Bins: (0 and 1) mean 2, (1.5) 3, (10) 0: the maximum bias is 3.
    EXPECT_DOUBLE_EQ(ComputeFigures(e, o).maxBias, 3);
}

TEST(Figures, UndefinedFiguresAreNaN)
{
    const Figures none = ComputeFigures({0, kNoEstimate}, {0, 1});
    EXPECT_EQ(none.count, 0);
    EXPECT_TRUE(std::isnan(none.rmse));
    // Equal observed values: R2 undefined, one bin.
    const Figures flat = ComputeFigures({0, 1, 3}, {0, 2, 2});
    EXPECT_TRUE(std::isnan(flat.r2));
    EXPECT_DOUBLE_EQ(flat.maxBias, flat.meanBias);
}

TEST(Geo, HaversineDistances)
{
    // One degree along a meridian: 6371 pi / 180 km.
    EXPECT_NEAR(HaversineKm(0, 0, 1, 0), 111.19492664455873, 1e-9);
    EXPECT_NEAR(HaversineKm(45, 10, 45, 10), 0, 0);
    // Antipodes: half the circumference.
    EXPECT_NEAR(HaversineKm(0, 0, 0, 180), 6371 * 3.1415926535898, 1e-6);
    // Across the date line as near as on either side.
    EXPECT_NEAR(HaversineKm(60, 179.5, 60, -179.5), HaversineKm(60, 0, 60, 1), 1e-9);
}

TEST(Geo, NearbySitesAreThoseABruteForceSearchFinds)
{
    const testing::ModernSet set = testing::MakeModernSet(300, 5, 1, 17);
    NearbySites nearby(set.latitude, set.longitude);
    std::vector<int> got;
    for (double km : {0.0, 50.0, 400.0}) {
        for (int s = 1; s <= set.sites; ++s) {
            nearby.Within(s, km, got);
            std::vector<int> expected;
            for (int t = 1; t <= set.sites; ++t)
                if (t == s || HaversineKm(set.latitude[s], set.longitude[s], set.latitude[t],
                                          set.longitude[t]) <= km)
                    expected.push_back(t);
            ASSERT_EQ(got, expected) << "site " << s << " at " << km << " km";
        }
    }
    // Sites 7 and 8 share their coordinates: 0 km takes both.
    nearby.Within(7, 0, got);
    EXPECT_EQ(got, (std::vector<int>{7, 8}));
}

TEST(Significance, ExplainedShareOfAWorkedTable)
{
    // Two taxa over three samples, centred: taxon 1 (-0.2, 0, 0.2), taxon 2 (0.2, 0, -0.2) and
    // a third taxon that does not follow z: (0.1, -0.2, 0.1). z = (1, 2, 3).
    Matrix<double> f(3, 3);
    const double v[3][3] = {{0.3, 0.6, 0.2}, {0.5, 0.4, -0.1}, {0.7, 0.2, 0.2}};
    for (int s = 1; s <= 3; ++s)
        for (int k = 1; k <= 3; ++k) f(s, k) = v[s - 1][k - 1];
    FossilVariance table(f, 3, {1, 2, 3});
    // Total squares 0.08 + 0.08 + 0.06 = 0.22; explained: 0.08 + 0.08 + 0 over 0.22.
    EXPECT_NEAR(table.Explained({1, 2, 3}), 0.16 / 0.22, 1e-14);
    EXPECT_TRUE(std::isnan(table.Explained({2, 2, 2})));
    // Cross-products of the centred table: eigenvalues 0.16, 0.06 and 0.
    EXPECT_NEAR(table.FirstComponent(), 0.16 / 0.22, 1e-12);
}

TEST(Significance, EigenvaluesOfAKnownMatrix)
{
    std::vector<double> values = SymmetricEigenvalues({2, 1, 0, 1, 2, 0, 0, 0, 5}, 3);
    std::sort(values.begin(), values.end());
    EXPECT_NEAR(values[0], 1, 1e-13);
    EXPECT_NEAR(values[1], 3, 1e-13);
    EXPECT_NEAR(values[2], 5, 1e-13);
}

TEST(Significance, PValueCountsTheObservedValueAmongTheRandomOnes)
{
    EXPECT_DOUBLE_EQ(RandomisationP(0.5, {0.1, 0.2, 0.6, 0.5}), 3.0 / 5);
    EXPECT_DOUBLE_EQ(RandomisationP(0.9, {0.1, 0.2}), 1.0 / 3);
    EXPECT_DOUBLE_EQ(RandomisationP(0.9, {0.1, kNoEstimate}), 1.0 / 2);
    EXPECT_TRUE(std::isnan(RandomisationP(kNoEstimate, {0.1})));
}

TEST(Suggestion, TheSmallestModelAfterWhichNoComponentGainsFivePercent)
{
    const double nan = kNoEstimate;
    EXPECT_EQ(SuggestComponents({nan, 2.0, 1.5, 1.45, 1.0}), 2);  // 1.45 is only 3.3 % less
    EXPECT_EQ(SuggestComponents({nan, 2.0, 1.9, 1.8}), 3);        // exactly 5 % counts
    EXPECT_EQ(SuggestComponents({nan, 2.0, 2.1}), 1);
    EXPECT_EQ(SuggestComponents({nan, 2.0, nan}), 1);
    EXPECT_EQ(SuggestComponents({nan, nan}), 0);
}

}  // namespace
}  // namespace tarvex::tf

namespace tarvex::tf {
namespace {

TEST(AnalogueRanks, ASiteDrawnTwiceTakesTwoRanksAndLeftOutSitesNone)
{
    // Distances of one target to five sites; site 4 at 0 is never an analogue.
    AnalogueSetup setup;
    setup.sites = 5;
    setup.terms = 1;
    setup.siteRows.assign(6, 0.0);
    setup.kmax = 4;
    setup.threshold = 0.35;
    const AnalogueSearch search(setup);
    const double d[] = {0, 0.3, 0.1, 0.2, 0, 0.2};
    Ranks r;
    search.Rank(d, nullptr, r);
    EXPECT_EQ((std::vector<int>{r.site[1], r.site[2], r.site[3], r.site[4]}),
              (std::vector<int>{2, 3, 5, 1}));
    EXPECT_EQ(r.used, 4);
    // Drawn: site 3 twice, site 2 not at all.
    const std::vector<int> counts{0, 1, 0, 2, 1, 1};
    search.Rank(d, &counts, r);
    EXPECT_EQ((std::vector<int>{r.site[1], r.site[2], r.site[3], r.site[4]}),
              (std::vector<int>{3, 3, 5, 1}));
    EXPECT_FLOAT_EQ(r.dist[2], 0.2f);
    // Without analogues within the threshold none is used, unless a minimum asks for them.
    const double far[] = {0, 0.5, 0.6, 0.7, 0.8, 0.9};
    search.Rank(far, nullptr, r);
    EXPECT_EQ(r.used, 0);
    EXPECT_TRUE(std::isnan(search.Estimate(r, Matrix<double>(5, 1), 1)));
}

}  // namespace
}  // namespace tarvex::tf
