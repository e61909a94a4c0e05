#include <gtest/gtest.h>

#include <cmath>

#include "calib/CalibModel.h"
#include "calib/CalibRegions.h"
#include "calib/CalibTestData.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

TEST(CalibModel, KernelWeightsOfTwoLevels)
{
    Workspace ws = CalibWorkspace();
    Smoothing(ws, 10, Path::Plain);
    const Matrix<float>& k = ws.calibMatrices[kSmoothingKernel];
    const float expected[] = {0.5f, 0.45f, 0.4f, 0.35f, 0.3f, 0.25f, 0.2f, 0.15f, 0.1f, 0.05f};
    for (int d = 0; d < 10; ++d) {
        EXPECT_NEAR(k(120, 120 + d), expected[d], 1e-7) << d;
        EXPECT_EQ(k(120, 120 - d), k(120, 120 + d));
    }
    EXPECT_EQ(k(120, 130), 0.0f);
    EXPECT_EQ(k(120, 110), 0.0f);
    EXPECT_EQ(k(0, 10), 0.0f);
    EXPECT_NEAR(k(0, 9), 0.05f, 1e-7);

    Smoothing(ws, 1, Path::Plain);
    for (int a = 0; a <= 250; a += 50)
        for (int v = 0; v <= 250; ++v) EXPECT_EQ(k(a, v), a == v ? 0.5f : 0.0f);
}

TEST(CalibModel, GeneratedModelOfFivePercentIsTheUnitGaussian)
{
    Workspace ws = CalibWorkspace();
    PairSet set1;
    ASSERT_TRUE(GeneratedModel(ws, set1, 5).ok);
    EXPECT_EQ(set1.residualSd, 1.0f);
    EXPECT_EQ(set1.fit.slope, 1.0f);
    EXPECT_EQ(set1.fit.intercept, 0.0f);
    const Matrix<float>& e = ws.calibMatrices[kErrorModel];
    for (int t : {25, 125, 225}) {
        EXPECT_NEAR(e(t, t), 0.39894228f, 1e-6) << t;
        EXPECT_NEAR(e(t, t + 10), 0.39894228f * std::exp(-0.5f), 1e-5);
        EXPECT_NEAR(e(t, t - 20), 0.39894228f * std::exp(-2.0f), 1e-5);
    }
}

TEST(CalibModel, AsymmetricModelPeaksOnTheFittedLine)
{
    // y = 2x + 1 on 0..20: the estimated value 2.5 (t = 50) puts the peak at the observed
    // value 6 (s = 85); a transposed index would put it at row 50's mirror instead.
    Workspace ws = CalibWorkspace();
    ASSERT_TRUE(GaussianModel(ws, 2.0f, 1.0f, 0.5f));
    const Matrix<float>& e = ws.calibMatrices[kErrorModel];
    int best = 0;
    for (int s = 0; s <= 250; ++s)
        if (e(50, s) > e(50, best)) best = s;
    EXPECT_EQ(best, 85);
    EXPECT_LT(e(85, 50), 1e-6f);
}

TEST(CalibModel, ErrorModelRefusesSpreadsItCannotUse)
{
    Workspace ws = CalibWorkspace();
    ws.calibMatrices[kErrorModel](3, 4) = 7;
    for (float sd : {0.0f, -1.0f, std::nanf(""), INFINITY})
        EXPECT_FALSE(GaussianModel(ws, 1, 0, sd)) << sd;
    EXPECT_EQ(ws.calibMatrices[kErrorModel](3, 4), 7.0f);

    PairSet set1;
    const ChainSettings settings;
    const CalibStatus st = RunChain(ws, PairSet{}, set1, settings, false);
    EXPECT_FALSE(st.ok);
    EXPECT_FALSE(st.error.empty());

    Workspace noRange;
    AllocateCalibMatrices(noRange);
    ChainSettings generated;
    generated.generateModel = true;
    EXPECT_FALSE(RunChain(noRange, PairSet{}, set1, generated, false).ok);
}

TEST(CalibModel, DiscreteAndJointModelFollowThePairs)
{
    Workspace ws = CalibWorkspace();
    ASSERT_TRUE(GaussianModel(ws, 2.0f, 1.0f, 0.5f));
    PairSet set0;
    set0.rows.push_back({12.34f, 5.06f});
    set0.rows.push_back({kMissing, 5.06f});
    set0.rows.push_back({12.3f, 5.1f});
    set0.rows.push_back({30.0f, 5.0f});  // off the grid
    set0.pairCount = 3;
    DescreteModel(ws, set0, Path::Plain);
    const Matrix<float>& d = ws.calibMatrices[kDiscreteModel];
    EXPECT_EQ(d(148, 76), 2.0f);
    float total = 0;
    for (int a = 0; a <= 250; ++a)
        for (int b = 0; b <= 250; ++b) total += d(a, b);
    EXPECT_EQ(total, 2.0f);
    // jointModel(a, b) = sum_v discrete(a, v) * error(v, b): only column 148, twice row 76.
    const Matrix<float>& j = ws.calibMatrices[kJointModel];
    const Matrix<float>& e = ws.calibMatrices[kErrorModel];
    for (int b = 0; b <= 250; b += 7) {
        EXPECT_EQ(j(148, b), 2.0f * e(76, b)) << b;
        EXPECT_EQ(j(76, b), 0.0f);
    }
}

