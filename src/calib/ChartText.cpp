#include "calib/ChartText.h"

#include <cmath>

#include "calib/ChartData.h"
#include "data/NumberText.h"

namespace tarvex::calib {

namespace {

bool ColumnHeld(const Workspace& ws, int s)
{
    return s >= kChartFirstShown && s <= kChartLastShown &&
           ws.chartRegionFlags.rows() == kChartLast && ws.chartRegionFlags.cols() == kChartLast &&
           ws.chartModeIndex.size() == kChartLast + 1u &&
           ws.chartMedianIndex.size() == kChartLast + 1u;
}

}  // namespace

std::string FormatChartValue(double v)
{
    const double size = std::fabs(v);
    const int decimals = size >= 1000 ? 0 : size >= 10 ? 1 : 2;
    return FormatNumber(RoundHalfUpTo(v, decimals));
}

int SectionColumn(double section)
{
    return static_cast<int>(RoundHalfEven(section * 400 / 100)) + kChartFirstShown;
}

double ChartRowValue(double low, double high, int row)
{
    return low + (high - low) * (row - kChartFirstShown) / 400;
}

std::vector<ChartInterval> SectionIntervals(const Workspace& ws, int s, float threshold)
{
    std::vector<ChartInterval> out;
    if (!ColumnHeld(ws, s)) return out;
    auto inside = [&](int r) { return std::fabs(ws.chartRegionFlags(s, r)) >= threshold; };
    constexpr int kKept = 11;
    for (int r = kChartFirstShown; r <= kChartLastShown && out.size() < kKept; ++r) {
        if (!inside(r) || (r > kChartFirstShown && inside(r - 1))) continue;
        ChartInterval interval;
        interval.lowRow = r;
        interval.openLow = r == kChartFirstShown;
        while (r < kChartLastShown && inside(r + 1)) ++r;
        interval.highRow = r;
        interval.openHigh = r == kChartLastShown;
        out.push_back(interval);
    }
    return out;
}

std::string IntervalText(const ChartInterval& interval, double low, double high)
{
    const std::string lower =
        interval.openLow ? "?" : FormatChartValue(ChartRowValue(low, high, interval.lowRow));
    const std::string upper =
        interval.openHigh ? "?" : FormatChartValue(ChartRowValue(low, high, interval.highRow));
    return lower + " - " + upper;
}

SectionTexts SectionIntervalTexts(const Workspace& ws, int s, double low, double high,
                                  const std::string& coefficient1, const std::string& coefficient2)
{
    SectionTexts t;
    t.heading1 = coefficient1 + " %";
    t.heading2 = coefficient2 + " %";
    t.average = kOutOfRange;
    t.mode = kOutOfRange;
    if (!ColumnHeld(ws, s)) return t;
    for (const ChartInterval& i : SectionIntervals(ws, s, 2))
        t.intervals1.push_back(IntervalText(i, low, high));
    for (const ChartInterval& i : SectionIntervals(ws, s, 1))
        t.intervals2.push_back(IntervalText(i, low, high));

    const int m = ws.chartMedianIndex[s];
    if (!(m < 1 || m - kChartFirstShown >= 400)) {
        // The average is shown as the single-precision number its chart text reads as.
        const float value = static_cast<float>(Val(FormatChartValue(ChartRowValue(low, high, m))));
        t.average = (value >= 0 ? " " : "") + FormatSingle(value);
    }
    const int d = ws.chartModeIndex[s] - kChartFirstShown;
    if (!(d >= 400 || d < 1))
        t.mode = FormatChartValue(ChartRowValue(low, high, d + kChartFirstShown));
    return t;
}

std::string PrintedModeText(const Workspace& ws, int s, double low, double high)
{
    if (!ColumnHeld(ws, s)) return kOutOfRange;
    int row = -1;
    for (int j = kChartFirstShown; j <= kChartLastShown; ++j)
        if (ws.chartRegionFlags(s, j) == 3) row = j;
    const int d = row < 0 ? 0 : row - kChartFirstShown;
    if (d > 399 || d < 1) return kOutOfRange;
    return FormatChartValue(ChartRowValue(low, high, row));
}

}  // namespace tarvex::calib
