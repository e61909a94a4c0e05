#include "tf/WaPlsLeaveOut.h"

#include <algorithm>
#include <cmath>

#include "tf/ProductKernel.h"
#include "tf/Training.h"

namespace tarvex {
namespace tf {

WaPlsLeaveOut::WaPlsLeaveOut(const SparseRows& y, const Matrix<double>& climate,
                             const std::vector<int>& params, int components)
    : y_(y), byTaxon_(y.Transposed()), m_(y.cols), components_(components)
{
    const std::size_t m = static_cast<std::size_t>(m_);
    a_.assign(m * m, 0.0);
    colSum_.assign(m, 0.0);
    occurrences_.assign(m, 0);
    for (int s = 1; s <= y.rows; ++s) {
        const double r = y.total[s];
        if (!(r > 0)) continue;
        total_ += r;
        for (std::size_t e = y.Begin(s); e < y.End(s); ++e) {
            const std::size_t k = static_cast<std::size_t>(y.col[e] - 1);
            colSum_[k] += y.value[e];
            ++occurrences_[k];
            const double share = y.value[e] / r;
            for (std::size_t f = y.Begin(s); f < y.End(s); ++f)
                a_[k * m + static_cast<std::size_t>(y.col[f] - 1)] += share * y.value[f];
        }
    }
    for (int p : params) {
        double weighted = 0;
        for (int s = 1; s <= y.rows; ++s)
            if (y.total[s] > 0) weighted += y.total[s] * climate(s, p);
        const double centre = total_ > 0 ? weighted / total_ : 0;
        std::vector<double> x(static_cast<std::size_t>(y.rows) + 1, 0.0);
        std::vector<double> yx(m, 0.0);
        double rx = 0;
        for (int s = 1; s <= y.rows; ++s) {
            if (!(y.total[s] > 0)) continue;
            x[s] = climate(s, p) - centre;
            rx += y.total[s] * x[s];
            for (std::size_t e = y.Begin(s); e < y.End(s); ++e)
                yx[static_cast<std::size_t>(y.col[e] - 1)] += y.value[e] * x[s];
        }
        centre_.push_back(centre);
        yx_.push_back(std::move(yx));
        rx_.push_back(rx);
        x_.push_back(std::move(x));
    }
}

namespace {

// A sum left after taking away most of it has lost the digits it needs; it is summed again
// from what is left.
constexpr double kRecomputeBelow = 1e-4;

}  // namespace

void WaPlsLeaveOut::Run(const Column* columns, int count, double* out) const
{
    const int m = m_;
    const int w = kBlock;
    const std::size_t cells = static_cast<std::size_t>(m) * w;
    // Column j of each block holds left-out model j; taxa are rows.
    std::vector<double> s(cells, 0.0), colSum(cells, 0.0), inverse(cells, 0.0), d(cells, 0.0),
        q(cells, 0.0);
    double total[kBlock], meanX[kBlock], gamma0[kBlock], alpha[kBlock], yb[kBlock], amount[kBlock];
    bool done[kBlock];
    std::vector<char> removed(static_cast<std::size_t>(y_.rows) + 1, 0);
    std::vector<int> lost(static_cast<std::size_t>(m), 0);
    std::vector<int> touched;

    // Every column starts from the sums over all sites, row by row.
    for (int k = 0; k < m; ++k) {
        const std::size_t row = static_cast<std::size_t>(k) * w;
        const double inv = occurrences_[k] > 0 && colSum_[k] > 0 ? 1 / colSum_[k] : 0;
        for (int j = 0; j < w; ++j) {
            colSum[row + j] = colSum_[k];
            inverse[row + j] = inv;
            s[row + j] = j < count ? yx_[static_cast<std::size_t>(columns[j].paramIndex)][k] : 0.0;
        }
    }
    for (int j = 0; j < w; ++j) {
        done[j] = true;
        meanX[j] = total[j] = 0;
        if (j >= count) continue;
        const Column& col = columns[j];
        const std::vector<double>& x = x_[static_cast<std::size_t>(col.paramIndex)];
        double t = total_, rx = rx_[static_cast<std::size_t>(col.paramIndex)];
        touched.clear();
        for (int e : *col.removed) {
            const double r = y_.total[e];
            if (!(r > 0)) continue;
            removed[e] = 1;
            t -= r;
            rx -= r * x[e];
            for (std::size_t f = y_.Begin(e); f < y_.End(e); ++f) {
                const int k = y_.col[f] - 1;
                const std::size_t cell = static_cast<std::size_t>(k) * w + j;
                colSum[cell] -= y_.value[f];
                s[cell] -= y_.value[f] * x[e];
                if (lost[k]++ == 0) touched.push_back(k);
            }
        }
        if (t < kRecomputeBelow * total_) {
            t = rx = 0;
            for (int i = 1; i <= y_.rows; ++i)
                if (!removed[i] && y_.total[i] > 0) {
                    t += y_.total[i];
                    rx += y_.total[i] * x[i];
                }
        }
        for (int k : touched) {
            const std::size_t cell = static_cast<std::size_t>(k) * w + j;
            if (occurrences_[k] - lost[k] > 0 && colSum[cell] < kRecomputeBelow * colSum_[k]) {
                double c = 0, sx = 0;
                for (std::size_t f = byTaxon_.Begin(k + 1); f < byTaxon_.End(k + 1); ++f) {
                    const int i = byTaxon_.col[f];
                    if (removed[i] || !(y_.total[i] > 0)) continue;
                    c += byTaxon_.value[f];
                    sx += byTaxon_.value[f] * x[i];
                }
                colSum[cell] = c;
                s[cell] = sx;
            }
            // A taxon whose sites are all left out leaves the model.
            const bool active = occurrences_[k] - lost[k] > 0 && colSum[cell] > 0;
            inverse[cell] = active ? 1 / colSum[cell] : 0;
            lost[k] = 0;
        }
        for (int e : *col.removed) removed[e] = 0;
        if (!(t > 0)) continue;
        total[j] = t;
        meanX[j] = rx / t;
        // The left-out site's abundances over the taxa of its model.
        double a = 0;
        for (std::size_t f = y_.Begin(col.site); f < y_.End(col.site); ++f)
            if (inverse[static_cast<std::size_t>(y_.col[f] - 1) * w + j] != 0) a += y_.value[f];
        amount[j] = a;
        yb[j] = 0;
        done[j] = !(a > kLeastAbundance);
    }
    // The residuals of the centred values: s = Y'x - mean C, the first direction g = s / C.
    double gamma[kBlock];
    ResidualStep(s.data(), colSum.data(), meanX, inverse.data(), colSum.data(), m, d.data(), gamma);
    for (int j = 0; j < w; ++j)
        if (!done[j]) gamma0[j] = gamma[j] / total[j];
    for (int j = 0; j < count; ++j)
        for (int c = 0; c < components_; ++c)
            out[static_cast<std::size_t>(j) * components_ + c] = kNoEstimate;

    // A column that stops carries zeros from then on, so every column can be stepped alike.
    auto stop = [&](int j) {
        done[j] = true;
        alpha[j] = 0;
        for (int k = 0; k < m; ++k) {
            const std::size_t cell = static_cast<std::size_t>(k) * w + j;
            d[cell] = inverse[cell] = s[cell] = 0;
        }
    };
    for (int j = 0; j < w; ++j)
        if (done[j]) stop(j);
    std::vector<double> g(cells, 0.0);
    double tau[kBlock], ratio[kBlock];
    for (int c = 1; c <= components_; ++c) {
        bool any = false;
        for (int j = 0; j < count; ++j) any = any || !done[j];
        if (!any) break;
        MultiplyBlock(a_.data(), m, d.data(), w, q.data());
        // The left-out sites' part of A d.
        for (int j = 0; j < count; ++j) {
            if (done[j]) continue;
            for (int e : *columns[j].removed) {
                const double r = y_.total[e];
                if (!(r > 0)) continue;
                double dot = 0;
                for (std::size_t f = y_.Begin(e); f < y_.End(e); ++f)
                    dot += y_.value[f] * d[static_cast<std::size_t>(y_.col[f] - 1) * w + j];
                const double share = dot / r;
                for (std::size_t f = y_.Begin(e); f < y_.End(e); ++f)
                    q[static_cast<std::size_t>(y_.col[f] - 1) * w + j] -= y_.value[f] * share;
            }
        }
        ColumnDots(d.data(), q.data(), m, tau);
        for (int j = 0; j < count; ++j) {
            if (done[j]) continue;
            const Column& col = columns[j];
            const double t = tau[j] / total[j];
            if (1 + t == 1) {
                stop(j);
                continue;
            }
            alpha[j] = gamma0[j] / t;
            double dot = 0;
            for (std::size_t f = y_.Begin(col.site); f < y_.End(col.site); ++f) {
                const std::size_t cell = static_cast<std::size_t>(y_.col[f] - 1) * w + j;
                if (inverse[cell] != 0) dot += y_.value[f] * d[cell];
            }
            yb[j] += alpha[j] * dot;
            out[static_cast<std::size_t>(j) * components_ + (c - 1)] =
                centre_[static_cast<std::size_t>(col.paramIndex)] + meanX[j] + yb[j] / amount[j];
        }
        if (c == components_) break;
        // The next direction of every running column.
        ResidualStep(s.data(), q.data(), alpha, inverse.data(), colSum.data(), m, g.data(), gamma);
        for (int j = 0; j < w; ++j) {
            ratio[j] = 0;
            if (done[j]) continue;
            gamma[j] /= total[j];
            // Without a previous step to go on from, the direction would be 0: nothing more.
            if (gamma0[j] == 0) {
                stop(j);
                continue;
            }
            ratio[j] = gamma[j] / gamma0[j];
            gamma0[j] = gamma[j];
        }
        NextDirection(d.data(), g.data(), ratio, m);
    }
}

}  // namespace tf
}  // namespace tarvex
