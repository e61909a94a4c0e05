#include "app/ParallelFor.h"

#include <algorithm>
#include <thread>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace tarvex {

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
