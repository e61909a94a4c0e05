// Time of one envelope analysis (3000 directions) against the number of reference sites and
// the number of selected EOFs, with 500 fossil samples.
#include <benchmark/benchmark.h>

#include "app/Workspace.h"
#include "plots/Envelope.h"

namespace {

tarvex::Workspace Scores(int sites, int samples, int eofs, int selected)
{
    tarvex::Workspace ws;
    tarvex::UniformRandom rng;
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.fossilSampleCount = static_cast<int16_t>(samples);
    ws.taxonCount = static_cast<int16_t>(eofs);
    ws.refScores.resize(sites, eofs);
    ws.fossilScores.resize(samples, eofs);
    for (int s = 1; s <= sites; ++s)
        for (int k = 1; k <= eofs; ++k) ws.refScores(s, k) = 4 * rng.Next() - 2;
    for (int j = 1; j <= samples; ++j)
        for (int k = 1; k <= eofs; ++k) ws.fossilScores(j, k) = 5 * rng.Next() - 2.5;
    ws.selectedAxes.assign(static_cast<std::size_t>(eofs) + 1, 0);
    for (int k = 1; k <= eofs; ++k) ws.selectedAxes[k] = static_cast<int16_t>(k);
    ws.selectedAxisCount = static_cast<int16_t>(selected);
    ws.moreAxes = selected > 3;
    return ws;
}

void BM_Envelope(benchmark::State& state)
{
    const int sites = static_cast<int>(state.range(0));
    const int selected = static_cast<int>(state.range(1));
    tarvex::Workspace ws = Scores(sites, 500, 12, selected);
    tarvex::UniformRandom rng;
    for (auto _ : state) {
        tarvex::RunEnvelopeAnalysis(ws, rng, 0.1f, {});
        benchmark::DoNotOptimize(ws.fossilOutside);
    }
    state.SetLabel(std::to_string(sites) + " sites, " + std::to_string(selected) + " EOFs");
}

}  // namespace

BENCHMARK(BM_Envelope)
    ->Args({1000, 2})
    ->Args({1000, 3})
    ->Args({5000, 3})
    ->Args({5000, 10})
    ->Unit(benchmark::kMillisecond);
