#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "data/ReferenceImport.h"
#include "eof/EofAnalysis.h"
#include "eof/EofKernels.h"
#include "eof/Pretreatment.h"

namespace tarvex {
namespace {

using Rows = std::vector<std::vector<double>>;

Matrix<double> ToMatrix(const Rows& rows)
{
    Matrix<double> m(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            m(static_cast<int>(r) + 1, static_cast<int>(c) + 1) = rows[r][c];
    return m;
}

Workspace Reference(const Rows& rows, bool correlation)
{
    Workspace ws;
    ws.refData = ToMatrix(rows);
    ws.refSiteCount = ws.basisRowCount = static_cast<int16_t>(rows.size());
    ws.refTaxonCount = ws.taxonCount = static_cast<int16_t>(rows[0].size());
    ws.useCorrelation = correlation;
    return ws;
}

void SetFossil(Workspace& ws, const Rows& rows)
{
    ws.fossilData = ToMatrix(rows);
    ws.fossilSampleCount = static_cast<int16_t>(rows.size());
    ws.fossilTaxonCount = static_cast<int16_t>(rows[0].size());
}

double Eigenvalue(const Workspace& ws, int k)
{
    return ws.eofVectors(ws.taxonCount + 1, k);
}

bool AllFinite(const Matrix<double>& m)
{
    for (int r = 0; r <= m.rows(); ++r)
        for (int c = 0; c <= m.cols(); ++c)
            if (!std::isfinite(m(r, c))) return false;
    return true;
}

// Deterministic values in [-1, 1).
struct Lcg {
    std::uint64_t state;
    double Next()
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0;
    }
};

// Taxon 3 is the sum of taxa 1 and 2: r12 = 0.8, r13 = r23 = 3 / sqrt(10); the correlation
// matrix has eigenvalues 2.8, 0.2 and 0.
const Rows kDependent = {{1, 1, 2}, {2, 3, 5}, {3, 2, 5}, {4, 4, 8}};

TEST(DispersionTest, HandExampleForBothMatrices)
{
    const double c = 3 / std::sqrt(10.0);
    struct Case {
        bool correlation;
        std::vector<double> upper;  // (1,1) (1,2) (1,3) (2,2) (2,3) (3,3)
    };
    const Case cases[] = {{true, {1, 0.8, c, 1, c, 1}}, {false, {1.25, 1, 2.25, 1.25, 2.25, 4.5}}};
    const Matrix<double> x = ToMatrix(kDependent);
    for (const Case& tc : cases) {
        Matrix<double> m;
        BuildDispersionMatrix(x, 4, 3, tc.correlation, m);
        int i = 0;
        for (int p = 1; p <= 3; ++p)
            for (int q = p; q <= 3; ++q, ++i) {
                const double pair =
                    tc.correlation ? PairCorrelation(x, 4, p, q) : PairCovariance(x, 4, p, q);
                EXPECT_NEAR(m(p, q), tc.upper[i], 1e-15) << tc.correlation << " " << p << q;
                EXPECT_NEAR(pair, tc.upper[i], 1e-15) << tc.correlation << " " << p << q;
                EXPECT_EQ(m(q, p), m(p, q));
            }
    }
    // One site: no covariance at all, but the correlation diagonal stays 1.
    Matrix<double> one;
    BuildDispersionMatrix(x, 1, 3, false, one);
    EXPECT_EQ(one(1, 1), 0.0);
    EXPECT_EQ(one(1, 2), 0.0);
    BuildDispersionMatrix(x, 1, 3, true, one);
    EXPECT_EQ(one(2, 2), 1.0);
    EXPECT_EQ(one(2, 3), 0.0);
}

TEST(DispersionTest, FastMatrixEqualsPairFunctions)
{
    const int sites = 37, taxa = 150;
    Lcg rng{7};
    Matrix<double> x(sites, taxa);
    for (int s = 1; s <= sites; ++s)
        for (int t = 1; t <= taxa; ++t) x(s, t) = std::max(0.0, rng.Next()) * t;
    for (int s = 1; s <= sites; ++s) {
        x(s, 1) = 0;     // absent everywhere
        x(s, 77) = 0.1;  // constant whose plain mean is off by an ulp
        x(s, 150) = 12.5;
    }
    for (bool correlation : {true, false}) {
        Matrix<double> m;
        BuildDispersionMatrix(x, sites, taxa, correlation, m, 2);
        for (int p = 1; p <= taxa; ++p)
            for (int q = 1; q <= taxa; ++q) {
                const double pair =
                    correlation ? PairCorrelation(x, sites, p, q) : PairCovariance(x, sites, p, q);
                ASSERT_NEAR(m(p, q), pair, 1e-12 * std::max(1.0, std::fabs(pair)))
                    << correlation << " " << p << " " << q;
            }
        EXPECT_EQ(m(77, 3), 0.0);
        EXPECT_EQ(m(150, 150), correlation ? 1.0 : 0.0);
    }
}

TEST(EofResultsTest, DependentTaxonLeavesAZeroEigenvalue)
{
    Workspace ws = Reference(kDependent, true);
    std::vector<std::pair<int, int>> calls;
    ASSERT_TRUE(
        ComputeEofResults(ws, [&](int done, int total) { calls.emplace_back(done, total); }));
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));

