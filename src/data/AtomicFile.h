#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarvex {

// Replaces the file at path by content, whole or not at all. The content goes to a new
// temporary file of a unique name beside it (created exclusively, so no link or other file
// there is ever opened), is flushed to disk and then renamed over path. The new file keeps
// the permission bits of the one it replaces, or gets 0666 less the umask. On failure the
// temporary file is removed, any earlier file at path is left as it was, and reason (when
// given) receives why, with the system's own words.
bool WriteFileAtomically(const std::string& path, const std::string& content,
                         std::string* reason = nullptr);

// The same for several files (path, content) that belong together: all are written to their
// temporary files first, and only when every one of them was written are they renamed into
// place. When writing fails nothing is replaced. A rename that fails part-way cannot undo the
// renames before it; reason then says which files are new and which are not.
bool WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string* reason = nullptr);

}  // namespace tarvex
