#include "tf/Figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tarvex {
namespace tf {

namespace {

constexpr int kBins = 10;

bool AllEqual(const std::vector<double>& v)
{
    return std::all_of(v.begin(), v.end(), [&](double x) { return x == v.front(); });
}

double Mean(const std::vector<double>& v)
{
    if (AllEqual(v)) return v.front();
    double sum = 0;
    for (double x : v) sum += x;
    return sum / static_cast<double>(v.size());
}

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
    const double r = std::clamp(sxy / (std::sqrt(sxx) * std::sqrt(syy)), -1.0, 1.0);
    return r * r;
}

}  // namespace

int BiasBin(double v, double low, double high)
{
    // Each edge is computed as the bins are defined and compared with the value itself, so a
    // value that lies on an edge is found there whatever a division would have rounded to.
    const double width = (high - low) / kBins;
    int bin = 0;
    while (bin < kBins - 1 && !(v <= low + (bin + 1) * width)) ++bin;
    return bin;
}

Figures ComputeFigures(const std::vector<double>& estimate, const std::vector<double>& observed)
{
    const double undefined = std::numeric_limits<double>::quiet_NaN();
    Figures f;
    f.rmse = f.r2 = f.meanBias = f.maxBias = undefined;
    std::vector<double> e, o;
    double largest = 0;
    for (std::size_t i = 1; i < estimate.size() && i < observed.size(); ++i) {
        if (std::isnan(estimate[i])) continue;
        e.push_back(estimate[i]);
        o.push_back(observed[i]);
        largest = std::max({largest, std::fabs(estimate[i]), std::fabs(observed[i])});
    }
    f.count = static_cast<int>(e.size());
    if (e.empty()) return f;

    // Figures of values scaled by a power of two: exact, and the squares of very large values
    // cannot overflow.
    int exponent = 0;
    if (std::isfinite(largest) && largest > 0) std::frexp(largest, &exponent);
    for (double& v : e) v = std::ldexp(v, -exponent);
    for (double& v : o) v = std::ldexp(v, -exponent);

    std::vector<double> residual(e.size());
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i < e.size(); ++i) {
        residual[i] = e[i] - o[i];
        sum += residual[i];
        squares += residual[i] * residual[i];
    }
    const double n = static_cast<double>(e.size());
    f.meanBias = std::ldexp(sum / n, exponent);
    f.rmse = std::ldexp(std::sqrt(squares / n), exponent);
    f.r2 = SquaredCorrelation(e, o);

    const auto [lowest, highest] = std::minmax_element(o.begin(), o.end());
    const double low = *lowest, high = *highest;
    std::array<double, kBins> binSum{};
    std::array<int, kBins> binCount{};
    for (std::size_t i = 0; i < o.size(); ++i) {
        const int bin = high > low ? BiasBin(o[i], low, high) : 0;
        binSum[static_cast<std::size_t>(bin)] += residual[i];
        ++binCount[static_cast<std::size_t>(bin)];
    }
    double worst = 0;
    bool any = false;
    for (std::size_t b = 0; b < binSum.size(); ++b) {
        if (binCount[b] == 0) continue;
        const double mean = binSum[b] / binCount[b];
        if (!any || std::fabs(mean) > std::fabs(worst)) worst = mean;
        any = true;
    }
    f.maxBias = std::ldexp(worst, exponent);
    return f;
}

}  // namespace tf
}  // namespace tarvex
