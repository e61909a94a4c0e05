#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "app/Workspace.h"
#include "batch/BatchRun.h"

namespace tarvex {

inline constexpr const char* kRunRecordFileName = "run-record.csv";

// What a run settled that the options alone do not say: the calibration range it proposed
// when none was given. The EOF selection is read off the workspace.
struct RunSettled {
    std::string rangeLow, rangeHigh;
};

// The text of run-record.csv: program version, the time of the run (UTC, ISO 8601), the
// working folder, the command line one argument per field, every option with the value the
// run used (defaults filled in) in the order of the usage text, and the path, size and
// SHA-256 of every input file as the run read it (inputs: the bytes imported, never the file
// read again). False with a message when an input file of the options is missing there.
bool RunRecordText(const std::vector<std::string>& args, const BatchOptions& options,
                   const Workspace& ws, const RunSettled& settled, std::time_t when,
                   const RecordedInputs& inputs, std::string& text, std::string& error);

// The option values as (option, value) in usage order, as the record lists them.
std::vector<std::pair<std::string, std::string>> EffectiveOptions(const BatchOptions& options,
                                                                  const Workspace& ws,
                                                                  const RunSettled& settled);

}  // namespace tarvex
