#pragma once

#include <string>
#include <vector>

#include "app/Workspace.h"
#include "mat/Analogues.h"

// The reconstruction with everything known about each value, one row per fossil sample and
// climate parameter: what reconstruction.csv holds and what the reconstruction figure draws,
// so that the two can never disagree.
namespace tarvex {

inline constexpr const char* kReconstructionTableFileName = "reconstruction.csv";

struct ReconstructionTableSettings {
    int smoothing = 3;        // smoothing level of the curve, 1..10
    int calibratedParam = 0;  // the parameter a returned calibration belongs to; 0 for none
    int coefficient1 = 682;   // confidence coefficients in tenths of a percent
    int coefficient2 = 954;
    bool envelopeKnown = false;  // the envelope analysis has run, so its marks mean something
};

// A value that does not exist is NaN; a flag that is not known is -1.
struct ReconstructionRow {
    int sample = 0;
    int param = 0;
    double estimate;
    double smoothed;
    int analogues = 0;
    double closestDistance;
    int outside = -1;
    int poorAnalogue = -1;
    double mode, median;
    double lower1, upper1, lower2, upper2;
    ReconstructionRow();
};

// What the returned calibration says about one reconstructed value: the column of the
// calibration grid the value falls in (the rule of the Strativ histogram), its mode and
// median, and the lowest and highest cell of each confidence region there, as values. All
// NaN when the value lies off the grid or its column is empty.
struct CalibratedValue {
    double mode, median;
    double lower1, upper1, lower2, upper2;
    CalibratedValue();
};
CalibratedValue CalibrationAt(const Workspace& ws, double estimate);

// The value of a grid index of the calibration (25 is the lower end of the range), to a
// thousandth of a grid step.
double CalibrationGridValue(const Workspace& ws, int index);

// Where each fossil sample lies on the positions the smoothed curve uses (sample numbers for
// text labels, the labels' values otherwise), [0..samples].
std::vector<double> SamplePositions(const Workspace& ws);

// The smoothed curve at a position: linear between the two windows that enclose it, NaN
// outside the first and last window or next to a window without a value.
double SmoothedAt(const SmoothedCurve& curve, double position);

// Every row, samples in order within each parameter, parameters 1..n in order. Empty without
// a fossil reconstruction.
std::vector<ReconstructionRow> ReconstructionTableRows(const Workspace& ws,
                                                       const ReconstructionTableSettings& settings);
// The rows of one parameter.
std::vector<ReconstructionRow> ReconstructionRowsOf(const Workspace& ws,
                                                    const ReconstructionTableSettings& settings,
                                                    int param);

// reconstruction.csv: a plain table, one header row ("Sample","Parameter","Estimate",
// "Smoothed","Analogues","Closest distance","Outside envelope","Poor analogue","Mode","Median",
// "Lower C1","Upper C1","Lower C2","Upper C2" with the coefficients written in), then the
// rows; empty fields where there is no value. Empty text without a reconstruction.
std::string ReconstructionTableText(const Workspace& ws,
                                    const ReconstructionTableSettings& settings,
                                    bool* allFinite = nullptr);

// The header of a confidence coefficient: 682 gives "68.2", 1000 gives "100".
std::string CoefficientText(int tenths);

}  // namespace tarvex
