#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "app/Matrix.h"

// The hot loops of the EOF analysis. Every kernel here sums each result entry in the same
// order as the plain loop it replaces (ascending over the summed index, starting from zero,
// multiply and add as separate roundings), so the fast paths give the same bits as the
// straightforward arithmetic, on any x86-64 and whatever the number of threads.
namespace tarvex {
namespace eofkernel {

// Runs the chunks of a job on the calling thread and on a few helper threads. Chunks are
// claimed one at a time, so the caller never waits for a helper that has not started yet;
// a job must write each output element from exactly one chunk, which keeps the results
// independent of who ran what.
class ChunkRunner {
public:
    // threads counts the caller; 1 runs everything on the caller.
    explicit ChunkRunner(int threads);
    ~ChunkRunner();
    ChunkRunner(const ChunkRunner&) = delete;
    ChunkRunner& operator=(const ChunkRunner&) = delete;

    // The thread count worth using for work of about `multiplyAdds` operations on this machine.
    static int ThreadsFor(double multiplyAdds);

    int threads() const { return static_cast<int>(helpers_.size()) + 1; }

    // Calls job(c) for c = 0..chunks-1 and returns when all have finished.
    template <typename Job>
    void Run(int chunks, Job&& job)
    {
        if (chunks <= 0) return;
        if (helpers_.empty() || chunks == 1) {
            for (int c = 0; c < chunks; ++c) job(c);
            return;
        }
        using Stored = std::remove_reference_t<Job>;
        RunShared(
            chunks, [](void* context, int c) { (*static_cast<Stored*>(context))(c); },
            const_cast<void*>(static_cast<const void*>(&job)));
    }

private:
    using ChunkFn = void (*)(void*, int);

    void RunShared(int chunks, ChunkFn fn, void* context);
    // Claims and runs chunks of job `generation` until none is left.
    void ClaimChunks(std::uint32_t generation);
    void HelperLoop();

    // Packed as generation (32 bits) | chunk count (16) | next unclaimed chunk (16), so a
    // claim can never slip from one job into the next.
    std::atomic<std::uint64_t> state_{0};
    std::atomic<int> finished_{0};
    std::atomic<int> sleepers_{0};
    std::atomic<bool> quit_{false};
    ChunkFn fn_ = nullptr;
    void* context_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::thread> helpers_;
};

// cross(p, q) = sum over s = 1..rows of d(s, p) * d(s, q) for 1 <= p <= q <= cols, with
// the centred data d(s, t) = data(s, t) - means[t]; the entries below the diagonal are left
// as they are.
void CrossProductUpper(const Matrix<double>& data, int rows, int cols,
                       const std::vector<double>& means, Matrix<double>& cross,
                       ChunkRunner& runner);

// out(r, k) = sum over t = 1..inner of left(r, t) * right(t, k), for r = 1..rows and
// k = firstCol..lastCol.
void MultiplyRows(const Matrix<double>& left, int rows, int inner, const Matrix<double>& right,
                  int firstCol, int lastCol, Matrix<double>& out, ChunkRunner& runner);

// One power step on the symmetric matrix held in the upper triangle of a[1..n, 1..n]
// (the rest of `a` is neither read nor written): w = A v, each w(i) summed over j = 1..n in
// order. With deflate set, every a(i, j), i <= j, first becomes
// a(i, j) - lambda * (u(i) * u(j)) and is stored back. Vectors are indexed 1..n.
//
// This runs on the calling thread. Split over cores the product itself gets faster, but
// the deflation that follows every EOF then has to write rows the other core holds in its
// cache, which costs as much again.
void UpperProduct(Matrix<double>& a, int n, const double* v, bool deflate, double lambda,
                  const double* u, double* w);

// a(i, j) = a(i, j) - lambda * (u(i) * u(j)) over the upper triangle of [1..n, 1..n].
void DeflateUpper(Matrix<double>& a, int n, double lambda, const double* u);

}  // namespace eofkernel
}  // namespace tarvex
