#include "data/TableChecks.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "data/NumberText.h"

namespace tarvex {

namespace {

constexpr std::size_t kExamples = 3;

bool RowLess(const Matrix<double>& v, int n, int a, int b)
{
    const double* ra = v.row(a);
    const double* rb = v.row(b);
    for (int t = 1; t <= n; ++t)
        if (ra[t] != rb[t]) return ra[t] < rb[t];
    return a < b;
}

bool RowsEqual(const Matrix<double>& v, int n, int a, int b)
{
    const double* ra = v.row(a);
    const double* rb = v.row(b);
    for (int t = 1; t <= n; ++t)
        if (ra[t] != rb[t]) return false;
    return true;
}

std::string Counted(std::size_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "a; b; c, ..." from the first few of a list.
template <typename T, typename Describe>
std::string Examples(const std::vector<T>& items, Describe describe)
{
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kExamples; ++i)
        text += (i > 0 ? "; " : "") + describe(items[i]);
    if (items.size() > kExamples) text += "; ...";
    return text;
}

}  // namespace

TableCheckReport CheckTable(const DataTable& table, bool withZeroRows)
{
    TableCheckReport r = CheckClimateTable(table);
    const int rows = std::min(table.rowCount, table.values.rows());
    const int n = std::min(table.columnCount, table.values.cols());

    std::vector<int> nonZero;
    for (int s = 1; s <= rows; ++s) {
        const double* row = table.values.row(s);
        double total = 0;
        bool zero = true, fractional = false;
        for (int t = 1; t <= n; ++t) {
            const double v = row[t];
            total += v;
            if (v != 0) zero = false;
            if (v < 0) r.negativeCells.emplace_back(s, t);
            if (v != std::floor(v)) fractional = true;
        }
        if (zero) {
            if (withZeroRows) r.zeroRows.push_back(s);
            continue;
        }
        nonZero.push_back(s);
        if (fractional) ++r.fractionalRows;
        if (total > 0) {
            r.smallestTotal = r.totalsRows == 0 ? total : std::min(r.smallestTotal, total);
            r.largestTotal = r.totalsRows == 0 ? total : std::max(r.largestTotal, total);
            ++r.totalsRows;
        }
    }
    r.mixedTotals = r.totalsRows >= 2 && r.largestTotal > kMixedTotalsFactor * r.smallestTotal;

    // Equal rows end up next to each other, the lowest-numbered first; rows of zeros are
    // reported as such and left out here.
    std::sort(nonZero.begin(), nonZero.end(),
              [&](int a, int b) { return RowLess(table.values, n, a, b); });
    for (std::size_t i = 0; i < nonZero.size();) {
        std::size_t j = i + 1;
        for (; j < nonZero.size() && RowsEqual(table.values, n, nonZero[i], nonZero[j]); ++j)
            r.repeatedRows.emplace_back(nonZero[j], nonZero[i]);
        i = j;
    }
    std::sort(r.repeatedRows.begin(), r.repeatedRows.end());
    return r;
}

TableCheckReport CheckClimateTable(const DataTable& table)
{
    TableCheckReport r;
    r.looseCells = table.looseCells;
    r.textLabelRows = table.textLabelRows;
    return r;
}

std::vector<std::string> TableCheckLines(const DataTable& table, const TableCheckReport& report,
                                         const std::string& kind, const std::string& path)
{
    std::vector<std::string> lines;
    if (report.Clean()) return lines;
    const bool fossil = kind == "fossil";
    const std::string one = fossil ? "sample" : "site";
    const std::string many = fossil ? "samples" : "sites";
    const auto label = [&](int s) {
        return s >= 0 && s < static_cast<int>(table.rowLabels.size()) ? table.rowLabels[s]
                                                                      : std::to_string(s);
    };
    const auto column = [&](int t) {
        return t >= 0 && t < static_cast<int>(table.columnNames.size()) ? table.columnNames[t]
                                                                        : std::to_string(t);
    };
    const auto cell = [&](const std::pair<int, int>& c) {
        return one + " " + label(c.first) + ", " + column(c.second);
    };

    lines.push_back("The " + kind + " table " + path +
                    " was imported as the table format reads it, but some values need a look:");
    if (!report.looseCells.empty())
        lines.push_back(Counted(report.looseCells.size(), "value cell is", "value cells are") +
                        " not a number and read as 0 (or as the number it starts with): " +
                        Examples(report.looseCells, cell));
    if (!report.textLabelRows.empty())
        lines.push_back(
            Counted(report.textLabelRows.size(), one + " label is", one + " labels are") +
            " text in a table labelled by numbers: " + Examples(report.textLabelRows, [&](int s) {
                return "\"" + label(s) + "\" (data row " + std::to_string(s) + ")";
            }));
    if (!report.negativeCells.empty())
        lines.push_back(Counted(report.negativeCells.size(), "negative value", "negative values") +
                        ": " + Examples(report.negativeCells, [&](const std::pair<int, int>& c) {
                            return cell(c) + " (" + FormatNumber(table.values(c.first, c.second)) +
                                   ")";
                        }));
    if (!report.zeroRows.empty())
        lines.push_back(Counted(report.zeroRows.size(), one, many) +
                        " with every value 0: " + Examples(report.zeroRows, label));
    if (!report.repeatedRows.empty())
        lines.push_back(Counted(report.repeatedRows.size(), one + " repeats", many + " repeat") +
                        " an earlier " + one + " value for value: " +
                        Examples(report.repeatedRows, [&](const std::pair<int, int>& p) {
                            return label(p.first) + " = " + label(p.second);
                        }));
    if (report.mixedTotals)
        lines.push_back("Row totals range from " + FormatNumber(report.smallestTotal) + " to " +
                        FormatNumber(report.largestTotal) + ", and " +
                        std::to_string(report.fractionalRows) + " of " +
                        Counted(static_cast<std::size_t>(report.totalsRows), one, many) +
                        " hold values that are not whole numbers: counts and percentages may "
                        "be mixed (\"Convert to % values\" puts them on one footing).");
    return lines;
}

std::string TableCheckMessage(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 1) text += "\n";
        text += (i > 0 ? "\n" : "") + lines[i];
    }
    return text;
}

}  // namespace tarvex
