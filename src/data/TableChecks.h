#pragma once

#include <string>
#include <vector>

#include "data/TableReader.h"

namespace tarvex {

// What a pollen table holds that the table grammar accepts without a word but that usually
// means a mistake in the data: value cells that are not numbers (read as 0 or by their
// leading number), negative values, rows of zeros, rows that repeat an earlier row, and row
// totals so far apart that counts and percentages are probably mixed; in any table, text row
// labels in a table labelled by numbers. The import itself is not affected; these are only
// reported.
struct TableCheckReport {
    std::vector<std::pair<int, int>> looseCells;  // (row, column)
    std::vector<int> textLabelRows;
    std::vector<std::pair<int, int>> negativeCells;
    std::vector<int> zeroRows;
    std::vector<std::pair<int, int>> repeatedRows;  // (row, the earlier row it repeats)
    int totalsRows = 0;                             // rows with a non-zero total
    double smallestTotal = 0, largestTotal = 0;
    int fractionalRows = 0;  // rows holding a value that is not a whole number
    bool mixedTotals = false;

    bool Clean() const
    {
        return looseCells.empty() && textLabelRows.empty() && negativeCells.empty() &&
               zeroRows.empty() && repeatedRows.empty() && !mixedTotals;
    }
};

// Row totals further apart than this factor are reported: counts of one site rarely differ
// by more, and a table of percentages has all totals near 100.
inline constexpr double kMixedTotalsFactor = 10;

// withZeroRows: rows of zeros count as a finding. Not so for a fossil sequence, where a
// sample without pollen is expected and the import marks it empty.
TableCheckReport CheckTable(const DataTable& table, bool withZeroRows = true);

// A climate table is checked only for what the grammar reads without a word, value cells that
// are not numbers and text labels among number labels: negative values, zeros, repeats and
// row totals say nothing about climate.
TableCheckReport CheckClimateTable(const DataTable& table);

// The report as lines for a message box or standard error: a first line naming the table
// ("reference" / "fossil" / "climate") and the file, then one line per finding, with at most three
// examples each (row labels and column names as in the file). Empty for a clean table.
std::vector<std::string> TableCheckLines(const DataTable& table, const TableCheckReport& report,
                                         const std::string& kind, const std::string& path);

// The lines as one message box text.
std::string TableCheckMessage(const std::vector<std::string>& lines);

inline constexpr const char* kTableCheckTitle = "Data check";

}  // namespace tarvex
