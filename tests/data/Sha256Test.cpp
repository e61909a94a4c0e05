#include <gtest/gtest.h>

#include <string>

#include "data/Sha256.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

TEST(Sha256, StandardTestVectors)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Fed in uneven pieces, across the 64-byte blocks and the padding boundary at 56 bytes, the
// digest is that of the whole.
TEST(Sha256, PiecesGiveTheDigestOfTheWhole)
{
    std::string text;
    for (int i = 0; i < 300; ++i) text.push_back(static_cast<char>(i * 7));
    for (const std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 300u}) {
        const std::string whole = text.substr(0, length);
        for (const std::size_t piece : {1u, 3u, 17u, 64u}) {
            Sha256 hash;
            for (std::size_t at = 0; at < whole.size(); at += piece)
                hash.Update(whole.substr(at, piece));
            EXPECT_EQ(hash.HexDigest(), Sha256Hex(whole)) << length << " in " << piece;
        }
    }
}

TEST(Sha256, FileDigestAndSize)
{
    const std::string path = testing::WriteTemp("sha256_file.txt", "abc");
    std::string hex, reason;
    std::uint64_t size = 0;
    ASSERT_TRUE(Sha256OfFile(path, hex, size, reason)) << reason;
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(hex, Sha256Hex("abc"));
    EXPECT_FALSE(Sha256OfFile(testing::TempPath("sha256_missing.txt"), hex, size, reason));
    EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace tarvex
