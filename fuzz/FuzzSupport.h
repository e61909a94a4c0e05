#pragma once

// What the reader harnesses share: the readers take a path, so every input goes through a
// scratch file of this process, and every question a reader asks gets a reproducible answer
// taken from the input itself.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

namespace tarvex::fuzz {

// A failed property: says which and aborts, so both libFuzzer and the replay driver stop.
[[noreturn]] inline void Fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

#define TARVEX_FUZZ_CHECK(cond) \
    ((cond) ? static_cast<void>(0) : ::tarvex::fuzz::Fail(#cond, __FILE__, __LINE__))

// Writes the input to this process's scratch file for the given reader and returns its path.
inline std::string WriteScratch(const char* name, const uint8_t* data, std::size_t size)
{
    const char* dir = std::getenv("TMPDIR");
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tarvex-fuzz-" +
                             std::to_string(static_cast<long>(getpid())) + "-" + name + ".csv";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    TARVEX_FUZZ_CHECK(out.good());
    return path;
}

// Yes/No answers from the bits of the input's last byte, one question after the other.
class Answers {
public:
    Answers(const uint8_t* data, std::size_t size) : bits_(size ? data[size - 1] : 0) {}
    bool Next() { return (bits_ >> (count_++ % 8)) & 1u; }
    int Asked() const { return count_; }

private:
    unsigned bits_;
    int count_ = 0;
};

}  // namespace tarvex::fuzz
