// The transfer functions on real data sets (read from TARVEX_DATA, by default the data folder
// beside the source tree):
//
//   BM_WaPlsLooAllParameters  WA-PLS with 5 components, leave-one-out, every one of the 32
//                             climate parameters of the North American set (4,759 sites x
//                             134 taxa); counters: the largest relative difference from plain
//                             refits of every 97th site for every parameter;
//   BM_WaLooAllParameters     WA, both deshrinkings, leave-one-out, the same 32 parameters;
//   BM_HBlock/<method>        h-block at 200 km on the same set for tjul alone: WA (with
//                             tolerances), WA-PLS (5 components), the analogue method (square
//                             roots, 10 analogues), and all of them in one run;
//   BM_BootstrapSwap          1,000 bootstrap resamples of the SWAP diatom set (167 lakes x
//                             277 taxa) with the 101 samples of the RLGH core, pH: WA with
//                             tolerances, WA-PLS (5 components) and the analogue method;
//   BM_SignificanceIK/<method> the significance test with 99 random variables on the Imbrie &
//                             Kipp set (61 sites x 27 taxa) with core V12-122 (110 samples),
//                             SumSST, for WA, WA-PLS and the analogue method each;
//   BM_ComponentTest          the randomisation t-test of one WA-PLS component against the one
//                             before on 4,759 sites (the North American set's size), 999
//                             randomisations: a run of 32 parameters and 5 components does 128.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/FossilImport.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "eof/Pretreatment.h"
#include "tf/ComponentTest.h"
#include "tf/TransferRun.h"
#include "tf/Wa.h"
#include "tf/WaPls.h"

