#pragma once

#include <vector>

#include "app/Matrix.h"
#include "tf/Training.h"

namespace tarvex {
namespace tf {

// Weighted-averaging partial least squares. The model holds the taxon coefficients of every
// component it found; the iteration stops early when a further component would explain
// nothing (its scores are all 0), so `components` may be below the number asked for.
struct WaPlsModel {
    int taxa = 0;
    int components = 0;
    std::vector<char> active;  // [1..taxa]
    Matrix<double> beta;       // (taxon, component 1..components)
};

// Fits by the definitions: every sum over the training sites in site order, the residuals of
// the sites carried from component to component.
WaPlsModel FitWaPls(const TrainingSet& training, int components);

// The estimate of row r of rows with c components: the abundance-weighted mean of the
// coefficients over the taxa of the model; NaN when those abundances sum to
// kLeastAbundance or less, or when the model has fewer than c components.
double WaPlsEstimate(const WaPlsModel& model, const SparseRows& rows, int r, int c);

}  // namespace tf
}  // namespace tarvex
