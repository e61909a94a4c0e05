#include "calib/CalibRegions.h"

#include <cmath>

#include "calib/CalibData.h"

namespace tarvex::calib {

void ComputeRegions(Workspace& ws, int coefficient1, int coefficient2, bool greyScale)
{
    constexpr int kCells = kGridLast + 1;
    const Matrix<float>& P = ws.calibMatrices[kProbability];
    Matrix<float>& flags = ws.calibMatrices[kRegionFlags];
    ws.regionColour[0] = greyScale ? kRegionGreyInner : kRegionColourInner;
    ws.regionColour[1] = greyScale ? kRegionGreyRing : kRegionColourRing;
    ws.modeIndex.assign(kCells, 0);
    if (ws.medianIndex.size() != static_cast<std::size_t>(kCells)) ws.medianIndex.assign(kCells, 0);
    ws.regionLevel.resize(kGridLast, 1);
    const float c1 = static_cast<float>(coefficient1) / 1000.0f;
    const float c2 = static_cast<float>(coefficient2) / 1000.0f;
    const bool full = coefficient1 == 1000 || coefficient2 == 1000;

    for (int a = 0; a < kCells; ++a) {
        float peak = 0, total = 0;
        for (int b = 0; b < kCells; ++b) {
            flags(a, b) = 0;
            const float p = std::fabs(P(a, b));
            if (p > peak) {
                peak = p;
                ws.modeIndex[a] = static_cast<int16_t>(b);
            }
            total += p;
        }
        if (total == 0) {
            ws.modeIndex[a] = -9999;
            ws.medianIndex[a] = -9999;
            continue;
        }
        float level1 = 0, level2 = 0, d1 = 1, d2 = 1;
        for (int k = 1; k <= 10; ++k) {
            const float step = peak / static_cast<float>(1 << k);
            const float s1 = d1 * step;
            level1 += s1;
            const float s2 = d2 * step;
            level2 += s2;
            float m1 = 0, m2 = 0;
            for (int b = 0; b < kCells; ++b) {
                const float p = std::fabs(P(a, b));
                if (p > level1) m1 += p;
                if (p > level2) m2 += p;
            }
            d1 = c1 >= m1 / total ? -1.0f : 1.0f;
            d2 = c2 >= m2 / total ? -1.0f : 1.0f;
        }
        ws.regionLevel(a, 0) = level1;
        ws.regionLevel(a, 1) = level2;
        for (int b = 0; b < kCells; ++b) {
            const float p = std::fabs(P(a, b));
            float f = 0;
            if (p > level1) f += 1;
            if (p > level2) f += 1;
            if (b > 0 && b == ws.modeIndex[a]) f = 3;
            if (P(a, b) < 0) {
                f = -f;
                ws.medianIndex[a] = static_cast<int16_t>(b);
            }
            if (full && f == 0) f = 1;
            flags(a, b) = f;
        }
    }
}

}  // namespace tarvex::calib