    EXPECT_NEAR(Eigenvalue(ws, 1), 2.8, 1e-13);
    EXPECT_NEAR(Eigenvalue(ws, 2), 0.2, 1e-13);
    EXPECT_NEAR(Eigenvalue(ws, 3), 0.0, 1e-13);
    // EOF 1 is proportional to (1, 1, sqrt(10) / 3); EOF 2 to (1, -1, 0). Signs are the
    // ones the iteration from (1, 0, 0) produces.
    const double third = std::sqrt(10.0) / 3, norm = std::sqrt(2 + third * third);
    const double expected[3][2] = {
        {1 / norm, std::sqrt(0.5)}, {1 / norm, -std::sqrt(0.5)}, {third / norm, 0}};
    for (int t = 1; t <= 3; ++t)
        for (int k = 1; k <= 2; ++k)
            EXPECT_NEAR(ws.eofVectors(t, k), expected[t - 1][k - 1], 1e-12);

    EXPECT_NEAR(ws.eofContribution[1], 280.0f / 3, 1e-4);
    EXPECT_NEAR(ws.eofContribution[2], 20.0f / 3, 1e-4);
    EXPECT_NEAR(ws.eofContribution[3], 0.0f, 1e-4);
    EXPECT_EQ(ws.eofCumulative[0], 0.0f);
    EXPECT_NEAR(ws.eofCumulative[2], 100.0f, 2e-5);
    EXPECT_NEAR(ws.eofCumulative[3], 100.0f, 2e-5);
    EXPECT_TRUE(ws.eofDone);
}

TEST(EofResultsTest, CovarianceScoresComeFromStandardisedData)
{
    // Centred columns (2,-2,2,-2), (1,1,-1,-1), (.5,-.5,-.5,.5) are orthogonal: the
    // covariance matrix is diag(4, 1, 0.25) and the EOFs are the unit vectors.
    Workspace ws = Reference({{12, 6, 0.5}, {8, 6, -0.5}, {12, 4, -0.5}, {8, 4, 0.5}}, false);
    ASSERT_TRUE(ComputeEofResults(ws, {}));
    const double lambda[] = {4, 1, 0.25}, mean[] = {10, 5, 0}, sd[] = {2, 1, 0.5};
    const double z[4][3] = {{1, 1, 1}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, 1}};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_DOUBLE_EQ(Eigenvalue(ws, k), lambda[k - 1]);
        EXPECT_DOUBLE_EQ(ws.basisMeans(0, k), mean[k - 1]);
        EXPECT_DOUBLE_EQ(ws.basisSDs(0, k), sd[k - 1]);
        EXPECT_DOUBLE_EQ(ws.basisSDs(2, k), 1.0);
        for (int t = 1; t <= 3; ++t) {
            EXPECT_DOUBLE_EQ(ws.eofVectors(t, k), t == k ? 1.0 : 0.0);
            // sqrt(lambda) times a unit vector, standardised over three taxa.
            EXPECT_NEAR(ws.taxonLoadings(t, k), t == k ? std::sqrt(2.0) : -std::sqrt(0.5), 1e-14);
        }
        // X - mean would give +-2 for taxon 1; the standardised data give +-1.
        for (int s = 1; s <= 4; ++s) {
            EXPECT_DOUBLE_EQ(ws.refRawScores(s, k), z[s - 1][k - 1]) << s << " " << k;
            EXPECT_DOUBLE_EQ(ws.refScores(s, k), z[s - 1][k - 1]);
        }
    }
    EXPECT_NEAR(ws.eofContribution[1], 400.0f / 5.25f, 1e-4);
}

