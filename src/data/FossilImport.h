#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "eof/Pretreatment.h"

namespace tarvex {

inline constexpr const char* kParameterNumberMessage = "Parameter number inconsistent.";
inline constexpr const char* kNoEofAnalysisMessage =
    "The fossil data cannot be projected yet: confirm the data pre-treatment with OK first, so "
    "that the EOF analysis of the reference data runs.";

// A fossil table read and checked against the reference taxa, not yet in the workspace.
struct FossilReadOutcome {
    bool ok = false;
    std::vector<std::string> messages;  // shown in order, title "Error"
    DataTable table;
    std::vector<int> mismatchedColumns;  // columns whose name differs from the reference name
};

// Reads the fossil table and checks its taxon count against the reference; a failure leaves
// the messages to show (an unreadable table gets the format error rather than silence).
FossilReadOutcome ReadFossilTable(const Workspace& ws, const std::string& path);

// The Yes/No question for a differing taxon name, and the entry an accepted one leaves.
std::string NameQuestion(const std::string& fossilName, const std::string& referenceName);
std::string NameMatchEntry(const std::string& fossilName, const std::string& referenceName);

// True when the table has at least one sample with a non-zero value.
bool HasNonEmptySample(const DataTable& table);

// Stores a checked table in the workspace with the reference pre-treatment and the accepted
// name entries, and sets the diagram's vertical scale. The projection is separate.
void CommitFossilTable(Workspace& ws, DataTable table, const std::string& path,
                       const std::vector<std::string>& acceptedMatches,
                       const PretreatmentChoice& choice);

// True when the workspace holds a finished EOF analysis of n taxa to project onto.
bool CanProject(const Workspace& ws, int n);

// Answers the name question for one differing column: true accepts the fossil name.
using NameQuestionFn = std::function<bool(const std::string& question)>;

// The fossil import up to the projection: refuses at once without an EOF analysis to project
// onto, reads and checks the table, asks about every differing taxon name in column order, and
// stores the table. A "No" ends it silently; every other failure comes with its messages (a
// blank cell with kBlankCellMessage alone). The workspace changes only on success.
ImportOutcome ImportFossilTable(Workspace& ws, const std::string& path,
                                const PretreatmentChoice& choice, const NameQuestionFn& ask);

}  // namespace tarvex
