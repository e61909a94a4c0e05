#pragma once

#include <vector>

namespace tarvex {
namespace tf {

// How well estimates match the observed values: over the pairs whose estimate is a number,
// residual = estimate - observed. A figure that is undefined is NaN (all of them without any
// pair; R2 when the estimates or the observed values do not vary).
struct Figures {
    int count = 0;
    double rmse;
    double r2;
    double meanBias;
    double maxBias;
};

// estimate[i] and observed[i] for i = 1..size-1 (element 0 is not used); an estimate that is
// NaN is left out.
//
// The maximum bias is the signed mean residual of largest magnitude among ten bins of equal
// width over the observed range of the pairs: edges low + j ((high - low) / 10), each bin
// (e[j-1], e[j]], the lowest closed below as well, so that a value on an inner edge belongs to
// the lower bin. Of two bins of the same magnitude the lower one counts. When every observed
// value is the same there is one bin and the maximum bias is the mean bias.
Figures ComputeFigures(const std::vector<double>& estimate, const std::vector<double>& observed);

// The bin 0..9 of value v in the ten bins over [low, high] (high > low) as above.
int BiasBin(double v, double low, double high);

}  // namespace tf
}  // namespace tarvex
