#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Workspace.h"

namespace tarvex {

// The result files of the reconstruction as comma-separated text. Each returns an empty text
// when its data are missing; allFinite, when given, is cleared when a number is not finite.
// progress advances once per data record.

// "Depth", name of p; one record per fossil sample (empty field for -9999 or empty samples).
std::string CurveFileText(const Workspace& ws, int p, const ProgressFn& progress = {},
                          bool* allFinite = nullptr);
// "Depth" and every parameter name; one record per fossil sample.
std::string AllCurvesFileText(const Workspace& ws, const ProgressFn& progress = {},
                              bool* allFinite = nullptr);
// name(Reconstructed), name(Estimated); one record per reference site.
std::string ScatterFileText(const Workspace& ws, int p, const ProgressFn& progress = {},
                            bool* allFinite = nullptr);
// "Parameter","Sites","RMSEP","R2","Mean bias","Max bias"; one record per parameter.
std::string ErrorModelSummaryFileText(const Workspace& ws, bool* allFinite = nullptr);

}  // namespace tarvex
