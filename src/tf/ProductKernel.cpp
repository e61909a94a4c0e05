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

// kRows rows of Q over kVectors vectors of eight columns from column c.
template <int kRows, int kVectors>
[[gnu::always_inline]] inline void Tile(const double* a, int m, const double* d, int w, double* q,
                                        int i, int c)
{
    V8 acc[kRows][kVectors];
    // A scalar operand of a vector operation stands for a vector of it in every lane.
    for (int r = 0; r < kRows; ++r)
        for (int v = 0; v < kVectors; ++v) acc[r][v] = V8{} + 0.0;
    for (int k = 0; k < m; ++k) {
        V8 x[kVectors];
        for (int v = 0; v < kVectors; ++v) x[v] = Load(d + static_cast<long>(k) * w + c + 8 * v);
        for (int r = 0; r < kRows; ++r) {
            const double s = a[static_cast<long>(i + r) * m + k];
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

namespace {

constexpr int kColumns = 32;
constexpr int kLanes = kColumns / 8;

}  // namespace

TARVEX_TF_CLONED
void ColumnDots(const double* x, const double* y, int m, double* out)
{
    V8 acc[kLanes];
    for (int v = 0; v < kLanes; ++v) acc[v] = V8{} + 0.0;
    for (int k = 0; k < m; ++k)
        for (int v = 0; v < kLanes; ++v) {
            const long at = static_cast<long>(k) * kColumns + 8 * v;
            acc[v] = acc[v] + Load(x + at) * Load(y + at);
        }
    for (int v = 0; v < kLanes; ++v) Store(out + 8 * v, acc[v]);
}

TARVEX_TF_CLONED
void ResidualStep(double* s, const double* q, const double* alpha, const double* inverse,
                  const double* c, int m, double* g, double* gamma)
{
    V8 acc[kLanes], a[kLanes];
    for (int v = 0; v < kLanes; ++v) {
        acc[v] = V8{} + 0.0;
        a[v] = Load(alpha + 8 * v);
    }
    for (int k = 0; k < m; ++k)
        for (int v = 0; v < kLanes; ++v) {
            const long at = static_cast<long>(k) * kColumns + 8 * v;
            const V8 r = Load(s + at) - a[v] * Load(q + at);
            Store(s + at, r);
            const V8 gv = r * Load(inverse + at);
            Store(g + at, gv);
            acc[v] = acc[v] + gv * gv * Load(c + at);
        }
    for (int v = 0; v < kLanes; ++v) Store(gamma + 8 * v, acc[v]);
}

TARVEX_TF_CLONED
void NextDirection(double* d, const double* g, const double* ratio, int m)
{
    V8 r[kLanes];
    for (int v = 0; v < kLanes; ++v) r[v] = Load(ratio + 8 * v);
    for (int k = 0; k < m; ++k)
        for (int v = 0; v < kLanes; ++v) {
            const long at = static_cast<long>(k) * kColumns + 8 * v;
            Store(d + at, r[v] * Load(d + at) + Load(g + at));
        }
}

}  // namespace tf
}  // namespace tarvex
