#include "tf/Wa.h"

#include <cmath>

namespace tarvex {
namespace tf {

namespace {

// A tolerance below this is taken as unknown: a taxon found at one value of x only.
constexpr double kLeastTolerance = 0.01;

void FitOneDeshrinking(const TrainingSet& training, const WaModel& model, bool downWeighted,
                       Deshrinking& out)
{
    const SparseRows& y = *training.rows;
    double count = 0, sumX = 0, sumW = 0;
    std::vector<double> w(static_cast<std::size_t>(y.rows) + 1, kNoEstimate);
    for (int s = 1; s <= y.rows; ++s) {
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        w[s] = WaRaw(model, y, s, downWeighted);
        count += weight;
        sumX += weight * training.x[s];
        sumW += weight * w[s];
    }
    if (count == 0) return;
    const double meanX = sumX / count;
    const double meanW = sumW / count;
    double sxx = 0, sww = 0, sxw = 0;
    for (int s = 1; s <= y.rows; ++s) {
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        const double dx = training.x[s] - meanX;
        const double dw = w[s] - meanW;
        sxx += weight * (dx * dx);
        sww += weight * (dw * dw);
        sxw += weight * (dx * dw);
    }
    out = FitDeshrinking(meanX, meanW, sxx, sww, sxw);
}

}  // namespace

Deshrinking FitDeshrinking(double meanX, double meanW, double sxx, double sww, double sxw)
{
    Deshrinking d;
    if (sww > 0 && std::isfinite(sww)) {
        d.inverse1 = sxw / sww;
        d.inverse0 = meanX - d.inverse1 * meanW;
    }
    if (sxx > 0 && sxw != 0 && std::isfinite(sxx)) {
        d.classical1 = sxw / sxx;
        d.classical0 = meanW - d.classical1 * meanX;
    }
    return d;
}

WaTaxonSums SumWaTaxa(const TrainingSet& training, bool withTolerance)
{
    const SparseRows& y = *training.rows;
    const std::size_t size = static_cast<std::size_t>(y.cols) + 1;
    WaTaxonSums sums;
    sums.colSum.assign(size, 0.0);
    sums.weighted.assign(size, 0.0);
    for (int s = 1; s <= y.rows; ++s) {
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        const double x = training.x[s];
        for (std::size_t e = y.Begin(s); e < y.End(s); ++e) {
            const double v = weight * y.value[e];
            sums.colSum[y.col[e]] += v;
            sums.weighted[y.col[e]] += v * x;
        }
    }
    if (!withTolerance) return sums;
    sums.spread.assign(size, 0.0);
    sums.share.assign(size, 0.0);
    for (int s = 1; s <= y.rows; ++s) {
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        const double x = training.x[s];
        for (std::size_t e = y.Begin(s); e < y.End(s); ++e) {
            const int k = y.col[e];
            const double d = x - sums.weighted[k] / sums.colSum[k];
            const double p = y.value[e] / sums.colSum[k];
            sums.spread[k] += weight * y.value[e] * (d * d);
            sums.share[k] += weight * (p * p);
        }
    }
    return sums;
}

void SumWaTaxon(const TrainingSet& training, const SparseRows& byTaxon, int k, bool withTolerance,
                WaTaxonSums& sums)
{
    double colSum = 0, weighted = 0;
    for (std::size_t e = byTaxon.Begin(k); e < byTaxon.End(k); ++e) {
        const int s = byTaxon.col[e];
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        const double v = weight * byTaxon.value[e];
        colSum += v;
        weighted += v * training.x[s];
    }
    sums.colSum[k] = colSum;
    sums.weighted[k] = weighted;
    if (!withTolerance) return;
    double spread = 0, share = 0;
    for (std::size_t e = byTaxon.Begin(k); e < byTaxon.End(k); ++e) {
        const int s = byTaxon.col[e];
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        const double d = training.x[s] - weighted / colSum;
        const double p = byTaxon.value[e] / colSum;
        spread += weight * byTaxon.value[e] * (d * d);
        share += weight * (p * p);
    }
    sums.spread[k] = spread;
    sums.share[k] = share;
}

WaModel WaFromSums(const TrainingSet& training, const WaTaxonSums& sums, bool withTolerance,
                   bool plainDeshrinking)
{
    const int m = training.rows->cols;
    WaModel model;
    model.taxa = m;
    model.withTolerance = withTolerance;
    const std::size_t size = static_cast<std::size_t>(m) + 1;
    model.active.assign(size, 0);
    model.optimum.assign(size, kNoEstimate);
    for (int k = 1; k <= m; ++k)
        if (sums.colSum[k] > 0) {
            model.active[k] = 1;
            model.optimum[k] = sums.weighted[k] / sums.colSum[k];
        }

    if (withTolerance) {
        model.tolerance.assign(size, kNoEstimate);
        model.usedTolerance.assign(size, kNoEstimate);
        double sum = 0;
        int defined = 0;
        for (int k = 1; k <= m; ++k) {
            if (!model.active[k]) continue;
            // Hill's N2 = 1 / share; the correction divides by 1 - 1 / N2, which is 0 for a
            // taxon counted at one site only.
            const double correction = 1 - sums.share[k];
            if (!(correction > 0)) continue;
            const double t = std::sqrt(sums.spread[k] / sums.colSum[k] / correction);
            model.tolerance[k] = t;
            if (t >= kLeastTolerance && std::isfinite(t)) {
                sum += t;
                ++defined;
            }
        }
        model.downWeight.assign(size, kNoEstimate);
        if (defined > 0) {
            const double mean = sum / defined;
            for (int k = 1; k <= m; ++k) {
                if (!model.active[k]) continue;
                const double t = model.tolerance[k];
                model.usedTolerance[k] = t >= kLeastTolerance && std::isfinite(t) ? t : mean;
                model.downWeight[k] = 1 / (model.usedTolerance[k] * model.usedTolerance[k]);
            }
        }
    }

    if (plainDeshrinking) FitOneDeshrinking(training, model, false, model.plain);
    if (withTolerance) FitOneDeshrinking(training, model, true, model.downWeighted);
    return model;
}

WaModel FitWa(const TrainingSet& training, bool withTolerance)
{
    return WaFromSums(training, SumWaTaxa(training, withTolerance), withTolerance);
}

double WaRaw(const WaModel& model, const SparseRows& rows, int r, bool downWeighted)
{
    double amount = 0, sum = 0, weights = 0;
    for (std::size_t e = rows.Begin(r); e < rows.End(r); ++e) {
        const int k = rows.col[e];
        if (k > model.taxa || !model.active[k]) continue;
        const double v = rows.value[e];
        amount += v;
        if (downWeighted) {
            const double w = v * model.downWeight[k];
            sum += w * model.optimum[k];
            weights += w;
        } else {
            sum += v * model.optimum[k];
        }
    }
    if (!(amount > kLeastAbundance)) return kNoEstimate;
    return sum / (downWeighted ? weights : amount);
}

}  // namespace tf
}  // namespace tarvex
