#pragma once

#include "app/Workspace.h"

// Which stages of the calibration hold a current result, and what each reset takes back.
// The window keeps one of these beside its figures: stage n is figure n (1: data set 0
// shown, 2: data set 1 or the generated model's place, 3: error model, 4: discrete and
// joint model, 5: smoothing, 6: row normalisation, 7: column normalisation, 8: regions).
namespace tarvex::calib {

struct CalibStages {
    bool drawn[9] = {};  // [1..8]
    bool generateModel = false;

    // Data set ds was replaced: its own figure and every stage after the scatter figures are
    // gone; replacing data set 0 also leaves the generated-model mode.
    void ResetData(Workspace& ws, int ds);
    // The range changed: every stage after the scatter figures is gone.
    void ResetRange(Workspace& ws);
    // A confidence coefficient changed: only the regions are gone (when there were any).
    void ResetCoefficient(Workspace& ws);
    // A setting of stage `from` (3..8) changed: that stage and every later one are gone.
    void InvalidateFrom(Workspace& ws, int from);

    // "Start" can run once both scatter figures are there, or data set 0 with a generated
    // model; "Return" once the regions are.
    bool CanStart() const { return drawn[1] && (drawn[2] || generateModel); }
    bool CanReturn() const { return drawn[8]; }
};

// Takes back what the reconstruction window received on the last return.
void ClearReturnedResult(Workspace& ws);

}  // namespace tarvex::calib
