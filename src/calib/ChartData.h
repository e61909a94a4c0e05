#pragma once

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

}  // namespace tarvex::calib
