#pragma once

// Scratch files for tests, kept in the build tree.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tarvex::testing {

inline const std::string kExamples = std::string(TARVEX_SOURCE_DIR) + "/examples/";

// A file of the published data sets: beside the repository in shared/data, or in the folder
// TARVEX_TEST_DATA names. Tests skip when it is not there (a clean clone has no data).
inline std::string SharedData(const std::string& relative)
{
    const char* folder = std::getenv("TARVEX_TEST_DATA");
    const std::string base = folder && *folder ? std::string(folder)
                                               : std::string(TARVEX_SOURCE_DIR) + "/../shared/data";
    return base + "/" + relative;
}

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
