#pragma once

#include <functional>

#include "app/Workspace.h"
#include "calib/CalibData.h"

// The calibration chain on the 251 x 251 grid: error model (slot 1), discrete and joint
// models (slots 0, 2), smoothing (slots 3, 4), row and column normalisation (slots 5, 6)
// with the median of every column. Every stage is single precision with its sums in the
// order the results are defined by; the fast path reproduces the plain one bit for bit.
namespace tarvex::calib {

// Plain: straight loops in the defining order, kept as the reference. Fast: the same sums,
// vectorised across independent output cells and shared among cores.
enum class Path { Plain, Fast };

// The window's settings that feed the chain, with their defaults.
struct ChainSettings {
    int smoothingLevel = 10;      // 1..20, percent of the range (kernel half width in steps)
    int generatedSdPercent = 5;   // 1..20, the generated model's standard deviation
    int verticalThreshold = 2;    // 0..10 samples, row normalisation
    int horizontalThreshold = 1;  // 0..10 samples, column normalisation
    bool skipRowNormalisation = false;
    bool generateModel = false;
    int coefficient1 = 682;  // tenths of a percent
    int coefficient2 = 954;
};

// The mass of one sample at its peak in a row, and in a column; the thresholds are these
// multiplied by the sliders' sample counts.
struct ThresholdUnits {
    double row = 0;
    double column = 0;
};

// Slot 1: errorModel(t, s), the density at grid value s of a Gaussian of standard deviation
// sigma around slope * (grid value t) + intercept. Fails for a sigma that is not a positive
// finite number.
bool GaussianModel(Workspace& ws, float slope, float intercept, float sigma,
                   Path path = Path::Fast);

// The generated error model: sets data set 1's fit to y = x and its standard deviation to
// the given percent of the range width, then builds slot 1 from them.
CalibStatus GeneratedModel(Workspace& ws, PairSet& set1, int sdPercent, Path path = Path::Fast);

// Leaving the generated-model mode fits data set 1 again, so that a later error model uses
// its own line rather than the generated one.
CalibStatus RefitVestVobs(PairSet& set1);

// product(i, j) = sum over v = 0..250 of left(v, j) * right(i, v), v ascending, in single
// precision; left, right and product are slot numbers.
void MultipleMatrix(Workspace& ws, int left, int right, int product, Path path = Path::Fast);

// Slot 0 counts the complete pairs of data set 0 per grid cell; slot 2 = the discrete model
// pushed through the error model.
void DescreteModel(Workspace& ws, const PairSet& set0, Path path = Path::Fast);

// Slot 3: triangular weights of half width `level` steps, 0.5 on the diagonal; slot 4: the
// joint model smoothed along the reconstructed-value axis.
void Smoothing(Workspace& ws, int level, Path path = Path::Fast);

// Slot 5: each row b of slot 4 divided by its sum when that reaches the threshold, else 0;
// a copy of slot 4 when skipped. Returns the threshold units, computed either way.
ThresholdUnits NormalizeH(Workspace& ws, int verticalThreshold, bool skip, Path path = Path::Fast);

// Slot 6: each column of slot 5 divided by its sum when the column of slot 4 reaches the
// threshold, else 0; medianIndex and the median mark (the median cell negated).
void NormalizeV(Workspace& ws, const ThresholdUnits& units, int horizontalThreshold);

// The stages of the chain in their order; a rerun after a setting change starts at the
// stage the setting belongs to.
enum class Stage {
    ErrorModel,
    DiscreteModel,
    Smoothing,
    RowNormalisation,
    ColumnNormalisation,
    Regions
};

// Runs the chain from `from` to the regions. units carries the threshold units from the row
// normalisation to the column normalisation; a run that starts after the row normalisation
// uses the units of the last run that did it. done, when given, hears of every stage as soon
// as its results are in place (a window draws that stage's figure then).
CalibStatus RunFrom(Workspace& ws, const PairSet& set0, PairSet& set1,
                    const ChainSettings& settings, Stage from, ThresholdUnits& units,
                    Path path = Path::Fast, const std::function<void(Stage)>& done = nullptr);

// "Start": the error model (generated, or from data set 1 unless it is already built), then
// every later stage through the confidence regions. Needs a validated range and allocated
// matrices.
CalibStatus RunChain(Workspace& ws, const PairSet& set0, PairSet& set1,
                     const ChainSettings& settings, bool errorModelBuilt, Path path = Path::Fast);

}  // namespace tarvex::calib
