#include "data/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "data/Sha256.h"

namespace tarvex {

namespace {

std::string SystemText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

// The start of a reason about an input that is not a regular file, saying what it is.
std::string NotAFile(mode_t mode)
{
    if (S_ISFIFO(mode)) return "It is a pipe, not a file, and";
    if (S_ISCHR(mode)) return "It is a character device, not a file, and";
    if (S_ISBLK(mode)) return "It is a block device, not a file, and";
    if (S_ISSOCK(mode)) return "It is a socket, not a file, and";
    return "It is not a regular file, and";
}

std::string LimitText(std::uint64_t limit)
{
    std::string text = std::to_string(limit) + " bytes";
    if (limit % (1 << 20) == 0) text += " (" + std::to_string(limit >> 20) + " MB)";
    return text;
}

struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

bool ReadInputFile(const std::string& path, std::string& bytes, std::string& reason,
                   InputDigest* digest, std::uint64_t limit)
{
    bytes.clear();
    // O_NOCTTY: a terminal given as input must not become the controlling one.
    const Descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) {
        const int error = errno;
        reason = error == ENOENT ? "The file does not exist."
                                 : "The file cannot be read: " + SystemText(error) + ".";
        return false;
    }
    struct stat st {};
    if (fstat(file.fd, &st) != 0) {
        reason = "The file cannot be read: " + SystemText(errno) + ".";
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        reason = "It is a folder, not a file.";
        return false;
    }
    const bool regular = S_ISREG(st.st_mode);
    const std::string kind = regular ? "" : NotAFile(st.st_mode);
    const std::uint64_t stated =
        regular && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    if (stated > limit) {
        reason = "The file holds " + std::to_string(stated) + " bytes, more than the limit of " +
                 LimitText(limit) + " for an input file.";
        return false;
    }
    // A regular file is held once at its size; anything else grows as it gives, never past
    // the limit, so the memory an endless source can take stays bounded.
    bytes.reserve(static_cast<std::size_t>(stated));
    Sha256 hash;
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = read(file.fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            reason = "The file cannot be read: " + SystemText(errno) + ".";
            bytes.clear();
            return false;
        }
        if (got == 0) break;
        const std::size_t n = static_cast<std::size_t>(got);
        if (bytes.size() + n > limit) {
            reason = regular ? "The file holds more than " + LimitText(limit) +
                                   ", the limit for an input file."
                             : kind + " gave more than " + LimitText(limit) +
                                   ", the limit for an input file.";
            bytes.clear();
            bytes.shrink_to_fit();
            return false;
        }
        if (bytes.size() + n > bytes.capacity())
            bytes.reserve(static_cast<std::size_t>(
                std::min<std::uint64_t>(limit, std::max(2 * bytes.capacity(), bytes.size() + n))));
        bytes.append(chunk, n);
        if (digest) hash.Update(chunk, n);
    }
    if (!regular && bytes.empty()) {
        reason = kind + " gave no data.";
        return false;
    }
    if (digest) {
        digest->size = bytes.size();
        digest->sha256 = hash.HexDigest();
    }
    return true;
}

}  // namespace tarvex
