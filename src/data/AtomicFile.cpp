#include "data/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
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

// ---- Temporary files for the signal handler -------------------------------------------

// The signals after which no temporary file may stay behind.
constexpr int kCleanupSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGXFSZ, SIGABRT};

// Temporary files written but not yet renamed into place or removed. A name is copied into a
// fixed slot, so the handler never reads memory that is being freed or moved; a slot is
// free (0), being filled (1) or holds a name (2). A name that finds no slot is still removed
// on every ordinary failure, only not after a signal.
constexpr int kSlotFree = 0, kSlotFilling = 1, kSlotNamed = 2;
struct PendingSlot {
    std::atomic<int> state{kSlotFree};
    char name[PATH_MAX];
};
constexpr std::size_t kPendingSlots = 1024;
PendingSlot gPending[kPendingSlots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads these");

int Register(const std::string& name)
{
    if (name.size() >= sizeof gPending[0].name) return -1;
    for (std::size_t i = 0; i < kPendingSlots; ++i) {
        int expected = kSlotFree;
        if (!gPending[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
        std::memcpy(gPending[i].name, name.c_str(), name.size() + 1);
        gPending[i].state.store(kSlotNamed, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

void Unregister(int slot)
{
    if (slot >= 0) gPending[slot].state.store(kSlotFree, std::memory_order_release);
}

extern "C" void RemovePendingAndEnd(int signal)
{
    const int saved = errno;
    for (PendingSlot& slot : gPending)
        if (slot.state.load(std::memory_order_acquire) == kSlotNamed) unlink(slot.name);
    errno = saved;
    // The handler was installed with SA_RESETHAND, so the signal, raised again, ends the
    // process as it would have without us once the handler returns.
    raise(signal);
}

// Holds back the cleanup signals in this thread while a temporary file comes into being or
// goes into place, so that no signal falls between the system call and the registry.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int s : kCleanupSignals) sigaddset(&set, s);
        held_ = pthread_sigmask(SIG_BLOCK, &set, &old_) == 0;
    }
    ~SignalsHeld()
    {
        if (held_) pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old_;
    bool held_ = false;
};

// ---- Writing --------------------------------------------------------------------------

// One file written to its temporary name, still open until it is flushed to disk, waiting to
// be renamed into place. temp is empty once the file is in place or removed.
struct Staged {
    std::string target;
    std::string temp;
    int slot = -1;
    int fd = -1;
};

// Removes the temporary file of a write that will not be put in place.
void Discard(Staged& staged)
{
    if (staged.fd >= 0) close(staged.fd);
    staged.fd = -1;
    if (staged.temp.empty()) return;
    const SignalsHeld held;
    unlink(staged.temp.c_str());
    Unregister(staged.slot);
    staged.slot = -1;
    staged.temp.clear();
}

void SetReason(std::string* reason, const std::string& text)
{
    if (reason) *reason = text;
}

// Writes content to a fresh temporary file beside path, with the permissions the finished
// file is to have, and starts sending it to disk; the file stays open for Flush.
bool Stage(const std::string& path, const std::string& content, Staged& staged, std::string* reason)
{
    // lstat: a link at path is looked at itself, never followed to whatever it points to.
    struct stat existing {};
    mode_t mode = 0;
    bool replacing = false;
    if (lstat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            SetReason(reason, path + " is a folder.");
            return false;
        }
        // Only a regular file of one name is ours to replace in kind. The permission bits
        // carry over; set-user-ID, set-group-ID and sticky never do.
        replacing = S_ISREG(existing.st_mode) && existing.st_nlink == 1;
        mode = replacing ? existing.st_mode & 0777 : 0666 & ~CurrentUmask();
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
    int fd = -1;
    int slot = -1;
    int error = 0;
    {
        const SignalsHeld held;
        fd = mkstemp(temp.data());
        if (fd >= 0)
            slot = Register(temp);
        else
            error = errno;
    }
    if (fd < 0) {
        SetReason(reason, "Cannot create a temporary file in the folder " + folder + ": " +
                              SystemText(error) + ".");
        return false;
    }
    staged.temp = temp;
    staged.slot = slot;
    auto fail = [&](const std::string& what) {
        const int error = errno;
        close(fd);
        Discard(staged);
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
    staged.fd = fd;
    return true;
}

// Waits until a staged file is on disk and closes it; the caller discards it on failure.
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

// Flushes every staged file to disk. Each flush mostly waits for the disk, and waits that
// overlap are served together: the files of a set are flushed side by side, each on a thread
// of its own. On failure every file is discarded and reason says why.
bool FlushAll(std::vector<Staged>& staged, std::string* reason)
{
    std::vector<std::string> failures(staged.size());
    std::vector<char> flushed(staged.size(), 0);
    {
        std::vector<std::thread> threads;
        for (std::size_t i = 1; i < staged.size(); ++i) {
            try {
                threads.emplace_back([&, i] { flushed[i] = Flush(staged[i], &failures[i]); });
            } catch (const std::system_error&) {
                // No thread to be had: this one waits for that file as well.
                flushed[i] = Flush(staged[i], &failures[i]);
            }
        }
        if (!staged.empty()) flushed[0] = Flush(staged[0], &failures[0]);
        for (std::thread& t : threads) t.join();
    }
    for (std::size_t i = 0; i < staged.size(); ++i)
        if (!flushed[i]) {
            for (Staged& s : staged) Discard(s);
            SetReason(reason, failures[i] + (staged.size() > 1 ? " No file was replaced." : ""));
            return false;
        }
    return true;
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

std::vector<std::string> FoldersOf(const std::vector<Staged>& staged)
{
    std::vector<std::string> folders;
    for (const Staged& s : staged) folders.push_back(FolderOf(s.target));
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

// Exclusive locks on the folders of a set for as long as it is being put in place. flock on
// the folder itself leaves no lock file behind among the results. A folder that cannot be
// opened or locked at all (a file system without locks) is written unlocked, with a notice;
// only a folder that another writer holds past the wait limit stops the set.
class FolderLocks {
public:
    ~FolderLocks()
    {
        for (const int fd : fds_) close(fd);
    }
    bool Take(const std::vector<std::string>& folders, const FileSetWait& wait,
              std::string& failure)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + wait.limit;
        for (const std::string& folder : folders) {
            const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0) {
                Notice(wait, "The folder " + folder + " cannot be locked (" + SystemText(errno) +
                                 "); runs writing into it at the same time may mix their files.");
                continue;
            }
            fds_.push_back(fd);
            bool told = false;
            for (;;) {
                if (flock(fd, LOCK_EX | LOCK_NB) == 0) break;
                const int error = errno;
                if (error == EINTR) continue;
                if (error != EWOULDBLOCK) {
                    Notice(wait, "The folder " + folder + " cannot be locked (" +
                                     SystemText(error) +
                                     "); runs writing into it at the same time may mix their "
                                     "files.");
                    break;
                }
                if (Clock::now() >= deadline) {
                    failure =
                        "Another run kept the folder " + folder + " for more than " +
                        std::to_string(
                            std::chrono::duration_cast<std::chrono::seconds>(wait.limit).count()) +
                        " s while putting its files in place.";
                    return false;
                }
                if (!told) {
                    Notice(wait, "Another run is putting its files into the folder " + folder +
                                     "; waiting for it to finish.");
                    told = true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        return true;
    }

private:
    static void Notice(const FileSetWait& wait, const std::string& text)
    {
        if (wait.notice) wait.notice(text);
    }
    std::vector<int> fds_;
};

bool PutInPlace(std::vector<Staged>& staged, std::string* reason, const FileSetWait& wait)
{
    const std::vector<std::string> folders = FoldersOf(staged);
    {
        // Alone, one rename is whole by itself; a set is put in place under the locks.
        FolderLocks locks;
        std::string failure;
        if (staged.size() > 1 && !locks.Take(folders, wait, failure)) {
            for (Staged& s : staged) Discard(s);
            SetReason(reason, failure + " No file was replaced.");
            return false;
        }
        for (std::size_t i = 0; i < staged.size(); ++i) {
            int error = 0;
            {
                const SignalsHeld held;
                if (rename(staged[i].temp.c_str(), staged[i].target.c_str()) == 0)
                    Unregister(staged[i].slot);
                else
                    error = errno;
            }
            if (error == 0) {
                staged[i].slot = -1;
                staged[i].temp.clear();
                continue;
            }
            for (std::size_t k = i; k < staged.size(); ++k) Discard(staged[k]);
            std::string text =
                "Cannot put " + staged[i].target + " in place: " + SystemText(error) + ".";
            if (staged.size() > 1) {
                text += i == 0
                            ? " No file was replaced."
                            : " Already replaced with the new results: " + JoinPaths(staged, 0, i) +
                                  ". Left as they were: " + JoinPaths(staged, i, staged.size()) +
                                  ".";
            }
            SetReason(reason, text);
            return false;
        }
    }

    for (const std::string& folder : folders) {
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

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* reason)
{
    return WriteFilesAtomically({{path, content}}, reason);
}

bool WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files,
                          std::string* reason, const FileSetWait& wait)
{
    std::vector<Staged> staged;
    // Whatever ends the writing early, an exception included, takes its temporary files
    // with it.
    try {
        staged.reserve(files.size());
        for (const auto& [path, content] : files) {
            // In the list before its file exists, so that nothing can leave it unlisted.
            staged.emplace_back();
            if (!Stage(path, content, staged.back(), reason)) {
                for (Staged& s : staged) Discard(s);
                if (files.size() > 1)
                    SetReason(reason, (reason ? *reason : "") + " No file was replaced.");
                return false;
            }
        }
        return FlushAll(staged, reason) && PutInPlace(staged, reason, wait);
    } catch (...) {
        for (Staged& s : staged) Discard(s);
        throw;
    }
}

void RemoveTemporaryFilesOnSignals()
{
    for (const int s : kCleanupSignals) {
        struct sigaction current {};
        if (sigaction(s, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemovePendingAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(s, &action, nullptr);
    }
}

}  // namespace tarvex
