// The whole batch run of the error model on the North American modern pollen set (4,759
// sites x 134 taxa, 32 climate parameters), as a user starts it:
//
//   tarvex-batch --reference modern.csv --climate climate.csv --analogue-enhance sqrt
//                --analogues 0-10 --threshold 2 --weighting none --error-model --out DIR
//
//   BM_BatchStages  the stages of that run one after another on one workspace, as the batch
//                   program runs them, each timed on its own (counters, in ms): the two
//                   imports, the EOF analysis, the error model with its summary lines, the
//                   texts of the 35 result files, the run record and the writing of all 36
//                   files into a fresh folder; each stage's best wall time (name_ms) and best
//                   processor time of all threads (name_cpu_ms) over the iterations;
//   BM_RunBatch     the same run through the batch program's own entry point, into a fresh
//                   folder each time.
//
// The data are read from TARVEX_BENCH_DATA (a folder holding modern.csv and climate.csv), by
// default north-american-pollen in the data folder beside the repository (../shared/data, or
// the folder the environment variable TARVEX_DATA names). The files go to a folder under
// TMPDIR (or /tmp) that is removed afterwards. The threads wait as OMP_WAIT_POLICY says, and
// sleep when it says nothing, as in the programs.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "batch/RunRecord.h"
#include "data/AtomicFile.h"
#include "data/RecordWriter.h"
#include "eof/ScoreFiles.h"
#include "mat/Analogues.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string DataFolder()
{
    if (const char* folder = std::getenv("TARVEX_BENCH_DATA"); folder && *folder) return folder;
    const char* data = std::getenv("TARVEX_DATA");
    return std::string(data && *data ? data : TARVEX_DATA_DIR) + "/north-american-pollen";
}

// A fresh folder for the results of one run, removed when the benchmark ends.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvex-bench-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    // A name inside that no run has used yet.
    std::string Next() { return path_ + "/run-" + std::to_string(++runs_); }

private:
    std::string path_;
    int runs_ = 0;
};

std::vector<std::string> Arguments(const std::string& out)
{
    const std::string data = DataFolder();
    return {"--reference",
            data + "/modern.csv",
            "--climate",
            data + "/climate.csv",
            "--analogue-enhance",
            "sqrt",
            "--analogues",
            "0-10",
            "--threshold",
            "2",
            "--weighting",
            "none",
            "--error-model",
            "--out",
            out};
}

bool Ready(benchmark::State& state)
{
    if (std::ifstream(DataFolder() + "/modern.csv") && std::ifstream(DataFolder() + "/climate.csv"))
        return true;
    state.SkipWithError(
        ("cannot read the North American set from " + DataFolder() + " (set TARVEX_BENCH_DATA)")
            .c_str());
    return false;
}

double Since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The processor time of the whole process (all its threads), in ms.
double ProcessCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Wall and processor time of the stages of one run.
class StageClock {
public:
    explicit StageClock(int stages) : wall_(stages), cpu_(stages) {}
    void Start()
    {
        wallStart_ = Clock::now();
        cpuStart_ = ProcessCpu();
    }
    void Stop(int stage)
    {
        wall_[stage] = Since(wallStart_);
        cpu_[stage] = ProcessCpu() - cpuStart_;
    }
    double Wall(int stage) const { return wall_[stage]; }
    double Cpu(int stage) const { return cpu_[stage]; }

private:
    std::vector<double> wall_, cpu_;
    Clock::time_point wallStart_;
    double cpuStart_ = 0;
};

void BM_BatchStages(benchmark::State& state)
{
    if (!Ready(state)) return;
    ScratchFolder scratch;
    const char* names[] = {"import", "eof", "error_model", "texts", "record", "write"};
    constexpr int kStages = 6;
    std::vector<double> bestWall(kStages, 1e300), bestCpu(kStages, 1e300);
    for (auto _ : state) {
        const std::vector<std::string> args = Arguments(scratch.Next());
        BatchOptions options;
        std::string error;
        if (!ParseBatchOptions(args, options, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::ostringstream out, err;
        StageClock clock(kStages);
        Workspace ws;
        clock.Start();
        RecordedInputs inputs;
        bool ok = BatchReferenceStage(ws, options, err, &inputs) &&
                  BatchClimateStage(ws, options, out, err, &inputs);
        clock.Stop(0);
        clock.Start();
        ok = ok && BatchEofStage(ws, options, out);
        clock.Stop(1);
        clock.Start();
        ok = ok && BatchReconstructionStage(ws, options, out, err);
        clock.Stop(2);
        if (!ok) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        const std::time_t now = std::time(nullptr);
        const std::string dateTime = DateTimeText(now);
        clock.Start();
        bool allFinite = true;
        std::vector<std::pair<std::string, std::string>> files = {
            {"loading.csv", LoadingFileText(ws, dateTime, {}, &allFinite)},
            {"reference-scores.csv",
             ReferenceScoreFileText(ws, options.choice, dateTime, {}, &allFinite)}};
        for (auto& file : ReconstructionFiles(ws, options, &allFinite))
            files.push_back(std::move(file));
        clock.Stop(3);
        clock.Start();
        std::string record;
        ok = RunRecordText(args, options, ws, {}, now, inputs, record, error);
        files.emplace_back(kRunRecordFileName, std::move(record));
        clock.Stop(4);
        clock.Start();
        std::error_code ec;
        fs::create_directories(options.outDir, ec);
        for (auto& file : files) file.first = options.outDir + "/" + file.first;
        ok = ok && allFinite && WriteFilesAtomically(files, &error);
        clock.Stop(5);
        if (!ok) {
            state.SkipWithError(error.c_str());
            return;
        }
        for (int i = 0; i < kStages; ++i) {
            bestWall[i] = std::min(bestWall[i], clock.Wall(i));
            bestCpu[i] = std::min(bestCpu[i], clock.Cpu(i));
        }
    }
    // The best of the iterations: on a shared machine the mean mostly measures the others.
    for (int i = 0; i < kStages; ++i) {
        state.counters[std::string(names[i]) + "_ms"] = bestWall[i];
        state.counters[std::string(names[i]) + "_cpu_ms"] = bestCpu[i];
    }
}

void BM_RunBatch(benchmark::State& state)
{
    if (!Ready(state)) return;
    ScratchFolder scratch;
    double bestWall = 1e300, bestCpu = 1e300;
    for (auto _ : state) {
        std::ostringstream out, err;
        const auto start = Clock::now();
        const double cpuStart = ProcessCpu();
        const int status = RunBatch(Arguments(scratch.Next()), out, err);
        bestWall = std::min(bestWall, Since(start));
        bestCpu = std::min(bestCpu, ProcessCpu() - cpuStart);
        if (status != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
    }
    state.counters["best_ms"] = bestWall;
    state.counters["best_cpu_ms"] = bestCpu;
}

BENCHMARK(BM_BatchStages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_RunBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace tarvex
