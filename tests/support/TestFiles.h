#pragma once

// Scratch files for tests, kept in the build tree, and the published data sets.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tarvex::testing {

inline const std::string kExamples = std::string(TARVEX_SOURCE_DIR) + "/examples/";

// A file or folder of the published data sets beside the repository, or under the folder the
// environment variable TARVEX_DATA names. Tests that need one skip when it is missing.
inline std::string SharedData(const std::string& name)
{
    const char* folder = std::getenv("TARVEX_DATA");
    return std::string(folder && *folder ? folder : TARVEX_DATA_DIR) + "/" + name;
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
