// The analogue search on the North American modern pollen set (4,759 sites x 134 taxa, 32
// climate parameters), taxa proportions with the square-root enhancement, 10 analogues:
//
//   BM_ErrorModel          the leave-one-out error model as the window runs it again with the
//                          same settings (the 181 MB site-by-site distance matrix is reused);
//   BM_ErrorModelFresh     the same, with the distance matrix allocated anew every time, as
//                          when the matrix held the fossil distances before;
//   BM_ErrorModelPlain     the plain order (each distance on its own, one scan per rank),
//                          once, checked bit for bit against the fast run; reports the speedup;
//   BM_Fossil1000          the reconstruction of 1,000 fossil samples (every fourth site of
//                          the set, taken as a fossil sequence) against all sites;
//   BM_Fossil1000Plain     the same by the plain order, checked bit for bit;
//   BM_ModernClosest       every site's distance to its closest other site (analogue quality);
//   BM_ModernClosestCached the same answered by the cache when the distance is unchanged;
//   BM_Fossil1000WithQuality  BM_Fossil1000 with the quality figures of every sample.
//
// The data are read from TARVEX_BENCH_DATA (a folder holding modern.csv and climate.csv),
// by default north-american-pollen in the data folder beside the repository
// (../shared/data, or the folder the environment variable TARVEX_DATA names).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Workspace.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "eof/Pretreatment.h"
#include "mat/AnalogueQuality.h"
#include "mat/Analogues.h"

