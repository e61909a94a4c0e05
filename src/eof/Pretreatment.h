#pragma once

#include "app/Matrix.h"
#include "app/Workspace.h"

namespace tarvex {

enum class Enhancement { None, SquareRoot, Log };

// The minor-taxa enhancement. Log maps a proportion of 0.01 to 0 and of 1 to 1; smaller
// proportions become 0. Both transforms are meant for values of 0 and above.
double Enhance(double x, Enhancement mode);

// Row-normalises rows 1..rows over columns 1..cols: column 0 receives the row total, each
// value its share of it (0 for a row whose total is 0). Without conversion the values are
// copied and column 0 stays 0.
Matrix<double> ComputeProportions(const Matrix<double>& data, int rows, int cols, bool convert);

struct PretreatmentChoice {
    bool convertToPercent = true;
    Enhancement enhancement = Enhancement::None;
    bool useCorrelation = false;
};

// Prepares the reference data for the EOF analysis: fills refProportions, replaces refData
// by the enhanced proportions when enhancing, and records the choices.
void PretreatReference(Workspace& ws, const PretreatmentChoice& choice);

}  // namespace tarvex
