// The probability pictures after a calibration is returned, on a calibration chain of 1,000
// pairs over 0..20:
//
//   BM_BuildHistogram/L     "Strativ": the histogram of L levels along a 500-sample curve;
//   BM_HistogramColours/L   the colours of its cells in the "Probability" display;
//   BM_PrepareChartData     the half-step resampling, modes, medians and regions of the chart;
//   BM_ChartCellColours     the colours of the chart's 401 x 401 cells in probability view.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "app/Workspace.h"
#include "BenchPairs.h"
#include "calib/CalibData.h"
#include "calib/CalibModel.h"
#include "calib/ChartData.h"
#include "mat/Histogram.h"

namespace tarvex {
namespace {

using namespace calib;

PairSet Pairs(int n, float slope, float intercept, float spread, uint32_t seed)
{
    PairSet set = bench::Pairs(n, slope, intercept, spread, seed);
    set.fit = FitPairs(set.rows);
    return set;
}

// A returned calibration and a fossil sequence of 500 samples at depths 0, 2, 4, ... whose
// reconstruction wanders through the range.
Workspace Calibrated()
{
    Workspace ws;
    AllocateCalibMatrices(ws);
    ValidateRange(ws, "0", "20");
    PairSet set0 = Pairs(1000, 0.8f, 2.5f, 3, 1);
    PairSet set1;
    ChainSettings settings;
    settings.generateModel = true;
    RunChain(ws, set0, set1, settings, false);
    ReturnData(ws);
    ApplyColourPreset(ws.colours);
    SetMatrixRegionColours(ws);
    const int n = 500;
    ws.fossilSampleCount = n;
    ws.fossilSampleLabels.assign(1, "Depth");
    for (int i = 1; i <= n; ++i) ws.fossilSampleLabels.push_back(std::to_string(2 * (i - 1)));
    ws.fossilSampleEmpty.assign(n + 1, false);
    ws.climateParamCount = 1;
    ws.reconValues.resize(n, 1);
    for (int i = 1; i <= n; ++i) ws.reconValues(i, 1) = 10 + 6 * std::sin(i / 23.0);
    return ws;
}

void BM_BuildHistogram(benchmark::State& state)
{
    Workspace ws = Calibrated();
    const double height = static_cast<double>(state.range(0));
    for (auto _ : state) {
        if (!BuildHistogram(ws, 1, 3, 200, height)) state.SkipWithError("build failed");
        benchmark::ClobberMemory();
    }
    state.counters["levels"] = ws.histLevels;
}
BENCHMARK(BM_BuildHistogram)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_HistogramColours(benchmark::State& state)
{
    Workspace ws = Calibrated();
    BuildHistogram(ws, 1, 3, 200, static_cast<double>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(HistogramColours(ws, MatrixDisplay::Probability));
}
BENCHMARK(BM_HistogramColours)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_PrepareChartData(benchmark::State& state)
{
    Workspace ws = Calibrated();
    for (auto _ : state) {
        PrepareChartData(ws, 682, 954);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PrepareChartData)->Unit(benchmark::kMillisecond);

void BM_ChartCellColours(benchmark::State& state)
{
    Workspace ws = Calibrated();
    PrepareChartData(ws, 682, 954);
    for (auto _ : state)
        benchmark::DoNotOptimize(ChartCellColours(ws, ChartView::Probability, 100));
}
BENCHMARK(BM_ChartCellColours)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvex
