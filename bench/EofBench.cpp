// The EOF analysis (dispersion matrix, power iteration with deflation, loadings,
// contributions and scores) against a straightforward version of the same arithmetic:
// pair-by-pair matrix entries, row-by-row matrix-vector products, deflation of the full
// matrix, the rescanning column exchange sort and the plain score loops.
//
// The reference benchmark also runs the fast analysis once on the same data and reports
//   fast_ms           its time for that run,
//   speedup           reference time / fast_ms,
//   max_rel_eig_diff  the largest eigenvalue difference, relative to the eigenvalue, or to
//                     1e-6 of the largest eigenvalue for eigenvalues smaller than that,
//   differing_values  matrix, vector, loading and score entries that differ in any bit,
//   ltr_rel_eig_diff  (up to 300 taxa) the same measure against a reference that deflates
//                     with (v(i) * lambda) * v(j) instead of lambda * (v(i) * v(j)).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "app/Workspace.h"
#include "eof/EofAnalysis.h"

namespace tarvex {
namespace {

constexpr int kSites = 2000;
constexpr int kPowerSteps = 20;

struct Lcg {
    std::uint64_t state;
    double Next()  // [0, 1)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

// Pollen-like counts: each taxon responds to five environmental gradients with a bell
// curve around its own optimum, times noise.
Workspace SyntheticReference(int sites, int taxa)
{
    constexpr int kGradients = 5;
    Lcg rng{20240611ULL + static_cast<std::uint64_t>(taxa)};
    std::vector<double> gradient(static_cast<std::size_t>(sites) * kGradients);
    for (double& g : gradient) g = rng.Next();
    std::vector<double> optimum(static_cast<std::size_t>(taxa) * kGradients), width(taxa);
    for (double& o : optimum) o = rng.Next();
    for (double& w : width) w = 0.05 + 0.3 * rng.Next();

    Workspace ws;
    ws.refSiteCount = ws.basisRowCount = static_cast<int16_t>(sites);
    ws.refTaxonCount = ws.taxonCount = static_cast<int16_t>(taxa);
    ws.useCorrelation = true;
    ws.refData.resize(sites, taxa);
    for (int s = 0; s < sites; ++s)
        for (int t = 0; t < taxa; ++t) {
            double d2 = 0;
            for (int f = 0; f < kGradients; ++f) {
                const double d = gradient[s * kGradients + f] - optimum[t * kGradients + f];
                d2 += d * d;
            }
            ws.refData(s + 1, t + 1) = 100 * std::exp(-d2 / (2 * width[t] * width[t])) * rng.Next();
        }
    return ws;
}

struct ReferenceResult {
    Matrix<double> dispersion, eofVectors, loadings, rawScores, scores;
    std::vector<float> contribution, cumulative;
};

double PlainMean(const Matrix<double>& x, int rows, int col)
{
    double sum = 0;
    bool constant = true;
    for (int s = 1; s <= rows; ++s) {
        sum += x(s, col);
        constant = constant && x(s, col) == x(1, col);
    }
    return constant ? x(1, col) : sum / rows;
}

double PlainDeviation(const Matrix<double>& x, int rows, int col, double mean)
{
    double sum = 0;
    for (int s = 1; s <= rows; ++s) sum += (x(s, col) - mean) * (x(s, col) - mean);
    return std::sqrt(sum / rows);
}

void PlainEigenpairs(Matrix<double> a, int n, bool leftToRight, Matrix<double>& vectors)
{
    vectors.resize(n + 1, n);
    std::vector<double> v(n + 1), w(n + 1);
    double roundingLevel = 0;
    for (int k = 1; k <= n; ++k) {
        auto zeroColumn = [&](int c) {
            for (int i = 1; i <= n; ++i)
                if (a(i, c) != 0) return false;
            return true;
        };
        int start = 1;
        while (start <= n && zeroColumn(start)) ++start;
        std::fill(v.begin(), v.end(), 0.0);
        double lambda = 0;
        if (start <= n) {
            v[start] = 1;
            for (int step = 0; step < kPowerSteps; ++step) {
                for (int i = 1; i <= n; ++i) {
                    double sum = 0;
                    for (int j = 1; j <= n; ++j) sum += a(i, j) * v[j];
                    w[i] = sum;
                }
                double s = 0;
                for (int i = 1; i <= n; ++i) s += w[i] * w[i];
                lambda = std::sqrt(s);
                for (int i = 1; i <= n; ++i) v[i] = lambda == 0 ? 0 : w[i] / lambda;
            }
        }
        // Not positive along v, or below n epsilon of the first eigenvalue: eigenvalue 0,
        // deflated by the curvature when that is not positive.
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
        for (int i = 1; i <= n; ++i) vectors(i, k) = v[i];
        vectors(n + 1, k) = lambda;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                a(i, j) = leftToRight ? a(i, j) - v[i] * deflation * v[j]
                                      : a(i, j) - deflation * (v[i] * v[j]);
    }
    int f = 1;
    while (f < n) {
        if (vectors(n + 1, f) < vectors(n + 1, f + 1)) {
            for (int r = 1; r <= n + 1; ++r) std::swap(vectors(r, f), vectors(r, f + 1));
            f = 1;
        } else {
            ++f;
        }
    }
}

ReferenceResult ReferenceAnalysis(const Workspace& ws)
{
    const int n = ws.taxonCount, sites = ws.basisRowCount;
    const Matrix<double>& x = ws.refData;
    ReferenceResult r;

    r.dispersion.resize(n, n);
    for (int p = 1; p <= n; ++p)
        for (int q = p; q <= n; ++q) {
            const double e = ws.useCorrelation ? PairCorrelation(x, sites, p, q)
                                               : PairCovariance(x, sites, p, q);
            r.dispersion(p, q) = r.dispersion(q, p) = e;
        }
    PlainEigenpairs(r.dispersion, n, false, r.eofVectors);
    ComputeContributions(r.eofVectors, n, r.contribution, r.cumulative);

    Matrix<double> raw(n, n);
    r.loadings.resize(n, n);
    for (int t = 1; t <= n; ++t)
        for (int k = 1; k <= n; ++k)
            raw(t, k) = std::sqrt(r.eofVectors(n + 1, k)) * r.eofVectors(t, k);
    for (int k = 1; k <= n; ++k) {
        const double m = PlainMean(raw, n, k), d = PlainDeviation(raw, n, k, m);
        for (int t = 1; t <= n; ++t) r.loadings(t, k) = d == 0 ? 0 : (raw(t, k) - m) / d;
    }

    Matrix<double> z(sites, n);
    std::vector<double> zMean(n + 1);
    for (int t = 1; t <= n; ++t) {
        const double m = PlainMean(x, sites, t), d = PlainDeviation(x, sites, t, m);
        for (int s = 1; s <= sites; ++s) z(s, t) = d == 0 ? 0 : (x(s, t) - m) / d;
        zMean[t] = PlainMean(z, sites, t);
    }
    r.rawScores.resize(sites, n);
    for (int s = 1; s <= sites; ++s)
        for (int k = 1; k <= n; ++k) {
            double sum = 0;
            for (int t = 1; t <= n; ++t) sum += (z(s, t) - zMean[t]) * r.eofVectors(t, k);
            r.rawScores(s, k) = sum;
        }
    r.scores.resize(sites, n);
    for (int k = 1; k <= n; ++k) {
        const double g = PlainMean(r.rawScores, sites, k);
        const double h = PlainDeviation(r.rawScores, sites, k, g);
        for (int s = 1; s <= sites; ++s) r.scores(s, k) = h == 0 ? 0 : (r.rawScores(s, k) - g) / h;
    }
    return r;
}

double MaxRelativeEigenvalueDifference(const Matrix<double>& a, const Matrix<double>& b, int n)
{
    const double floor = 1e-6 * std::fabs(b(n + 1, 1));
    double worst = 0;
    for (int k = 1; k <= n; ++k) {
        const double denominator = std::max(std::fabs(b(n + 1, k)), floor);
        if (denominator > 0)
            worst = std::max(worst, std::fabs(a(n + 1, k) - b(n + 1, k)) / denominator);
    }
    return worst;
}

long CountDifferences(const Matrix<double>& a, const Matrix<double>& b)
{
    if (a.rows() != b.rows() || a.cols() != b.cols()) return -1;
    long count = 0;
    for (int r = 1; r <= a.rows(); ++r)
        for (int c = 1; c <= a.cols(); ++c) count += a(r, c) != b(r, c);
    return count;
}

void BM_EofAnalysis(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Workspace ws = SyntheticReference(kSites, n);
    for (auto _ : state) {
        ComputeEofResults(ws, {});
        benchmark::DoNotOptimize(ws.refScores.row(1));
        benchmark::ClobberMemory();
    }
}

void BM_EofReference(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const int n = static_cast<int>(state.range(0));
    Workspace ws = SyntheticReference(kSites, n);
    ReferenceResult ref;
    double referenceSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        ref = ReferenceAnalysis(ws);
        referenceSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        benchmark::DoNotOptimize(ref.scores.row(1));
    }
    referenceSeconds /= static_cast<double>(state.iterations());

