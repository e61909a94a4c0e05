#pragma once

#include "app/Matrix.h"
#include "app/Progress.h"
#include "app/Workspace.h"

namespace tarvex {

// Pearson correlation of the reference scores on EOF e with climate parameter p over all
// reference sites; 0 when either has no spread.
float CorrelateEofClimate(const Workspace& ws, int e, int p);

// The whole table (EOF 0..refTaxonCount, parameter 0..climateParamCount); progress once per EOF.
Matrix<float> EofClimateTable(const Workspace& ws, const ProgressFn& progress = {});

}  // namespace tarvex