TEST(CalibModel, MissingMarkNeverEntersTheDiscreteModel)
{
    Workspace ws = CalibWorkspace("-20000", "0");
    PairSet set0;
    set0.rows.push_back({kMissing, -9000});
    set0.rows.push_back({-9000, kMissing});
    DescreteModel(ws, set0, Path::Plain);
    const Matrix<float>& d = ws.calibMatrices[kDiscreteModel];
    for (int a = 0; a <= 250; ++a)
        for (int b = 0; b <= 250; ++b) ASSERT_EQ(d(a, b), 0.0f);
}

TEST(CalibModel, RowThresholdCountsSamples)
{
    // Samples at one cell; rows are kept once their mass reaches threshold x 1.05 units.
    struct Case {
        int samples, threshold;
        bool kept;
    };
    for (const Case c : {Case{1, 0, true}, Case{1, 1, false}, Case{2, 1, true}, Case{2, 2, false},
                         Case{3, 2, true}}) {
        Workspace ws = CalibWorkspace();
        PairSet set1, set0;
        ASSERT_TRUE(GeneratedModel(ws, set1, 5).ok);
        for (int i = 0; i < c.samples; ++i) set0.rows.push_back({10.0f, 10.0f});
        DescreteModel(ws, set0);
        Smoothing(ws, 10);
        const ThresholdUnits u = NormalizeH(ws, c.threshold, false);
        EXPECT_NEAR(u.row, 5.0 * 0.39894228, 1e-6);
        // One sample's column mass: the density summed over the grid, short of 1 / step by
        // the tail that falls beyond the margin below value 0.
        double mass = 0;
        for (int s = 0; s <= 250; ++s) mass += ws.calibMatrices[kErrorModel](25, s);
        EXPECT_NEAR(u.column, mass, 1e-9);
        EXPECT_GT(u.column, 9.9);
        EXPECT_LT(u.column, 10.0);
        // Row 125 (value 10) holds the peak; its sum over a is 1.0 for a kept row.
        float s = 0;
        for (int a = 0; a <= 250; ++a) s += ws.calibMatrices[kRowNormalised](a, 125);
        if (c.kept)
            EXPECT_NEAR(s, 1.0f, 1e-5) << c.samples << " " << c.threshold;
        else
            EXPECT_EQ(s, 0.0f) << c.samples << " " << c.threshold;
    }
}

TEST(CalibModel, SkipCopiesTheSmoothedModel)
{
    Workspace ws = CalibWorkspace();
    PairSet set1;
    PairSet set0 = ScatteredPairs(40, 0.9f, 1.0f, 2, 18, 2, 7);
    ASSERT_TRUE(GeneratedModel(ws, set1, 5).ok);
    DescreteModel(ws, set0);
    Smoothing(ws, 10);
    NormalizeH(ws, 2, true);
    EXPECT_TRUE(SameBits(ws.calibMatrices[kRowNormalised], ws.calibMatrices[kSmoothedModel]));
}

TEST(CalibModel, MedianIsTheRowWhereHalfIsExceeded)
{
    Workspace ws = NormalisedColumn(60, 100, {0.25f, 0.25f, 0.5f});
    EXPECT_EQ(ws.medianIndex[60], 102);  // exactly one half at row 101 is not enough
    EXPECT_EQ(ws.calibMatrices[kProbability](60, 102), -0.5f);
    EXPECT_EQ(ws.calibMatrices[kProbability](60, 101), 0.25f);

    ws = NormalisedColumn(61, 100, {1.0f, 1.0f, 2.0f, 4.0f});
    EXPECT_EQ(ws.medianIndex[61], 103);
    EXPECT_EQ(ws.calibMatrices[kProbability](61, 103), -0.5f);
    EXPECT_EQ(ws.calibMatrices[kProbability](61, 100), 0.125f);
    EXPECT_EQ(ws.medianIndex[62], 0);  // empty until the regions mark it
}

