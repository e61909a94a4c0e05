#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "data/AtomicFile.h"
#include "support/ScratchMount.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::Mount;
using testing::ReadAll;
using testing::TempPath;

// A fresh, empty folder in the build tree for one test.
std::string FreshFolder(const std::string& name)
{
    const std::string dir = TempPath(name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Names in a folder other than the given ones: temporary files left behind.
std::vector<std::string> Leftovers(const std::string& dir, const std::vector<std::string>& keep)
{
    std::vector<std::string> extra;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        bool kept = false;
        for (const std::string& k : keep) kept = kept || k == name;
        if (!kept) extra.push_back(name);
    }
    return extra;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(AtomicFileTest, ConcurrentWritersIntoOneFolderEachLeaveWholeContent)
{
    const std::string dir = FreshFolder("atomic_concurrent");
    const std::string shared = dir + "/loading.csv";
    constexpr int kThreads = 8;
    constexpr int kRounds = 100;
    // Writer t writes only the letter 'a' + t, and a length of its own, so a file mixed from
    // two writers or cut short shows at once.
    auto contentOf = [](int t) { return std::string(20000 + 997 * t, static_cast<char>('a' + t)); };
    std::atomic<int> failedWrites{0}, badReads{0};
    std::vector<std::string> reasons(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const std::string mine = contentOf(t);
            const std::string own = dir + "/own-" + std::to_string(t) + ".csv";
            for (int round = 0; round < kRounds; ++round) {
                std::string reason;
                if (!WriteFileAtomically(shared, mine, &reason) ||
                    !WriteFileAtomically(own, mine, &reason)) {
                    ++failedWrites;
                    reasons[t] = reason;
                }
                if (ReadAll(own) != mine) ++badReads;
                const std::string seen = ReadAll(shared);
                bool whole = false;
                for (int u = 0; u < kThreads; ++u) whole = whole || seen == contentOf(u);
                if (!whole) ++badReads;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failedWrites.load(), 0) << reasons[0] << reasons[1];
    EXPECT_EQ(badReads.load(), 0);
    std::vector<std::string> names{"loading.csv"};
    for (int t = 0; t < kThreads; ++t) names.push_back("own-" + std::to_string(t) + ".csv");
    EXPECT_TRUE(Leftovers(dir, names).empty());
}

TEST(AtomicFileTest, LinkPlantedAtTheOldTemporaryNameIsNotFollowed)
{
    const std::string dir = FreshFolder("atomic_symlink");
    const std::string victim = dir + "/victim.txt";
    const std::string target = dir + "/scores.csv";
    testing::WriteTemp("atomic_symlink/victim.txt", "precious");
    fs::create_symlink(victim, target + ".tarvex-tmp");

    std::string reason;
    ASSERT_TRUE(WriteFileAtomically(target, "new results\r\n", &reason)) << reason;
    EXPECT_EQ(ReadAll(target), "new results\r\n");
    EXPECT_EQ(ReadAll(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(target + ".tarvex-tmp"));
    EXPECT_EQ(fs::read_symlink(target + ".tarvex-tmp"), fs::path(victim));
    EXPECT_TRUE(Leftovers(dir, {"victim.txt", "scores.csv", "scores.csv.tarvex-tmp"}).empty());
}

TEST(AtomicFileTest, PermissionsOfTheReplacedFileAreKept)
{
    const std::string dir = FreshFolder("atomic_modes");
    const std::string kept = dir + "/kept.csv";
    testing::WriteTemp("atomic_modes/kept.csv", "old");
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(kept, "new"));
    EXPECT_EQ(ReadAll(kept), "new");
    EXPECT_EQ(ModeOf(kept), 0640u);

    // A new file gets what the umask allows of 0666, not the private mode of the temporary.
    const mode_t old = umask(027);
    const bool written = WriteFileAtomically(dir + "/new.csv", "x");
    umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(ModeOf(dir + "/new.csv"), 0640u);
    const mode_t old2 = umask(022);
    const bool written2 = WriteFileAtomically(dir + "/new2.csv", "x");
    umask(old2);
    ASSERT_TRUE(written2);
    EXPECT_EQ(ModeOf(dir + "/new2.csv"), 0644u);
}

// The window saves and the batch share this writer: a link at the name, or a file with
// set-ID bits, must hand neither owner nor those bits to the result (as root the link's target
// belongs to nobody, as a file planted by another user would).
TEST(AtomicFileTest, LinksAndSetIdBitsAtTheNameHandNothingOn)
{
    const std::string dir = FreshFolder("atomic_links");
    const std::string target = testing::WriteTemp("atomic_links/target", "target");
    const std::string setId = testing::WriteTemp("atomic_links/set-id.csv", "old");
    if (geteuid() == 0) {
        const struct passwd* nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        ASSERT_EQ(chown(target.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    ASSERT_EQ(chmod(target.c_str(), 06755), 0);
    ASSERT_EQ(chmod(setId.c_str(), 06750), 0);
    fs::create_symlink(target, dir + "/symbolic.csv");
    fs::create_hard_link(target, dir + "/hard.csv");

    const mode_t old = umask(022);
    for (const char* name : {"symbolic.csv", "hard.csv", "set-id.csv"}) {
        std::string reason;
        EXPECT_TRUE(WriteFileAtomically(dir + "/" + name, "new", &reason)) << reason;
    }
    umask(old);
    for (const char* name : {"symbolic.csv", "hard.csv"}) {
        SCOPED_TRACE(name);
        struct stat st {};
        ASSERT_EQ(lstat((dir + "/" + name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0644u);
        EXPECT_EQ(st.st_uid, geteuid());
        EXPECT_EQ(st.st_nlink, 1u);
        EXPECT_EQ(ReadAll(dir + "/" + name), "new");
    }
    EXPECT_EQ(ModeOf(setId), 0750u);
    EXPECT_EQ(ReadAll(target), "target");
    EXPECT_EQ(ModeOf(target), 06755u);
}

// Sets put in place into one folder take turns: a set waits for a folder another writer
// holds, says so once, and gives up after its limit with nothing replaced.
TEST(AtomicFileTest, SetWaitsForTheFolderAnotherWriterHolds)
{
    const std::string dir = FreshFolder("atomic_lock");
    testing::WriteTemp("atomic_lock/a.csv", "old");
    const int held = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    std::vector<std::string> notices;
    FileSetWait wait;
    wait.notice = [&](const std::string& line) { notices.push_back(line); };
    wait.limit = std::chrono::milliseconds(200);
    std::string reason;
    EXPECT_FALSE(
        WriteFilesAtomically({{dir + "/a.csv", "new"}, {dir + "/b.csv", "new"}}, &reason, wait));
    EXPECT_NE(reason.find("Another run kept the folder " + dir), std::string::npos) << reason;
    EXPECT_NE(reason.find("No file was replaced."), std::string::npos) << reason;
    EXPECT_EQ(ReadAll(dir + "/a.csv"), "old");
    EXPECT_TRUE(Leftovers(dir, {"a.csv"}).empty());

    notices.clear();
    wait.limit = std::chrono::seconds(30);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        close(held);
    });
    EXPECT_TRUE(WriteFilesAtomically({{dir + "/a.csv", "A"}, {dir + "/b.csv", "B"}}, &reason, wait))
        << reason;
    release.join();
    EXPECT_EQ(notices,
              std::vector<std::string>{"Another run is putting its files into the folder " + dir +
                                       "; waiting for it to finish."});
    EXPECT_EQ(ReadAll(dir + "/a.csv"), "A");
    EXPECT_EQ(ReadAll(dir + "/b.csv"), "B");
    EXPECT_TRUE(Leftovers(dir, {"a.csv", "b.csv"}).empty());
}

TEST(AtomicFileTest, FailureSaysWhyAndLeavesNothingBehind)
{
    const std::string dir = FreshFolder("atomic_failures");
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(dir + "/no/such/folder/x.csv", "x", &reason));
    EXPECT_NE(reason.find("No such file or directory"), std::string::npos) << reason;
    EXPECT_NE(reason.find(dir + "/no/such/folder"), std::string::npos) << reason;

    fs::create_directories(dir + "/taken.csv");
    reason.clear();
    EXPECT_FALSE(WriteFileAtomically(dir + "/taken.csv", "x", &reason));
    EXPECT_NE(reason.find("taken.csv is a folder"), std::string::npos) << reason;
    EXPECT_TRUE(Leftovers(dir, {"taken.csv"}).empty());
    EXPECT_FALSE(WriteFileAtomically(dir + "/taken.csv", "x"));  // the reason is optional
}

TEST(AtomicFileTest, SeveralFilesAreReplacedAllOrNone)
{
    const std::string dir = FreshFolder("atomic_set");
    for (const char* name : {"a.csv", "c.csv"})
        testing::WriteTemp(std::string("atomic_set/") + name, "old");
    fs::create_directories(dir + "/b.csv");  // a folder where a file is to go

    std::string reason;
    EXPECT_FALSE(WriteFilesAtomically(
        {{dir + "/a.csv", "new"}, {dir + "/b.csv", "new"}, {dir + "/c.csv", "new"}}, &reason));
    EXPECT_NE(reason.find("No file was replaced."), std::string::npos) << reason;
    EXPECT_EQ(ReadAll(dir + "/a.csv"), "old");
    EXPECT_EQ(ReadAll(dir + "/c.csv"), "old");
    EXPECT_TRUE(Leftovers(dir, {"a.csv", "b.csv", "c.csv"}).empty());

    fs::remove(dir + "/b.csv");
    ASSERT_TRUE(WriteFilesAtomically(
        {{dir + "/a.csv", "A"}, {dir + "/b.csv", "B"}, {dir + "/c.csv", "C"}}, &reason))
        << reason;
    EXPECT_EQ(ReadAll(dir + "/a.csv"), "A");
    EXPECT_EQ(ReadAll(dir + "/b.csv"), "B");
    EXPECT_EQ(ReadAll(dir + "/c.csv"), "C");
    EXPECT_TRUE(Leftovers(dir, {"a.csv", "b.csv", "c.csv"}).empty());
}

TEST(AtomicFileTest, ReadOnlyFolderFailsWithTheSystemsReason)
{
    const std::string dir = FreshFolder("atomic_readonly");
    Mount rw("mount -t tmpfs -o size=1m tmpfs " + dir, dir);
    if (!rw.ok()) GTEST_SKIP() << rw.why();
    testing::WriteTemp("atomic_readonly/old.csv", "old");
    ASSERT_EQ(std::system(("mount -o remount,ro " + dir).c_str()), 0);

    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(dir + "/old.csv", "new", &reason));
    EXPECT_NE(reason.find("Read-only file system"), std::string::npos) << reason;
    EXPECT_EQ(ReadAll(dir + "/old.csv"), "old");
    EXPECT_FALSE(WriteFileAtomically(dir + "/fresh.csv", "new", &reason));
    EXPECT_FALSE(fs::exists(dir + "/fresh.csv"));
}

TEST(AtomicFileTest, FullDiskLeavesTheOldFileAndNoTemporary)
{
    const std::string dir = FreshFolder("atomic_full");
    Mount small("mount -t tmpfs -o size=64k tmpfs " + dir, dir);
    if (!small.ok()) GTEST_SKIP() << small.why();
    testing::WriteTemp("atomic_full/old.csv", "old");

    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(dir + "/old.csv", std::string(1 << 20, 'x'), &reason));
    EXPECT_NE(reason.find("No space left on device"), std::string::npos) << reason;
    EXPECT_EQ(ReadAll(dir + "/old.csv"), "old");
    EXPECT_TRUE(Leftovers(dir, {"old.csv"}).empty());
}

TEST(AtomicFileTest, RenameFailingPartWaySaysWhichFilesAreNew)
{
    const std::string dir = FreshFolder("atomic_partway");
    for (const char* name : {"a.csv", "b.csv", "c.csv", "pinned"})
        testing::WriteTemp(std::string("atomic_partway/") + name, "old");
    // A file bound over b.csv is a mount point: the kernel refuses to rename onto it.
    Mount pinned("mount --bind " + dir + "/pinned " + dir + "/b.csv", dir + "/b.csv");
    if (!pinned.ok()) GTEST_SKIP() << pinned.why();

    std::string reason;
    EXPECT_FALSE(WriteFilesAtomically(
        {{dir + "/a.csv", "new"}, {dir + "/b.csv", "new"}, {dir + "/c.csv", "new"}}, &reason));
    EXPECT_EQ(ReadAll(dir + "/a.csv"), "new");
    EXPECT_EQ(ReadAll(dir + "/b.csv"), "old");
    EXPECT_EQ(ReadAll(dir + "/c.csv"), "old");
    EXPECT_NE(reason.find("Cannot put " + dir + "/b.csv in place: Device or resource busy."),
              std::string::npos)
        << reason;
    EXPECT_NE(reason.find("Already replaced with the new results: " + dir + "/a.csv."),
              std::string::npos)
        << reason;
    EXPECT_NE(reason.find("Left as they were: " + dir + "/b.csv, " + dir + "/c.csv."),
              std::string::npos)
        << reason;
    EXPECT_TRUE(Leftovers(dir, {"a.csv", "b.csv", "c.csv", "pinned"}).empty());
}

}  // namespace
}  // namespace tarvex
