// Weighted averaging and WA-PLS on cases worked by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "tf/TfTestData.h"
#include "tf/Wa.h"
#include "tf/WaPls.h"

namespace tarvex::tf {
namespace {

// Three sites, two taxa: (1, 0) at x = 1, (0.5, 0.5) at x = 2, (0, 1) at x = 4.
// Optima 4/3 and 10/3; raw estimates 4/3, 7/3, 10/3; means 7/3; Sxw = 3, Sww = 2, Sxx = 14/3.
// Inverse: b1 = 3/2, b0 = -7/6. Classical: b1 = 9/14, b0 = 5/6.
// Tolerances: taxon 1 has spread 2/9 and N2 = 9/5, so t^2 = (2/9) / (4/9) = 1/2; taxon 2 has
// spread 8/9, t^2 = 2.
struct Worked {
    Matrix<double> y{3, 2};
    std::vector<double> x{0, 1, 2, 4};
    SparseRows rows;
    Worked()
    {
        y(1, 1) = 1;
        y(2, 1) = y(2, 2) = 0.5;
        y(3, 2) = 1;
        rows = SparseRows::From(y, 3, 2);
    }
};

TEST(Wa, OptimaTolerancesAndBothDeshrinkingsOfTheWorkedCase)
{
    Worked w;
    const WaModel m = FitWa({&w.rows, w.x.data(), nullptr}, true);
    EXPECT_DOUBLE_EQ(m.optimum[1], 4.0 / 3);
    EXPECT_DOUBLE_EQ(m.optimum[2], 10.0 / 3);
    EXPECT_DOUBLE_EQ(m.tolerance[1], std::sqrt(0.5));
    EXPECT_DOUBLE_EQ(m.tolerance[2], std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(m.plain.inverse1, 1.5);
    EXPECT_DOUBLE_EQ(m.plain.inverse0, -7.0 / 6);
    EXPECT_DOUBLE_EQ(m.plain.classical1, 9.0 / 14);
    EXPECT_DOUBLE_EQ(m.plain.classical0, 5.0 / 6);
    const double expectedInverse[] = {0, 5.0 / 6, 7.0 / 3, 23.0 / 6};
    const double expectedClassical[] = {0, 7.0 / 9, 7.0 / 3, 35.0 / 9};
    for (int s = 1; s <= 3; ++s) {
        const double raw = WaRaw(m, w.rows, s, false);
        EXPECT_NEAR(m.plain.Inverse(raw), expectedInverse[s], 1e-14) << s;
        EXPECT_NEAR(m.plain.Classical(raw), expectedClassical[s], 1e-14) << s;
    }
    // Down-weighted, the mixed site leans to the narrow taxon:
    // (0.5 (4/3) / 0.5 + 0.5 (10/3) / 2) / (0.5 / 0.5 + 0.5 / 2) = 26/15.
    EXPECT_NEAR(WaRaw(m, w.rows, 2, true), 26.0 / 15, 1e-14);
}

TEST(Wa, UndefinedAndSmallTolerancesTakeTheMeanOfTheOthers)
{
    // Taxon 3 at one site only (N2 = 1: undefined); taxon 4 at two sites of the same x
    // (tolerance 0, below 0.01). Both get the mean of the tolerances of taxa 1 and 2.
    Matrix<double> y(4, 4);
    y(1, 1) = 0.6, y(1, 3) = 0.4;
    y(2, 1) = 0.5, y(2, 2) = 0.3, y(2, 4) = 0.2;
    y(3, 2) = 0.8, y(3, 4) = 0.2;
    y(4, 1) = 0.1, y(4, 2) = 0.9;
    const std::vector<double> x{0, 1, 3, 3, 6};
    const SparseRows rows = SparseRows::From(y, 4, 4);
    const WaModel m = FitWa({&rows, x.data(), nullptr}, true);
    EXPECT_TRUE(std::isnan(m.tolerance[3]));
    EXPECT_LT(m.tolerance[4], 1e-12);
    const double mean = (m.tolerance[1] + m.tolerance[2]) / 2;
    EXPECT_DOUBLE_EQ(m.usedTolerance[3], mean);
    EXPECT_DOUBLE_EQ(m.usedTolerance[4], mean);
    EXPECT_EQ(m.usedTolerance[1], m.tolerance[1]);
}

TEST(Wa, TaxaAbsentFromTheTrainingSetTakeNoPartAndEmptySamplesHaveNoEstimate)
{
    Worked w;
    // Without site 3, taxon 2 is known only from site 2.
    std::vector<int> weights{0, 1, 1, 0};
    const WaModel m = FitWa({&w.rows, w.x.data(), &weights}, false);
    EXPECT_TRUE(m.active[2]);
    weights = {0, 1, 0, 0};
    const WaModel one = FitWa({&w.rows, w.x.data(), &weights}, false);
    EXPECT_FALSE(one.active[2]);
    // Site 3 holds only taxon 2: nothing the model knows.
    EXPECT_TRUE(std::isnan(WaRaw(one, w.rows, 3, false)));
    // Site 2 is estimated from its taxon 1 alone.
    EXPECT_DOUBLE_EQ(WaRaw(one, w.rows, 2, false), 1.0);
    // One training site cannot be deshrunk.
    EXPECT_TRUE(std::isnan(one.plain.Inverse(1.0)));
}

TEST(WaPls, OneComponentIsWaWithInverseDeshrinking)
{
    const testing::ModernSet set = testing::MakeModernSet(60, 9, 2, 7);
    for (int p = 1; p <= 2; ++p) {
        const std::vector<double> x = set.X(p);
        const TrainingSet t{&set.rows, x.data(), nullptr};
        const WaModel wa = FitWa(t, false);
        const WaPlsModel pls = FitWaPls(t, 1);
        ASSERT_EQ(pls.components, 1);
        for (int s = 1; s <= set.sites; ++s) {
            const double a = wa.plain.Inverse(WaRaw(wa, set.rows, s, false));
            const double b = WaPlsEstimate(pls, set.rows, s, 1);
            if (std::isnan(a)) {
                EXPECT_TRUE(std::isnan(b)) << s;
                continue;
            }
            EXPECT_LE(testing::RelativeDifference(a, b, 10.0 * p), 1e-12) << "site " << s;
        }
    }
}

// Solves the 3 x 3 system m v = r by Cramer's rule.
std::vector<double> Solve3(const double m[3][3], const double r[3])
{
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    std::vector<double> v(3);
    for (int c = 0; c < 3; ++c) {
        double a[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) a[i][j] = j == c ? r[i] : m[i][j];
        v[c] = det(a) / d;
    }
    return v;
}

TEST(WaPls, OneComponentFewerThanTaxaReachesTheLeastSquaresFit)
{
    // Five sites, three taxa. The conjugate-gradient iteration reaches the solution b of
    // A b = Y' (x - mean); the estimates are then mean + Y b / R. Proportions sum to 1 at
    // every site, so one direction of b only shifts every estimate alike, which the mean has
    // taken already: two components reach the fit.
    Matrix<double> y(5, 3);
    const double values[5][3] = {
        {0.7, 0.3, 0}, {0.2, 0.5, 0.3}, {0, 0.4, 0.6}, {0.1, 0.1, 0.8}, {0.5, 0, 0.5}};
    for (int s = 1; s <= 5; ++s)
        for (int k = 1; k <= 3; ++k) y(s, k) = values[s - 1][k - 1];
    const std::vector<double> x{0, 2, 5, 7, 11, 4};
    const SparseRows rows = SparseRows::From(y, 5, 3);
    double mean = 0;
    for (int s = 1; s <= 5; ++s) mean += x[s] / 5;
    double a[3][3] = {}, r[3] = {};
    for (int s = 1; s <= 5; ++s)
        for (int i = 0; i < 3; ++i) {
            r[i] += values[s - 1][i] * (x[s] - mean);
            for (int j = 0; j < 3; ++j) a[i][j] += values[s - 1][i] * values[s - 1][j];
        }
    const std::vector<double> b = Solve3(a, r);
    const WaPlsModel m = FitWaPls({&rows, x.data(), nullptr}, 5);
    ASSERT_EQ(m.components, 2);
    for (int s = 1; s <= 5; ++s) {
        double fit = mean;
        for (int k = 0; k < 3; ++k) fit += values[s - 1][k] * b[k];
        EXPECT_NEAR(WaPlsEstimate(m, rows, s, 2), fit, 1e-12) << s;
        EXPECT_GT(std::fabs(WaPlsEstimate(m, rows, s, 1) - fit), 1e-3) << s;
    }
}

TEST(WaPls, AComponentThatExplainsNothingIsNotMade)
{
    // With two taxa of proportions the first component already fits all there is.
    Worked w;
    const WaPlsModel m = FitWaPls({&w.rows, w.x.data(), nullptr}, 5);
    EXPECT_EQ(m.components, 1);
    EXPECT_TRUE(std::isnan(WaPlsEstimate(m, w.rows, 1, 2)));
    // A constant parameter gives no component at all.
    const std::vector<double> flat{0, 3, 3, 3};
    EXPECT_EQ(FitWaPls({&w.rows, flat.data(), nullptr}, 5).components, 0);
}

TEST(WaPls, BootstrapWeightsCountASiteAsOftenAsItWasDrawn)
{
    // Weights 2, 1, 1 fit the same model as the table with site 1 written twice.
    const testing::ModernSet set = testing::MakeModernSet(12, 5, 1, 3);
    const std::vector<double> x = set.X(1);
    std::vector<int> weights(13, 1);
    weights[1] = 2;
    weights[4] = 0;
    Matrix<double> twice(12, 5);
    std::vector<double> x2(13, 0.0);
    int row = 0;
    for (int s = 1; s <= 12; ++s)
        for (int c = 0; c < weights[s]; ++c) {
            ++row;
            for (int k = 1; k <= 5; ++k) twice(row, k) = set.y(s, k);
            x2[row] = x[s];
        }
    const SparseRows rows2 = SparseRows::From(twice, row, 5);
    const WaPlsModel a = FitWaPls({&set.rows, x.data(), &weights}, 3);
    const WaPlsModel b = FitWaPls({&rows2, x2.data(), nullptr}, 3);
    const WaModel wa = FitWa({&set.rows, x.data(), &weights}, true);
    const WaModel wb = FitWa({&rows2, x2.data(), nullptr}, true);
    ASSERT_EQ(a.components, b.components);
    for (int s = 1; s <= 12; ++s) {
        if (s == 5) continue;  // no pollen, no estimate
        for (int c = 1; c <= a.components; ++c)
            EXPECT_NEAR(WaPlsEstimate(a, set.rows, s, c), WaPlsEstimate(b, set.rows, s, c), 1e-10);
        EXPECT_NEAR(wa.downWeighted.Inverse(WaRaw(wa, set.rows, s, true)),
                    wb.downWeighted.Inverse(WaRaw(wb, set.rows, s, true)), 1e-10);
    }
}

}  // namespace
}  // namespace tarvex::tf
