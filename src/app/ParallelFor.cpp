#include "app/ParallelFor.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace tarvex {

namespace {

#ifdef TARVEX_DEFAULT_WAIT_POLICY
// A thread that waits for the next loop sleeps instead of spinning: on a machine whose cores
// are busy with other work, spinning threads only take time from the ones that work (two of
// them ran slower than one). An OMP_WAIT_POLICY or GOMP_SPINCOUNT of the user's wins. The
// runtime reads the environment once, in a constructor of its own; the build links it into
// the program, where constructors of priority 101 run before the unprioritised ones.
[[gnu::constructor(101)]] void DefaultToPassiveWaiting()
{
    if (std::getenv("OMP_WAIT_POLICY") || std::getenv("GOMP_SPINCOUNT")) return;
    setenv("OMP_WAIT_POLICY", "PASSIVE", 0);
}
#endif

}  // namespace

int ThreadsFor(double operations)
{
    if (operations < 2e6) return 1;
#ifdef _OPENMP
    const int available = omp_get_num_procs();
#else
    const int available = static_cast<int>(std::thread::hardware_concurrency());
#endif
    // Beyond four cores the loops of this program are limited by memory, not arithmetic.
    return std::clamp(available, 1, 4);
}

namespace detail {

void RunParallelFor(int count, int threads, LoopBody body, void* context)
{
#ifdef _OPENMP
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int c = 0; c < count; ++c) body(context, c);
#else
    (void)threads;
    for (int c = 0; c < count; ++c) body(context, c);
#endif
}

}  // namespace detail
}  // namespace tarvex
