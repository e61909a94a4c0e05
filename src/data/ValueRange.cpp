#include "data/ValueRange.h"

#include <cmath>

#include "data/NumberText.h"

namespace tarvex {

std::string ValueTooLargeMessage(const DataTable& table)
{
    for (int s = 1; s <= table.rowCount; ++s)
        for (int j = 1; j <= table.columnCount; ++j) {
            const double v = table.values(s, j);
            if (std::fabs(v) <= kLargestTableValue) continue;
            const std::string name =
                static_cast<std::size_t>(j) < table.columnNames.size() ? table.columnNames[j] : "";
            return "Value too large: data row " + std::to_string(s) + ", column " +
                   std::to_string(j) + " (\"" + name + "\") holds " + FormatNumber(v) +
                   ". The analysis takes values up to " + FormatNumber(kLargestTableValue) +
                   " in magnitude; larger ones would overflow its sums.";
        }
    return {};
}

}  // namespace tarvex
