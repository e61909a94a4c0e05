#pragma once

#include <string>
#include <vector>

#include "app/Workspace.h"

// The numbers the calibration chart writes as text: values on its axes, the confidence
// intervals of a section through the chart, and the average and mode of the section.
namespace tarvex::calib {

// |v| >= 1000: a whole number; 10 <= |v| < 1000: one decimal; below: two decimals. An exact
// half goes upwards; the text is the shortest form of the rounded value.
std::string FormatChartValue(double v);

// The fine column of a section at the slider value 0..100: Round(section * 4) + 50, halves
// to even.
int SectionColumn(double section);

// The value of fine row r on the vertical axis from low (row 50) to high (row 450).
double ChartRowValue(double low, double high, int row);

// One run of rows 50..450 of a section column inside a region. An interval is open at an
// end that the chart's edge cuts off (the region goes on past row 50 or 450).
struct ChartInterval {
    int lowRow = 0, highRow = 0;
    bool openLow = false, openHigh = false;
    bool operator==(const ChartInterval& o) const
    {
        return lowRow == o.lowRow && highRow == o.highRow && openLow == o.openLow &&
               openHigh == o.openHigh;
    }
};

// The intervals of column s whose |region flag| is at least threshold (2: the narrower
// region, 1: either), from the bottom up; at most 11.
std::vector<ChartInterval> SectionIntervals(const Workspace& ws, int s, float threshold);

// "lower - upper", each end a chart value or "?" where the interval is open.
std::string IntervalText(const ChartInterval& interval, double low, double high);

// What the chart prints beside a section: a heading per coefficient (its text and " %")
// with its intervals, the average (a number with a leading space when not negative) and the
// mode; either of those two reads "Out of range" when it lies outside the charted rows
// (the average may lie on the bottom row, the mode on neither edge row).
struct SectionTexts {
    std::string heading1, heading2;
    std::vector<std::string> intervals1, intervals2;
    std::string average, mode;
};
SectionTexts SectionIntervalTexts(const Workspace& ws, int s, double low, double high,
                                  const std::string& coefficient1, const std::string& coefficient2);

// The mode text of the printed chart, from the last row of the section flagged as the mode.
std::string PrintedModeText(const Workspace& ws, int s, double low, double high);

inline constexpr const char* kOutOfRange = "Out of range";

}  // namespace tarvex::calib
