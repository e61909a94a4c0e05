#include "data/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>
#include <thread>

namespace tarvex {

namespace {

std::string SystemText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The process's umask, read without changing it where Linux reports it: setting and resetting
// it would give files another thread creates meanwhile the wrong permissions.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "Umask:") == 0)
            return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
    static std::mutex guard;
    const std::lock_guard<std::mutex> lock(guard);
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

// One file written to its temporary name and closed, waiting to be renamed into place.
// One file written to its temporary name, still open until it is flushed to disk, waiting to
// be renamed into place.
struct Staged {
    std::string target;
    std::string temp;
    int fd = -1;
};

void SetReason(std::string* reason, const std::string& text)
{
    if (reason) *reason = text;
}

// Writes content to a fresh temporary file beside path, with the permissions the finished
// file is to have, and flushes it to disk.
bool Stage(const std::string& path, const std::string& content, Staged& staged, std::string* reason)
{
    struct stat existing {};
    mode_t mode = 0;
    bool replacing = false;
    if (stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            SetReason(reason, path + " is a folder.");
            return false;
        }
        mode = existing.st_mode & 07777;
        replacing = true;
    } else if (errno == ENOENT) {
        mode = 0666 & ~CurrentUmask();
    } else {
        SetReason(reason, "Cannot look at " + path + ": " + SystemText(errno) + ".");
        return false;
    }

    // The name carries the target's so that a file left by a crash says where it belongs;
    // a name that would grow too long gets a short one in the same folder.
    const std::string folder = FolderOf(path);
    const std::size_t nameLength = path.size() - (path.find_last_of('/') + 1);
    std::string temp = nameLength <= 200 ? path + ".tarvex-XXXXXX" : folder + "/.tarvex-XXXXXX";
    // mkstemp opens with O_CREAT | O_EXCL and mode 0600: it never opens an existing file or
    // follows a link planted at the name, and no one else can open the file while it fills.
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        SetReason(reason, "Cannot create a temporary file in the folder " + folder + ": " +
                              SystemText(errno) + ".");
        return false;
    }
    auto fail = [&](const std::string& what) {
        const int error = errno;
        close(fd);
        unlink(temp.c_str());
        SetReason(reason, what + ": " + SystemText(error) + ".");
        return false;
    };

    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return fail("Cannot write " + path);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // Owner and group of the replaced file are kept where the system lets us; only the
    // permission bits are a promise.
    if (replacing && (existing.st_uid != geteuid() || existing.st_gid != getegid())) {
        const int kept = fchown(fd, existing.st_uid, existing.st_gid);
        static_cast<void>(kept);
    }
    if (fchmod(fd, mode) != 0) return fail("Cannot set the permissions of " + path);
#ifdef SYNC_FILE_RANGE_WRITE
    // The data start on their way to the disk now; the flush that waits for them comes when
    // every file of the set is written, so the files of a set share one wait instead of
    // waiting for the disk one after another.
    sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    staged.target = path;
    staged.temp = std::move(temp);
    staged.fd = fd;
    return true;
}

// Waits until a staged file is on disk and closes it.
bool Flush(Staged& staged, std::string* reason)
{
    const int fd = staged.fd;
    staged.fd = -1;
    if (fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        SetReason(reason, "Cannot flush " + staged.target + " to disk: " + SystemText(error) + ".");
        return false;
    }
    if (close(fd) != 0) {
        SetReason(reason, "Cannot write " + staged.target + ": " + SystemText(errno) + ".");
        return false;
    }
    return true;
}

// Closes what is still open and removes every temporary file.
void Discard(std::vector<Staged>& staged)
{
    for (Staged& s : staged) {
        if (s.fd >= 0) close(s.fd);
        s.fd = -1;
        unlink(s.temp.c_str());
    }
}

// Makes the renames in a folder survive a crash. A folder we may not open for reading, or
// whose file system cannot flush folders (EINVAL), is left to the system: the files are in
// place, and only an error of the flush itself is reported.
bool FlushFolder(const std::string& folder, std::string& failure)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool ok = fsync(fd) == 0 || errno == EINVAL;
    if (!ok) failure = SystemText(errno);
    close(fd);
    return ok;
}

std::string JoinPaths(const std::vector<Staged>& staged, std::size_t first, std::size_t last)
{
    std::string list;
    for (std::size_t i = first; i < last; ++i)
        list += (list.empty() ? "" : ", ") + staged[i].target;
    return list;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* reason)
{
    return WriteFilesAtomically({{path, content}}, reason);
}

bool WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string* reason)
{
    std::vector<Staged> staged;
    staged.reserve(files.size());
    for (const auto& [path, content] : files) {
        Staged one;
        if (!Stage(path, content, one, reason)) {
            Discard(staged);
            if (files.size() > 1)
                SetReason(reason, (reason ? *reason : "") + " No file was replaced.");
            return false;
        }
        staged.push_back(std::move(one));
    }
    // Each flush mostly waits for the disk, and waits that overlap are served together: the
    // files of a set are flushed side by side, each on a thread of its own.
    std::vector<std::string> failures(staged.size());
    std::vector<char> flushed(staged.size(), 0);
    {
        std::vector<std::thread> threads;
        for (std::size_t i = 1; i < staged.size(); ++i)
            threads.emplace_back([&, i] { flushed[i] = Flush(staged[i], &failures[i]); });
        if (!staged.empty()) flushed[0] = Flush(staged[0], &failures[0]);
        for (std::thread& t : threads) t.join();
    }
    for (std::size_t i = 0; i < staged.size(); ++i)
        if (!flushed[i]) {
            Discard(staged);
            SetReason(reason, failures[i] + (files.size() > 1 ? " No file was replaced." : ""));
            return false;
        }

    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (rename(staged[i].temp.c_str(), staged[i].target.c_str()) == 0) continue;
        const int error = errno;
        for (std::size_t k = i; k < staged.size(); ++k) unlink(staged[k].temp.c_str());
        std::string text =
            "Cannot put " + staged[i].target + " in place: " + SystemText(error) + ".";
        if (staged.size() > 1) {
            text += i == 0
                        ? " No file was replaced."
                        : " Already replaced with the new results: " + JoinPaths(staged, 0, i) +
                              ". Left as they were: " + JoinPaths(staged, i, staged.size()) + ".";
        }
        SetReason(reason, text);
        return false;
    }

    std::vector<std::string> folders;
    for (const Staged& s : staged) {
        const std::string folder = FolderOf(s.target);
        bool seen = false;
        for (const std::string& f : folders) seen = seen || f == folder;
        if (seen) continue;
        folders.push_back(folder);
        std::string failure;
        if (!FlushFolder(folder, failure)) {
            SetReason(reason, "The new files are in place, but the folder " + folder +
                                  " could not be flushed to disk, so they may not survive a "
                                  "system crash: " +
                                  failure + ".");
            return false;
        }
    }
    return true;
}

}  // namespace tarvex
