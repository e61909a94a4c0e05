#pragma once

#include <vector>

#include "tf/TransferRun.h"

namespace tarvex {
namespace tf {

// One sample of a reconstruction along the fossil sequence: its position (the numeric label,
// a depth or an age, or the sample number for text labels), the estimate and, with a
// bootstrap, the estimate minus and plus its sample-specific error.
struct CurvePoint {
    int sample = 0;
    double position = 0;
    double value = 0;
    double low = kNoEstimate, high = kNoEstimate;
};

// The samples of column `column` of a parameter's results that have an estimate, in sample
// order; empty samples are left out.
std::vector<CurvePoint> FossilCurve(const Inputs& inputs, const ParamResult& result, int column,
                                    bool numericLabels);

}  // namespace tf
}  // namespace tarvex
