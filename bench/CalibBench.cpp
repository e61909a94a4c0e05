// The calibration chain as "Start" runs it on the 251 x 251 grid: the error model from a
// Vest-Vobs fit, the discrete and joint models, smoothing, both normalisations, the median
// and the confidence regions (slots 0 to 7), from 1,000 Vrec-Vest pairs.
//
//   BM_ChainFast    the vectorised, shared-among-cores path;
//   BM_ChainPlain   the plain order, checked bit for bit against the fast run once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "app/Workspace.h"
#include "BenchPairs.h"
#include "calib/CalibData.h"
#include "calib/CalibModel.h"

namespace tarvex {
namespace {

using namespace calib;

PairSet Pairs(int n, float slope, float intercept, float spread, uint32_t seed)
{
    return bench::Pairs(n, slope, intercept, spread, seed);
}

struct Setup {
    Workspace ws;
    PairSet set0 = Pairs(1000, 0.8f, 2.5f, 3, 1);
    PairSet set1 = Pairs(300, 1.1f, -0.4f, 1.5f, 2);
    Setup()
    {
        AllocateCalibMatrices(ws);
        ValidateRange(ws, "0", "20");
        RefitVestVobs(set1);
    }
};

bool SameSlots(const Workspace& a, const Workspace& b)
{
    for (int s = 0; s <= 7; ++s) {
        const std::size_t n = 251u * 251u * sizeof(float);
        if (std::memcmp(a.calibMatrices[s].row(0), b.calibMatrices[s].row(0), n) != 0) return false;
    }
    return a.modeIndex == b.modeIndex && a.medianIndex == b.medianIndex;
}

void RunChainBench(benchmark::State& state, Path path)
{
    Setup s;
    const ChainSettings settings;
    for (auto _ : state) {
        RunChain(s.ws, s.set0, s.set1, settings, false, path);
        benchmark::ClobberMemory();
    }
    if (path == Path::Plain) {
        Setup fast;
        RunChain(fast.ws, fast.set0, fast.set1, settings, false, Path::Fast);
        if (!SameSlots(s.ws, fast.ws)) state.SkipWithError("fast chain differs from the plain one");
    }
}

void BM_ChainFast(benchmark::State& state)
{
    RunChainBench(state, Path::Fast);
}
void BM_ChainPlain(benchmark::State& state)
{
    RunChainBench(state, Path::Plain);
}

BENCHMARK(BM_ChainFast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainPlain)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvex
