#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Workspace.h"

namespace tarvex {

// Whether the workspace holds labels, empty-sample flags and scores of EOFs 1..lastEof for
// every fossil sample. When it does not, the texts below are empty and a save must refuse
// rather than write a file with missing or made-up scores.
bool EofSequenceReady(const Workspace& ws, int lastEof);

// The EOF scores of the fossil sequence as comma-separated text: a header "Depth", "EOF-e",
// then one record per sample with its quoted label and score; an empty sample gets its
// label only. progress advances once per sample; allFinite, when given, is cleared when a
// score is not a finite number (its field is left empty).
std::string EofSequenceFileText(const Workspace& ws, int eof, const ProgressFn& progress = {},
                                bool* allFinite = nullptr);

// All EOFs 1..fossilTaxonCount; the last one's header is written "EOF - T".
std::string AllEofSequenceFileText(const Workspace& ws, const ProgressFn& progress = {},
                                   bool* allFinite = nullptr);

}  // namespace tarvex
