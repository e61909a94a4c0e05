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

}  // namespace tarvex
