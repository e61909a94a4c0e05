#pragma once

#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/InputFile.h"
#include "data/TableReader.h"

namespace tarvex {

// What an import reports to the user: the messages to show, in order, each with the title
// "Error" and a warning icon. An empty list with ok == false is a silent failure.
struct ImportOutcome {
    bool ok = false;
    std::vector<std::string> messages;
    // After a successful import: what the data checks found (TableCheckLines), empty for a
    // clean table. Shown as one warning after the import, never instead of it.
    std::vector<std::string> checks;
    // After a failed read: why, in a sentence (TableReadResult::reason); the windows keep to
    // their messages, the batch program adds this line.
    std::string reason;
    // After a successful import: size and digest of the bytes the table was read from.
    InputDigest input;
};

// Reads the reference pollen table at path and, only when it reads completely, stores it in
// the workspace. A failed read leaves every field of the workspace as it was.
ImportOutcome ImportReferenceTable(Workspace& ws, const std::string& path);

// The same for a table read already (from path).
ImportOutcome ImportReferenceTableFrom(Workspace& ws, TableReadResult read,
                                       const std::string& path);

// The outcome of a cancelled open-file dialog: the reference import treats it like a table
// it could not read.
ImportOutcome CancelledReferenceImport();

}  // namespace tarvex
