#pragma once

#include <functional>

namespace tarvex {

// How long computations report how far they are; may be empty.
using ProgressFn = std::function<void(int done, int total)>;

}  // namespace tarvex
