#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Workspace.h"

namespace tarvex {

// The EOF scores of the fossil sequence as comma-separated text: a header "Depth", "EOF-e",
// then one record per sample with its quoted label and score; an empty sample gets its
// label only. progress advances once per sample.
std::string EofSequenceFileText(const Workspace& ws, int eof, const ProgressFn& progress = {});

// All EOFs 1..fossilTaxonCount; the last one's header is written "EOF - T".
std::string AllEofSequenceFileText(const Workspace& ws, const ProgressFn& progress = {});

}  // namespace tarvex
