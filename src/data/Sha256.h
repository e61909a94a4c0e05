#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

// SHA-256 of a byte stream fed in pieces of any size, so a large input file never has to be
// held in memory at once to be fingerprinted.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, std::size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // The digest as 64 lower-case hexadecimal digits. Ends the stream: call once.
    std::string HexDigest();

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

// The digest and size of a file, read in chunks. False with a reason when it cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex, std::uint64_t& size,
                  std::string& reason);

}  // namespace tarvex
