#pragma once

#include <vector>

#include "app/Workspace.h"

// Mode, median and the two confidence regions of every column of the probability matrix.
namespace tarvex::calib {

// Region colours (0xBBGGRR) of the colour and the grey-scale display: inner region, outer ring.
inline constexpr uint32_t kRegionColourInner = 200 + 256 * 255 + 65536 * 200;
inline constexpr uint32_t kRegionColourRing = 50 + 256 * 127 + 65536 * 50;
inline constexpr uint32_t kRegionGreyInner = 200 + 256 * 200 + 65536 * 200;
inline constexpr uint32_t kRegionGreyRing = 100 + 256 * 100 + 65536 * 100;

// Fills slot 7 (region flags), modeIndex, regionLevel and regionColour from slot 6 and
// medianIndex; coefficients are tenths of a percent (0..1000). For each column the two levels
// are found by ten halving steps from the peak; a cell above a level belongs to that region,
// so a region may hold slightly less than its coefficient. Empty columns get -9999 as mode
// and median and no flags.
void ComputeRegions(Workspace& ws, int coefficient1, int coefficient2, bool greyScale = false);

// One item of the mode or median line over the visible columns 25..225, in grid indexes: a
// segment from (a0, b0) to (a1, b1), or a single point (a0, b0).
struct LineItem {
    bool segment = false;
    int a0 = 0, b0 = 0, a1 = 0, b1 = 0;
    bool operator==(const LineItem& o) const
    {
        return segment == o.segment && a0 == o.a0 && b0 == o.b0 && a1 == o.a1 && b1 == o.b1;
    }
};

// The mode line: neighbouring modes are joined when they differ by at most one row, or when
// the probability of the column they rise or fall in never decreases between them (a ridge);
// otherwise both are drawn as points. Columns without a mode contribute at most a point.
std::vector<LineItem> ModeLine(const Workspace& ws);

// The median line: neighbouring medians are always joined; points next to empty columns.
std::vector<LineItem> MedianLine(const Workspace& ws);

// Colours (0xBBGGRR) of the visible cells (a, b) = 25..225, stored at (a - 25, b - 25), on a
// white ground. Probability: cells inside the outer region take the colour scale's colour of
// |probability| x 20 x zEnhancement, the rest stay white (the trimmed probability figure and
// the returned panel's "Probability" display). Regions: the inner region in region colour 1,
// the ring in region colour 2 (the returned panel's "Confidence" display).
Matrix<int32_t> TrimmedProbabilityColours(const Workspace& ws);
// Colours of the visible cells of one model figure, stored like the above: each cell's value
// times weight, as a magnitude, times zEnhancement, on the colour scale; cells whose enhanced
// value does not exceed the colour scale's cut-off stay white. On paper (cutOff = false) a
// value exactly at the cut-off is printed too; below it the cell stays white there as well,
// since the colour scale would print the faint tails of every model as black fields.
Matrix<int32_t> ModelColours(const Workspace& ws, int slot, float weight, bool cutOff = true);
Matrix<int32_t> RegionColours(const Workspace& ws);

}  // namespace tarvex::calib
