#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "mat/Analogues.h"
#include "tf/Figures.h"

namespace tarvex {

ErrorModelSummary SummariseErrorModel(const Workspace& ws, int p)
{
    const double undefined = std::numeric_limits<double>::quiet_NaN();
    ErrorModelSummary out;
    out.rmsep = out.r2 = out.meanBias = out.maxBias = undefined;
    if (p < 1 || p > ws.climateParamCount || ws.siteReconValues.cols() < p ||
        ws.climateValues.cols() < p)
        return out;
    const int sites = std::min(UsableRows(ws.siteReconValues, ws.refSiteCount),
                               UsableRows(ws.climateValues, ws.refSiteCount));

    // The figures of every method of the program come from one computation (the transfer
    // functions' as well), so the same estimates always give the same figures.
    std::vector<double> estimate(static_cast<std::size_t>(sites) + 1, undefined),
        observed(static_cast<std::size_t>(sites) + 1, 0.0);
    for (int s = 1; s <= sites; ++s) {
        const double e = ws.siteReconValues(s, p);
        if (e != -9999) estimate[s] = e;
        observed[s] = ws.climateValues(s, p);
    }
    const tf::Figures f = tf::ComputeFigures(estimate, observed);
    out.sites = f.count;
    out.rmsep = f.rmse;
    out.r2 = f.r2;
    out.meanBias = f.meanBias;
    out.maxBias = f.maxBias;
    return out;
}

std::vector<BiasBin> ErrorModelBiasBins(const Workspace& ws, int p)
{
    if (p < 1 || p > ws.climateParamCount || ws.siteReconValues.cols() < p ||
        ws.climateValues.cols() < p)
        return {};
    const int sites = std::min(UsableRows(ws.siteReconValues, ws.refSiteCount),
                               UsableRows(ws.climateValues, ws.refSiteCount));
    std::vector<double> observed, residual;
    for (int s = 1; s <= sites; ++s) {
        const double e = ws.siteReconValues(s, p);
        if (e == -9999) continue;
        observed.push_back(ws.climateValues(s, p));
        residual.push_back(e - ws.climateValues(s, p));
    }
    if (observed.empty()) return {};
    // The bins of the maximum bias above, each value in the bin that figure counts it in.
    const auto [lowest, highest] = std::minmax_element(observed.begin(), observed.end());
    const double low = *lowest, high = *highest;
    const int count = high > low ? 10 : 1;
    std::vector<BiasBin> bins(static_cast<std::size_t>(count));
    const double width = (high - low) / 10;
    for (int b = 0; b < count; ++b) {
        bins[b].low = count == 1 ? low : low + b * width;
        bins[b].high = count == 1 ? high : low + (b + 1) * width;
    }
    std::vector<double> sum(bins.size(), 0.0);
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const int b = count > 1 ? tf::BiasBin(observed[i], low, high) : 0;
        sum[static_cast<std::size_t>(b)] += residual[i];
        ++bins[static_cast<std::size_t>(b)].count;
    }
    for (std::size_t b = 0; b < bins.size(); ++b)
        bins[b].meanResidual =
            bins[b].count > 0 ? sum[b] / bins[b].count : std::numeric_limits<double>::quiet_NaN();
    return bins;
}

}  // namespace tarvex
