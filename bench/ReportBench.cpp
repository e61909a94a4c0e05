// The whole batch run with and without its report and figures, so that the cost of the
// figures is seen against the run it belongs to:
//
//   BM_Example/0        the example data with --calibrate, as before the figures existed
//                       (it writes reconstruction.csv, nothing more);
//   BM_Example/1        the same with --report: the report of 12 pages;
//   BM_Example/2        the same with --report and --figures (every figure as SVG and PDF);
//   BM_NorthAmerica/0   the North American modern set (4,759 sites x 134 taxa, 32 climate
//                       parameters) with a 100-sample core cut from it (every 47th site,
//                       depths 10, 20, ...), --calibrate;
//   BM_NorthAmerica/1   the same with --report (32 reconstruction figures, 32 error-model
//                       figures, Strativ and chart);
//   BM_Table            reconstruction.csv of that run alone (32 parameters x 100 samples);
//   BM_ReportOnly       the report of that run alone, from its results.
//
// The North American set is read from TARVEX_BENCH_DATA (a folder holding modern.csv and
// climate.csv), by default north-american-pollen of the published data sets beside the
// repository (../shared/data, or the folder TARVEX_DATA names).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "figures/BatchRenderer.h"
#include "figures/Report.h"
#include "mat/ReconstructionTable.h"

namespace tarvex {
namespace {

const std::string kExamples = std::string(TARVEX_SOURCE_DIR) + "/examples/";

std::string NorthAmericaFolder()
{
    if (const char* folder = std::getenv("TARVEX_BENCH_DATA"); folder && *folder) return folder;
    const char* data = std::getenv("TARVEX_DATA");
    return std::string(data && *data ? data : TARVEX_DATA_DIR) + "/north-american-pollen";
}

std::string Scratch(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("tarvex-report-bench-" + name)).string();
}

// Every 47th site of the modern table as a fossil core of 100 samples at depths 10, 20, ...
std::string CutCore()
{
    static const std::string path = [] {
        std::ifstream in(NorthAmericaFolder() + "/modern.csv", std::ios::binary);
        std::string header, line;
        if (!std::getline(in, header)) return std::string();
        std::ostringstream core;
        core << header << "\n";
        int row = 0, kept = 0;
        while (kept < 100 && std::getline(in, line)) {
            if (row++ % 47 != 0) continue;
            const std::size_t comma = line.find(',');
            core << (kept + 1) * 10 << line.substr(comma) << "\n";
            ++kept;
        }
        if (kept < 100) return std::string();
        const std::string file = Scratch("core.csv");
        std::ofstream(file, std::ios::binary) << core.str();
        return file;
    }();
    return path;
}

class Capture : public FigureRenderer {
public:
    bool Render(const Workspace& ws, const FigureRequest& request,
                std::vector<std::pair<std::string, std::string>>& files,
                std::string& error) override
    {
        workspace = ws;
        settings = request.settings;
        record = request.runRecord;
        return real.Render(ws, request, files, error);
    }
    fig::QtFigureRenderer real;
    Workspace workspace;
    FigureSettings settings;
    std::string record;
};

bool Run(benchmark::State& state, std::vector<std::string> args, Capture& figures)
{
    std::ostringstream out, err;
    if (RunBatch(args, out, err, &figures) != 0) {
        state.SkipWithError(("the run failed: " + err.str()).c_str());
        return false;
    }
    return true;
}

std::vector<std::string> ExampleArgs(int figures)
{
    std::vector<std::string> args = {
        "--reference",     kExamples + "reference.csv", "--fossil",    kExamples + "fossil.csv",
        "--climate",       kExamples + "climate.csv",   "--calibrate", "--out",
        Scratch("example")};
    if (figures >= 1) args.insert(args.end(), {"--report", Scratch("example.pdf")});
    if (figures >= 2) args.insert(args.end(), {"--figures", Scratch("example-figures")});
    return args;
}

std::vector<std::string> NorthAmericaArgs(int figures)
{
    std::vector<std::string> args = {"--reference",
                                     NorthAmericaFolder() + "/modern.csv",
                                     "--fossil",
                                     CutCore(),
                                     "--climate",
                                     NorthAmericaFolder() + "/climate.csv",
                                     "--calibrate",
                                     "--out",
                                     Scratch("north-america")};
    if (figures >= 1) args.insert(args.end(), {"--report", Scratch("north-america.pdf")});
    return args;
}

void BM_Example(benchmark::State& state)
{
    Capture figures;
    for (auto _ : state)
        if (!Run(state, ExampleArgs(static_cast<int>(state.range(0))), figures)) return;
}
BENCHMARK(BM_Example)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NorthAmerica(benchmark::State& state)
{
    if (CutCore().empty()) {
        state.SkipWithError(("no North American set in " + NorthAmericaFolder()).c_str());
        return;
    }
    Capture figures;
    for (auto _ : state)
        if (!Run(state, NorthAmericaArgs(static_cast<int>(state.range(0))), figures)) return;
}
BENCHMARK(BM_NorthAmerica)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The results of one North American run with its report, for the two parts alone.
const Capture& NorthAmericaRun()
{
    static Capture capture;
    static bool done = false;
    if (!done && !CutCore().empty()) {
        std::ostringstream out, err;
        RunBatch(NorthAmericaArgs(1), out, err, &capture);
        done = true;
    }
    return capture;
}

void BM_Table(benchmark::State& state)
{
    const Capture& run = NorthAmericaRun();
    if (run.workspace.fossilSampleCount == 0) {
        state.SkipWithError(("no North American set in " + NorthAmericaFolder()).c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ReconstructionTableText(run.workspace, run.settings.table));
}
BENCHMARK(BM_Table)->Unit(benchmark::kMillisecond);

void BM_ReportOnly(benchmark::State& state)
{
    const Capture& run = NorthAmericaRun();
    if (run.workspace.fossilSampleCount == 0) {
        state.SkipWithError(("no North American set in " + NorthAmericaFolder()).c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(fig::RenderReport(run.workspace, run.settings, run.record));
    state.counters["pages"] =
        static_cast<double>(fig::ReportPageNames(run.workspace, run.settings, run.record).size());
}
BENCHMARK(BM_ReportOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tarvex
