#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/ReferenceImport.h"

namespace tarvex {

inline constexpr const char* kSiteNumberMessage = "Site number inconsistent.";

// A climate table read and checked for its row count, not yet in the workspace.
struct ClimateTable {
    int paramCount = 0;
    std::vector<std::string> paramNames;  // [0..paramCount], [0] = corner cell
    std::vector<std::string> siteNames;   // [0..refSiteCount]
    Matrix<double> values;                // [0..refSiteCount, 0..paramCount]
    std::string path;
};

struct ClimateReadOutcome {
    bool ok = false;
    std::vector<std::string> messages;  // shown in order, title "Error"
    std::string reason;                 // after a failed read, see TableReadResult::reason
    ClimateTable table;
    std::vector<int> mismatchedSites;  // sites whose label differs from the reference label
    std::vector<std::string> checks;   // the data checks of the table as read (TableCheckLines)
    InputDigest input;                 // the bytes the table was read from
};

// Reads the climate table at path with the data-table grammar and checks that it has exactly
// refSiteCount data rows. Nothing of the workspace changes.
ClimateReadOutcome ReadClimateTable(const Workspace& ws, const std::string& path);
// The same for sites 1..sites with their labels ([0..sites]), however many.
ClimateReadOutcome ReadClimateTableFor(int sites, const std::vector<std::string>& siteLabels,
                                       const std::string& path);

// "Name inconsistent.  [climate] = [reference]?"
std::string SiteNameQuestion(const std::string& climateName, const std::string& referenceName);

// Stores a checked table: climateParamCount, names, site names, values, file name and
// climateLoaded. Nothing else (the window fills its own controls).
void CommitClimateTable(Workspace& ws, ClimateTable table);

// Which window imports: the reconstruction window ends every failure with the format error;
// the EOF-climate correlation window shows the particular messages but never the format
// error (a cancel or an unreadable file ends silently there).
enum class ClimateImportStyle { Reconstruction, Correlation };

// Answers one site-name question; true accepts the pair and goes on.
using SiteQuestionFn = std::function<bool(const std::string& question)>;

// The whole import after the file dialog: read, check, ask about every differing site name
// in site order, store. The workspace changes only on success; a failure returns the
// messages to show in order, a success the data checks' findings in checks.
ImportOutcome ImportClimateTable(Workspace& ws, const std::string& path, const SiteQuestionFn& ask,
                                 ClimateImportStyle style = ClimateImportStyle::Reconstruction);

// The outcome of a cancelled open-file dialog for the given window.
ImportOutcome CancelledClimateImport(ClimateImportStyle style);

}  // namespace tarvex
