#pragma once

#include <string>

#include "data/TableReader.h"

namespace tarvex {

// The largest magnitude a table value may have. The analyses sum squares of up to 9999 x 1000
// values, some of them in single precision: 1E+15 keeps every such sum below 1E+37, within
// single precision, while no pollen count, proportion or climate value comes anywhere near it.
inline constexpr double kLargestTableValue = 1e15;

// The message an import shows (title "Error") for the first value beyond kLargestTableValue,
// in reading order, with its data row and column; empty when every value is within it.
std::string ValueTooLargeMessage(const DataTable& table);

}  // namespace tarvex
