#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Workspace.h"
#include "eof/Pretreatment.h"

namespace tarvex {

// The three result files of the EOF analysis, as complete texts. dateTime is the header's
// date-time text; progress advances once per data record.
std::string LoadingFileText(const Workspace& ws, const std::string& dateTime,
                            const ProgressFn& progress = {});
std::string ReferenceScoreFileText(const Workspace& ws, const PretreatmentChoice& choice,
                                   const std::string& dateTime, const ProgressFn& progress = {});
std::string FossilScoreFileText(const Workspace& ws, const PretreatmentChoice& choice,
                                const std::string& dateTime, const ProgressFn& progress = {});

}  // namespace tarvex
