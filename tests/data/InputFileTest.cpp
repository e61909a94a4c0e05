#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "data/InputFile.h"
#include "data/Sha256.h"
#include "data/TableReader.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// A FIFO is opened once and read to its end; the table and the digest are of the bytes that
// came through, more than a pipe holds at once.
TEST(InputFileTest, FifoIsReadOnceAndDigestedAsItCame)
{
    std::string table = ",a,b\n";
    for (int i = 1; i <= 9000; ++i) table += "s" + std::to_string(i) + ",1,2\n";
    const std::string fifo = TempPath("input_fifo");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << table; });
    const TableReadResult read = ReadDataTableFile(fifo);
    writer.join();
    ASSERT_EQ(read.status, TableStatus::Ok) << read.reason;
    EXPECT_EQ(read.table.rowCount, 9000);
    EXPECT_EQ(read.input.size, table.size());
    EXPECT_EQ(read.input.sha256, Sha256Hex(table));
}

TEST(InputFileTest, WhatIsNotAFileOrHoldsTooMuchIsRefusedWithItsReason)
{
    std::string bytes, reason;
    const auto refused = [&](const std::string& path, std::uint64_t limit = kMaxInputBytes) {
        reason.clear();
        const bool ok = ReadInputFile(path, bytes, reason, nullptr, limit);
        EXPECT_TRUE(bytes.empty());
        return !ok ? reason : "read";
    };
    EXPECT_EQ(refused(TempPath("input_none.csv")), "The file does not exist.");
    EXPECT_EQ(refused(TARVEX_BINARY_DIR), "It is a folder, not a file.");
    EXPECT_EQ(refused("/dev/null"), "It is a character device, not a file, and gave no data.");
    EXPECT_EQ(refused("/dev/zero", 1 << 20),
              "It is a character device, not a file, and gave more than 1048576 bytes (1 MB), the "
              "limit for an input file.");

    // A regular file is measured before it is read; at the limit it is taken whole.
    const std::string file = WriteTemp("input_limit.csv", std::string(2000, 'x'));
    EXPECT_EQ(refused(file, 1999),
              "The file holds 2000 bytes, more than the limit of 1999 bytes for an input file.");
    InputDigest digest;
    ASSERT_TRUE(ReadInputFile(file, bytes, reason, &digest, 2000)) << reason;
    EXPECT_EQ(bytes, std::string(2000, 'x'));
    EXPECT_EQ(digest.size, 2000u);
    EXPECT_EQ(digest.sha256, Sha256Hex(bytes));

    // The table reader gives the same reasons.
    EXPECT_EQ(ReadDataTableFile("/dev/null").reason,
              "It is a character device, not a file, and gave no data.");
}

}  // namespace
}  // namespace tarvex
