#pragma once

#include <vector>

#include "app/Workspace.h"

// The calibration chart's data: the probability matrix resampled at half grid steps, with
// mode, median and the two confidence regions found again on the finer grid.
namespace tarvex::calib {

inline constexpr int kChartLast = 501;       // fine indexes 0..501 in both directions
inline constexpr int kChartFirstShown = 50;  // the charted area is fine 50..450
inline constexpr int kChartLastShown = 450;

// Fills chartProbability, chartModeIndex, chartMedianIndex, chartRegionLevel and
// chartRegionFlags from slot 6 (its magnitude: the median mark is ignored). Coefficients are
// tenths of a percent, as for the regions of the calibration window. Between two grid columns
// a half-step column is interpolated only where both carry probability; within a column the
// half-step rows always are. Columns 50..451 get a mode (451 being the right neighbour of the
// last charted column), and an empty column leaves neither flags nor region levels behind.
// Does nothing when the calibration matrices are not allocated.
void PrepareChartData(Workspace& ws, int coefficient1, int coefficient2);

enum class ChartView { Probability, Confidence };

// Colours (0xBBGGRR) of the charted cells (i, j) = 50..450, stored at (i - 50, j - 50), for an
// enhancement slider value of 0..200 (percent). Probability: cells with a region flag take the
// scale colour of enhancement / 100 * probability * 20, the others are white. Confidence: the
// narrower region (flag >= 1.5) and the wider one (0.5 .. 1.5) in the region colours of the
// colour or the grey-scale display (greyScaleOnCalib), the rest white.
Matrix<int32_t> ChartCellColours(const Workspace& ws, ChartView view, int enhancement);

// The colour of legend column m (0..1) at section column s: white up to the level of the outer
// region there (level * enhancement / 100 * 20 >= m), then the scale colour of m.
int ChartLegendColour(const Workspace& ws, int s, double m, int enhancement);

// One piece of a path across the charted columns, in fine indexes: a line from (i0, j0) to
// (i1, j1), or a point where both ends are the same.
struct ChartPathPiece {
    int i0 = 0, j0 = 0, i1 = 0, j1 = 0;
    bool IsPoint() const { return i0 == i1 && j0 == j1; }
    bool operator==(const ChartPathPiece& o) const
    {
        return i0 == o.i0 && j0 == o.j0 && i1 == o.i1 && j1 == o.j1;
    }
};

// The average (median) path over columns 50..451: neighbouring columns with a median are
// joined, a column beside an empty one is a point, an empty column leaves a gap.
std::vector<ChartPathPiece> ChartAveragePath(const Workspace& ws);

// The mode path, built like the average path, except that modes two or more rows apart are
// joined only when the column of the higher mode rises steadily from the lower mode's row to
// its own; otherwise both stay separate points.
std::vector<ChartPathPiece> ChartModePath(const Workspace& ws);

// The bars of the section figure at column s: element (k, j - 50) for k = 0..100 and rows
// j = 50..450 is colour where enhancement * probability * 20 > k (the enhanced value of the
// main chart in percent of the figure's width), white elsewhere.
Matrix<int32_t> ChartSectionColours(const Workspace& ws, int s, int enhancement, int32_t colour);

// The chart on paper, in the confidence rendering whatever the view: the narrower region
// (flag 1.5 .. 3), the wider one (0.5 .. 1.5), white elsewhere; mode cells (flag 3) are red,
// black in grey mode, when the mode is shown and otherwise take the narrower region's colour.
Matrix<int32_t> ChartPrintColours(const Workspace& ws, bool showMode);

}  // namespace tarvex::calib