TEST(EofResultsTest, ConstantTaxonGivesZerosWithoutNaN)
{
    // 0.1 at six sites: the plain mean is 0.1 - 1.4e-17, which would leave the taxon a tiny
    // deviation and correlations of order 1.
    const Rows rows = {{1, 0.1, 3}, {2, 0.1, 1}, {4, 0.1, 2},
                       {3, 0.1, 7}, {5, 0.1, 1}, {0, 0.1, 4}};
    for (bool correlation : {true, false}) {
        SCOPED_TRACE(correlation);
        Workspace ws = Reference(rows, correlation);
        ASSERT_TRUE(ComputeEofResults(ws, {}));
        EXPECT_EQ(ws.dispersionMatrix(2, 1), 0.0);
        EXPECT_EQ(ws.dispersionMatrix(3, 2), 0.0);
        EXPECT_EQ(ws.dispersionMatrix(2, 2), correlation ? 1.0 : 0.0);
        EXPECT_EQ(ws.basisMeans(0, 2), 0.1);
        EXPECT_EQ(ws.basisSDs(0, 2), 0.0);
        EXPECT_EQ(ws.basisMeans(1, 2), 0.0);
        SetFossil(ws, {{1, 5, 2}, {2, 0.1, 2}, {0, -3, 1}});
        ASSERT_TRUE(ProjectFossil(ws, {}));
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(ws.fossilStandardized(j, 2), 0.0);
        for (const Matrix<double>* m :
             {&ws.dispersionMatrix, &ws.eofVectors, &ws.taxonLoadings, &ws.basisMeans, &ws.basisSDs,
              &ws.refRawScores, &ws.refScores, &ws.fossilStandardized, &ws.fossilRawScores,
              &ws.fossilScores})
            EXPECT_TRUE(AllFinite(*m));
    }
}

// Power iteration from (1, 0, ..., 0) on matrices whose unit vectors are eigenvectors: after
// the first EOF the start vector is in the null space, and the next unit vector takes over.
TEST(EofSolverTest, DiagonalMatricesAndTies)
{
    struct Case {
        std::vector<double> diagonal;
        std::vector<double> eigenvalues;
        std::vector<int> unitVector;  // which e_t ends up in column k
    };
    const Case cases[] = {
        {{4, 1, 0.25}, {4, 1, 0.25}, {1, 2, 3}},
        {{2, 2, 1}, {2, 2, 1}, {1, 2, 3}},  // a tie keeps the vector found first in front
        {{1, 2, 2}, {2, 2, 1}, {2, 3, 1}},
        {{1, 3, 2}, {3, 2, 1}, {2, 3, 1}},
        {{0, 0, 5}, {5, 0, 0}, {3, 0, 0}},  // 0 = the EOF is the zero vector
    };
    for (const Case& tc : cases) {
        Matrix<double> a(3, 3), vectors;
        for (int i = 1; i <= 3; ++i) a(i, i) = tc.diagonal[i - 1];
        SolveEigenpairs(a, 3, vectors, {});
        for (int k = 1; k <= 3; ++k) {
            EXPECT_EQ(vectors(4, k), tc.eigenvalues[k - 1]) << tc.diagonal[0] << " k=" << k;
            for (int t = 1; t <= 3; ++t)
                EXPECT_EQ(vectors(t, k), t == tc.unitVector[k - 1] ? 1.0 : 0.0)
                    << tc.diagonal[0] << " k=" << k << " t=" << t;
        }
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(a(i, i), 0.0);  // deflated completely
    }
}

TEST(EofResultsTest, ConstantFirstTaxonStillGivesTheOtherEofs)
{
    Workspace ws = Reference({{3, 1, 0.5}, {3, -1, 0.5}, {3, 1, -0.5}, {3, -1, -0.5}}, false);
    ASSERT_TRUE(ComputeEofResults(ws, {}));
    EXPECT_DOUBLE_EQ(Eigenvalue(ws, 1), 1.0);
    EXPECT_DOUBLE_EQ(Eigenvalue(ws, 2), 0.25);
    EXPECT_EQ(Eigenvalue(ws, 3), 0.0);
    EXPECT_NEAR(ws.eofContribution[1], 80.0f, 1e-4);
    EXPECT_NEAR(ws.eofContribution[2], 20.0f, 1e-4);
}

