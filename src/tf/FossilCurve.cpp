#include "tf/FossilCurve.h"

#include <cmath>

#include "data/NumberText.h"

namespace tarvex {
namespace tf {

std::vector<CurvePoint> FossilCurve(const Inputs& in, const ParamResult& r, int column,
                                    bool numericLabels)
{
    std::vector<CurvePoint> curve;
    if (column < 0 || r.fossil.empty() || column > r.fossil.cols()) return curve;
    const bool errors = !r.s1.empty() && static_cast<std::size_t>(column) < r.s2.size();
    for (int f = 1; f <= in.samples && f <= r.fossil.rows(); ++f) {
        if (in.sampleEmpty[static_cast<std::size_t>(f)]) continue;
        const double v = r.fossil(f, column);
        if (!std::isfinite(v)) continue;
        CurvePoint p;
        p.sample = f;
        p.position = numericLabels ? Val(in.sampleLabels[static_cast<std::size_t>(f)]) : f;
        p.value = v;
        if (errors) {
            const double s1 = r.s1(f, column), s2 = r.s2[static_cast<std::size_t>(column)];
            const double e = std::sqrt(s1 * s1 + s2 * s2);
            if (std::isfinite(e)) {
                p.low = v - e;
                p.high = v + e;
            }
        }
        curve.push_back(p);
    }
    return curve;
}

}  // namespace tf
}  // namespace tarvex
