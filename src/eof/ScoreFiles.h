#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Workspace.h"
#include "eof/Pretreatment.h"

namespace tarvex {

inline constexpr const char* kNoEofResultsMessage =
    "The EOF analysis has not run yet: confirm the data pre-treatment with OK first.";
inline constexpr const char* kNonFiniteResultsMessage =
    "The results hold values that are not finite numbers (nan or inf), so they were not written.";

// True when the workspace holds the EOF results the loading and reference score files are
// made of: eigenvectors, contributions, loadings and scores for taxonCount EOFs.
bool HasEofResults(const Workspace& ws);

// The envelope status of fossil sample j in the fossil score file: "?" until an envelope
// analysis has run, then "Out" for a sample marked outside and "In" for every other one,
// empty samples included.
const char* EnvelopeStatus(const Workspace& ws, int sample);

// The three result files of the EOF analysis, as complete texts. dateTime is the header's
// date-time text; progress advances once per data record. Whatever the workspace holds, only
// elements that exist are read: a missing value is written as an empty field. allFinite, when
// given, is set to false if any number to be written is not finite (it is then left out); it
// is never set to true, so one flag can collect several files.
std::string LoadingFileText(const Workspace& ws, const std::string& dateTime,
                            const ProgressFn& progress = {}, bool* allFinite = nullptr);
std::string ReferenceScoreFileText(const Workspace& ws, const PretreatmentChoice& choice,
                                   const std::string& dateTime, const ProgressFn& progress = {},
                                   bool* allFinite = nullptr);
std::string FossilScoreFileText(const Workspace& ws, const PretreatmentChoice& choice,
                                const std::string& dateTime, const ProgressFn& progress = {},
                                bool* allFinite = nullptr);

}  // namespace tarvex
