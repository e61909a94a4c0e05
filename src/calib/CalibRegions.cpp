#include "calib/CalibRegions.h"

#include <cmath>
#include <cstdlib>

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

namespace {

LineItem Point(int a, int b)
{
    return LineItem{false, a, b, a, b};
}
LineItem Segment(int a0, int b0, int a1, int b1)
{
    return LineItem{true, a0, b0, a1, b1};
}

// Whether |P| in column a never decreases from row lo up to row hi: the sum of the steps
// equals the sum of their sizes only when no step goes down.
bool Ridge(const Matrix<float>& P, int a, int lo, int hi)
{
    double d = 0, s = 0;
    for (int b = lo; b < hi; ++b) {
        const double step = static_cast<double>(std::fabs(P(a, b + 1))) - std::fabs(P(a, b));
        d += step;
        s += std::fabs(step);
    }
    return d == s;
}

bool HasIndexes(const Workspace& ws)
{
    return ws.modeIndex.size() == kGridLast + 1u && ws.medianIndex.size() == kGridLast + 1u &&
           ws.calibMatrices.size() == 9;
}

// A neighbour pair where one side has no value: the point of the other, if any.
bool PointOfValid(std::vector<LineItem>& out, int a, int v0, int v1)
{
    if (v0 != -9999 && v1 != -9999) return false;
    if (v0 != -9999)
        out.push_back(Point(a, v0));
    else if (v1 != -9999)
        out.push_back(Point(a + 1, v1));
    return true;
}

}  // namespace

std::vector<LineItem> ModeLine(const Workspace& ws)
{
    std::vector<LineItem> out;
    if (!HasIndexes(ws)) return out;
    const Matrix<float>& P = ws.calibMatrices[kProbability];
    for (int a = 25; a <= 225; ++a) {
        const int m0 = ws.modeIndex[a], m1 = ws.modeIndex[a + 1];
        if (PointOfValid(out, a, m0, m1)) continue;
        bool joined = std::abs(m0 - m1) <= 1;
        if (m1 - m0 >= 2) joined = Ridge(P, a + 1, m0, m1);
        if (m0 - m1 >= 2) joined = Ridge(P, a, m1, m0);
        if (joined) {
            out.push_back(Segment(a, m0, a + 1, m1));
        } else {
            out.push_back(Point(a, m0));
            out.push_back(Point(a + 1, m1));
        }
    }
    return out;
}

Matrix<int32_t> TrimmedProbabilityColours(const Workspace& ws)
{
    constexpr int32_t kWhite = 255 + 256 * 255 + 65536 * 255;
    Matrix<int32_t> out(200, 200);
    out.fill(kWhite);
    if (ws.calibMatrices.size() != 9) return out;
    const Matrix<float>& P = ws.calibMatrices[kProbability];
    const Matrix<float>& flags = ws.calibMatrices[kRegionFlags];
    for (int a = 25; a <= 225; ++a)
        for (int b = 25; b <= 225; ++b) {
            if (!(std::fabs(flags(a, b)) >= 1)) continue;
            const float v = std::fabs(P(a, b)) * 20.0f;
            const float x = v * ws.zEnhancement;
            out(a - 25, b - 25) = ColourOfValue(ws.colours, x);
        }
    return out;
}

Matrix<int32_t> ModelColours(const Workspace& ws, int slot, float weight, bool cutOff)
{
    constexpr int32_t kWhite = 255 + 256 * 255 + 65536 * 255;
    Matrix<int32_t> out(200, 200);
    out.fill(kWhite);
    if (ws.calibMatrices.size() != 9 || slot < 0 || slot > 8) return out;
    const Matrix<float>& m = ws.calibMatrices[static_cast<std::size_t>(slot)];
    for (int a = 25; a <= 225; ++a)
        for (int b = 25; b <= 225; ++b) {
            const float v = std::fabs(m(a, b) * weight) * ws.zEnhancement;
            if (cutOff ? v > ws.colours.colourScaleSlider : v >= ws.colours.colourScaleSlider)
                out(a - 25, b - 25) = ColourOfValue(ws.colours, v);
        }
    return out;
}

Matrix<int32_t> RegionColours(const Workspace& ws)
{
    constexpr int32_t kWhite = 255 + 256 * 255 + 65536 * 255;
    Matrix<int32_t> out(200, 200);
    out.fill(kWhite);
    if (ws.calibMatrices.size() != 9) return out;
    const Matrix<float>& flags = ws.calibMatrices[kRegionFlags];
    for (int a = 25; a <= 225; ++a)
        for (int b = 25; b <= 225; ++b) {
            const float f = std::fabs(flags(a, b));
            if (f >= 2)
                out(a - 25, b - 25) = static_cast<int32_t>(ws.regionColour[0]);
            else if (f == 1)
                out(a - 25, b - 25) = static_cast<int32_t>(ws.regionColour[1]);
        }
    return out;
}

std::vector<LineItem> MedianLine(const Workspace& ws)
{
    std::vector<LineItem> out;
    if (!HasIndexes(ws)) return out;
    for (int a = 25; a <= 225; ++a) {
        const int e0 = ws.medianIndex[a], e1 = ws.medianIndex[a + 1];
        if (!PointOfValid(out, a, e0, e1)) out.push_back(Segment(a, e0, a + 1, e1));
    }
    return out;
}

}  // namespace tarvex::calib
