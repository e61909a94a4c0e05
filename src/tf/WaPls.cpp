#include "tf/WaPls.h"

#include <algorithm>

namespace tarvex {
namespace tf {

WaPlsModel FitWaPls(const TrainingSet& training, int components)
{
    const SparseRows& y = *training.rows;
    const int m = y.cols;
    const int n = y.rows;
    WaPlsModel model;
    model.taxa = m;
    const std::size_t size = static_cast<std::size_t>(m) + 1;
    model.active.assign(size, 0);
    model.beta.resize(m, std::max(components, 0));

    std::vector<double> colSum(size, 0.0);
    double total = 0, weightedX = 0;
    for (int s = 1; s <= n; ++s) {
        const int weight = training.Weight(s);
        if (weight == 0) continue;
        for (std::size_t e = y.Begin(s); e < y.End(s); ++e) colSum[y.col[e]] += weight * y.value[e];
        total += weight * y.total[s];
        weightedX += weight * y.total[s] * training.x[s];
    }
    if (!(total > 0)) return model;
    for (int k = 1; k <= m; ++k) model.active[k] = colSum[k] > 0;
    const double meanX = weightedX / total;

    std::vector<double> r(static_cast<std::size_t>(n) + 1, 0.0);
    for (int s = 1; s <= n; ++s)
        if (training.Weight(s) > 0) r[s] = training.x[s] - meanX;

    std::vector<double> g(size, 0.0), d(size, 0.0), b(size, 0.0), t(r.size(), 0.0);
    // g = (Y' r) / C over the taxa of the model, and its squared length weighted by C / T.
    auto gradient = [&]() {
        std::fill(g.begin(), g.end(), 0.0);
        for (int s = 1; s <= n; ++s) {
            const int weight = training.Weight(s);
            if (weight == 0) continue;
            for (std::size_t e = y.Begin(s); e < y.End(s); ++e)
                g[y.col[e]] += weight * y.value[e] * r[s];
        }
        double gamma = 0;
        for (int k = 1; k <= m; ++k) {
            if (!model.active[k]) continue;
            g[k] /= colSum[k];
            gamma += g[k] * g[k] * colSum[k];
        }
        return gamma / total;
    };

    double gamma0 = gradient();
    d = g;
    for (int c = 1; c <= components; ++c) {
        double tau = 0;
        for (int s = 1; s <= n; ++s) {
            const int weight = training.Weight(s);
            if (weight == 0) continue;
            double sum = 0;
            for (std::size_t e = y.Begin(s); e < y.End(s); ++e) sum += y.value[e] * d[y.col[e]];
            t[s] = sum / y.total[s];
            tau += weight * (t[s] * t[s]) * y.total[s];
        }
        tau /= total;
        if (1 + tau == 1) break;
        const double alpha = gamma0 / tau;
        for (int k = 1; k <= m; ++k) b[k] += alpha * d[k];
        for (int s = 1; s <= n; ++s)
            if (training.Weight(s) > 0) r[s] -= alpha * t[s];
        for (int k = 1; k <= m; ++k) model.beta(k, c) = model.active[k] ? b[k] + meanX : 0;
        model.components = c;
        if (c == components) break;
        const double gamma = gradient();
        for (int k = 1; k <= m; ++k) d[k] = gamma0 == 0 ? 0 : (gamma / gamma0) * d[k] + g[k];
        gamma0 = gamma;
    }
    return model;
}

double WaPlsEstimate(const WaPlsModel& model, const SparseRows& rows, int r, int c)
{
    if (c < 1 || c > model.components) return kNoEstimate;
    double amount = 0, sum = 0;
    for (std::size_t e = rows.Begin(r); e < rows.End(r); ++e) {
        const int k = rows.col[e];
        if (k > model.taxa || !model.active[k]) continue;
        amount += rows.value[e];
        sum += rows.value[e] * model.beta(k, c);
    }
    if (!(amount > kLeastAbundance)) return kNoEstimate;
    return sum / amount;
}

}  // namespace tf
}  // namespace tarvex
