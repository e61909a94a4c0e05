#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "app/ParallelFor.h"
#include "app/VectorKernels.h"
#include "diagram/Coniss.h"

// Every split's sum of squares is one single-precision accumulator fed in a fixed order (taxa
// outer, samples inner, the upper part before the lower), and the first of equal minima wins,
// so the splits found depend on every rounding of that chain. The fast search keeps each chain
// exactly and only changes which chains run side by side: one vector lane per split. It is
// built for AVX2 and for plain x86-64 and picks one at start-up; neither uses fused
// multiply-add (this file is compiled with -ffp-contract=off), so both round like the plain
// loops.

namespace tarvex {

namespace {

// ---- Reference: one split after another ---------------------------------------------------

float SplitSumOfSquares(const Matrix<double>& x, int m, int taxa, int p, std::vector<float>& mean1,
                        std::vector<float>& mean2)
{
    for (int u = 1; u <= taxa; ++u) {
        float a = 0;
        for (int i = 1; i <= p; ++i) a += x(i, u);
        mean1[u] = a / p;
        float b = 0;
        for (int i = p + 1; i <= m; ++i) b += x(i, u);
        mean2[u] = b / (m - p);
    }
    float ss = 0;
    for (int u = 1; u <= taxa; ++u) {
        for (int i = 1; i <= p; ++i) ss += (x(i, u) - mean1[u]) * (x(i, u) - mean1[u]);
        for (int i = p + 1; i <= m; ++i) ss += (x(i, u) - mean2[u]) * (x(i, u) - mean2[u]);
    }
    return ss;
}

// ---- Fast search: vector lanes over splits -------------------------------------------------

typedef double V4 __attribute__((vector_size(32)));
typedef float V4f __attribute__((vector_size(16)));
typedef long long V4i __attribute__((vector_size(32)));
constexpr int kLanes = 4;
// A block runs up to kMaxVectors chains of 4 lanes side by side to hide the latency of the
// add-and-round; smaller blocks serve the few splits the screening leaves.
constexpr int kMaxVectors = 8;
constexpr int kMaxBlock = kLanes * kMaxVectors;

[[gnu::always_inline]] inline V4 Splat(double v)
{
    return V4{v, v, v, v};
}

// The accumulator is single precision: the double sum is rounded to float at every step.
// Written this way GCC emits one narrowing and one widening instruction for AVX2 (a second
// __builtin_convertvector widens in halves), and it keeps the rounding: GCC 12 drops the
// rounding of a vector built from (double)(float) of each element. The tests against the
// plain order catch any such loss.
[[gnu::always_inline]] inline V4 ToSingle(V4 v)
{
    const V4f f = __builtin_convertvector(v, V4f);
    return V4{f[0], f[1], f[2], f[3]};
}

[[gnu::always_inline]] inline V4 Select(V4i mask, V4 ifTrue, V4 ifFalse)
{
    return (V4)(((V4i)ifTrue & mask) | ((V4i)ifFalse & ~mask));
}

// Everything a step needs that does not depend on where the step ends.
struct SplitData {
    int n = 0;
    int taxa = 0;
    const Matrix<double>* x = nullptr;
    std::vector<double> byTaxon;     // [(u - 1) * (n + 1) + i]: the data taxon by taxon
    std::vector<float> upperSums;    // [p * taxa + u - 1]: float sum of samples 1..p, in order
    bool screenable = false;         // the bounds below may be used
    std::vector<double> shiftedSum;  // [k * taxa + u - 1]: prefix sums of x - c(u)
    std::vector<double> shiftedSq;   // prefix sums of (x - c(u))^2
    std::vector<double> absSum;      // prefix sums of |x|
};

SplitData PrepareSplitData(const Matrix<double>& x, int n, int taxa, bool screen)
{
    SplitData d;
    d.n = n;
    d.taxa = taxa;
    d.x = &x;
    d.byTaxon.assign(static_cast<std::size_t>(taxa) * (n + 1), 0.0);
    for (int i = 1; i <= n; ++i)
        for (int u = 1; u <= taxa; ++u)
            d.byTaxon[static_cast<std::size_t>(u - 1) * (n + 1) + i] = x(i, u);

    d.upperSums.assign(static_cast<std::size_t>(n + 1) * taxa, 0.0f);
    for (int p = 1; p <= n; ++p)
        for (int u = 1; u <= taxa; ++u) {
            float a = d.upperSums[static_cast<std::size_t>(p - 1) * taxa + u - 1];
            a += x(p, u);
            d.upperSums[static_cast<std::size_t>(p) * taxa + u - 1] = a;
        }

    // The bounds need finite means and squares; beyond 1e30 a float sum could overflow.
    bool tame = screen && taxa >= 1;
    for (int i = 1; i <= n && tame; ++i)
        for (int u = 1; u <= taxa; ++u)
            if (!(std::fabs(x(i, u)) <= 1e30)) {
                tame = false;
                break;
            }
    if (!tame) return d;
    d.screenable = true;
    const std::size_t size = static_cast<std::size_t>(n + 1) * taxa;
    d.shiftedSum.assign(size, 0.0);
    d.shiftedSq.assign(size, 0.0);
    d.absSum.assign(size, 0.0);
    for (int u = 1; u <= taxa; ++u) {
        // Centring keeps the prefix sums small, so the bounds stay tight for raw values far
        // from zero; any shift would be correct.
        double c = 0;
        for (int i = 1; i <= n; ++i) c += x(i, u);
        c /= n;
        for (int k = 1; k <= n; ++k) {
            const std::size_t at = static_cast<std::size_t>(k) * taxa + u - 1;
            const std::size_t before = at - taxa;
            const double y = x(k, u) - c;
            d.shiftedSum[at] = d.shiftedSum[before] + y;
            d.shiftedSq[at] = d.shiftedSq[before] + y * y;
            d.absSum[at] = d.absSum[before] + std::fabs(x(k, u));
        }
    }
    return d;
}

double Gamma(double k, double unit)
{
    return k * unit / (1 - k * unit);
}

// Which splits of samples 1..m can hold the first smallest sum of squares.
//
// For split p let F be its float chain of k = m * taxa steps and E the exact sum of the
// squared deviations from its float means. A step rounds the double sum to float (relative
// error below uF = 2^-24 + 2^-52, both roundings together, or 2^-150 absolute for tiny
// sums); each term is a difference and a square in double (2^-51 relative, 2^-1075 absolute).
// The terms are not negative, so the partial sums grow, and with C(u) the part of E from taxa
// 1..u, every partial sum within taxon u is at most C(u). Hence
//     |F - E| <= uF (1 + g) m sum over u of C(u) + 2^-51 E + k 2^-149,
// where g = k uF / (1 - k uF) covers computed partial sums above the exact ones; this holds
// while no partial sum overflows, which an upper bound below 1e38 guarantees.
// E is the within-part sum of squares W about the exact means plus n (mean - float mean)^2 per
// part and taxon; a float mean is off by at most delta = 2 gamma(n + 1) sum|x| / n + 2^-148
// (float summation and division, gamma with 2^-23), so W <= E <= W + sum of n delta^2. W is
// estimated from prefix sums of the centred data; the error of that estimate for taxon u,
// from the centring, the prefix sums, the subtraction and the sum over taxa, is below
// 16 (gamma(N + 2) + gamma(2 taxa + 2)) A2(u) (2 + m/p + m/(m - p)) in double, A2(u) being the
// sum of the squared centred values of samples 1..m (Cauchy-Schwarz bounds the sums of
// magnitudes by it). The factors 1.01 and 2^-40 cover the roundings of the bounds themselves.
// A split whose lower bound exceeds some split's upper bound cannot be the first minimum;
// every split that can is a candidate and is computed in full.
std::vector<int> ScreenSplits(const SplitData& d, int m, int threads)
{
    std::vector<int> all;
    for (int p = 1; p <= m - 1; ++p) all.push_back(p);
    const double steps = static_cast<double>(m) * d.taxa;
    const double uF = std::ldexp(1.0, -24) + std::ldexp(1.0, -52);
    const double v = std::ldexp(1.0, -23);
    if (!d.screenable || steps * v > 0.25) return all;

    const int t = d.taxa;
    const double u53 = std::ldexp(1.0, -53);
    const double meanTiny = std::ldexp(1.0, -148);
    const double* sum = d.shiftedSum.data();
    const double* sq = d.shiftedSq.data();
    const double* abs = d.absSum.data();
    const double* sumM = sum + static_cast<std::size_t>(m) * t;
    const double* sqM = sq + static_cast<std::size_t>(m) * t;
    const double* absM = abs + static_cast<std::size_t>(m) * t;

    const double estimateError = 16 * 1.01 * (Gamma(d.n + 2, u53) + Gamma(2.0 * t + 2, u53));
    const double prefixError = 4 * Gamma(d.n + 2, u53);
    const double chainFactor = 1.01 * uF * (1 + Gamma(steps, uF)) * m;
    const double absolute = steps * std::ldexp(1.0, -149);
    // Above this a chain may have overflowed and its upper bound says nothing.
    const double overflowGuard = 1e38;

    std::vector<double> low(static_cast<std::size_t>(m), 0.0);
    std::vector<double> high(static_cast<std::size_t>(m), 0.0);
    auto bounds = [&](int p) {
        const double* sumP = sum + static_cast<std::size_t>(p) * t;
        const double* sqP = sq + static_cast<std::size_t>(p) * t;
        const double* absP = abs + static_cast<std::size_t>(p) * t;
        const double n1 = p;
        const double n2 = m - p;
        const double g1 = 2 * Gamma(n1 + 1, v) / n1;
        const double g2 = 2 * Gamma(n2 + 1, v) / n2;
        const double errorPerA2 = estimateError * (2 + m / n1 + m / n2);
        double lowE = 0;
        double highE = 0;
        double cumulative = 0;  // sum over u of C(u)
        for (int u = 0; u < t; ++u) {
            const double s1 = sumP[u];
            const double s2 = sumM[u] - sumP[u];
            const double w = (sqP[u] - s1 * s1 / n1) + ((sqM[u] - sqP[u]) - s2 * s2 / n2);
            const double err = errorPerA2 * sqM[u];
            const double slack = prefixError * absM[u];
            const double d1 = g1 * (absP[u] + slack) + meanTiny;
            const double d2 = g2 * (absM[u] - absP[u] + slack) + meanTiny;
            const double meanShift = 1.01 * (n1 * d1 * d1 + n2 * d2 * d2);
            lowE += w - err;
            highE += std::max(0.0, w + err) + meanShift;
            cumulative += highE;
        }
        const double spread = chainFactor * cumulative + std::ldexp(1.0, -50) * highE + absolute;
        low[p] = std::max(0.0, lowE - spread) * (1 - std::ldexp(1.0, -40));
        high[p] = (highE + spread) * (1 + std::ldexp(1.0, -40));
    };
    // Each split's bounds are its own, so the splits can be shared out among the cores.
    const int chunks = steps >= 20000 ? 4 * std::max(threads, 1) : 1;
    ParallelFor(chunks, threads, [&](int c) {
        for (int p = 1 + c; p <= m - 1; p += chunks) bounds(p);
    });
    double smallestHigh = std::numeric_limits<double>::infinity();
    for (int p = 1; p <= m - 1; ++p)
        if (high[p] < overflowGuard) smallestHigh = std::min(smallestHigh, high[p]);
    if (!(smallestHigh < overflowGuard)) return all;
    std::vector<int> candidates;
    for (int p = 1; p <= m - 1; ++p)
        if (!(low[p] > smallestHigh)) candidates.push_back(p);
    return candidates;
}

// Full sums of squares of kVectors * 4 splits of samples 1..m, lanes[j] the split of lane j.
template <int kVectors>
[[gnu::always_inline]] inline void BlockSumsOf(const SplitData& d, int m, const int* lanes,
                                               float* out, std::vector<double>& scratch)
{
    constexpr int kBlock = kLanes * kVectors;
    const int t = d.taxa;
    const Matrix<double>& x = *d.x;
    int lowest = lanes[0];
    int highest = lanes[0];
    for (int j = 1; j < kBlock; ++j) {
        lowest = std::min(lowest, lanes[j]);
        highest = std::max(highest, lanes[j]);
    }
    V4 split[kVectors];
    V4 lowerCount[kVectors];
    for (int g = 0; g < kVectors; ++g)
        for (int l = 0; l < kLanes; ++l) {
            split[g][l] = lanes[g * kLanes + l];
            lowerCount[g][l] = m - lanes[g * kLanes + l];
        }

    // Lower means: each lane sums its own samples p + 1..m in order, starting from 0, so the
    // lanes that have not reached their first sample add nothing.
    // A vector of vector types need not honour their alignment, so the buffer is aligned here.
    const std::size_t vectors = static_cast<std::size_t>(t) * kVectors * 2;
    scratch.assign(vectors * kLanes + kLanes, 0.0);
    void* base = scratch.data();
    std::size_t room = scratch.size() * sizeof(double);
    V4* lowerSum = static_cast<V4*>(std::align(sizeof(V4), vectors * sizeof(V4), base, room));
    V4* upperMean = lowerSum + static_cast<std::size_t>(t) * kVectors;
    for (int i = lowest + 1; i <= m; ++i) {
        const double* row = x.row(i);
        if (i > highest) {
            for (int u = 1; u <= t; ++u) {
                const V4 xi = Splat(row[u]);
#pragma GCC unroll 16
                for (int g = 0; g < kVectors; ++g) {
                    V4& a = lowerSum[(u - 1) * kVectors + g];
                    a = ToSingle(a + xi);
                }
            }
        } else {
            V4i in[kVectors];
            for (int g = 0; g < kVectors; ++g) in[g] = (V4i)(Splat(i) > split[g]);
            for (int u = 1; u <= t; ++u) {
                const V4 xi = Splat(row[u]);
#pragma GCC unroll 16
                for (int g = 0; g < kVectors; ++g) {
                    V4& a = lowerSum[(u - 1) * kVectors + g];
                    a = ToSingle(a + Select(in[g], xi, V4{}));
                }
            }
        }
    }
    for (int u = 1; u <= t; ++u)
        for (int g = 0; g < kVectors; ++g) {
            V4& a = lowerSum[(u - 1) * kVectors + g];
            const V4f mean =
                __builtin_convertvector(a, V4f) / __builtin_convertvector(lowerCount[g], V4f);
            a = __builtin_convertvector(mean, V4);
            for (int l = 0; l < kLanes; ++l) {
                const int p = lanes[g * kLanes + l];
                upperMean[(u - 1) * kVectors + g][l] =
                    d.upperSums[static_cast<std::size_t>(p) * t + u - 1] / p;
            }
        }

    V4 acc[kVectors] = {};
    for (int u = 1; u <= t; ++u) {
        const double* column = d.byTaxon.data() + static_cast<std::size_t>(u - 1) * (d.n + 1);
        const V4* m1 = upperMean + (u - 1) * kVectors;
        const V4* m2 = lowerSum + (u - 1) * kVectors;
        int i = 1;
        for (; i <= lowest; ++i) {
            const V4 xi = Splat(column[i]);
#pragma GCC unroll 16
            for (int g = 0; g < kVectors; ++g) {
                const V4 diff = xi - m1[g];
                acc[g] = ToSingle(acc[g] + diff * diff);
            }
        }
        for (; i <= highest; ++i) {
            const V4 xi = Splat(column[i]);
#pragma GCC unroll 16
            for (int g = 0; g < kVectors; ++g) {
                const V4 diff = xi - Select((V4i)(Splat(i) <= split[g]), m1[g], m2[g]);
                acc[g] = ToSingle(acc[g] + diff * diff);
            }
        }
        for (; i <= m; ++i) {
            const V4 xi = Splat(column[i]);
#pragma GCC unroll 16
            for (int g = 0; g < kVectors; ++g) {
                const V4 diff = xi - m2[g];
                acc[g] = ToSingle(acc[g] + diff * diff);
            }
        }
    }
    for (int g = 0; g < kVectors; ++g)
        for (int l = 0; l < kLanes; ++l) out[g * kLanes + l] = static_cast<float>(acc[g][l]);
}

TARVEX_CLONED_KERNEL
void BlockSums2(const SplitData& d, int m, const int* lanes, float* out, std::vector<double>& s)
{
    BlockSumsOf<2>(d, m, lanes, out, s);
}
TARVEX_CLONED_KERNEL
void BlockSums4(const SplitData& d, int m, const int* lanes, float* out, std::vector<double>& s)
{
    BlockSumsOf<4>(d, m, lanes, out, s);
}
TARVEX_CLONED_KERNEL
void BlockSums8(const SplitData& d, int m, const int* lanes, float* out, std::vector<double>& s)
{
    BlockSumsOf<8>(d, m, lanes, out, s);
}

std::vector<float> FullSums(const SplitData& d, int m, const std::vector<int>& candidates,
                            int threads)
{
    const int count = static_cast<int>(candidates.size());
    std::vector<float> sums(static_cast<std::size_t>(count), 0.0f);
    struct Block {
        int first, vectors;
    };
    std::vector<Block> blocks;
    for (int first = 0; first < count;) {
        const int left = count - first;
        const int vectors = left >= 32 ? 8 : left > 8 ? 4 : 2;
        blocks.push_back({first, vectors});
        first += kLanes * vectors;
    }
    // Each block writes its own sums, so who runs which block does not matter.
    ParallelFor(static_cast<int>(blocks.size()), threads, [&](int b) {
        const Block block = blocks[b];
        const int size = kLanes * block.vectors;
        int lanes[kMaxBlock];
        float out[kMaxBlock];
        // A short last block repeats its last split in the spare lanes.
        for (int j = 0; j < size; ++j) lanes[j] = candidates[std::min(block.first + j, count - 1)];
        std::vector<double> scratch;
        if (block.vectors == 8)
            BlockSums8(d, m, lanes, out, scratch);
        else if (block.vectors == 4)
            BlockSums4(d, m, lanes, out, scratch);
        else
            BlockSums2(d, m, lanes, out, scratch);
        for (int j = 0; j < size && block.first + j < count; ++j) sums[block.first + j] = out[j];
    });
    return sums;
}

}  // namespace

std::vector<SplitStep> SuccessiveSplitsReference(const Matrix<double>& proportions, int samples,
                                                 int taxa)
{
    const int n = UsableRows(proportions, samples);
    const int t = UsableCols(proportions, taxa);
    std::vector<SplitStep> steps;
    std::vector<float> mean1(static_cast<std::size_t>(t) + 1),
        mean2(static_cast<std::size_t>(t) + 1);
    int m = n;
    while (m > 1) {
        // From infinity: with raw values every sum may exceed any fixed ceiling.
        float best = std::numeric_limits<float>::infinity();
        int bestSplit = 0;
        for (int p = 1; p <= m - 1; ++p) {
            const float ss = SplitSumOfSquares(proportions, m, t, p, mean1, mean2);
            if (ss < best) {
                best = ss;
                bestSplit = p;
            }
        }
        if (bestSplit == 0) break;
        SplitStep step;
        step.ss = best;
        step.boundary = static_cast<int16_t>(bestSplit + 1);
        steps.push_back(step);
        m = bestSplit;
    }
    return steps;
}

std::vector<SplitStep> SuccessiveSplits(const Matrix<double>& proportions, int samples, int taxa,
                                        const SplitSearch& search)
{
    const int n = UsableRows(proportions, samples);
    const int t = UsableCols(proportions, taxa);
    std::vector<SplitStep> steps;
    if (n < 2) return steps;
    const SplitData d = PrepareSplitData(proportions, n, t, search.screen);
    // The steps follow each other; within a step the blocks of splits share the cores.
    const int threads =
        search.threads > 0 ? search.threads : ThreadsFor(static_cast<double>(n) * n * t);
    long long full = 0;
    int m = n;
    while (m > 1) {
        const std::vector<int> candidates = ScreenSplits(d, m, threads);
        const std::vector<float> sums = FullSums(d, m, candidates, threads);
        full += static_cast<long long>(candidates.size());
        float best = std::numeric_limits<float>::infinity();
        int bestSplit = 0;
        for (std::size_t c = 0; c < candidates.size(); ++c)
            if (sums[c] < best) {
                best = sums[c];
                bestSplit = candidates[c];
            }
        if (bestSplit == 0) break;
        SplitStep step;
        step.ss = best;
        step.boundary = static_cast<int16_t>(bestSplit + 1);
        steps.push_back(step);
        m = bestSplit;
    }
    if (search.fullSums) *search.fullSums = full;
    return steps;
}

std::vector<SplitStep> SuccessiveSplits(const Matrix<double>& proportions, int samples, int taxa)
{
    return SuccessiveSplits(proportions, samples, taxa, SplitSearch{});
}

}  // namespace tarvex
