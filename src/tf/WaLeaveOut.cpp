#include "tf/WaLeaveOut.h"

#include <algorithm>

namespace tarvex {
namespace tf {

namespace {

// A sum left after taking away most of it has lost the digits it needs.
constexpr double kRecomputeBelow = 1e-4;
// A spread found as the difference of two sums this many times as large is summed again.
constexpr double kSpreadDigits = 1e4;

}  // namespace

WaLeaveOut::WaLeaveOut(const SparseRows& y, const Matrix<double>& climate,
                       const std::vector<int>& params, bool withTolerance)
    : y_(y), byTaxon_(y.Transposed()), withTolerance_(withTolerance), m_(y.cols)
{
    const std::size_t size = static_cast<std::size_t>(m_) + 1;
    colSum_.assign(size, 0.0);
    squares_.assign(size, 0.0);
    occurrences_.assign(size, 0);
    z1_.assign(size, 0.0);
    gram_.assign(size * size, 0.0);
    for (int s = 1; s <= y.rows; ++s) {
        const double r = y.total[s];
        if (!(r > 0)) continue;
        ++count_;
        for (std::size_t e = y.Begin(s); e < y.End(s); ++e) {
            const int k = y.col[e];
            colSum_[k] += y.value[e];
            squares_[k] += y.value[e] * y.value[e];
            ++occurrences_[k];
            const double z = y.value[e] / r;
            z1_[k] += z;
            for (std::size_t f = y.Begin(s); f < y.End(s); ++f)
                gram_[static_cast<std::size_t>(k) * size + y.col[f]] += z * (y.value[f] / r);
        }
    }
    for (int param : params) {
        Parameter p;
        double sum = 0;
        for (int s = 1; s <= y.rows; ++s)
            if (y.total[s] > 0) sum += climate(s, param);
        p.centre = count_ > 0 ? sum / count_ : 0;
        p.x.assign(static_cast<std::size_t>(y.rows) + 1, 0.0);
        for (int s = 1; s <= y.rows; ++s)
            if (y.total[s] > 0) p.x[s] = climate(s, param) - p.centre;
        p.weighted.assign(size, 0.0);
        p.weightedSquares.assign(size, 0.0);
        for (int s = 1; s <= y.rows; ++s)
            for (std::size_t e = y.Begin(s); e < y.End(s); ++e) {
                p.weighted[y.col[e]] += y.value[e] * p.x[s];
                p.weightedSquares[y.col[e]] += y.value[e] * (p.x[s] * p.x[s]);
            }
        p.optimum.assign(size, 0.0);
        for (int k = 1; k <= m_; ++k)
            if (colSum_[k] > 0) p.optimum[k] = p.weighted[k] / colSum_[k];
        p.w.assign(p.x.size(), 0.0);
        p.zx.assign(size, 0.0);
        p.zw.assign(size, 0.0);
        for (int s = 1; s <= y.rows; ++s) {
            const double r = y.total[s];
            if (!(r > 0)) continue;
            double w = 0;
            for (std::size_t e = y.Begin(s); e < y.End(s); ++e)
                w += (y.value[e] / r) * p.optimum[y.col[e]];
            p.w[s] = w;
            p.sumX += p.x[s];
            p.sumXX += p.x[s] * p.x[s];
            p.sumW += w;
            p.sumWW += w * w;
            p.sumXW += p.x[s] * w;
            for (std::size_t e = y.Begin(s); e < y.End(s); ++e) {
                const double z = y.value[e] / r;
                p.zx[y.col[e]] += p.x[s] * z;
                p.zw[y.col[e]] += w * z;
            }
        }
        params_.push_back(std::move(p));
    }
}

void WaLeaveOut::Run(int site, const std::vector<int>& removed, double* out) const
{
    for (std::size_t i = 0; i < params_.size(); ++i) {
        double* o = out + i * kEstimates;
        for (int e = 0; e < kEstimates; ++e) o[e] = kNoEstimate;
        RunPlain(params_[i], site, removed, o);
        if (withTolerance_) RunTolerance(params_[i], site, removed, o);
    }
}

void WaLeaveOut::RunPlain(const Parameter& p, int site, const std::vector<int>& removed,
                          double* out) const
{
    const std::size_t size = static_cast<std::size_t>(m_) + 1;
    // The optima that change: taxa of the left-out sites, with their new column sums.
    std::vector<double> colSum, weighted;
    std::vector<int> taxa, lost;
    std::vector<int> slot(size, -1);
    int n = count_;
    double sumX = p.sumX, sumXX = p.sumXX;
    for (int e : removed) {
        const double r = y_.total[e];
        if (!(r > 0)) continue;
        --n;
        sumX -= p.x[e];
        sumXX -= p.x[e] * p.x[e];
        for (std::size_t f = y_.Begin(e); f < y_.End(e); ++f) {
            const int k = y_.col[f];
            if (slot[k] < 0) {
                slot[k] = static_cast<int>(taxa.size());
                taxa.push_back(k);
                colSum.push_back(colSum_[k]);
                weighted.push_back(p.weighted[k]);
                lost.push_back(0);
            }
            const std::size_t i = static_cast<std::size_t>(slot[k]);
            colSum[i] -= y_.value[f];
            weighted[i] -= y_.value[f] * p.x[e];
            ++lost[i];
        }
    }
    if (n < 1) return;
    // The change of each optimum; 0 for a taxon that leaves the model, which no remaining site
    // holds.
    std::vector<double> delta(taxa.size(), 0.0);
    std::vector<char> active(taxa.size(), 1);
    for (std::size_t i = 0; i < taxa.size(); ++i) {
        const int k = taxa[i];
        if (occurrences_[k] - lost[i] <= 0 || !(colSum[i] > 0)) {
            active[i] = 0;
            continue;
        }
        delta[i] = weighted[i] / colSum[i] - p.optimum[k];
    }
    double sumW = p.sumW, sumXW = p.sumXW, sumWW = p.sumWW;
    for (std::size_t i = 0; i < taxa.size(); ++i) {
        const int k = taxa[i];
        sumW += delta[i] * z1_[k];
        sumXW += delta[i] * p.zx[k];
        double quadratic = 0;
        for (std::size_t j = 0; j < taxa.size(); ++j)
            quadratic += gram_[static_cast<std::size_t>(k) * size + taxa[j]] * delta[j];
        sumWW += delta[i] * (2 * p.zw[k] + quadratic);
    }
    // The left-out sites' own raw estimates under the new optima, taken back out of the sums.
    for (int e : removed) {
        const double r = y_.total[e];
        if (!(r > 0)) continue;
        double w = p.w[e];
        for (std::size_t f = y_.Begin(e); f < y_.End(e); ++f)
            w += (y_.value[f] / r) * delta[static_cast<std::size_t>(slot[y_.col[f]])];
        sumW -= w;
        sumXW -= p.x[e] * w;
        sumWW -= w * w;
    }
    const double meanX = sumX / n, meanW = sumW / n;
    const Deshrinking d = FitDeshrinking(meanX, meanW, sumXX - n * meanX * meanX,
                                         sumWW - n * meanW * meanW, sumXW - n * meanX * meanW);

    // The estimate of the site over the taxa its model keeps.
    double amount = 0, sum = 0;
    for (std::size_t f = y_.Begin(site); f < y_.End(site); ++f) {
        const int k = y_.col[f];
        double optimum = p.optimum[k];
        if (slot[k] >= 0) {
            const std::size_t i = static_cast<std::size_t>(slot[k]);
            if (!active[i]) continue;
            optimum += delta[i];
        } else if (colSum_[k] <= 0) {
            continue;
        }
        amount += y_.value[f];
        sum += y_.value[f] * optimum;
    }
    if (!(amount > kLeastAbundance)) return;
    const double w = sum / amount;
    out[kInverse] = p.centre + d.Inverse(w);
    out[kClassical] = p.centre + d.Classical(w);
}

void WaLeaveOut::RunTolerance(const Parameter& p, int site, const std::vector<int>& removed,
                              double* out) const
{
    const std::size_t size = static_cast<std::size_t>(m_) + 1;
    std::vector<int> weights(static_cast<std::size_t>(y_.rows) + 1, 1);
    for (int e : removed) weights[e] = 0;
    const TrainingSet training{&y_, p.x.data(), &weights};
    // The sums over all sites less those of the left-out sites.
    WaTaxonSums sums;
    sums.colSum = colSum_;
    sums.weighted = p.weighted;
    std::vector<double> squares = squares_, xx = p.weightedSquares;
    std::vector<int> lost(size, 0);
    std::vector<int> touched;
    for (int e : removed) {
        if (!(y_.total[e] > 0)) continue;
        const double x = p.x[e];
        for (std::size_t f = y_.Begin(e); f < y_.End(e); ++f) {
            const int k = y_.col[f];
            const double v = y_.value[f];
            sums.colSum[k] -= v;
            sums.weighted[k] -= v * x;
            xx[k] -= v * (x * x);
            squares[k] -= v * v;
            if (lost[k]++ == 0) touched.push_back(k);
        }
    }
    // Spread and shares, sum y (x - u)^2 and sum (y / C)^2, from the full sums.
    sums.spread.assign(size, 0.0);
    sums.share.assign(size, 0.0);
    for (int k = 1; k <= m_; ++k) {
        const double c = sums.colSum[k];
        if (!(c > 0)) continue;
        sums.spread[k] = xx[k] - sums.weighted[k] / c * sums.weighted[k];
        sums.share[k] = squares[k] / (c * c);
    }
    for (int k : touched) {
        const double c = sums.colSum[k];
        if (occurrences_[k] - lost[k] <= 0) {
            sums.colSum[k] = sums.weighted[k] = sums.spread[k] = sums.share[k] = 0;
        } else if (c < kRecomputeBelow * colSum_[k] || sums.spread[k] * kSpreadDigits < xx[k]) {
            // The differences have lost their digits: the taxon is summed again.
            SumWaTaxon(training, byTaxon_, k, true, sums);
        }
    }
    const WaModel model = WaFromSums(training, sums, true, false);
    const double w = WaRaw(model, y_, site, true);
    out[kInverseTolerance] = p.centre + model.downWeighted.Inverse(w);
    out[kClassicalTolerance] = p.centre + model.downWeighted.Classical(w);
}

}  // namespace tf
}  // namespace tarvex
