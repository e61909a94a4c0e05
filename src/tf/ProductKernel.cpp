#include "tf/ProductKernel.h"

// The vector helpers take and return 64-byte vectors; they are always inlined, so the calling
// convention GCC warns about never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define TARVEX_TF_CLONED __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TARVEX_TF_CLONED
#endif

namespace tarvex {
namespace tf {

namespace {

typedef double V8 __attribute__((vector_size(64)));
typedef double V8Unaligned __attribute__((vector_size(64), aligned(8), may_alias));

[[gnu::always_inline]] inline V8 Load(const double* p)
{
    return *reinterpret_cast<const V8Unaligned*>(p);
}
[[gnu::always_inline]] inline void Store(double* p, const V8& x)
{
    *reinterpret_cast<V8Unaligned*>(p) = x;
}
[[gnu::always_inline]] inline V8 Splat(double x)
{
    return V8{x, x, x, x, x, x, x, x};
}

// kRows rows of Q over kVectors vectors of eight columns from column c.
template <int kRows, int kVectors>
[[gnu::always_inline]] inline void Tile(const double* a, int m, const double* d, int w, double* q,
                                        int i, int c)
{
    V8 acc[kRows][kVectors];
    for (int r = 0; r < kRows; ++r)
        for (int v = 0; v < kVectors; ++v) acc[r][v] = Splat(0);
    for (int k = 0; k < m; ++k) {
        V8 x[kVectors];
        for (int v = 0; v < kVectors; ++v) x[v] = Load(d + static_cast<long>(k) * w + c + 8 * v);
        for (int r = 0; r < kRows; ++r) {
            const V8 s = Splat(a[static_cast<long>(i + r) * m + k]);
            for (int v = 0; v < kVectors; ++v) acc[r][v] = acc[r][v] + s * x[v];
        }
    }
    for (int r = 0; r < kRows; ++r)
        for (int v = 0; v < kVectors; ++v)
            Store(q + static_cast<long>(i + r) * w + c + 8 * v, acc[r][v]);
}

}  // namespace

TARVEX_TF_CLONED
void MultiplyBlock(const double* a, int m, const double* d, int w, double* q)
{
    int c = 0;
    for (; c + 16 <= w; c += 16) {
        int i = 0;
        for (; i + 4 <= m; i += 4) Tile<4, 2>(a, m, d, w, q, i, c);
        for (; i < m; ++i) Tile<1, 2>(a, m, d, w, q, i, c);
    }
    for (; c < w; c += 8) {
        int i = 0;
        for (; i + 4 <= m; i += 4) Tile<4, 1>(a, m, d, w, q, i, c);
        for (; i < m; ++i) Tile<1, 1>(a, m, d, w, q, i, c);
    }
}

}  // namespace tf
}  // namespace tarvex
