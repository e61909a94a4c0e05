#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "data/NumberText.h"
#include "mat/AnalogueKernels.h"
#include "mat/Analogues.h"
#include "support/Sequences.h"

namespace tarvex {
namespace {

using Table = std::vector<std::vector<double>>;

// Reference sites and fossil samples by taxa (values used as they are), and the sites'
// climate, one column per parameter.
Workspace MakeWorkspace(const Table& sites, const Table& climate, const Table& samples = {})
{
    Workspace ws;
    ws.refSiteCount = static_cast<int16_t>(sites.size());
    ws.refTaxonCount = static_cast<int16_t>(sites.empty() ? 0 : sites[0].size());
    ws.refProportions = testing::Rows(sites);
    ws.climateValues = testing::Rows(climate);
    ws.climateParamCount = static_cast<int16_t>(climate.empty() ? 0 : climate[0].size());
    ws.climateLoaded = true;
    ws.fossilSampleCount = static_cast<int16_t>(samples.size());
    ws.fossilTaxonCount = ws.refTaxonCount;
    ws.fossilTextLabels = true;
    ws.fossilSampleLabels.assign(samples.size() + 1, "");
    ws.fossilSampleEmpty.assign(samples.size() + 1, false);
    ws.fossilProportions =
        samples.empty() ? Matrix<double>(0, ws.refTaxonCount) : testing::Rows(samples);
    return ws;
}

AnalogueSettings Plain(int kmin, int kmax, Weighting weighting = Weighting::SquaredDistance)
{
    AnalogueSettings s;
    s.kmin = kmin;
    s.kmax = kmax;
    s.weighting = weighting;
    return s;
}

// ---- Threshold and the log transform --------------------------------------------------------

TEST(ThresholdTest, SliderValueThroughTheEnhancement)
{
    struct Case {
        int slider;
        MinorTaxaEnhancement enhancement;
        std::string text;
    };
    const Case cases[] = {
        {20, MinorTaxaEnhancement::None, "0.2"},
        {20, MinorTaxaEnhancement::SquareRoot, "0.447213595499958"},
        {0, MinorTaxaEnhancement::SquareRoot, "0"},
        {0, MinorTaxaEnhancement::Log, "0"},
        {1, MinorTaxaEnhancement::Log, "0"},  // t = 0.01: log10(1) / 2
        {100, MinorTaxaEnhancement::Log, "1"},
        {200, MinorTaxaEnhancement::Log, FormatNumber(std::log10(200.0) / 2)},
        {150, MinorTaxaEnhancement::None, "1.5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(DefineThreshold(c.slider, c.enhancement)), c.text)
            << c.slider << " " << static_cast<int>(c.enhancement);
}

TEST(ThresholdTest, LogTransformIsZeroBelowOnePercent)
{
    EXPECT_EQ(EnhanceLog(0), 0.0);
    EXPECT_EQ(EnhanceLog(0.01), 0.0);
    EXPECT_EQ(EnhanceLog(0.001), 0.0);  // log10(0.1) / 2 is negative
    EXPECT_EQ(EnhanceLog(1), 1.0);
    EXPECT_DOUBLE_EQ(EnhanceLog(0.1), 0.5);
}

// ---- Ranking ----------------------------------------------------------------------------------

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The rank-by-rank scans and the one-pass ranking of a row agree on every row, kmax and
// awkward distance: ties in double and only in 32 bits, exact zeros, distances that vanish in
// 32 bits, 9999 and beyond, NaN.
TEST(RankingTest, OnePassRankingEqualsRankByRankScans)
{
    const float tieA = 0.3f;
    const double justAbove = std::nextafter(static_cast<double>(tieA), 1.0);
    const Table rows = {
        {0.5, 0.2, 0.2, 0.1, 0.2},                         // equal doubles
        {static_cast<double>(tieA), justAbove, 0.1, 0.3},  // equal only as 32-bit floats
        {0, 0.4, 0, 0.1, 0.4},                             // exact zeros
        {1e-50, 0.2, -0.0, 0.3},                           // 0 in 32 bits
        {9999, 9998.999, 10000, 1e300, 5},                 // at and beyond the start value
        {kNaN, 0.2, kNaN, 0.1},
        {0, 0, 0},                                        // nothing qualifies
        {0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.1, 0.05, 0.01},  // descending
    };
    const Matrix<double> d = testing::Rows([&] {
        Table padded = rows;
        for (auto& r : padded) r.resize(9, 9999.5);
        return padded;
    }());
    for (int kmax : {1, 2, 3, 8, 12}) {
        const RankedAnalogues scans = RankAnalogues(d, d.rows(), d.cols(), kmax);
        std::vector<float> dist(kmax + 1);
        std::vector<int16_t> site(kmax + 1);
        for (int i = 1; i <= d.rows(); ++i) {
            analoguekernel::RankRow(d.row(i), d.cols(), kmax, dist.data(), site.data());
            for (int a = 1; a <= kmax; ++a) {
                EXPECT_EQ(site[a], scans.site(i, a)) << "row " << i << " rank " << a;
                EXPECT_EQ(dist[a], scans.distance(i, a)) << "row " << i << " rank " << a;
            }
        }
    }
}

TEST(RankingTest, WorkedRanks)
{
    const Matrix<double> d = testing::Rows({
        {0.5, 0.2, 0.2, 0.1},  // the tie goes to site 2 before site 3
        {0.3, 0, 0.1, 1e-50},  // sites 2 and 4 are at distance 0 (in 32 bits)
        {0, 0, 0, 0},
    });
    const RankedAnalogues r = RankAnalogues(d, 3, 4, 5);
    const std::vector<int> sites1 = {4, 2, 3, 1, 0};
    const std::vector<float> dist1 = {0.1f, 0.2f, 0.2f, 0.5f, 9999};
    for (int a = 1; a <= 5; ++a) {
        EXPECT_EQ(r.site(1, a), sites1[a - 1]) << a;
        EXPECT_EQ(r.distance(1, a), dist1[a - 1]) << a;
    }
    EXPECT_EQ(r.site(2, 1), 3);
    EXPECT_EQ(r.site(2, 2), 1);
    for (int a = 3; a <= 5; ++a) {
        EXPECT_EQ(r.site(2, a), 0);
        EXPECT_EQ(r.distance(2, a), 9999.0f);
    }
    for (int a = 1; a <= 5; ++a) EXPECT_EQ(r.site(3, a), 0);
}

// ---- Fossil reconstruction ------------------------------------------------------------------

// One taxon: the sample at 0, sites at 0.1 and 0.2 give distances 0.01 and 0.04 (their 32-bit
// roundings carry the weights), climate 10 and 20.
TEST(ReconstructionTest, WeightingOfTwoAnalogues)
{
    const Workspace base = MakeWorkspace({{0.1}, {0.2}}, {{10}, {20}}, {{0}});
    const double d1 = static_cast<float>(0.1 * 0.1), d2 = static_cast<float>(0.2 * 0.2);
    struct Case {
        Weighting weighting;
        double expected;
        double approximately;
    };
    // Each weight is formed first and then multiplies the climate value.
    auto mean = [](double w1, double w2) { return (w1 * 10 + w2 * 20) / (w1 + w2); };
    const Case cases[] = {
        {Weighting::SquaredDistance, mean(1 / d1, 1 / d2), 12},
        {Weighting::Distance, mean(1 / std::sqrt(d1), 1 / std::sqrt(d2)), 40.0 / 3},
        {Weighting::None, 15, 15},
    };
    for (const Case& c : cases) {
        Workspace ws = base;
        ReconstructClimate(ws, Plain(0, 8, c.weighting), 0.2);
        EXPECT_EQ(ws.reconValues(1, 0), 2);
        EXPECT_EQ(ws.reconValues(1, 1), c.expected) << static_cast<int>(c.weighting);
        EXPECT_NEAR(ws.reconValues(1, 1), c.approximately, 1e-5);
    }
    // The distances themselves are kept in double.
    Workspace ws = base;
    ReconstructClimate(ws, Plain(0, 8), 0.2);
    EXPECT_EQ(ws.distanceMatrix(1, 1), 0.1 * 0.1);
    EXPECT_EQ(ws.distanceMatrix(1, 2), 0.2 * 0.2);
}

// Sites by distance from the sample at 0: 0.01 (site 3), 0.04 (sites 1 and 4, a tie),
// 0.09 (site 2), 0.25 (site 5).
const Table kLine = {{0.2}, {0.3}, {0.1}, {0.2}, {0.5}};
const Table kLineClimate = {{1}, {2}, {3}, {4}, {5}};

TEST(ReconstructionTest, ThresholdMinimumAndMaximum)
{
    struct Case {
        const char* what;
        int kmin, kmax;
        double threshold;
        int used;
        double value;  // unweighted mean of the used sites
    };
    const Case cases[] = {
        {"one analogue within 0.2", 0, 1, 0.2, 1, 3},
        {"one analogue, none within 0.005", 0, 1, 0.005, 0, -9999},
        {"threshold 0, three forced", 3, 8, 0, 3, (3 + 1 + 4) / 3.0},
        {"the tie in order: site 1 before site 4", 2, 8, 0, 2, (3 + 1) / 2.0},
        {"threshold between the ranks", 0, 8, 0.05, 3, (3 + 1 + 4) / 3.0},
        {"kmin below the count within the threshold", 1, 8, 0.1, 4, (3 + 1 + 4 + 2) / 4.0},
        {"kmax cuts the count within the threshold", 0, 2, 1, 2, 2},
        {"kmin 0, nothing within", 0, 8, 0, 0, -9999},
    };
    for (const Case& c : cases) {
        Workspace ws = MakeWorkspace(kLine, kLineClimate, {{0}});
        ReconstructClimate(ws, Plain(c.kmin, c.kmax, Weighting::None), c.threshold);
        EXPECT_EQ(ws.reconValues(1, 0), c.used) << c.what;
        EXPECT_DOUBLE_EQ(ws.reconValues(1, 1), c.value) << c.what;
    }
}

TEST(ReconstructionTest, IdenticalSiteIsNeverAnAnalogue)
{
    // The sample equals site 5; site 3 (0.02) follows, then sites 1 and 2 (both 0.08).
    const Table sites = {{0.5, 0.5}, {0.9, 0.1}, {0.6, 0.4}, {0.1, 0.9}, {0.7, 0.3}};
    Workspace ws = MakeWorkspace(sites, {{10}, {20}, {30}, {40}, {50}}, {{0.7, 0.3}});
    ReconstructClimate(ws, Plain(0, 2, Weighting::None), 2);
    EXPECT_EQ(ws.distanceMatrix(1, 5), 0.0);
    EXPECT_EQ(ws.reconValues(1, 0), 2);
    EXPECT_DOUBLE_EQ(ws.reconValues(1, 1), (30 + 10) / 2.0);
}

// More analogues forced than there are sites with a distance: only the ranks that found a
// site count, so the mean is that of the real analogues (the empty ranks would otherwise
// bring the climate row 0, all zero, with the distance 9999).
TEST(ReconstructionTest, MinimumBeyondTheUsableSites)
{
    const Table sites = {{0.3, 0.7}, {0.6, 0.4}, {0.6, 0.4}};
    for (Weighting weighting : {Weighting::SquaredDistance, Weighting::None}) {
        Workspace ws = MakeWorkspace(sites, {{10}, {20}, {99}}, {{0.6, 0.4}, {0.5, 0.5}});
        ReconstructClimate(ws, Plain(5, 5, weighting), 0);
        // Sample 1 equals sites 2 and 3: only site 1 is left.
        EXPECT_EQ(ws.reconValues(1, 0), 1);
        EXPECT_EQ(ws.reconValues(1, 1), 10);
        // Sample 2: sites 2 and 3 (0.02), then site 1 (0.08).
        EXPECT_EQ(ws.reconValues(2, 0), 3);
        double near = 1, far = 1;
        if (weighting == Weighting::SquaredDistance) {
            near = 1 / static_cast<double>(static_cast<float>(ws.distanceMatrix(2, 2)));
            far = 1 / static_cast<double>(static_cast<float>(ws.distanceMatrix(2, 1)));
        }
        EXPECT_EQ(ws.reconValues(2, 1), (near * 20 + near * 99 + far * 10) / (near + near + far));
    }
    // Every site identical to the sample: no analogue at all, whatever the minimum.
    Workspace ws = MakeWorkspace({{1, 0}, {1, 0}}, {{5}, {6}}, {{1, 0}});
    ReconstructClimate(ws, Plain(3, 3), 0.2);
    EXPECT_EQ(ws.reconValues(1, 0), 0);
    EXPECT_EQ(ws.reconValues(1, 1), -9999);
}

TEST(ReconstructionTest, EnhancementTransformsTheTaxa)
{
    struct Case {
        MinorTaxaEnhancement enhancement;
        double distance;  // sample (0.04, 0.96) against site (0.25, 0.75)
    };
    const double sq1 = std::sqrt(0.25) - std::sqrt(0.04), sq2 = std::sqrt(0.75) - std::sqrt(0.96);
    const double lg1 = EnhanceLog(0.25) - EnhanceLog(0.04),
                 lg2 = EnhanceLog(0.75) - EnhanceLog(0.96);
    const Case cases[] = {
        {MinorTaxaEnhancement::None, (0.25 - 0.04) * (0.25 - 0.04) + (0.75 - 0.96) * (0.75 - 0.96)},
        {MinorTaxaEnhancement::SquareRoot, sq1 * sq1 + sq2 * sq2},
        {MinorTaxaEnhancement::Log, lg1 * lg1 + lg2 * lg2},
    };
    for (const Case& c : cases) {
        Workspace ws = MakeWorkspace({{0.25, 0.75}}, {{1}}, {{0.04, 0.96}});
        AnalogueSettings s = Plain(0, 1);
        s.enhancement = c.enhancement;
        EXPECT_EQ(FossilDistances(ws, s)(1, 1), c.distance) << static_cast<int>(c.enhancement);
    }
}

// Axes 3 then 1, weighted by their contributions as 32-bit values (33.3 is not 33.3 in 32
// bits); the enhancement has no effect on EOF values.
TEST(ReconstructionTest, EofValuesWeightedByContribution)
{
    Workspace ws = MakeWorkspace({{0}, {0}}, {{1}, {2}}, {{0}});
    ws.refScores = testing::Rows({{1.0, 9.0, 2.0}, {0.5, 7.0, -1.0}});
    ws.fossilScores = testing::Rows({{0.0, 0.0, 0.0}});
    ws.eofContribution = {0, 33.3f, 20.0f, 50.0f};
    ws.selectedAxes = {0, 3, 1, 2};
    ws.selectedAxisCount = 2;
    AnalogueSettings s = Plain(0, 2);
    s.basis = DistanceBasis::EofValues;
    const double c1 = static_cast<double>(33.3f);
    auto term = [](double diff, double c) { return (diff * c / 100) * (diff * c / 100); };
    const double site1 = term(2.0, 50) + term(1.0, c1);
    const double site2 = term(-1.0, 50) + term(0.5, c1);
    for (MinorTaxaEnhancement e : {MinorTaxaEnhancement::None, MinorTaxaEnhancement::SquareRoot}) {
        s.enhancement = e;
        const Matrix<double> d = FossilDistances(ws, s);
        EXPECT_EQ(d(1, 1), site1);
        EXPECT_EQ(d(1, 2), site2);
        EXPECT_NE(d(1, 2), term(-1.0, 50) + term(0.5, 33.3));
    }
    ReconstructClimate(ws, s, 2);
    EXPECT_EQ(ws.reconValues(1, 0), 2);
    const double w1 = 1 / static_cast<double>(static_cast<float>(site1));
    const double w2 = 1 / static_cast<double>(static_cast<float>(site2));
    EXPECT_EQ(ws.reconValues(1, 1), (w2 * 2 + w1 * 1) / (w2 + w1));  // site 2 is nearer
}

TEST(ReconstructionTest, ProgressOncePerSampleInOrder)
{
    Workspace ws = MakeWorkspace(kLine, kLineClimate, {{0}, {0.1}, {0.2}});
    std::vector<int> seen;
    ReconstructClimate(ws, Plain(0, 3), 0.2, [&](int done, int total) {
        EXPECT_EQ(total, 3);
        seen.push_back(done);
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

// ---- Error model ----------------------------------------------------------------------------

TEST(ErrorModelTest, ThreeSitesLeaveRanksThreeToEightEmpty)
{
    Workspace ws = MakeWorkspace({{0.1, 0.9}, {0.4, 0.6}, {0.8, 0.2}}, {{1}, {2}, {3}});
    const AnalogueSettings s = Plain(0, 8, Weighting::None);
    GenerateErrorModel(ws, s, 2.0);
    const RankedAnalogues r = RankAnalogues(ws.distanceMatrix, 3, 3, 8);
    for (int site = 1; site <= 3; ++site) {
        EXPECT_EQ(ws.distanceMatrix(site, site), 0.0);
        for (int a = 3; a <= 8; ++a) {
            EXPECT_EQ(r.site(site, a), 0);
            EXPECT_EQ(r.distance(site, a), 9999.0f);
        }
        EXPECT_EQ(ws.siteReconValues(site, 0), 2);
    }
    EXPECT_DOUBLE_EQ(ws.siteReconValues(1, 1), 2.5);
    EXPECT_DOUBLE_EQ(ws.siteReconValues(2, 1), 2.0);
    EXPECT_DOUBLE_EQ(ws.siteReconValues(3, 1), 1.5);
    EXPECT_EQ(ws.distanceMatrix.rows(), 3);
    EXPECT_EQ(ws.distanceMatrix.cols(), 3);
}

TEST(ErrorModelTest, NoMinimumApplies)
{
    Workspace ws = MakeWorkspace(kLine, kLineClimate, {{0}});
    const AnalogueSettings s = Plain(3, 8, Weighting::None);
    GenerateErrorModel(ws, s, 0);
    for (int site = 1; site <= 5; ++site) {
        EXPECT_EQ(ws.siteReconValues(site, 0), 0) << site;
        EXPECT_EQ(ws.siteReconValues(site, 1), -9999) << site;
    }
    ReconstructClimate(ws, s, 0);
    EXPECT_EQ(ws.reconValues(1, 0), 3);
    EXPECT_DOUBLE_EQ(ws.reconValues(1, 1), (3 + 1 + 4) / 3.0);
}

TEST(ErrorModelTest, IdenticalSitesExcludeEachOther)
{
    const Table sites = {{0.5, 0.5}, {0.2, 0.8}, {0.5, 0.5}, {0.9, 0.1}};
    Workspace ws = MakeWorkspace(sites, {{10}, {20}, {30}, {40}});
    GenerateErrorModel(ws, Plain(0, 1, Weighting::None), 2);
    EXPECT_EQ(ws.distanceMatrix(1, 3), 0.0);
    EXPECT_EQ(ws.distanceMatrix(3, 1), 0.0);
    EXPECT_EQ(ws.siteReconValues(1, 1), 20);  // site 2 (0.18) is nearer than site 4 (0.32)
    EXPECT_EQ(ws.siteReconValues(3, 1), 20);
    EXPECT_EQ(ws.siteReconValues(2, 1), 10);  // site 1 before site 3 at the same distance
}

// ---- Range and display range ----------------------------------------------------------------

TEST(RangeTest, SmallestAndLargestValues)
{
    // Parameter 1 within +-9999; 2 without a value; 3 beyond 9999 (degree-days); 4 below -9999.
    const Matrix<double> v = testing::Rows({
        {-3.2, -9999, 12000, -12000},
        {18.7, -9999, 15000, -11000},
        {-9999, -9999, 10500.25, -9999},
        {4, -9999, -9999, -10000},
    });
    const ReconRange r = ReconstructionRange(v, 4, 4);
    EXPECT_EQ(r.min[1], -3.2f);
    EXPECT_EQ(r.max[1], 18.7f);
    EXPECT_TRUE(r.hasValue[1]);
    EXPECT_EQ(r.min[2], 9999.0f);
    EXPECT_EQ(r.max[2], -9999.0f);
    EXPECT_FALSE(r.hasValue[2]);
    EXPECT_EQ(r.min[3], 10500.25f);
    EXPECT_EQ(r.max[3], 15000.0f);
    EXPECT_EQ(r.min[4], -12000.0f);
    EXPECT_EQ(r.max[4], -10000.0f);
}

TEST(RangeTest, RoundedDisplayRange)
{
    struct Case {
        double value, other, down, up;
    };
    const Case cases[] = {
        {-3.2, 18.7, -5, 0},  // the worked range -5 .. 20
        {18.7, -3.2, 15, 20},
        {20, 0, 20, 25},  // an exact step still moves up
        {-5, 0, -10, -5},
        {250, 1800, 0, 500},  // step 500 from the other end
        {0, 500, 0, 0},
        {99.9, 0, 95, 100},  // step 5 below 100
        {100, 0, 100, 150},  // step 50 from 100
        {-120, 20, -150, -100},
        {999, 0, 950, 1000},
        {1000, 0, 1000, 1500},  // step 500 from 1000
        {-2600, 0, -3000, -2500},
        {10000, 0, 10000, 11000},  // step 1000 for positive values from 10000
        {12345, 100, 12000, 13000},
        {-12000, 0, -15000, -10000},  // step 5000 for negative values from 10000
        {-500, 20000, -5000, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundRangeDown(c.value, c.other), c.down) << c.value << " " << c.other;
        EXPECT_EQ(RoundRangeUp(c.value, c.other), c.up) << c.value << " " << c.other;
    }
}

// ---- Smoothed curve -------------------------------------------------------------------------

TEST(SmoothingTest, WindowsOfThreeWithAMissingSample)
{
    Workspace ws;
    ws.fossilSampleCount = 10;
    ws.fossilTextLabels = true;
    ws.fossilSampleLabels.assign(11, "");
    ws.fossilSampleEmpty.assign(11, false);
    ws.reconValues.resize(10, 2);
    for (int i = 1; i <= 10; ++i) ws.reconValues(i, 1) = i * i;
    ws.reconValues(5, 1) = -9999;
    const SmoothedCurve c = SmoothCurve(ws, 1, 3);
    ASSERT_EQ(c.windows, 8);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(c.position[i], static_cast<float>(i + 1)) << i;
        const bool missing = i >= 3 && i <= 5;
        const double mean = (i * i + (i + 1) * (i + 1) + (i + 2) * (i + 2)) / 3.0;
        EXPECT_EQ(c.value[i], missing ? -9999.0f : static_cast<float>(mean)) << i;
    }
}

TEST(SmoothingTest, DepthLabelsEmptySamplesAndNarrowWindows)
{
    Workspace ws;
    ws.fossilSampleCount = 4;
    ws.fossilTextLabels = false;
    ws.fossilSampleLabels = {"", "10", "25", "45.5", "100"};
    ws.fossilSampleEmpty = {false, false, false, false, true};
    ws.reconValues.resize(4, 1);
    for (int i = 1; i <= 4; ++i) ws.reconValues(i, 1) = 2 * i;
    SmoothedCurve c = SmoothCurve(ws, 1, 2);
    ASSERT_EQ(c.windows, 3);
    EXPECT_EQ(c.position[1], 17.5f);
    EXPECT_EQ(c.position[2], 35.25f);
    EXPECT_EQ(c.position[3], 72.75f);
    EXPECT_EQ(c.value[1], 3.0f);
    EXPECT_EQ(c.value[2], 5.0f);
    EXPECT_EQ(c.value[3], -9999.0f);  // sample 4 is empty

    EXPECT_EQ(SmoothCurve(ws, 1, 1).windows, 0);
    EXPECT_EQ(SmoothCurve(ws, 1, 5).windows, 0);
    c = SmoothCurve(ws, 1, 4);
    ASSERT_EQ(c.windows, 1);
    EXPECT_EQ(c.value[1], -9999.0f);
}

}  // namespace
}  // namespace tarvex
