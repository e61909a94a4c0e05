#pragma once

#include <vector>

#include "tf/Training.h"

namespace tarvex {
namespace tf {

// The two ways of undoing the shrinkage of weighted averages, fitted to the raw estimates of
// the training sites. Undefined coefficients are NaN, and so is every estimate made with them.
struct Deshrinking {
    double inverse0 = kNoEstimate, inverse1 = kNoEstimate;      // x = b0 + b1 w
    double classical0 = kNoEstimate, classical1 = kNoEstimate;  // w = b0 + b1 x

    double Inverse(double w) const { return inverse0 + inverse1 * w; }
    double Classical(double w) const { return (w - classical0) / classical1; }
};

// Weighted averaging. A taxon without abundance in the training set has no optimum and
// takes no part in any estimate.
struct WaModel {
    int taxa = 0;
    std::vector<char> active;     // [1..taxa]
    std::vector<double> optimum;  // [1..taxa]; NaN for a taxon that is not active
    // With tolerances: each taxon's tolerance with the small-sample correction (NaN where it
    // is undefined), and the tolerance the estimates use, in which one below 0.01 or
    // undefined is replaced by the mean of the others (all NaN when none is defined).
    bool withTolerance = false;
    std::vector<double> tolerance;
    std::vector<double> usedTolerance;
    std::vector<double> downWeight;  // 1 / usedTolerance^2
    Deshrinking plain;
    Deshrinking downWeighted;  // the tolerance-weighted estimates' own deshrinking
};

// Fits by the definitions, each sum over the training sites in site order.
WaModel FitWa(const TrainingSet& training, bool withTolerance);

// The sums over the training sites that a model's taxa come from: column sum, sum of
// abundance times x, and for tolerances the sum of abundance times (x - optimum)^2 and the sum
// of squared shares of the column sum (1 / Hill's N2).
struct WaTaxonSums {
    std::vector<double> colSum, weighted, spread, share;  // [1..taxa]
};
WaTaxonSums SumWaTaxa(const TrainingSet& training, bool withTolerance);

// The sums of taxon k alone from its column (entries by site in ascending order: site numbers
// in col, abundances in value, at byTaxon's row k), as SumWaTaxa gives them bit for bit.
void SumWaTaxon(const TrainingSet& training, const SparseRows& byTaxon, int k, bool withTolerance,
                WaTaxonSums& sums);

// The model of a training set from its sums: optima, tolerances and both deshrinkings (the
// plain one only when plainDeshrinking is set).
WaModel WaFromSums(const TrainingSet& training, const WaTaxonSums& sums, bool withTolerance,
                   bool plainDeshrinking = true);

// The raw (shrunk) weighted average of row r of rows, over the taxa of the model; NaN when
// those abundances sum to kLeastAbundance or less. downWeighted: each taxon weighted by
// 1 / tolerance^2 as well.
double WaRaw(const WaModel& model, const SparseRows& rows, int r, bool downWeighted);

// The means and sums of squares that both deshrinkings need, from pairs (x, w) of the training
// sites counted weight times; NaN coefficients when they are undefined.
Deshrinking FitDeshrinking(double meanX, double meanW, double sxx, double sww, double sxw);

}  // namespace tf
}  // namespace tarvex
