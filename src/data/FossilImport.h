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

inline constexpr const char* kMatchByNameQuestion =
    "The fossil table has the reference taxa in another order. Match them by name?";
inline constexpr const char* kMatchByNameTitle = "Import fossil data";

// Taxon names as the matching by name compares them: surrounding blanks dropped, letters in
// one case.
std::string TaxonKey(const std::string& name);

// The fossil column of every reference taxon ([1..refCount], 0 for a taxon the fossil table
// lacks) when the fossil names are reference names once case and surrounding blanks are
// ignored, each at most once, in another order or fewer of them. Empty when the columns do
// not match that way, or when they already match by position: the position questions apply.
std::vector<int> MatchTaxaByName(const std::vector<std::string>& refNames, int refCount,
                                 const std::vector<std::string>& fossilNames, int fossilCount);

// The table with its columns in reference order (a missing taxon all 0, named as in the
// reference) and the name entries that matching leaves, "[fossil]/[reference]" for every
// taxon whose names differ in their text (an empty fossil name for a missing one).
std::vector<std::string> ReorderByName(DataTable& table, const std::vector<int>& columnOfTaxon,
                                       const std::vector<std::string>& refNames);

// A fossil table read and checked against the reference taxa, not yet in the workspace.
struct FossilReadOutcome {
    bool ok = false;
    std::vector<std::string> messages;  // shown in order, title "Error"
    std::string reason;                 // after a failed read, see TableReadResult::reason
    DataTable table;
    std::vector<int> mismatchedColumns;    // columns whose name differs from the reference name
    std::vector<std::string> checks;       // the data checks of the table as read
    std::vector<int> columnOfTaxon;        // matched by name: see MatchTaxaByName
    std::vector<std::string> nameEntries;  // matched by name: the entries ReorderByName left
    InputDigest input;                     // the bytes the table was read from
};

// Answers the name question for one differing column: true accepts the fossil name.
using NameQuestionFn = std::function<bool(const std::string& question)>;

// Reads the fossil table and checks its taxon count against the reference; a failure leaves
// the messages to show (an unreadable table gets the format error rather than silence).
// When the columns match the reference taxa by name but not by position, askByName is asked
// kMatchByNameQuestion first (never without askByName); Yes puts the columns in reference
// order before the count check, No leaves the table as read.
FossilReadOutcome ReadFossilTable(const Workspace& ws, const std::string& path,
                                  const NameQuestionFn& askByName = {});

// The Yes/No question for a differing taxon name, and the entry an accepted one leaves.
std::string NameQuestion(const std::string& fossilName, const std::string& referenceName);
std::string NameMatchEntry(const std::string& fossilName, const std::string& referenceName);

// True when the table has at least one sample with a non-zero value.
bool HasNonEmptySample(const DataTable& table);

// Stores a checked table in the workspace with the reference pre-treatment and the accepted
// name entries, and sets the diagram's vertical scale. The projection is separate.
void CommitFossilTable(Workspace& ws, DataTable table, const std::string& path,
                       const std::vector<std::string>& acceptedMatches,
                       const PretreatmentChoice& choice,
                       const std::vector<int>& columnOfTaxon = {});

// True when the workspace holds a finished EOF analysis of n taxa to project onto.
bool CanProject(const Workspace& ws, int n);

// The fossil import up to the projection: refuses at once without an EOF analysis to project
// onto, reads and checks the table, asks about every differing taxon name in column order, and
// stores the table. A "No" ends it silently; every other failure comes with its messages (a
// blank cell with kBlankCellMessage alone). The workspace changes only on success. askByName
// is the question of ReadFossilTable; matched by name there are no position questions.
ImportOutcome ImportFossilTable(Workspace& ws, const std::string& path,
                                const PretreatmentChoice& choice, const NameQuestionFn& ask,
                                const NameQuestionFn& askByName = {});

}  // namespace tarvex
