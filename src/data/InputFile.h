#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

// The most bytes any input file may hold: 128 MiB. The largest table the reader takes,
// 10000 lines of 501 cells (a label and 500 values), with every value written to 15
// significant digits in exponent form and its comma (25 bytes), comes to 125 MB; real data
// sets hold a few MB. The bound keeps an endless source (/dev/zero, a runaway pipe) from
// taking all memory.
inline constexpr std::uint64_t kMaxInputBytes = std::uint64_t{128} << 20;

// What was read of one input: the number of bytes and their SHA-256, so that a run can
// record exactly the bytes it imported, whatever the file holds by the time anyone looks.
struct InputDigest {
    std::uint64_t size = 0;
    std::string sha256;  // 64 lower-case hex digits; empty until the input has been read
};

// Reads the input at path whole, opening it exactly once, so a FIFO, a pipe (/dev/stdin,
// a shell's <(...)) or a device is read as far as it goes and never waited on a second
// time. A folder, a file that cannot be opened or read, more than limit bytes, and a
// source other than a regular file that gives no bytes at all (/dev/null, a FIFO whose
// writer closed at once) fail with reason, a sentence naming what the path is. digest,
// when given, receives the size and SHA-256 of the bytes read.
bool ReadInputFile(const std::string& path, std::string& bytes, std::string& reason,
                   InputDigest* digest = nullptr, std::uint64_t limit = kMaxInputBytes);

}  // namespace tarvex
