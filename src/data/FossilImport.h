#pragma once

#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/TableReader.h"
#include "eof/Pretreatment.h"

namespace tarvex {

inline constexpr const char* kParameterNumberMessage = "Parameter number inconsistent.";

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

}  // namespace tarvex
