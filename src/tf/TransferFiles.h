#pragma once

#include <string>

#include "tf/TransferRun.h"

namespace tarvex {
namespace tf {

// The tables of a run, in long form for R's read.csv: one header row, text fields quoted,
// numbers bare, an empty field where there is no value. The window's Save commands and the
// batch program write the same texts.

// "Parameter","Method","Components","Validation","RMSE","R2","Mean bias","Max bias","Suggested":
// per parameter and model the apparent figures and, with a validation, the validated ones;
// the analogue method only with a validation. Suggested is 1 on the validated row of the
// suggested WA-PLS model.
std::string PerformanceText(const Inputs& inputs, const Results& results);

// "Parameter","Method","Components","Site","Observed","Apparent","Cross-validated": one row per
// parameter, model and site.
std::string CrossValidationText(const Inputs& inputs, const Results& results);

// "Taxon","Parameter","Method","Components","Optimum","Tolerance","Coefficient": WA rows with
// optimum and tolerance, WA-PLS rows with the coefficient of each component.
std::string CoefficientsText(const Inputs& inputs, const Results& results);

// "Sample","Parameter","Method","Components","Estimate","Bootstrap estimate","s1","s2","Error":
// one row per fossil sample, parameter and model; the last four only with a bootstrap.
std::string ReconstructionText(const Inputs& inputs, const Results& results);

// "Parameter","Method","Components","Explained","First component","p","Random variables".
std::string SignificanceText(const Inputs& inputs, const Results& results);

// "Parameter","Method","Components","Validation","RMSE","Change %","p": per parameter and WA-PLS
// component the validated RMSE, its change in per cent from the component before and the p
// value of the randomisation t-test against it (both empty for component 1). Only the header
// without a validation or without WA-PLS.
std::string ComponentsText(const Inputs& inputs, const Results& results);

inline constexpr const char* kPerformanceFile = "tf-performance.csv";
inline constexpr const char* kCrossValidationFile = "tf-cv-estimates.csv";
inline constexpr const char* kCoefficientsFile = "tf-coefficients.csv";
inline constexpr const char* kReconstructionFile = "tf-reconstruction.csv";
inline constexpr const char* kSignificanceFile = "significance.csv";
inline constexpr const char* kComponentsFile = "tf-components.csv";

}  // namespace tf
}  // namespace tarvex
