#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "mat/Analogues.h"

namespace tarvex {

namespace {

constexpr int kBiasBins = 10;

bool AllEqual(const std::vector<double>& v)
{
    return std::all_of(v.begin(), v.end(), [&](double x) { return x == v.front(); });
}

double Mean(const std::vector<double>& v)
{
    // Equal values must give exactly that value, so that their deviations are exactly 0.
    if (AllEqual(v)) return v.front();
    double sum = 0;
    for (double x : v) sum += x;
    return sum / static_cast<double>(v.size());
}

// Squared Pearson correlation; undefined when either side has no spread.
double SquaredCorrelation(const std::vector<double>& x, const std::vector<double>& y)
{
    if (AllEqual(x) || AllEqual(y)) return std::numeric_limits<double>::quiet_NaN();
    const double mx = Mean(x);
    const double my = Mean(y);
    double sxx = 0, syy = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double dx = x[i] - mx;
        const double dy = y[i] - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    // Rounding may carry |r| a hair past 1; a squared correlation above 1 would look like a
    // fault in the data.
    const double r = std::clamp(sxy / (std::sqrt(sxx) * std::sqrt(syy)), -1.0, 1.0);
    return r * r;
}

// The observed range split into ten bins of equal width as R's cut() makes them for the
// transfer-function packages of the field: edges low + j * ((high - low) / 10), computed in
// that order as R's seq() does, each bin closed at its upper edge and the lowest also at its
// lower edge, so a value on an inner edge belongs to the lower bin. The mean residual of the
// bin where it is largest in magnitude, with its sign. When every observed value is the same
// there is a single bin, and its mean residual is the mean bias.
double MaximumBias(const std::vector<double>& observed, const std::vector<double>& residual)
{
    const auto [lowest, highest] = std::minmax_element(observed.begin(), observed.end());
    const double low = *lowest;
    const double high = *highest;
    const double width = (high - low) / kBiasBins;
    std::array<double, kBiasBins> sum{};
    std::array<int, kBiasBins> count{};
    for (std::size_t i = 0; i < observed.size(); ++i) {
        int bin = 0;
        if (high > low)
            while (bin < kBiasBins - 1 && !(observed[i] <= low + (bin + 1) * width)) ++bin;
        sum[static_cast<std::size_t>(bin)] += residual[i];
        ++count[static_cast<std::size_t>(bin)];
    }
    double worst = 0;
    bool any = false;
    for (std::size_t b = 0; b < sum.size(); ++b) {
        if (count[b] == 0) continue;
        const double mean = sum[b] / count[b];
        // Of two bins with the same magnitude, the lower one is reported.
        if (!any || std::fabs(mean) > std::fabs(worst)) worst = mean;
        any = true;
    }
    return worst;
}

}  // namespace

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

    std::vector<double> estimate, observed;
    double largest = 0;
    for (int s = 1; s <= sites; ++s) {
        const double e = ws.siteReconValues(s, p);
        if (e == -9999) continue;
        const double o = ws.climateValues(s, p);
        estimate.push_back(e);
        observed.push_back(o);
        largest = std::max({largest, std::fabs(e), std::fabs(o)});
    }
    out.sites = static_cast<int>(estimate.size());
    if (estimate.empty()) return out;

    // Working on values scaled by a power of two keeps the squares and differences of very
    // large values from overflowing; the scaling is exact, so ordinary values give the same
    // figures bit for bit.
    int exponent = 0;
    if (std::isfinite(largest) && largest > 0) std::frexp(largest, &exponent);
    const auto scale = [&](std::vector<double>& v) {
        for (double& x : v) x = std::ldexp(x, -exponent);
    };
    scale(estimate);
    scale(observed);

    std::vector<double> residual(estimate.size());
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i < estimate.size(); ++i) {
        residual[i] = estimate[i] - observed[i];
        sum += residual[i];
        squares += residual[i] * residual[i];
    }
    const double n = static_cast<double>(estimate.size());
    out.meanBias = std::ldexp(sum / n, exponent);
    out.rmsep = std::ldexp(std::sqrt(squares / n), exponent);
    out.r2 = SquaredCorrelation(estimate, observed);
    out.maxBias = std::ldexp(MaximumBias(observed, residual), exponent);
    return out;
}

}  // namespace tarvex
