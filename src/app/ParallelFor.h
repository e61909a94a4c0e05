#pragma once

#include <type_traits>

// The one way the core shares a loop among cores: OpenMP's worksharing, run by the compiler's
// own runtime (GCC's libgomp), which keeps its threads between loops. The callers' loops are
// written so that each output element comes from exactly one iteration, so the results do not
// depend on the number of threads or on which thread ran what.
namespace tarvex {

// The thread count worth using for work of about `operations` arithmetic steps: one below
// about a millisecond of work, where starting the other threads costs more than they save.
int ThreadsFor(double operations);

// Calls job(c) for c = 0..count-1 on up to `threads` threads (the caller's included) and
// returns when all calls have finished. Iterations are handed out one at a time, so uneven
// ones balance. With threads <= 1 everything runs in order on the calling thread. A job must
// not throw.
template <typename Job>
void ParallelFor(int count, int threads, Job&& job);

namespace detail {
using LoopBody = void (*)(void* context, int c);
void RunParallelFor(int count, int threads, LoopBody body, void* context);
}  // namespace detail

template <typename Job>
void ParallelFor(int count, int threads, Job&& job)
{
    if (count <= 0) return;
    if (threads <= 1 || count == 1) {
        for (int c = 0; c < count; ++c) job(c);
        return;
    }
    using Stored = std::remove_reference_t<Job>;
    detail::RunParallelFor(
        count, threads, [](void* context, int c) { (*static_cast<Stored*>(context))(c); },
        const_cast<void*>(static_cast<const void*>(&job)));
}

}  // namespace tarvex
