#include "calib/ChartData.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "calib/CalibData.h"
#include "calib/CalibRegions.h"

namespace tarvex::calib {

namespace {

constexpr int kRows = 500;  // fine rows 0..500 carry data; 501 is never written

void Allocate(Workspace& ws)
{
    if (ws.chartProbability.rows() != kChartLast || ws.chartProbability.cols() != kChartLast)
        ws.chartProbability.resize(kChartLast, kChartLast);
    if (ws.chartRegionFlags.rows() != kChartLast || ws.chartRegionFlags.cols() != kChartLast)
        ws.chartRegionFlags.resize(kChartLast, kChartLast);
    if (ws.chartRegionLevel.rows() != kChartLast || ws.chartRegionLevel.cols() != 1)
        ws.chartRegionLevel.resize(kChartLast, 1);
    if (ws.chartModeIndex.size() != kChartLast + 1u)
        ws.chartModeIndex.assign(kChartLast + 1, -9999);
    if (ws.chartMedianIndex.size() != kChartLast + 1u)
        ws.chartMedianIndex.assign(kChartLast + 1, -9999);
}

void Resample(const Matrix<float>& probability, Matrix<float>& c)
{
    auto P = [&probability](int a, int b) { return std::fabs(probability(a, b)); };
    for (int b = 0; b < kGridLast; ++b) {
        float rowSum = 0;
        for (int a = 0; a <= kGridLast; ++a) rowSum += P(a, b);
        for (int a = 25; a <= 225; ++a) {
            const int u = 2 * a, w = 2 * b;
            if (rowSum != 0) {
                c(u, w) = P(a, b);
                c(u, w + 1) = (P(a, b + 1) + P(a, b)) / 2;
                const float s1 = P(a, b + 1) + P(a, b);
                const float s2 = P(a + 1, b + 1) + P(a + 1, b);
                if (s1 != 0 && s2 != 0) {
                    c(u + 1, w) = (P(a + 1, b) + P(a, b)) / 2;
                    c(u + 1, w + 1) = (P(a, b) + P(a + 1, b) + P(a, b + 1) + P(a + 1, b + 1)) / 4;
                } else {
                    c(u + 1, w) = 0;
                    c(u + 1, w + 1) = 0;
                }
            } else {
                c(u, w) = c(u, w + 1) = c(u + 1, w) = c(u + 1, w + 1) = 0;
                // A row without any probability also takes back the half step leading to it.
                if (b > 0) c(u, w - 1) = c(u + 1, w - 1) = 0;
            }
        }
    }
    for (int a = 25; a <= 225; ++a) {
        const float p0 = P(a, kGridLast), p1 = P(a + 1, kGridLast);
        c(2 * a, kRows) = p0;
        c(2 * a + 1, kRows) = p0 != 0 && p1 != 0 ? (p0 + p1) / 2 : 0.0f;
    }
}

}  // namespace

void PrepareChartData(Workspace& ws, int coefficient1, int coefficient2)
{
    if (ws.calibMatrices.size() != 9 || ws.calibMatrices[kProbability].rows() != kGridLast) return;
    Allocate(ws);
    Matrix<float>& c = ws.chartProbability;
    Matrix<float>& flags = ws.chartRegionFlags;
    Resample(ws.calibMatrices[kProbability], c);

    // Modes, with the peak and total each column's regions start from. Column 451 is the
    // right-hand neighbour the mode path joins the last charted column to.
    float peak[kChartLast + 1] = {}, total[kChartLast + 1] = {};
    for (int u = kChartFirstShown; u <= kChartLastShown + 1; ++u) {
        for (int w = 0; w <= kRows; ++w) {
            flags(u, w) = 0;
            const float v = c(u, w);
            if (v > peak[u]) {
                peak[u] = v;
                ws.chartModeIndex[u] = static_cast<int16_t>(w);
            }
            total[u] += v;
        }
        if (total[u] == 0) ws.chartModeIndex[u] = -9999;
    }

    for (int u = 0; u <= kRows; ++u) {
        float sum = 0;
        for (int w = 0; w <= kRows; ++w) sum += c(u, w);
        if (sum == 0) {
            ws.chartMedianIndex[u] = -9999;
            continue;
        }
        // The first fine row where the running sum passes the half, as for the grid columns.
        const float half = sum / 2;
        float running = 0;
        for (int w = 0; w <= kRows; ++w) {
            running += c(u, w);
            if (running > half) {
                ws.chartMedianIndex[u] = static_cast<int16_t>(w);
                break;
            }
        }
    }

    const float c1 = static_cast<float>(coefficient1) / 1000.0f;
    const float c2 = static_cast<float>(coefficient2) / 1000.0f;
    const bool full = coefficient1 == 1000 || coefficient2 == 1000;
    for (int u = kChartFirstShown; u <= kChartLastShown; ++u) {
        if (!(total[u] > 0)) {
            // No levels of an earlier preparation may survive into the legend.
            ws.chartRegionLevel(u, 0) = 0;
            ws.chartRegionLevel(u, 1) = 0;
            continue;
        }
        // Ten halving steps from the peak, each moving a level down while its region holds
        // less than the coefficient and up otherwise, as for the calibration window.
        float level1 = 0, level2 = 0, d1 = 1, d2 = 1;
        for (int k = 1; k <= 10; ++k) {
            const float step = peak[u] / static_cast<float>(1 << k);
            level1 += d1 * step;
            level2 += d2 * step;
            float m1 = 0, m2 = 0;
            for (int w = 0; w <= kRows; ++w) {
                const float p = c(u, w);
                if (p > level1) m1 += p;
                if (p > level2) m2 += p;
            }
            d1 = c1 >= m1 / total[u] ? -1.0f : 1.0f;
            d2 = c2 >= m2 / total[u] ? -1.0f : 1.0f;
        }
        ws.chartRegionLevel(u, 0) = level1;
        ws.chartRegionLevel(u, 1) = level2;
        for (int w = 0; w <= kRows; ++w) {
            const float p = c(u, w);
            float f = 0;
            if (p > level1) f += 1;
            if (p > level2) f += 1;
            if (w > 0 && w == ws.chartModeIndex[u]) f = 3;
            if (full && f == 0) f = 1;
            flags(u, w) = f;
        }
    }
}

Matrix<int32_t> ChartCellColours(const Workspace& ws, ChartView view, int enhancement)
{
    constexpr int32_t kWhite = 255 + 256 * 255 + 65536 * 255;
    constexpr int kSpan = kChartLastShown - kChartFirstShown;
    Matrix<int32_t> out(kSpan, kSpan);
    out.fill(kWhite);
    if (ws.chartProbability.rows() != kChartLast || ws.chartRegionFlags.rows() != kChartLast)
        return out;
    const bool grey = ws.colours.greyScaleOnCalib;
    const int32_t narrow = static_cast<int32_t>(grey ? kRegionGreyInner : kRegionColourInner);
    const int32_t wide = static_cast<int32_t>(grey ? kRegionGreyRing : kRegionColourRing);
    const double factor = enhancement / 100.0;
    for (int i = kChartFirstShown; i <= kChartLastShown; ++i)
        for (int j = kChartFirstShown; j <= kChartLastShown; ++j) {
            const float f = std::fabs(ws.chartRegionFlags(i, j));
            int32_t& cell = out(i - kChartFirstShown, j - kChartFirstShown);
            if (view == ChartView::Probability) {
                if (f >= 1)
                    cell = ColourOfValue(ws.colours, factor * ws.chartProbability(i, j) * 20);
            } else if (f >= 1.5f) {
                cell = narrow;
            } else if (f >= 0.5f) {
                cell = wide;
            }
        }
    return out;
}

int ChartLegendColour(const Workspace& ws, int s, double m, int enhancement)
{
    constexpr int kWhite = 255 + 256 * 255 + 65536 * 255;
    const float level = ws.chartRegionLevel.rows() == kChartLast && s >= 0 && s <= kChartLast
                            ? ws.chartRegionLevel(s, 1)
                            : 0.0f;
    if (level * static_cast<double>(enhancement) * 20 >= 100 * m) return kWhite;
    return ColourOfValue(ws.colours, m);
}

namespace {

constexpr int32_t kWhiteCell = 255 + 256 * 255 + 65536 * 255;

bool PathsHeld(const Workspace& ws)
{
    return ws.chartModeIndex.size() == kChartLast + 1u &&
           ws.chartMedianIndex.size() == kChartLast + 1u;
}

// The pieces between column i (row a) and column i + 1 (row b); -9999 is an empty column.
void AddPiece(std::vector<ChartPathPiece>& out, int i, int a, int b, bool join)
{
    const bool hasA = a != -9999, hasB = b != -9999;
    if (hasA && hasB && join) {
        out.push_back({i, a, i + 1, b});
        return;
    }
    if (hasA) out.push_back({i, a, i, a});
    if (hasB) out.push_back({i + 1, b, i + 1, b});
}

}  // namespace

std::vector<ChartPathPiece> ChartAveragePath(const Workspace& ws)
{
    std::vector<ChartPathPiece> out;
    if (!PathsHeld(ws)) return out;
    for (int i = kChartFirstShown; i <= kChartLastShown; ++i)
        AddPiece(out, i, ws.chartMedianIndex[i], ws.chartMedianIndex[i + 1], true);
    return out;
}

std::vector<ChartPathPiece> ChartModePath(const Workspace& ws)
{
    std::vector<ChartPathPiece> out;
    if (!PathsHeld(ws) || ws.chartProbability.rows() != kChartLast) return out;
    const Matrix<float>& c = ws.chartProbability;
    for (int i = kChartFirstShown; i <= kChartLastShown; ++i) {
        const int a = ws.chartModeIndex[i], b = ws.chartModeIndex[i + 1];
        bool join = true;
        if (a != -9999 && b != -9999 && std::abs(a - b) >= 2) {
            // A jump is a line only when the column of the higher mode climbs without a dip
            // from the lower mode's row: then every step adds to the rise.
            const int column = b > a ? i + 1 : i;
            const int lo = std::min(a, b), hi = std::max(a, b);
            float rise = 0, travel = 0;
            for (int v = std::max(lo, 0); v < hi && v < kRows; ++v) {
                const float d = std::fabs(c(column, v + 1)) - std::fabs(c(column, v));
                rise += d;
                travel += std::fabs(d);
            }
            join = rise == travel;
        }
        AddPiece(out, i, a, b, join);
    }
    return out;
}

Matrix<int32_t> ChartSectionColours(const Workspace& ws, int s, int enhancement, int32_t colour)
{
    constexpr int kSpan = kChartLastShown - kChartFirstShown;
    Matrix<int32_t> out(100, kSpan);
    out.fill(kWhiteCell);
    if (ws.chartProbability.rows() != kChartLast || s < 0 || s > kChartLast) return out;
    for (int j = kChartFirstShown; j <= kChartLastShown; ++j) {
        const double v = ws.chartProbability(s, j) * static_cast<double>(enhancement) * 20;
        // v is the enhanced value in percent of the figure's width.
        for (int k = 0; k <= 100 && v > k; ++k) out(k, j - kChartFirstShown) = colour;
    }
    return out;
}

Matrix<int32_t> ChartPrintColours(const Workspace& ws, bool showMode)
{
    constexpr int kSpan = kChartLastShown - kChartFirstShown;
    Matrix<int32_t> out(kSpan, kSpan);
    out.fill(kWhiteCell);
    if (ws.chartRegionFlags.rows() != kChartLast) return out;
    const bool grey = ws.colours.greyScaleOnCalib;
    const auto narrow = static_cast<int32_t>(grey ? kRegionGreyInner : kRegionColourInner);
    const auto wide = static_cast<int32_t>(grey ? kRegionGreyRing : kRegionColourRing);
    const int32_t mode = grey ? 0 : 255;
    for (int i = kChartFirstShown; i <= kChartLastShown; ++i)
        for (int j = kChartFirstShown; j <= kChartLastShown; ++j) {
            const float f = ws.chartRegionFlags(i, j);
            int32_t& cell = out(i - kChartFirstShown, j - kChartFirstShown);
            if (f >= 3)
                cell = showMode ? mode : narrow;
            else if (f >= 1.5f)
                cell = narrow;
            else if (f >= 0.5f)
                cell = wide;
        }
    return out;
}

}  // namespace tarvex::calib
