#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Progress.h"
#include "app/Workspace.h"
#include "calib/CalibRegions.h"
#include "mat/Analogues.h"

// The Strativ histogram: the reconstructed curve passed level by level through the returned
// calibration matrix, giving a depth-by-climate probability picture; and what the two matrix
// panels of the reconstruction window draw from it and from the returned matrix.
namespace tarvex {

// Grid steps across the display range (the workspace's matrixWidth); the calibration grid
// adds 25 steps of margin on each side.
inline constexpr int kMatrixResolution = 200;

// Levels of the histogram for a panel of the given size (any unit, the same for both):
// Int(R * height / width). False, with the reason, when the panel has no width or the
// levels would not be between 1 and 32767.
bool HistogramLevels(double panelWidth, double panelHeight, int& levels, std::string* reason);

// The curve the histogram follows: the smoothed curve of parameter p at the smoothing level,
// or at level 1 the reconstruction itself, one window per sample. A window's value is -9999
// when it has none (an empty sample has none).
SmoothedCurve HistogramCurve(const Workspace& ws, int p, int smoothingLevel);

// Builds histLevels, histMatrix, histModeColumn and histMedianColumn from slot 8 of the
// returned calibration and the curve of parameter p, and sets histBuilt. Values are placed
// on the calibration grid (column 0 is the calibration range's lower end, one column per grid
// step). Fails, leaving the workspace as it was, when no calibration is returned, the panel
// gives no levels, or the sample positions give no level step (a single sample, or the first
// and the last label at the same depth). progress advances once per level.
bool BuildHistogram(Workspace& ws, int p, int smoothingLevel, double panelWidth, double panelHeight,
                    std::string* reason = nullptr, const ProgressFn& progress = {});

enum class MatrixDisplay { Probability, Confidence };

// The region colours the matrix panels use: the colour or the grey-scale pair after
// greyScaleOn.
void SetMatrixRegionColours(Workspace& ws);

// Colours (0xBBGGRR) of the histogram cells, (column 0..R, level 0..V), white where a cell
// is not drawn. Confidence: the inner region (|s| >= 2) and the ring (1 <= |s| < 2) in the
// region colours. Probability: cells with |s| >= 1 in the scale colour of the fraction of |s|.
Matrix<int32_t> HistogramColours(const Workspace& ws, MatrixDisplay display);

// The levels whose outer confidence region (|s| >= 1) reaches an end of the display range,
// where the histogram and its file stop: the probability of those levels goes on beyond it.
// Empty while no histogram is held.
struct HistogramEdgeLevels {
    std::vector<int> lower;  // levels reaching column 0, ascending
    std::vector<int> upper;  // levels reaching column R, ascending
};
HistogramEdgeLevels HistogramCutLevels(const Workspace& ws);

// Colours of the returned calibration matrix's visible cells (a, b) = 25..225 at
// (a - 25, b - 25), white where a cell is not drawn. Confidence: by |slot 8| as above.
// Probability: the scale colour of |slot 6|, drawn where slot 7 is not 0, or everywhere in
// grey-scale display.
Matrix<int32_t> ReturnedMatrixColours(const Workspace& ws, MatrixDisplay display);

// The colour-scale value of a probability on these panels: zEnhancement * p * R / 10.
double MatrixScaleValue(const Workspace& ws, float p);

// Mode and median lines along the histogram levels, x = column, y = level (items in the
// fields a and b of LineItem). Modes of neighbouring levels are joined when they differ by at
// most one column, or when the level holding the larger one rises all the way between them.
std::vector<calib::LineItem> HistogramModeLine(const Workspace& ws);
std::vector<calib::LineItem> HistogramMedianLine(const Workspace& ws);

// The mode line along the returned matrix's columns 25..226, judged on slot 8 (the median
// line there is calib::MedianLine).
std::vector<calib::LineItem> ReturnedModeLine(const Workspace& ws);

// The histogram panel's vertical scale in levels: 0..V when the first and the last fossil
// samples are both empty, otherwise with a margin of 2.5 % of V above and below.
struct PanelScale {
    double top = 0, height = 0;
};
PanelScale HistogramVerticalScale(const Workspace& ws);

// Colours of the overlays: the mode red, the median blue, both black in grey-scale display.
uint32_t ModeLineColour(const Workspace& ws);
uint32_t MedianLineColour(const Workspace& ws);

}  // namespace tarvex
