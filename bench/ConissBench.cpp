// Time of the zonation tools against the number of samples, with 100 taxa.
//
// The successive splitting is timed in its worst case: every step peels off the bottom
// sample, so a sequence of N samples takes N - 1 steps over N, N - 1, ..., 2 samples, and the
// plain order computes about N^3 T / 3 single-precision terms. The fast search is timed as the
// program runs it (screening by proven bounds, then the surviving splits in vector lanes) and
// with every split computed in full, which is its speed on data the screening cannot thin out.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

#include "diagram/Coniss.h"

namespace {

constexpr int kTaxa = 100;

// Sample i holds only taxon (i mod taxa) + 1, with a share that grows down the sequence: the
// bottom sample is always the most distinct one.
tarvex::Matrix<double> PeelingSequence(int n, int t)
{
    tarvex::Matrix<double> x(n, t);
    for (int i = 1; i <= n; ++i) x(i, (i - 1) % t + 1) = 0.1 + 0.001 * i;
    return x;
}

// Proportions of a noisy sequence with a few shifts in composition, like a real diagram.
tarvex::Matrix<double> RandomSequence(int n, int t)
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> uniform(0, 1);
    tarvex::Matrix<double> x(n, t);
    for (int i = 1; i <= n; ++i) {
        double total = 0;
        for (int u = 1; u <= t; ++u) {
            const double zone = (i * 4 / (n + 1) + u) % 7 == 0 ? 5 : 1;
            x(i, u) = zone * uniform(rng);
            total += x(i, u);
        }
        for (int u = 1; u <= t; ++u) x(i, u) /= total;
    }
    return x;
}

std::vector<float> Numbered(int n)
{
    std::vector<float> p(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) p[i] = static_cast<float>(i);
    return p;
}

bool WorstCase(const std::vector<tarvex::SplitStep>& steps, int n)
{
    if (static_cast<int>(steps.size()) != n - 1) return false;
    for (int k = 0; k < n - 1; ++k)
        if (steps[k].boundary != n - k) return false;
    return true;
}

bool SameBits(const std::vector<tarvex::SplitStep>& a, const std::vector<tarvex::SplitStep>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (a[k].boundary != b[k].boundary || std::memcmp(&a[k].ss, &b[k].ss, sizeof(float)) != 0)
            return false;
    return true;
}

void BM_SplitsReference(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const tarvex::Matrix<double> x = PeelingSequence(n, kTaxa);
    std::vector<tarvex::SplitStep> steps;
    for (auto _ : state) {
        steps = tarvex::SuccessiveSplitsReference(x, n, kTaxa);
        benchmark::DoNotOptimize(steps.data());
    }
    if (!WorstCase(steps, n)) state.SkipWithError("not the worst case: a step split elsewhere");
    if (!SameBits(steps, tarvex::SuccessiveSplits(x, n, kTaxa)))
        state.SkipWithError("the fast search differs from the plain order");
    state.SetLabel(std::to_string(n) + " x " + std::to_string(kTaxa) + ", " +
                   std::to_string(steps.size()) + " steps");
}

void Splits(benchmark::State& state, const tarvex::Matrix<double>& x, int n, bool screen,
            bool worst)
{
    long long full = 0;
    tarvex::SplitSearch search;
    search.screen = screen;
    search.threads = static_cast<int>(state.range(1));
    search.fullSums = &full;
    std::vector<tarvex::SplitStep> steps;
    for (auto _ : state) {
        steps = tarvex::SuccessiveSplits(x, n, kTaxa, search);
        benchmark::DoNotOptimize(steps.data());
    }
    if (worst && !WorstCase(steps, n))
        state.SkipWithError("not the worst case: a step split elsewhere");
    state.counters["steps"] = static_cast<double>(steps.size());
    state.counters["fullSums"] = static_cast<double>(full);
    state.SetLabel(std::to_string(n) + " x " + std::to_string(kTaxa) + ", " +
                   (search.threads ? std::to_string(search.threads) + " thread(s)" : "auto"));
}

void BM_SplitsFast(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Splits(state, PeelingSequence(n, kTaxa), n, true, true);
}

void BM_SplitsFastEverySplitInFull(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Splits(state, PeelingSequence(n, kTaxa), n, false, true);
}

void BM_SplitsFastRandomSequence(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Splits(state, RandomSequence(n, kTaxa), n, true, false);
}

void BM_ClusteringButton1(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const tarvex::Matrix<double> x = RandomSequence(n, kTaxa);
    const std::vector<float> positions = Numbered(n);
    for (auto _ : state) {
        tarvex::ConissState s = tarvex::RunConiss(x, n, kTaxa, positions);
        benchmark::DoNotOptimize(s.merges.data());
    }
    state.SetLabel(std::to_string(n) + " x " + std::to_string(kTaxa));
}

void BM_ClassicConiss(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const tarvex::Matrix<double> x = RandomSequence(n, kTaxa);
    const std::vector<float> positions = Numbered(n);
    for (auto _ : state) {
        tarvex::IssZonation z =
            tarvex::ClassicConiss(x, n, kTaxa, tarvex::ZonationTransform::SquareRoot, positions);
        benchmark::DoNotOptimize(z.merges.data());
    }
    state.SetLabel(std::to_string(n) + " x " + std::to_string(kTaxa));
}

}  // namespace

// The plain order takes seconds to minutes; one run each is enough to compare.
BENCHMARK(BM_SplitsReference)
    ->Arg(100)
    ->Arg(200)
    ->Arg(500)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
// Second argument: threads (0 = as the program chooses).
BENCHMARK(BM_SplitsFast)
    ->ArgsProduct({{100, 200, 500}, {0}})
    ->Args({500, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitsFastEverySplitInFull)
    ->ArgsProduct({{100, 200, 500}, {0}})
    ->Args({500, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitsFastRandomSequence)
    ->Args({100, 0})
    ->Args({500, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClusteringButton1)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassicConiss)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