TEST(EofResultsTest, AllEigenvaluesZeroGiveZeroPercent)
{
    Workspace ws = Reference({{1, 2, 0.3}, {1, 2, 0.3}, {1, 2, 0.3}}, false);
    ASSERT_TRUE(ComputeEofResults(ws, {}));
    for (int k = 0; k <= 3; ++k) {
        EXPECT_EQ(ws.eofContribution[k], 0.0f);
        EXPECT_EQ(ws.eofCumulative[k], 0.0f);
    }
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(Eigenvalue(ws, k), 0.0);
        EXPECT_EQ(ws.taxonLoadings(1, k), 0.0);
        EXPECT_EQ(ws.refScores(2, k), 0.0);
    }
    EXPECT_TRUE(ws.eofDone);
}

TEST(EofResultsTest, FewerThanThreeTaxaComputeButAreNotDone)
{
    struct Case {
        int taxa;
        std::vector<double> eigenvalues;
        bool done;
    };
    const Case cases[] = {{1, {1}, false}, {2, {1.8, 0.2}, false}, {3, {2.8, 0.2, 0}, true}};
    for (const Case& tc : cases) {
        Rows rows;
        for (const auto& r : kDependent) rows.emplace_back(r.begin(), r.begin() + tc.taxa);
        Workspace ws = Reference(rows, true);
        ASSERT_TRUE(ComputeEofResults(ws, {}));
        EXPECT_EQ(ws.eofDone, tc.done);
        ASSERT_EQ(ws.eofVectors.rows(), tc.taxa + 1);
        ASSERT_EQ(ws.refScores.cols(), tc.taxa);
        for (int k = 1; k <= tc.taxa; ++k)
            EXPECT_NEAR(Eigenvalue(ws, k), tc.eigenvalues[k - 1], 1e-13);
        EXPECT_NEAR(ws.eofCumulative[tc.taxa], 100.0f, 2e-5);
    }
}

TEST(EofResultsTest, RefusesCountsTheDataDoNotHave)
{
    Workspace empty;
    EXPECT_FALSE(ComputeEofResults(empty, {}));
    Workspace ws = Reference(kDependent, true);
    ws.taxonCount = 4;
    EXPECT_FALSE(ComputeEofResults(ws, {}));
    EXPECT_TRUE(ws.eofVectors.empty());
    EXPECT_FALSE(ws.eofDone);
}

// Cyclic Jacobi rotations, written independently of the power iteration.
std::vector<double> JacobiEigenvalues(Rows a)
{
    const int n = static_cast<int>(a.size());
    for (int sweep = 0; sweep < 60; ++sweep) {
        double off = 0;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) off += a[p][q] * a[p][q];
        if (off < 1e-40) break;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) {
                if (a[p][q] == 0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t =
                    (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < n; ++k) {
                    const double kp = a[k][p], kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < n; ++k) {
                    const double pk = a[p][k], qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
            }
    }
    std::vector<double> values;
    for (int i = 0; i < n; ++i) values.push_back(a[i][i]);
    std::sort(values.rbegin(), values.rend());
    return values;
}

TEST(EofSolverTest, LeadingEigenvaluesAgreeWithJacobi)
{
    // Ten independent signals with amplitudes falling by a factor 3, mixed over the taxa by
    // a reflection: eigenvalues about a factor 9 apart, so 20 steps converge.
    const int sites = 40, taxa = 10;
    Lcg rng{11};
    std::vector<double> u(taxa);
    double uu = 0;
    for (double& e : u) {
        e = rng.Next();
        uu += e * e;
    }
    Rows rows(sites, std::vector<double>(taxa, 0.0));
    for (int f = 0; f < taxa; ++f) {
        const double amplitude = std::pow(3.0, -f);
        for (int s = 0; s < sites; ++s) {
            const double g = amplitude * rng.Next();
            for (int t = 0; t < taxa; ++t)
                rows[s][t] += g * ((t == f ? 1 : 0) - 2 * u[t] * u[f] / uu);
        }
    }
    Workspace ws = Reference(rows, false);
    ASSERT_TRUE(ComputeEofResults(ws, {}));
    Rows matrix(taxa, std::vector<double>(taxa));
    for (int p = 0; p < taxa; ++p)
        for (int q = 0; q < taxa; ++q) matrix[p][q] = ws.dispersionMatrix(p + 1, q + 1);
    const std::vector<double> jacobi = JacobiEigenvalues(matrix);
    for (int k = 1; k <= 5; ++k)
        EXPECT_NEAR(Eigenvalue(ws, k), jacobi[k - 1], 1e-9 * jacobi[k - 1]) << k;
}

