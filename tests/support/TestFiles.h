#pragma once

// Scratch files for tests, kept in the build tree, and the published data sets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

namespace tarvex::testing {

inline const std::string kExamples = std::string(TARVEX_SOURCE_DIR) + "/examples/";

// The folder of the published data sets: the one the build names (beside the repository by
// default), or the one the environment variable TARVEX_DATA names.
inline std::string SharedDataFolder()
{
    const char* folder = std::getenv("TARVEX_DATA");
    return folder && *folder ? folder : TARVEX_DATA_DIR;
}

// A file or folder of the published data sets.
inline std::string SharedData(const std::string& name)
{
    return SharedDataFolder() + "/" + name;
}

// A continuous-integration run (CI=true), where a test that needs the data sets fails without
// them instead of skipping: such a run must never pass having quietly checked less.
inline bool InContinuousIntegration()
{
    const char* ci = std::getenv("CI");
    return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

// Why a test cannot read the data sets it needs: empty when every path exists, else a message
// naming the folder looked in and the first path missing.
inline std::string MissingSharedData(std::initializer_list<std::string> paths)
{
    for (const std::string& path : paths)
        if (!std::filesystem::exists(path))
            return "The published data sets are not in " + SharedDataFolder() + " (no " + path +
                   "). Put them there, or name their folder by the environment variable "
                   "TARVEX_DATA or the CMake variable TARVEX_DATA_DIR.";
    return {};
}

}  // namespace tarvex::testing

// Skips the test when a path of the data sets is missing, or fails it in continuous
// integration. Used in a test's body.
#define REQUIRE_SHARED_DATA(...)                                                               \
    do {                                                                                       \
        const std::string missing_data_ = ::tarvex::testing::MissingSharedData({__VA_ARGS__}); \
        if (!missing_data_.empty()) {                                                          \
            if (::tarvex::testing::InContinuousIntegration()) FAIL() << missing_data_;         \
            GTEST_SKIP() << missing_data_;                                                     \
        }                                                                                      \
    } while (false)

namespace tarvex::testing {

inline std::string TempPath(const std::string& name)
{
    return std::string(TARVEX_BINARY_DIR) + "/" + name;
}

inline std::string WriteTemp(const std::string& name, const std::string& content)
{
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tarvex::testing
