#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"

namespace tarvex::testing {

// What one batch run printed and returned.
struct BatchResult {
    int status;
    std::string out;
    std::string err;
};

inline BatchResult Batch(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunBatch(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace tarvex::testing
