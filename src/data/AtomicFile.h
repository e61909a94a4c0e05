#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarvex {

// Replaces the file at path by content, whole or not at all. The content goes to a new
// temporary file of a unique name beside it (created exclusively, so no link or other file
// there is ever opened), is flushed to disk and then renamed over path. The new file keeps
// the permission bits (never set-user-ID, set-group-ID or sticky) and, where the system lets
// it, the owner of a regular file it replaces. Anything else at path (a symbolic link, a
// file with further hard links, a device) is not the result's to inherit from: the new file
// then gets 0666 less the umask and belongs to the caller, as where there was no file, and
// the link itself is replaced, never what it points to. On failure the temporary file is
// removed, any earlier file at path is left as it was, and reason (when given) receives why,
// with the system's own words.
bool WriteFileAtomically(const std::string& path, const std::string& content,
                         std::string* reason = nullptr);

// How a set of files waits for others writing into the same folders.
struct FileSetWait {
    // Told once, with a line for the user, when another writer holds a folder of the set and
    // this one waits for it; also when a folder cannot be locked at all.
    std::function<void(const std::string&)> notice;
    // How long to wait for a folder before giving up; nothing is replaced then.
    std::chrono::milliseconds limit{std::chrono::seconds(60)};
};

// The same for several files (path, content) that belong together: all are written to their
// temporary files first, and only when every one of them was written are they renamed into
// place, while holding an exclusive lock (flock) on each of their folders, so that sets
// written at the same time by other callers of this function, in this or any other process,
// are put in place one whole set after the other and never interleave. When writing fails
// nothing is replaced. A rename that fails part-way cannot undo the renames before it; reason
// then says which files are new and which are not.
bool WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string* reason = nullptr, const FileSetWait& wait = {});

// Removes the temporary files of the writes under way when the process is ended by SIGHUP,
// SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGXFSZ or SIGABRT, and then ends it as the signal
// would have. A signal the process ignores stays ignored. For programs to call once, early
// in main; the handler only calls async-signal-safe functions.
void RemoveTemporaryFilesOnSignals();

}  // namespace tarvex