// The whole-column exchange sort with a rescan from column 1 after every exchange.
std::vector<double> RescanSort(std::vector<double> values, std::vector<double>& tags)
{
    const int n = static_cast<int>(values.size());
    int f = 0;
    while (f < n - 1) {
        if (values[f] < values[f + 1]) {
            std::swap(values[f], values[f + 1]);
            std::swap(tags[f], tags[f + 1]);
            f = 0;
        } else {
            ++f;
        }
    }
    return values;
}

TEST(EofSolverTest, SortMatchesTheRescanningExchangeSort)
{
    Lcg rng{3};
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 1 + trial % 13;
        std::vector<double> values(n), tags(n);
        Matrix<double> m(n + 1, n);
        for (int k = 1; k <= n; ++k) {
            values[k - 1] = std::floor(2 * (rng.Next() + 1));  // 0..3, many ties
            tags[k - 1] = k;
            m(n + 1, k) = values[k - 1];
            m(1, k) = k;
        }
        const std::vector<double> sorted = RescanSort(values, tags);
        SortEofColumns(m, n);
        for (int k = 1; k <= n; ++k) {
            ASSERT_EQ(m(n + 1, k), sorted[k - 1]) << trial;
            ASSERT_EQ(m(1, k), tags[k - 1]) << trial;
        }
    }
}

// Row-times-vector products, in-place deflation and the same sort: the arithmetic the fast
// solver reproduces bit for bit. `a` is left deflated.
Matrix<double> PlainSolve(Matrix<double>& a, int n)
{
    Matrix<double> out(n + 1, n);
    std::vector<double> v(n + 1), w(n + 1);
    double roundingLevel = 0;
    for (int k = 1; k <= n; ++k) {
        int start = 1;
        auto columnIsZero = [&](int c) {
            for (int i = 1; i <= n; ++i)
                if (a(i, c) != 0) return false;
            return true;
        };
        while (start <= n && columnIsZero(start)) ++start;
        std::fill(v.begin(), v.end(), 0.0);
        if (start <= n) v[start] = 1;
        double lambda = 0;
        for (int step = 0; start <= n && step < 20; ++step) {
            double s = 0;
            for (int i = 1; i <= n; ++i) {
                double sum = 0;
                for (int j = 1; j <= n; ++j) sum += a(i, j) * v[j];
                w[i] = sum;
                s += sum * sum;
            }
            lambda = std::sqrt(s);
            for (int i = 1; i <= n; ++i) v[i] = lambda == 0 ? 0 : w[i] / lambda;
        }
        // Curvature v'Av decides the sign: without it the eigenvalue is 0 and the deflation
        // uses the curvature; below n * epsilon of the first eigenvalue it is 0 as well.
        double deflation = lambda;
        if (start <= n) {
            double curvature = 0;
            for (int i = 1; i <= n; ++i) {
                double sum = 0;
                for (int j = 1; j <= n; ++j) sum += a(i, j) * v[j];
                curvature += v[i] * sum;
            }
            if (!(curvature > 0)) {
                deflation = curvature;
                lambda = 0;
            }
            if (k == 1) roundingLevel = n * std::numeric_limits<double>::epsilon() * lambda;
            if (lambda <= roundingLevel) lambda = 0;
        }
        for (int i = 1; i <= n; ++i) out(i, k) = v[i];
        out(n + 1, k) = lambda;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) a(i, j) = a(i, j) - deflation * (v[i] * v[j]);
    }
    SortEofColumns(out, n);
    return out;
}

TEST(EofSolverTest, FastSolverReproducesPlainArithmetic)
{
    // 205 taxa: not a multiple of the row blocks or the vector width.
    const int sites = 60, n = 205;
    Lcg rng{5};
    Matrix<double> x(sites, n);
    for (int s = 1; s <= sites; ++s)
        for (int t = 1; t <= n; ++t) x(s, t) = std::fabs(rng.Next()) + (t % 7 == 0 ? s : 0);
    Matrix<double> dispersion;
    BuildDispersionMatrix(x, sites, n, true, dispersion);

    Matrix<double> plainDeflated = dispersion, fastDeflated = dispersion, fast;
    const Matrix<double> plain = PlainSolve(plainDeflated, n);
    SolveEigenpairs(fastDeflated, n, fast, {});
    for (int k = 1; k <= n; ++k)
        for (int t = 1; t <= n + 1; ++t) ASSERT_EQ(fast(t, k), plain(t, k)) << t << " " << k;
    for (int p = 1; p <= n; ++p)
        for (int q = 1; q <= n; ++q) ASSERT_EQ(fastDeflated(p, q), plainDeflated(p, q)) << p << q;
}

// Uniform values in [0, 100) at `sites` sites: a small training set with many taxa.
Rows RandomRows(int sites, int taxa, std::uint64_t seed)
{
    Lcg rng{seed};
    Rows rows(sites, std::vector<double>(taxa));
    for (auto& row : rows)
        for (double& x : row) x = 50 * (rng.Next() + 1);
    return rows;
}

TEST(EofSolverTest, FastSolverReproducesPlainArithmeticBeyondTheRank)
{
    // Twenty sites leave 19 eigenvalues; after them the deflated matrix is rounding noise of
    // both signs, where the signed deflation takes over.
    const int sites = 20, n = 120;
    for (bool correlation : {false, true}) {
        const Matrix<double> x = ToMatrix(RandomRows(sites, n, 17));
        Matrix<double> dispersion;
        BuildDispersionMatrix(x, sites, n, correlation, dispersion);
        Matrix<double> plainDeflated = dispersion, fastDeflated = dispersion, fast;
        const Matrix<double> plain = PlainSolve(plainDeflated, n);
        SolveEigenpairs(fastDeflated, n, fast, {});
        int zeros = 0;
        for (int k = 1; k <= n; ++k) {
            zeros += plain(n + 1, k) == 0;
            for (int t = 1; t <= n + 1; ++t)
                ASSERT_EQ(fast(t, k), plain(t, k)) << correlation << " " << t << " " << k;
        }
        EXPECT_GT(zeros, 40) << "the zeroed eigenvalues are exercised";
        for (int p = 1; p <= n; ++p)
            for (int q = 1; q <= n; ++q)
                ASSERT_EQ(fastDeflated(p, q), plainDeflated(p, q)) << p << " " << q;
    }
}

double Trace(const Matrix<double>& m, int n)
{
    double sum = 0;
    for (int i = 1; i <= n; ++i) sum += m(i, i);
    return sum;
}

TEST(EofResultsTest, MoreTaxaThanSitesGiveNoSpuriousEigenvalues)
{
    // A negative rounding-level eigenvalue deflated as if positive came back doubled at every
    // later EOF: 50, 25, 12.5 % for 120 taxa, and an overflow to "nan" for 300.
    for (int taxa : {120, 300})
        for (bool correlation : {false, true}) {
            SCOPED_TRACE(std::to_string(taxa) + (correlation ? " correlation" : " covariance"));
            Workspace ws = Reference(RandomRows(20, taxa, 40 + taxa), correlation);
            ASSERT_TRUE(ComputeEofResults(ws, {}));
            const int n = taxa;
            double sum = 0;
            for (int k = 1; k <= n; ++k) {
                ASSERT_TRUE(std::isfinite(Eigenvalue(ws, k))) << k;
                EXPECT_GE(Eigenvalue(ws, k), 0.0) << k;
                if (k > 1) {
                    EXPECT_LE(Eigenvalue(ws, k), Eigenvalue(ws, k - 1)) << k;
                }
                sum += Eigenvalue(ws, k);
                ASSERT_TRUE(std::isfinite(ws.eofContribution[k])) << k;
                ASSERT_TRUE(std::isfinite(ws.eofCumulative[k])) << k;
            }
            // The eigenvalues share out the total variance, no more.
            EXPECT_NEAR(sum, Trace(ws.dispersionMatrix, n), 1e-9 * Trace(ws.dispersionMatrix, n));
            EXPECT_NEAR(ws.eofCumulative[n], 100.0f, 1e-4);
            // The 19 EOFs the sites allow hold all but what 20 power steps leave unconverged;
            // from a little past them on every eigenvalue and contribution is exactly 0.
            EXPECT_GT(ws.eofCumulative[19], 99.5f);
            for (int k = 80; k <= n; ++k) {
                EXPECT_EQ(Eigenvalue(ws, k), 0.0) << k;
                EXPECT_EQ(ws.eofContribution[k], 0.0f) << k;
            }
            for (const Matrix<double>* m : {&ws.eofVectors, &ws.taxonLoadings, &ws.refScores})
                EXPECT_TRUE(AllFinite(*m));
        }
}