TEST(CalibModel, MedianStopsAtTheFirstRowPastHalf)
{
    const Workspace ws = ChainOfTwinPairs();
    const Matrix<float>& p = ws.calibMatrices[kProbability];
    int columns = 0;
    for (int a = 0; a <= 250; ++a) {
        if (ws.medianIndex[a] == -9999) continue;
        ++columns;
        // Grid index 124 is 9.9: half the mass lies at or below it, not at 12.6 (151).
        EXPECT_EQ(ws.medianIndex[a], 124) << a;
        float total = 0;
        for (int b = 0; b <= 250; ++b) total += std::fabs(p(a, b));
        float running = 0;
        for (int b = 0; b < ws.medianIndex[a]; ++b) running += std::fabs(p(a, b));
        EXPECT_LE(running, total / 2) << a;
        // The mark is on that row alone.
        for (int b = 1; b <= 250; ++b) EXPECT_EQ(p(a, b) < 0, b == ws.medianIndex[a]) << a;
    }
    EXPECT_GT(columns, 10);
}

TEST(CalibModel, ColumnThresholdUsesTheUnnormalisedSum)
{
    Workspace ws = CalibWorkspace();
    ws.calibMatrices[kRowNormalised](70, 100) = 0.5f;
    ws.calibMatrices[kSmoothedModel](70, 100) = 2.0f;
    ws.calibMatrices[kRowNormalised](71, 100) = 0.5f;
    ws.calibMatrices[kSmoothedModel](71, 100) = 1.0f;
    NormalizeV(ws, ThresholdUnits{0, 1.0}, 1);                  // limit 1.05
    EXPECT_EQ(ws.calibMatrices[kProbability](70, 100), -1.0f);  // its own median
    EXPECT_EQ(ws.calibMatrices[kProbability](71, 100), 0.0f);
}

TEST(CalibModel, FastProductEqualsPlainBitForBit)
{
    Workspace plain = CalibWorkspace();
    uint32_t state = 99;
    for (int s = 0; s < 3; ++s)
        for (int a = 0; a <= 250; ++a)
            for (int b = 0; b <= 250; ++b) {
                state = state * 1664525u + 1013904223u;
                plain.calibMatrices[s](a, b) = static_cast<float>(state >> 9) / 3e5f - 7.0f;
            }
    Workspace fast = plain;
    MultipleMatrix(plain, 1, 0, 2, Path::Plain);
    MultipleMatrix(fast, 1, 0, 2, Path::Fast);
    EXPECT_TRUE(SameBits(plain.calibMatrices[2], fast.calibMatrices[2]));
    // The order of the factors matters: the product is not symmetric in them.
    MultipleMatrix(fast, 0, 1, 2, Path::Fast);
    EXPECT_FALSE(SameBits(plain.calibMatrices[2], fast.calibMatrices[2]));
}

TEST(CalibModel, WholeChainFastEqualsPlainBitForBit)
{
    for (bool generated : {false, true}) {
        const PairSet set0 = ScatteredPairs(400, 0.8f, 3.0f, 0, 20, 3, 11);
        PairSet set1 = ScatteredPairs(200, 1.2f, -1.0f, 0, 20, 2, 5);
        ASSERT_TRUE(RefitVestVobs(set1).ok);
        PairSet set1Fast = set1;
        ChainSettings settings;
        settings.generateModel = generated;
        Workspace plain = CalibWorkspace();
        Workspace fast = CalibWorkspace();
        ASSERT_TRUE(RunChain(plain, set0, set1, settings, false, Path::Plain).ok);
        ASSERT_TRUE(RunChain(fast, set0, set1Fast, settings, false, Path::Fast).ok);
        for (int s = 0; s <= 7; ++s)
            EXPECT_TRUE(SameBits(plain.calibMatrices[s], fast.calibMatrices[s])) << s;
        EXPECT_EQ(plain.modeIndex, fast.modeIndex);
        EXPECT_EQ(plain.medianIndex, fast.medianIndex);

        // Every column that kept mass is a distribution over b.
        int nonEmpty = 0;
        for (int a = 0; a <= 250; ++a) {
            if (fast.modeIndex[a] == -9999) continue;
            ++nonEmpty;
            float sum = 0;
            for (int b = 0; b <= 250; ++b) sum += std::fabs(fast.calibMatrices[kProbability](a, b));
            EXPECT_NEAR(sum, 1.0f, 1e-4) << a;
        }
        EXPECT_GT(nonEmpty, 150);
    }
}

TEST(CalibModel, LeavingTheGeneratedModelRefitsTheVestVobsData)
{
    Workspace ws = CalibWorkspace();
    PairSet set1 = ScatteredPairs(100, 1.5f, 2.0f, 0, 20, 1, 3);
    ASSERT_TRUE(RefitVestVobs(set1).ok);
    const PairSet own = set1;
    ASSERT_TRUE(GeneratedModel(ws, set1, 10).ok);
    EXPECT_EQ(set1.fit.slope, 1.0f);
    ASSERT_TRUE(RefitVestVobs(set1).ok);
    EXPECT_EQ(set1.fit.slope, own.fit.slope);
    EXPECT_EQ(set1.fit.intercept, own.fit.intercept);
    EXPECT_EQ(set1.residualSd, own.residualSd);
}

}  // namespace
}  // namespace tarvex::calib
