// The batch program itself, started as a user starts it, while the test holds the lock on its
// output folder: the run waits with every result in a temporary file, which lets the test
// end it by a signal at exactly that point, or let it go on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestFiles.h"

extern char** environ;

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using namespace tarvex::testing;

// An exclusive lock on a folder, as a run putting its files in place holds it; not handed
// to the run itself, which would otherwise hold it too.
class HeldFolder {
public:
    explicit HeldFolder(const std::string& dir)
        : fd_(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(flock(fd_, LOCK_EX), 0);
    }
    ~HeldFolder() { Release(); }
    void Release()
    {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// tarvex-batch on the example data into dir, with standard error in errPath and the
// signals of the test at their default action, as from a terminal.
pid_t StartBatch(const std::string& dir, const std::string& errPath)
{
    std::vector<std::string> args = {TARVEX_BATCH,
                                     "--reference",
                                     kExamples + "reference.csv",
                                     "--fossil",
                                     kExamples + "fossil.csv",
                                     "--out",
                                     dir};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, s);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, TARVEX_BATCH, &files, &attr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    return pid;
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Waits until the run says it waits for the folder; false if it never said so. A run that
// ended meanwhile is reaped, its status in status.
bool WaitsForTheFolder(pid_t pid, const std::string& errPath, bool& ended, int& status)
{
    ended = false;
    for (int i = 0; i < 3000; ++i) {
        if (ReadAll(errPath).find("waiting for it to finish") != std::string::npos) return true;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string FreshFolderWithOldResult(const std::string& name)
{
    const std::string dir = TempPath(name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir + "/loading.csv", std::ios::binary) << "old";
    return dir;
}

TEST(BatchInterruptTest, SignalsRemoveEveryTemporaryFileAndEndTheRunAsTheyWould)
{
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        const std::string dir = FreshFolderWithOldResult("batch_interrupt");
        const std::string errPath = TempPath("batch_interrupt.err");
        HeldFolder held(dir);
        const pid_t pid = StartBatch(dir, errPath);
        ASSERT_GT(pid, 0);
        bool ended = false;
        int status = 0;
        const bool waiting = WaitsForTheFolder(pid, errPath, ended, status);
        // The four results and the record lie in their temporary files now.
        std::size_t temporary = 0;
        for (const std::string& name : Names(dir))
            temporary += name.find(".tarvex-") != std::string::npos;
        if (!ended) {
            kill(pid, sig);
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
        }
        ASSERT_TRUE(waiting) << ReadAll(errPath);
        EXPECT_EQ(temporary, 5u);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(Names(dir), std::vector<std::string>{"loading.csv"});
        EXPECT_EQ(ReadAll(dir + "/loading.csv"), "old");
    }
}

TEST(BatchInterruptTest, RunWaitsForAFolderAnotherRunHoldsAndSaysSo)
{
    const std::string dir = FreshFolderWithOldResult("batch_wait");
    const std::string errPath = TempPath("batch_wait.err");
    HeldFolder held(dir);
    const pid_t pid = StartBatch(dir, errPath);
    ASSERT_GT(pid, 0);
    bool ended = false;
    int status = 0;
    const bool waiting = WaitsForTheFolder(pid, errPath, ended, status);
    // Nothing is replaced while it waits.
    EXPECT_EQ(ReadAll(dir + "/loading.csv"), "old");
    held.Release();
    if (!ended) {
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
    ASSERT_TRUE(waiting) << ReadAll(errPath);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadAll(errPath);
    EXPECT_EQ(ReadAll(errPath), "Another run is putting its files into the folder " + dir +
                                    "; waiting for it to finish.\n");
    EXPECT_EQ(Names(dir),
              (std::vector<std::string>{"eof-sequence.csv", "fossil-scores.csv", "loading.csv",
                                        "reference-scores.csv", "run-record.csv"}));
    EXPECT_NE(ReadAll(dir + "/loading.csv"), "old");
}

}  // namespace
}  // namespace tarvex