namespace tarvex {
namespace {

std::string DataFolder()
{
    const char* folder = std::getenv("TARVEX_DATA");
    return folder && *folder ? folder : TARVEX_DATA_DIR;
}

// The inputs of a modern set, its climate table (every parameter, or only `param`) and a
// fossil table, as the batch program prepares them; empty inputs when a file is missing.
tf::Inputs Load(const std::string& set, const std::string& modern, const std::string& climate,
                const std::string& fossil, const std::string& param, bool analogues)
{
    const std::string dir = DataFolder() + "/" + set + "/";
    Workspace ws;
    if (!ImportReferenceTable(ws, dir + modern).ok) return {};
    PretreatReference(ws, PretreatmentChoice{});
    TableReadResult c = ReadDataTableFile(dir + climate);
    if (c.status != TableStatus::Ok || c.table.rowCount != ws.refSiteCount) return {};
    ws.climateParamNames = {c.table.columnNames[0]};
    int kept = 0;
    ws.climateValues.resize(ws.refSiteCount, c.table.columnCount);
    for (int p = 1; p <= c.table.columnCount; ++p) {
        if (!param.empty() && c.table.columnNames[p] != param) continue;
        ++kept;
        ws.climateParamNames.push_back(c.table.columnNames[p]);
        for (int s = 1; s <= ws.refSiteCount; ++s) ws.climateValues(s, kept) = c.table.values(s, p);
    }
    ws.climateParamCount = static_cast<int16_t>(kept);
    ws.climateLoaded = true;
    if (!fossil.empty()) {
        FossilReadOutcome f = ReadFossilTable(ws, dir + fossil);
        if (!f.ok) return {};
        CommitFossilTable(ws, std::move(f.table), dir + fossil, {}, PretreatmentChoice{});
    }
    AnalogueSettings settings;
    settings.enhancement = MinorTaxaEnhancement::SquareRoot;
    settings.kmax = 10;
    settings.thresholdSlider = 200;
    return tf::InputsFromWorkspace(ws, analogues ? &settings : nullptr);
}

const tf::Inputs& NorthAmerica()
{
    static const tf::Inputs in =
        Load("north-american-pollen", "modern.csv", "climate.csv", "", "", false);
    return in;
}

bool Ready(benchmark::State& state, const tf::Inputs& in)
{
    if (in.sites > 0) return true;
    state.SkipWithError(("data not found in " + DataFolder() + " (set TARVEX_DATA)").c_str());
    return false;
}

void BM_WaPlsLooAllParameters(benchmark::State& state)
{
    const tf::Inputs& in = NorthAmerica();
    if (!Ready(state, in)) return;
    tf::Settings s;
    s.wapls = true;
    s.validation = tf::Validation::LeaveOneOut;
    for (auto _ : state) benchmark::DoNotOptimize(tf::RunTransferFunctions(in, s));
}
BENCHMARK(BM_WaPlsLooAllParameters)->Unit(benchmark::kMillisecond)->UseRealTime();

// The run above once, every 97th site of every parameter checked against a plain refit.
void BM_WaPlsLooCheck(benchmark::State& state)
{
    const tf::Inputs& in = NorthAmerica();
    if (!Ready(state, in)) return;
    tf::Settings s;
    s.wapls = true;
    s.validation = tf::Validation::LeaveOneOut;
    tf::Results r;
    for (auto _ : state) r = tf::RunTransferFunctions(in, s);
    const tf::SparseRows rows = tf::SparseRows::From(in.modern, in.sites, in.taxa);
    double worst = 0;
    for (int p = 1; p <= in.params; ++p) {
        std::vector<double> x(static_cast<std::size_t>(in.sites) + 1);
        double lo = 1e300, hi = -1e300;
        for (int i = 1; i <= in.sites; ++i) {
            x[i] = in.climate(i, p);
            lo = std::min(lo, x[i]);
            hi = std::max(hi, x[i]);
        }
        for (int site = 1; site <= in.sites; site += 97) {
            std::vector<int> w(static_cast<std::size_t>(in.sites) + 1, 1);
            w[site] = 0;
            const tf::WaPlsModel m = tf::FitWaPls({&rows, x.data(), &w}, 5);
            for (int c = 1; c <= 5; ++c) {
                const double a = tf::WaPlsEstimate(m, rows, site, c);
                const double b = r.params[static_cast<std::size_t>(p - 1)].validated(site, c - 1);
                if (std::isnan(a) && std::isnan(b)) continue;
                worst = std::max(worst, std::fabs(a - b) / std::max({std::fabs(a), hi - lo}));
            }
        }
    }
    state.counters["max_rel_diff"] = worst;
}
BENCHMARK(BM_WaPlsLooCheck)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_WaLooAllParameters(benchmark::State& state)
{
    const tf::Inputs& in = NorthAmerica();
    if (!Ready(state, in)) return;
    tf::Settings s;
    s.wa = true;
    s.validation = tf::Validation::LeaveOneOut;
    for (auto _ : state) benchmark::DoNotOptimize(tf::RunTransferFunctions(in, s));
}
BENCHMARK(BM_WaLooAllParameters)->Unit(benchmark::kMillisecond)->UseRealTime();

const tf::Inputs& NorthAmericaTjul()
{
    static const tf::Inputs in = [] {
        tf::Inputs i = Load("north-american-pollen", "modern.csv", "climate.csv", "", "tjul", true);
        TableReadResult loc =
            ReadDataTableFile(DataFolder() + "/north-american-pollen/location.csv");
        if (loc.status != TableStatus::Ok || loc.table.rowCount != i.sites) return tf::Inputs{};
        i.latitude.assign(static_cast<std::size_t>(i.sites) + 1, 0.0);
        i.longitude = i.latitude;
        for (int s = 1; s <= i.sites; ++s) {
            i.latitude[s] = loc.table.values(s, 1);
            i.longitude[s] = loc.table.values(s, 2);
        }
        return i;
    }();
    return in;
}

// 0: WA with tolerances, 1: WA-PLS, 2: the analogue method, 3: all.
void BM_HBlock(benchmark::State& state)
{
    tf::Inputs in = NorthAmericaTjul();
    if (!Ready(state, in)) return;
    const int which = static_cast<int>(state.range(0));
    tf::Settings s;
    s.wa = s.waTolerance = which == 0 || which == 3;
    s.wapls = which == 1 || which == 3;
    if (which == 2) {
        s.wa = true;  // the run needs a transfer function; its share is measured above
    }
    if (which != 2 && which != 3) in.analogue = tf::AnalogueSetup{};
    s.validation = tf::Validation::HBlock;
    s.hblockKm = 200;
    for (auto _ : state) benchmark::DoNotOptimize(tf::RunTransferFunctions(in, s));
    state.SetLabel(which == 0   ? "WA, tolerances"
                   : which == 1 ? "WA-PLS"
                   : which == 2 ? "MAT (+WA)"
                                : "all");
}
BENCHMARK(BM_HBlock)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BootstrapSwap(benchmark::State& state)
{
    static const tf::Inputs in = Load("swap-rlgh", "modern.csv", "ph.csv", "rlgh.csv", "", true);
    if (!Ready(state, in)) return;
    tf::Settings s;
    s.wa = s.waTolerance = s.wapls = true;
    s.resamples = 1000;
    s.validation = tf::Validation::Bootstrap;
    for (auto _ : state) benchmark::DoNotOptimize(tf::RunTransferFunctions(in, s));
}
BENCHMARK(BM_BootstrapSwap)->Unit(benchmark::kMillisecond)->UseRealTime();

// 0: WA (both deshrinkings), 1: WA-PLS (5 components), 2: the analogue method.
void BM_SignificanceIK(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    static const tf::Inputs with =
        Load("imbrie-kipp", "modern.csv", "sst.csv", "v12-122.csv", "SumSST", true);
    static const tf::Inputs without =
        Load("imbrie-kipp", "modern.csv", "sst.csv", "v12-122.csv", "SumSST", false);
    const tf::Inputs& in = which == 2 ? with : without;
    if (!Ready(state, in)) return;
    tf::Settings s;
    s.wa = which != 1;
    s.wapls = which == 1;
    s.randomVariables = 99;
    for (auto _ : state) benchmark::DoNotOptimize(tf::RunTransferFunctions(in, s));
    state.SetLabel(which == 0 ? "WA" : which == 1 ? "WA-PLS" : "MAT (+WA)");
}
BENCHMARK(BM_SignificanceIK)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComponentTest(benchmark::State& state)
{
    // Differences of squared residuals of about the sizes of tjul's.
    tf::Random values(3);
    std::vector<double> d(4759);
    for (double& v : d) v = 4 * (values.Uniform() - 0.52);
    for (auto _ : state) {
        const tf::PairedSignTest test(d);
        tf::Random random(1, tf::Random::Stream::ComponentTest, tf::ComponentStream(1, 2));
        benchmark::DoNotOptimize(test.P(tf::kComponentRandomisations, random));
    }
}
BENCHMARK(BM_ComponentTest)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tarvex