// x = U diag(sigma) V' over 20 sites: U has orthonormal centred columns, V orthonormal
// columns, sigma falling by halves, so the covariance matrix has exactly the eigenvalues
// sigma^2 / 20, four times apart (20 power steps converge), and nothing beyond the 19th.
Rows SeparatedRankNineteen(int taxa, std::vector<double>& eigenvalues)
{
    const int sites = 20, rank = 19;
    Lcg rng{23};
    auto orthonormal = [&rng](int length, int count, bool centred) {
        std::vector<std::vector<double>> basis;
        while (static_cast<int>(basis.size()) < count) {
            std::vector<double> v(length);
            for (double& e : v) e = rng.Next();
            if (centred) {
                double mean = 0;
                for (double e : v) mean += e / length;
                for (double& e : v) e -= mean;
            }
            for (int pass = 0; pass < 2; ++pass)
                for (const auto& b : basis) {
                    double dot = 0;
                    for (int i = 0; i < length; ++i) dot += v[i] * b[i];
                    for (int i = 0; i < length; ++i) v[i] -= dot * b[i];
                }
            double norm = 0;
            for (double e : v) norm += e * e;
            for (double& e : v) e /= std::sqrt(norm);
            basis.push_back(v);
        }
        return basis;
    };
    const auto u = orthonormal(sites, rank, true);
    const auto v = orthonormal(taxa, rank, false);
    Rows rows(sites, std::vector<double>(taxa, 50.0));
    eigenvalues.clear();
    for (int f = 0; f < rank; ++f) {
        const double sigma = 100 * std::pow(0.5, f);
        eigenvalues.push_back(sigma * sigma / sites);
        for (int s = 0; s < sites; ++s)
            for (int t = 0; t < taxa; ++t) rows[s][t] += sigma * u[f][s] * v[f][t];
    }
    return rows;
}

TEST(EofResultsTest, EigenvaluesBeyondTheRankAreZero)
{
    for (int taxa : {120, 300}) {
        SCOPED_TRACE(taxa);
        std::vector<double> expected;
        Workspace ws = Reference(SeparatedRankNineteen(taxa, expected), false);
        ASSERT_TRUE(ComputeEofResults(ws, {}));
        // To the rounding of data around 50, relative to the largest eigenvalue.
        for (int k = 1; k <= 19; ++k)
            EXPECT_NEAR(Eigenvalue(ws, k), expected[k - 1], 1e-12 * expected[0]) << k;
        for (int k = 20; k <= taxa; ++k) {
            EXPECT_EQ(Eigenvalue(ws, k), 0.0) << k;
            EXPECT_EQ(ws.eofContribution[k], 0.0f) << k;
            EXPECT_EQ(ws.eofCumulative[k], ws.eofCumulative[19]) << k;
        }
        EXPECT_GT(ws.eofContribution[19], 0.0f);
        EXPECT_NEAR(ws.eofCumulative[19], 100.0f, 1e-4);
    }
}

std::uint64_t Fnv1a(std::uint64_t hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ULL;
    return hash;
}

TEST(EofResultsTest, ExampleDataKeepEveryBitOfTheirEofs)
{
    // Fingerprints of eofVectors (eigenvalues included), eofContribution and eofCumulative of
    // the example reference table, taken before the solver learnt to zero eigenvalues that
    // are not positive or at rounding level: a well-conditioned matrix must not notice.
    const struct {
        bool correlation;
        std::uint64_t fingerprint;
        double first, last;
    } cases[] = {
        {false, 0x9b101605547469b2ULL, 0x1.35b3e2a4ba2f2p+8, 0x1.0ac2698d6937p-8},
        {true, 0x11f0fdc88c7442adULL, 0x1.2a42d28de8a12p+3, 0x1.70f5c8217ee7ep-10},
    };
    for (const auto& c : cases) {
        Workspace ws;
        ASSERT_TRUE(
            ImportReferenceTable(ws, std::string(TARVEX_SOURCE_DIR) + "/examples/reference.csv")
                .ok);
        PretreatmentChoice choice;
        choice.useCorrelation = c.correlation;
        PretreatReference(ws, choice);
        ASSERT_TRUE(ComputeEofResults(ws, {}));
        const int n = ws.taxonCount;
        std::uint64_t hash = 14695981039346656037ULL;
        for (int r = 1; r <= n + 1; ++r)
            for (int k = 1; k <= n; ++k) hash = Fnv1a(hash, &ws.eofVectors(r, k), sizeof(double));
        for (int k = 1; k <= n; ++k) {
            hash = Fnv1a(hash, &ws.eofContribution[k], sizeof(float));
            hash = Fnv1a(hash, &ws.eofCumulative[k], sizeof(float));
        }
        EXPECT_EQ(Eigenvalue(ws, 1), c.first) << c.correlation;
        EXPECT_EQ(Eigenvalue(ws, n), c.last) << c.correlation;
        EXPECT_EQ(hash, c.fingerprint) << c.correlation;
    }
}

TEST(EofResultsTest, ThreadCountDoesNotChangeAnyBit)
{
    const int sites = 150, n = 90;
    Lcg rng{9};
    Rows rows(sites, std::vector<double>(n));
    for (int s = 0; s < sites; ++s)
        for (int t = 0; t < n; ++t) rows[s][t] = std::max(0.0, rng.Next() + 0.3 * ((s * t) % 5));
    Workspace results[2] = {Reference(rows, false), Reference(rows, false)};
    for (int threads = 1; threads <= 2; ++threads)
        ASSERT_TRUE(ComputeEofResults(results[threads - 1], {}, threads));
    EXPECT_TRUE(results[0].dispersionMatrix == results[1].dispersionMatrix);
    EXPECT_TRUE(results[0].eofVectors == results[1].eofVectors);
    EXPECT_TRUE(results[0].refRawScores == results[1].refRawScores);
    EXPECT_TRUE(results[0].refScores == results[1].refScores);
}

const Rows kSites = {{1, 0, 3, 2}, {2, 1, 1, 0}, {4, 0, 2, 5}, {3, 2, 7, 1}, {5, 1, 1, 3}};

TEST(ProjectFossilTest, SamplesEqualToSitesGetTheirScores)
{
    struct Case {
        std::vector<int> sites;  // reference site copied into each sample
        bool done;
    };
    const Case cases[] = {{{4}, false}, {{2, 5}, false}, {{3, 1, 3}, true}};
    for (const Case& tc : cases) {
        Workspace ws = Reference(kSites, false);
        ASSERT_TRUE(ComputeEofResults(ws, {}));
        Rows samples;
        for (int s : tc.sites) samples.push_back(kSites[s - 1]);
        SetFossil(ws, samples);
        int progressCalls = 0;
        ASSERT_TRUE(ProjectFossil(ws, [&](int done, int total) {
            EXPECT_EQ(done, ++progressCalls);
            EXPECT_EQ(total, 4);
        }));
        EXPECT_EQ(progressCalls, 4);
        EXPECT_EQ(ws.projectionDone, tc.done);
        for (std::size_t j = 0; j < tc.sites.size(); ++j)
            for (int k = 1; k <= 4; ++k)
                EXPECT_NEAR(ws.fossilScores(static_cast<int>(j) + 1, k),
                            ws.refScores(tc.sites[j], k), 1e-12);
    }
}

TEST(ProjectFossilTest, RefusesWithoutAMatchingAnalysis)
{
    Workspace fresh;
    SetFossil(fresh, kSites);
    fresh.taxonCount = 4;
    EXPECT_FALSE(ProjectFossil(fresh, {}));

    Workspace ws = Reference(kSites, false);
    ASSERT_TRUE(ComputeEofResults(ws, {}));
    SetFossil(ws, {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}});
    EXPECT_FALSE(ProjectFossil(ws, {}));
    EXPECT_TRUE(ws.fossilScores.empty());
    EXPECT_FALSE(ws.projectionDone);
}

}  // namespace
}  // namespace tarvex
