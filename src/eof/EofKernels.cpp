#include "eof/EofKernels.h"

#include <algorithm>
#include <cassert>
#include <memory>

#include "app/ParallelFor.h"
#include "app/VectorKernels.h"

namespace tarvex {
namespace eofkernel {

namespace {

using simd::Load;
using simd::Splat;
using simd::Store;
using simd::V4;

}  // namespace

// ---------------------------------------------------------------------------------------
// Cross products of centred data

namespace {

// Panel b holds the centred taxa 8 b + 1 .. 8 b + 8 side by side, site after site, so the
// tile loop below reads memory in order; taxa past the last are 0.
void PackPanel(const Matrix<double>& data, int rows, int cols, const std::vector<double>& means,
               int b, double* panel)
{
    const int first = 8 * b + 1;
    const int width = std::min(8, cols - first + 1);
    for (int s = 1; s <= rows; ++s) {
        const double* in = data.row(s) + first;
        double* out = panel + static_cast<std::size_t>(s - 1) * 8;
        for (int i = 0; i < width; ++i) out[i] = in[i] - means[first + i];
        for (int i = width; i < 8; ++i) out[i] = 0;
    }
}

// Taxa 4 pb + 1 .. 4 pb + 4 for pb = 0..lastBlock against the panels firstPanel..lastPanel
// that are not left of their own.
TARVEX_CLONED_KERNEL
void CrossTiles(const double* packed, int rows, int cols, int lastBlock, int firstPanel,
                int lastPanel, double* out, std::size_t outStride)
{
    for (int pb = 0; pb <= lastBlock; ++pb) {
        const int own = pb / 2;
        const double* pa = packed + static_cast<std::size_t>(own) * rows * 8 + (pb % 2) * 4;
        for (int b = std::max(own, firstPanel); b <= lastPanel; ++b) {
            const double* pq = packed + static_cast<std::size_t>(b) * rows * 8;
            V4 c00 = Splat(0), c01 = Splat(0), c10 = Splat(0), c11 = Splat(0);
            V4 c20 = Splat(0), c21 = Splat(0), c30 = Splat(0), c31 = Splat(0);
            for (int s = 0; s < rows; ++s) {
                const double* ps = pa + 8 * s;
                const V4 q0 = Load(pq + 8 * s);
                const V4 q1 = Load(pq + 8 * s + 4);
                const V4 x0 = Splat(ps[0]);
                c00 = c00 + x0 * q0;
                c01 = c01 + x0 * q1;
                const V4 x1 = Splat(ps[1]);
                c10 = c10 + x1 * q0;
                c11 = c11 + x1 * q1;
                const V4 x2 = Splat(ps[2]);
                c20 = c20 + x2 * q0;
                c21 = c21 + x2 * q1;
                const V4 x3 = Splat(ps[3]);
                c30 = c30 + x3 * q0;
                c31 = c31 + x3 * q1;
            }
            double tile[4][8];
            Store(tile[0], c00);
            Store(tile[0] + 4, c01);
            Store(tile[1], c10);
            Store(tile[1] + 4, c11);
            Store(tile[2], c20);
            Store(tile[2] + 4, c21);
            Store(tile[3], c30);
            Store(tile[3] + 4, c31);
            for (int r = 0; r < 4; ++r) {
                const int p = 4 * pb + r + 1;
                if (p > cols) break;
                double* dst = out + static_cast<std::size_t>(p) * outStride;
                for (int i = 0; i < 8; ++i) {
                    const int q = 8 * b + i + 1;
                    if (q >= p && q <= cols) dst[q] = tile[r][i];
                }
            }
        }
    }
}

// Panels per job: their sites stay in the core's cache while every block of taxa up to
// them streams past.
constexpr int kPanelsPerJob = 4;

}  // namespace

void CrossProductUpper(const Matrix<double>& data, int rows, int cols,
                       const std::vector<double>& means, Matrix<double>& cross, int threads)
{
    if (cols < 1) return;
    assert(cross.rows() >= cols && cross.cols() >= cols);
    rows = std::max(rows, 0);
    const int panels = (cols + 7) / 8;
    const std::size_t panelSize = static_cast<std::size_t>(rows) * 8;
    // Every element is written by the packing, so the buffer is left uninitialised.
    std::unique_ptr<double[]> packed(new double[panels * panelSize + 1]);
    ParallelFor(panels, threads, [&](int b) {
        PackPanel(data, rows, cols, means, b, packed.get() + b * panelSize);
    });
    const std::size_t stride = static_cast<std::size_t>(cross.cols()) + 1;
    double* out = cross.row(0);
    const int blocks = (cols + 3) / 4;
    const int jobs = (panels + kPanelsPerJob - 1) / kPanelsPerJob;
    ParallelFor(jobs, threads, [&](int g) {
        const int firstPanel = g * kPanelsPerJob;
        const int lastPanel = std::min(panels - 1, firstPanel + kPanelsPerJob - 1);
        const int lastBlock = std::min(blocks - 1, 2 * lastPanel + 1);
        CrossTiles(packed.get(), rows, cols, lastBlock, firstPanel, lastPanel, out, stride);
    });
}

// ---------------------------------------------------------------------------------------
// Row-by-matrix products

namespace {

constexpr int kRowsPerChunk = 64;

TARVEX_CLONED_KERNEL
void MultiplyRowGroup(const double* left, std::size_t leftStride, const double* right,
                      std::size_t rightStride, double* out, std::size_t outStride, int r0, int r1,
                      int inner, int firstCol, int lastCol)
{
    int k = firstCol;
    for (; k + 7 <= lastCol; k += 8) {
        int r = r0;
        for (; r + 3 <= r1; r += 4) {
            const double* l0 = left + static_cast<std::size_t>(r) * leftStride;
            const double* l1 = l0 + leftStride;
            const double* l2 = l1 + leftStride;
            const double* l3 = l2 + leftStride;
            V4 c00 = Splat(0), c01 = Splat(0), c10 = Splat(0), c11 = Splat(0);
            V4 c20 = Splat(0), c21 = Splat(0), c30 = Splat(0), c31 = Splat(0);
            const double* rt = right + rightStride + k;
            for (int t = 1; t <= inner; ++t, rt += rightStride) {
                const V4 q0 = Load(rt);
                const V4 q1 = Load(rt + 4);
                const V4 x0 = Splat(l0[t]);
                c00 = c00 + x0 * q0;
                c01 = c01 + x0 * q1;
                const V4 x1 = Splat(l1[t]);
                c10 = c10 + x1 * q0;
                c11 = c11 + x1 * q1;
                const V4 x2 = Splat(l2[t]);
                c20 = c20 + x2 * q0;
                c21 = c21 + x2 * q1;
                const V4 x3 = Splat(l3[t]);
                c30 = c30 + x3 * q0;
                c31 = c31 + x3 * q1;
            }
            double* o = out + static_cast<std::size_t>(r) * outStride + k;
            Store(o, c00);
            Store(o + 4, c01);
            o += outStride;
            Store(o, c10);
            Store(o + 4, c11);
            o += outStride;
            Store(o, c20);
            Store(o + 4, c21);
            o += outStride;
            Store(o, c30);
            Store(o + 4, c31);
        }
        for (; r <= r1; ++r) {
            const double* l0 = left + static_cast<std::size_t>(r) * leftStride;
            V4 c00 = Splat(0), c01 = Splat(0);
            const double* rt = right + rightStride + k;
            for (int t = 1; t <= inner; ++t, rt += rightStride) {
                const V4 x0 = Splat(l0[t]);
                c00 = c00 + x0 * Load(rt);
                c01 = c01 + x0 * Load(rt + 4);
            }
            double* o = out + static_cast<std::size_t>(r) * outStride + k;
            Store(o, c00);
            Store(o + 4, c01);
        }
    }
    for (int r = r0; r <= r1; ++r) {
        const double* l0 = left + static_cast<std::size_t>(r) * leftStride;
        for (int kk = k; kk <= lastCol; ++kk) {
            double sum = 0;
            for (int t = 1; t <= inner; ++t)
                sum += l0[t] * right[static_cast<std::size_t>(t) * rightStride + kk];
            out[static_cast<std::size_t>(r) * outStride + kk] = sum;
        }
    }
}

}  // namespace

void MultiplyRows(const Matrix<double>& left, int rows, int inner, const Matrix<double>& right,
                  int firstCol, int lastCol, Matrix<double>& out, int threads)
{
    if (rows < 1 || firstCol > lastCol) return;
    assert(firstCol >= 1);
    assert(left.rows() >= rows && left.cols() >= inner);
    assert(right.rows() >= inner && right.cols() >= lastCol);
    assert(out.rows() >= rows && out.cols() >= lastCol);
    const std::size_t leftStride = static_cast<std::size_t>(left.cols()) + 1;
    const std::size_t rightStride = static_cast<std::size_t>(right.cols()) + 1;
    const std::size_t outStride = static_cast<std::size_t>(out.cols()) + 1;
    const int groups = (rows + kRowsPerChunk - 1) / kRowsPerChunk;
    ParallelFor(groups, threads, [&](int g) {
        const int r0 = 1 + g * kRowsPerChunk;
        const int r1 = std::min(rows, r0 + kRowsPerChunk - 1);
        MultiplyRowGroup(left.row(0), leftStride, right.row(0), rightStride, out.row(0), outStride,
                         r0, r1, inner, firstCol, lastCol);
    });
}

// ---------------------------------------------------------------------------------------
// Power steps

namespace {

constexpr int kBlockRows = 8;

// Turns the rows p0..p3 of a 4 x 4 block into its columns.
[[gnu::always_inline]] inline void Transpose(V4& p0, V4& p1, V4& p2, V4& p3)
{
    // Only lanes move, so both compilers' shuffles give the same bits.
#if defined(__clang__)
#define TARVEX_SHUFFLE(x, y, i, j, k, l) __builtin_shufflevector(x, y, i, j, k, l)
#else
    typedef long long M4 __attribute__((vector_size(32)));
#define TARVEX_SHUFFLE(x, y, i, j, k, l) __builtin_shuffle(x, y, M4{i, j, k, l})
#endif
    const V4 a = TARVEX_SHUFFLE(p0, p1, 0, 4, 2, 6);
    const V4 b = TARVEX_SHUFFLE(p0, p1, 1, 5, 3, 7);
    const V4 c = TARVEX_SHUFFLE(p2, p3, 0, 4, 2, 6);
    const V4 d = TARVEX_SHUFFLE(p2, p3, 1, 5, 3, 7);
    p0 = TARVEX_SHUFFLE(a, c, 0, 1, 4, 5);
    p1 = TARVEX_SHUFFLE(b, d, 0, 1, 4, 5);
    p2 = TARVEX_SHUFFLE(a, c, 2, 3, 6, 7);
    p3 = TARVEX_SHUFFLE(b, d, 2, 3, 6, 7);
#undef TARVEX_SHUFFLE
}

// Adds the four columns of the block p0..p3 to acc one after the other, so each lane sums
// its row in column order.
[[gnu::always_inline]] inline void AddColumns(V4& acc, const V4& r0, const V4& r1, const V4& r2,
                                              const V4& r3)
{
    V4 p0 = r0, p1 = r1, p2 = r2, p3 = r3;
    Transpose(p0, p1, p2, p3);
    acc = acc + p0;
    acc = acc + p1;
    acc = acc + p2;
    acc = acc + p3;
}

// The eight rows j0..j0+7 against columns c0..c1, all right of the rows' diagonal block.
// Every element adds its product with v(column) to its row's running sum in `chain`, in
// column order: the 4 x 4 transposes turn four columns of products into four row lanes.
// The element also adds its product with v(row) to w(column), row after row. With
// kDeflate it is deflated and stored back first.
template <bool kDeflate>
[[gnu::always_inline]] inline void BlockColumns(double* const* rows, int j0, const double* v,
                                                double lambda, const double* u, double* w,
                                                double* chain, int c0, int c1)
{
    double* r0 = rows[0];
    double* r1 = rows[1];
    double* r2 = rows[2];
    double* r3 = rows[3];
    double* r4 = rows[4];
    double* r5 = rows[5];
    double* r6 = rows[6];
    double* r7 = rows[7];
    const V4 lam = Splat(lambda);
    const V4 b0 = Splat(v[j0]), b1 = Splat(v[j0 + 1]), b2 = Splat(v[j0 + 2]), b3 = Splat(v[j0 + 3]),
             b4 = Splat(v[j0 + 4]), b5 = Splat(v[j0 + 5]), b6 = Splat(v[j0 + 6]),
             b7 = Splat(v[j0 + 7]);
    V4 d0 = Splat(0), d1 = Splat(0), d2 = Splat(0), d3 = Splat(0);
    V4 d4 = Splat(0), d5 = Splat(0), d6 = Splat(0), d7 = Splat(0);
    if (kDeflate) {
        d0 = Splat(u[j0]);
        d1 = Splat(u[j0 + 1]);
        d2 = Splat(u[j0 + 2]);
        d3 = Splat(u[j0 + 3]);
        d4 = Splat(u[j0 + 4]);
        d5 = Splat(u[j0 + 5]);
        d6 = Splat(u[j0 + 6]);
        d7 = Splat(u[j0 + 7]);
    }
    V4 upper = Load(chain);
    V4 lower = Load(chain + 4);
    int i = c0;
    for (; i + 3 <= c1; i += 4) {
        V4 x0 = Load(r0 + i), x1 = Load(r1 + i), x2 = Load(r2 + i), x3 = Load(r3 + i);
        V4 x4 = Load(r4 + i), x5 = Load(r5 + i), x6 = Load(r6 + i), x7 = Load(r7 + i);
        if (kDeflate) {
            const V4 ui = Load(u + i);
            x0 = x0 - lam * (d0 * ui);
            x1 = x1 - lam * (d1 * ui);
            x2 = x2 - lam * (d2 * ui);
            x3 = x3 - lam * (d3 * ui);
            x4 = x4 - lam * (d4 * ui);
            x5 = x5 - lam * (d5 * ui);
            x6 = x6 - lam * (d6 * ui);
            x7 = x7 - lam * (d7 * ui);
            Store(r0 + i, x0);
            Store(r1 + i, x1);
            Store(r2 + i, x2);
            Store(r3 + i, x3);
            Store(r4 + i, x4);
            Store(r5 + i, x5);
            Store(r6 + i, x6);
            Store(r7 + i, x7);
        }
        V4 s = Load(w + i);
        s = s + x0 * b0;
        s = s + x1 * b1;
        s = s + x2 * b2;
        s = s + x3 * b3;
        s = s + x4 * b4;
        s = s + x5 * b5;
        s = s + x6 * b6;
        s = s + x7 * b7;
        Store(w + i, s);
        const V4 vi = Load(v + i);
        AddColumns(upper, x0 * vi, x1 * vi, x2 * vi, x3 * vi);
        AddColumns(lower, x4 * vi, x5 * vi, x6 * vi, x7 * vi);
    }
    Store(chain, upper);
    Store(chain + 4, lower);
    for (; i <= c1; ++i) {
        double s = w[i];
        for (int r = 0; r < kBlockRows; ++r) {
            double x = rows[r][i];
            if (kDeflate) rows[r][i] = x = x - lambda * (u[j0 + r] * u[i]);
            s = s + x * v[j0 + r];
            chain[r] = chain[r] + x * v[i];
        }
        w[i] = s;
    }
}

// w = A v with A symmetric and held in the upper triangle of `a`. Entry i is summed over
// j = 1..n in order, as row i of the full matrix would be. Sweeping the rows from the top
// gives that order: when row i is reached, w(i) holds the terms j < i, added from the rows
// above (column i), and row i itself supplies the terms j >= i. Eight rows go at once.
template <bool kDeflate>
[[gnu::always_inline]] inline void UpperProductImpl(double* a, std::size_t stride, int n,
                                                    const double* v, double lambda, const double* u,
                                                    double* w)
{
    auto at = [&](int r, int c) -> double& { return a[static_cast<std::size_t>(r) * stride + c]; };
    for (int i = 1; i <= n; ++i) w[i] = 0;
    int j0 = 1;
    for (; j0 + kBlockRows - 1 <= n; j0 += kBlockRows) {
        const int j1 = j0 + kBlockRows - 1;
        if (kDeflate)
            for (int r = j0; r <= j1; ++r)
                for (int c = r; c <= j1; ++c) at(r, c) = at(r, c) - lambda * (u[r] * u[c]);
        double chain[kBlockRows];
        for (int i = j0; i <= j1; ++i) {
            double s = w[i];
            for (int r = j0; r <= j1; ++r) s = s + (r <= i ? at(r, i) : at(i, r)) * v[r];
            chain[i - j0] = s;
        }
        double* rows[kBlockRows];
        for (int r = 0; r < kBlockRows; ++r) rows[r] = &at(j0 + r, 0);
        BlockColumns<kDeflate>(rows, j0, v, lambda, u, w, chain, j1 + 1, n);
        for (int r = 0; r < kBlockRows; ++r) w[j0 + r] = chain[r];
    }
    for (; j0 <= n; ++j0) {
        double* row = &at(j0, 0);
        double chain = w[j0];
        for (int c = j0; c <= n; ++c) {
            double x = row[c];
            if (kDeflate) row[c] = x = x - lambda * (u[j0] * u[c]);
            chain = chain + x * v[c];
            if (c > j0) w[c] = w[c] + x * v[j0];
        }
        w[j0] = chain;
    }
}

TARVEX_CLONED_KERNEL
void UpperProductKernel(double* a, std::size_t stride, int n, const double* v, bool deflate,
                        double lambda, const double* u, double* w)
{
    if (deflate)
        UpperProductImpl<true>(a, stride, n, v, lambda, u, w);
    else
        UpperProductImpl<false>(a, stride, n, v, lambda, u, w);
}

}  // namespace

void UpperProduct(Matrix<double>& a, int n, const double* v, bool deflate, double lambda,
                  const double* u, double* w)
{
    if (n < 1) return;
    assert(a.rows() >= n && a.cols() >= n);
    UpperProductKernel(a.row(0), static_cast<std::size_t>(a.cols()) + 1, n, v, deflate, lambda, u,
                       w);
}

void DeflateUpper(Matrix<double>& a, int n, double lambda, const double* u)
{
    for (int r = 1; r <= n; ++r) {
        double* row = a.row(r);
        for (int c = r; c <= n; ++c) row[c] = row[c] - lambda * (u[r] * u[c]);
    }
}

}  // namespace eofkernel
}  // namespace tarvex