namespace tarvex {
namespace {

constexpr int kFossilSamples = 1000;

std::string DataFolder()
{
    if (const char* folder = std::getenv("TARVEX_BENCH_DATA"); folder && *folder) return folder;
    const char* data = std::getenv("TARVEX_DATA");
    return std::string(data && *data ? data : TARVEX_DATA_DIR) + "/north-american-pollen";
}

// The reference set with its climate, or an empty workspace when the files cannot be read.
const Workspace& NorthAmerica()
{
    static const Workspace ws = [] {
        Workspace w;
        if (!ImportReferenceTable(w, DataFolder() + "/modern.csv").ok) return Workspace{};
        PretreatmentChoice choice;
        choice.convertToPercent = true;
        PretreatReference(w, choice);
        TableReadResult climate = ReadDataTableFile(DataFolder() + "/climate.csv");
        if (climate.status != TableStatus::Ok || climate.table.rowCount != w.refSiteCount)
            return Workspace{};
        w.climateParamCount = static_cast<int16_t>(climate.table.columnCount);
        w.climateParamNames = climate.table.columnNames;
        w.climateValues = std::move(climate.table.values);
        w.climateLoaded = true;
        // Every fourth site as a fossil sequence.
        w.fossilSampleCount = kFossilSamples;
        w.fossilTaxonCount = w.refTaxonCount;
        w.fossilTextLabels = true;
        w.fossilSampleLabels.assign(kFossilSamples + 1, "");
        w.fossilSampleEmpty.assign(kFossilSamples + 1, false);
        w.fossilProportions.resize(kFossilSamples, w.refTaxonCount);
        for (int i = 1; i <= kFossilSamples; ++i) {
            const int s = 4 * i - 1;
            w.fossilSampleLabels[i] = std::to_string(s);
            for (int t = 0; t <= w.refTaxonCount; ++t)
                w.fossilProportions(i, t) = w.refProportions(s, t);
        }
        return w;
    }();
    return ws;
}

AnalogueSettings Settings()
{
    AnalogueSettings s;
    s.basis = DistanceBasis::TaxaProportions;
    s.enhancement = MinorTaxaEnhancement::SquareRoot;
    s.kmax = 10;
    s.kmin = 0;
    s.thresholdSlider = 20;
    s.weighting = Weighting::SquaredDistance;
    return s;
}

bool Ready(benchmark::State& state)
{
    if (NorthAmerica().refSiteCount > 0) return true;
    state.SkipWithError(("cannot read the North American set (modern.csv, climate.csv) from " +
                         DataFolder() + "; TARVEX_BENCH_DATA names its folder")
                            .c_str());
    return false;
}

long Differences(const Matrix<double>& a, const Matrix<double>& b)
{
    if (a.rows() != b.rows() || a.cols() != b.cols()) return -1;
    long n = 0;
    for (int r = 0; r <= a.rows(); ++r)
        n += std::memcmp(a.row(r), b.row(r), sizeof(double) * (a.cols() + 1)) != 0;
    return n;
}

void Label(benchmark::State& state, const Workspace& ws, int targets)
{
    state.SetLabel(std::to_string(targets) + " x " + std::to_string(ws.refSiteCount) + " sites x " +
                   std::to_string(ws.refTaxonCount) + " taxa, " +
                   std::to_string(ws.climateParamCount) + " parameters");
}

void BM_ErrorModel(benchmark::State& state)
{
    if (!Ready(state)) return;
    Workspace ws = NorthAmerica();
    const AnalogueSettings settings = Settings();
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    for (auto _ : state) {
        GenerateErrorModel(ws, settings, threshold);
        benchmark::DoNotOptimize(ws.siteReconValues.row(1));
    }
    Label(state, ws, ws.refSiteCount);
}

void BM_ErrorModelFresh(benchmark::State& state)
{
    if (!Ready(state)) return;
    Workspace ws = NorthAmerica();
    const AnalogueSettings settings = Settings();
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    for (auto _ : state) {
        state.PauseTiming();
        ws.distanceMatrix = Matrix<double>();
        state.ResumeTiming();
        GenerateErrorModel(ws, settings, threshold);
        benchmark::DoNotOptimize(ws.siteReconValues.row(1));
    }
    Label(state, ws, ws.refSiteCount);
}

template <typename Fast, typename Plain>
void AgainstPlain(benchmark::State& state, Fast fast, Plain plain,
                  Matrix<double> Workspace::*values, int targets)
{
    using Clock = std::chrono::steady_clock;
    if (!Ready(state)) return;
    Workspace plainWs = NorthAmerica();
    double plainSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        plain(plainWs);
        plainSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    plainSeconds /= static_cast<double>(state.iterations());
    Workspace fastWs = NorthAmerica();
    const auto start = Clock::now();
    fast(fastWs);
    const double fastSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long differing = Differences(plainWs.*values, fastWs.*values);
    const long differingDistances = Differences(plainWs.distanceMatrix, fastWs.distanceMatrix);
    state.counters["fast_ms"] = fastSeconds * 1e3;
    state.counters["speedup"] = plainSeconds / fastSeconds;
    state.counters["differing_rows"] = static_cast<double>(differing);
    state.counters["differing_distance_rows"] = static_cast<double>(differingDistances);
    if (differing != 0 || differingDistances != 0)
        state.SkipWithError("the fast run differs from the plain order");
    Label(state, plainWs, targets);
}

void BM_ErrorModelPlain(benchmark::State& state)
{
    const AnalogueSettings settings = Settings();
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    AgainstPlain(
        state, [&](Workspace& ws) { GenerateErrorModel(ws, settings, threshold); },
        [&](Workspace& ws) { GenerateErrorModelReference(ws, settings, threshold); },
        &Workspace::siteReconValues, NorthAmerica().refSiteCount);
}

void BM_Fossil1000(benchmark::State& state)
{
    if (!Ready(state)) return;
    Workspace ws = NorthAmerica();
    const AnalogueSettings settings = Settings();
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    for (auto _ : state) {
        ReconstructClimate(ws, settings, threshold);
        benchmark::DoNotOptimize(ws.reconValues.row(1));
    }
    Label(state, ws, kFossilSamples);
}

void BM_Fossil1000Plain(benchmark::State& state)
{
    const AnalogueSettings settings = Settings();
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    AgainstPlain(
        state, [&](Workspace& ws) { ReconstructClimate(ws, settings, threshold); },
        [&](Workspace& ws) { ReconstructClimateReference(ws, settings, threshold); },
        &Workspace::reconValues, kFossilSamples);
}

// The analogue quality's modern distances: every site's distance to its closest other site,
// computed afresh (as after a change of the distance), and the rerun with unchanged distance
// settings that the window's cache answers; then the fossil reconstruction with its quality
// figures as the window runs them on a change of threshold.
void BM_ModernClosest(benchmark::State& state)
{
    if (!Ready(state)) return;
    const Workspace& ws = NorthAmerica();
    const AnalogueSettings settings = Settings();
    for (auto _ : state) {
        const std::vector<double> d = ModernClosestDistances(ws, settings);
        benchmark::DoNotOptimize(d.data());
    }
    Label(state, ws, ws.refSiteCount);
}

void BM_ModernClosestCached(benchmark::State& state)
{
    if (!Ready(state)) return;
    const Workspace& ws = NorthAmerica();
    const AnalogueSettings settings = Settings();
    ModernClosestCache cache;
    cache.Get(ws, settings);
    for (auto _ : state) benchmark::DoNotOptimize(cache.Get(ws, settings).data());
    Label(state, ws, ws.refSiteCount);
}

void BM_Fossil1000WithQuality(benchmark::State& state)
{
    if (!Ready(state)) return;
    Workspace ws = NorthAmerica();
    const AnalogueSettings settings = Settings();
    const double threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    ModernClosestCache cache;
    cache.Get(ws, settings);
    for (auto _ : state) {
        ReconstructClimate(ws, settings, threshold);
        AssessAnalogueQuality(ws, cache.Get(ws, settings));
        benchmark::DoNotOptimize(ws.closestDistance.data());
    }
    Label(state, ws, kFossilSamples);
}

}  // namespace

BENCHMARK(BM_ModernClosest)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ModernClosestCached)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fossil1000WithQuality)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ErrorModel)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ErrorModelFresh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Fossil1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ErrorModelPlain)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fossil1000Plain)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace tarvex