    const auto start = Clock::now();
    ComputeEofResults(ws, {});
    const double fastSeconds = std::chrono::duration<double>(Clock::now() - start).count();

    const double eigDiff = MaxRelativeEigenvalueDifference(ws.eofVectors, ref.eofVectors, n);
    long differing = CountDifferences(ws.dispersionMatrix, ref.dispersion) +
                     CountDifferences(ws.eofVectors, ref.eofVectors) +
                     CountDifferences(ws.taxonLoadings, ref.loadings) +
                     CountDifferences(ws.refRawScores, ref.rawScores) +
                     CountDifferences(ws.refScores, ref.scores);
    for (int k = 1; k <= n; ++k)
        differing += (ws.eofContribution[k] != ref.contribution[k]) +
                     (ws.eofCumulative[k] != ref.cumulative[k]);
    state.counters["fast_ms"] = fastSeconds * 1e3;
    state.counters["speedup"] = referenceSeconds / fastSeconds;
    state.counters["max_rel_eig_diff"] = eigDiff;
    state.counters["differing_values"] = static_cast<double>(differing);
    std::printf(
        "n=%d: reference %.1f ms, fast %.1f ms, speedup %.2f, max relative eigenvalue "
        "difference %.3g, differing values %ld",
        n, referenceSeconds * 1e3, fastSeconds * 1e3, referenceSeconds / fastSeconds, eigDiff,
        differing);
    if (n <= 300) {
        Matrix<double> leftToRight;
        PlainEigenpairs(ref.dispersion, n, true, leftToRight);
        const double ltr = MaxRelativeEigenvalueDifference(ws.eofVectors, leftToRight, n);
        state.counters["ltr_rel_eig_diff"] = ltr;
        std::printf(", against left-to-right deflation %.3g", ltr);
    }
    std::printf("\n");
}

BENCHMARK(BM_EofAnalysis)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_EofReference)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EofReference)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tarvex
