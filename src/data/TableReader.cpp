#include "data/TableReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "data/NumberText.h"

namespace tarvex {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsSeparator(char c)
{
    return c == ',' || c == '\n' || c == '\r';
}

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

TableReadResult Failure(TableStatus status, std::string reason = {})
{
    TableReadResult result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

// A cell's text quoted for a reason.
std::string Shown(const std::string& text)
{
    return "\"" + CellTextForMessage(text) + "\"";
}

std::string CellTooLongReason(const std::string& where)
{
    return where + " is longer than " + std::to_string(CellReader::kMaxCellBytes) +
           " bytes (1 MB), the limit for one cell.";
}

}  // namespace

std::string CellTextForMessage(const std::string& text)
{
    constexpr std::size_t kShown = 40;
    std::string shown;
    for (const char c : text.substr(0, kShown))
        shown.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    return text.size() > kShown ? shown + "..." : shown;
}

std::string Utf16Reason(std::string_view bytes)
{
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) return "It begins with the UTF-16 byte order mark FF FE.";
        if (b0 == 0xFE && b1 == 0xFF) return "It begins with the UTF-16 byte order mark FE FF.";
    }
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos) return {};
    return "Byte " + std::to_string(nul + 1) +
           " is a NUL byte, as UTF-16 text has beside every ASCII character; a text table "
           "holds none.";
}

CellReader::CellReader(std::string content) : content_(std::move(content))
{
    // Spreadsheets often write a byte order mark; it would otherwise stick to the corner cell.
    if (content_.compare(0, 3, kByteOrderMark) == 0) pos_ = 3;
}

std::optional<CellReader> CellReader::OpenFile(const std::string& path, std::string* reason)
{
    std::string content, why;
    if (!ReadInputFile(path, content, why)) {
        if (reason) *reason = std::move(why);
        return std::nullopt;
    }
    return CellReader(std::move(content));
}

bool CellReader::ReadCell(std::string& cell)
{
    cell.clear();
    if (pos_ >= content_.size()) return false;
    bool tooLong = false;
    pos_ = ScanCell(pos_, &cell, &tooLong);
    if (tooLong) {
        cell.clear();
        cell.shrink_to_fit();
        cellTooLong_ = true;
        pos_ = content_.size();
        return false;
    }
    return true;
}

std::size_t CellReader::CountCellsLeft() const
{
    std::size_t count = 0;
    for (std::size_t pos = pos_; pos < content_.size(); pos = ScanCell(pos, nullptr)) ++count;
    return count;
}

std::size_t CellReader::ScanCell(std::size_t pos, std::string* cell, bool* tooLong) const
{
    const std::size_t size = content_.size();
    const char* data = content_.data();
    std::size_t i = pos;
    while (i < size && IsBlank(data[i])) ++i;

    // Only the first kMaxCellBytes + 1 bytes of a cell are ever copied.
    std::size_t length = 0;
    const auto keep = [&](const char* from, std::size_t count) {
        if (cell && length <= kMaxCellBytes)
            cell->append(from, std::min(count, kMaxCellBytes + 1 - length));
        length += count;
    };
    if (i < size && data[i] == '"') {
        ++i;
        for (;;) {
            const void* found = std::memchr(data + i, '"', size - i);
            if (found == nullptr) {
                keep(data + i, size - i);
                if (tooLong) *tooLong = length > kMaxCellBytes;
                return size;
            }
            const std::size_t quote =
                static_cast<std::size_t>(static_cast<const char*>(found) - data);
            keep(data + i, quote - i);
            i = quote + 1;
            if (i < size && data[i] == '"') {
                keep("\"", 1);
                ++i;
                continue;
            }
            break;
        }
        while (i < size && !IsSeparator(data[i])) ++i;
    } else {
        const std::size_t start = i;
        while (i < size && !IsSeparator(data[i])) ++i;
        std::size_t end = i;
        while (end > start && IsBlank(data[end - 1])) --end;
        length = end - start;
        if (cell) cell->assign(data + start, std::min(length, kMaxCellBytes + 1));
    }
    if (tooLong) *tooLong = length > kMaxCellBytes;

    if (i < size) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            i += 2;
        else
            ++i;
    }
    return i;
}

namespace {

// A header cell that reads as a number without being one in the number test's sense (10.50,
// 1e3, 007): it was taken for a column name, so the header ran on past it. When the table
// then fails, this is the likely cause, and the cell the reading stumbled on later is not.
struct LooseHeaderNumber {
    int cell = 0;  // counted from 1 along the lines; 0 for none
    std::string text;
    double value = 0;
    int firstNumberCell = 0;
    std::string firstNumber;
};

TableReadResult ReadTable(CellReader& reader, const TableLimits& limits, LooseHeaderNumber& loose)
{
    if (std::string why = Utf16Reason(reader.Content()); !why.empty())
        return Failure(TableStatus::Utf16, std::move(why));

    std::vector<std::string> names;
    std::string cell;
    const auto bufferCell = [&]() {
        if (static_cast<long long>(names.size()) >= limits.nameBufferCells) return false;
        if (!reader.ReadCell(cell)) return false;
        names.push_back(cell);
        return true;
    };
    // The widest tables the name buffer lets the layout detection see.
    const int widestText = (limits.nameBufferCells - 3) / 2;
    const int widestNumber = (limits.nameBufferCells - 1) / 2;
    const std::string widthLimits = "at most " + std::to_string(widestText) +
                                    " value columns fit with text row labels, " +
                                    std::to_string(widestNumber) + " with number row labels";
    // Why the header ended early: a cell too long, or the end of the file.
    const auto headerFailure = [&](const std::string& atEnd) {
        if (reader.CellTooLong())
            return Failure(TableStatus::FormatError,
                           CellTooLongReason("Cell " + std::to_string(names.size() + 1) +
                                             " of the table (counted along the lines)"));
        return Failure(TableStatus::FormatError,
                       names.empty() ? "The file is empty." : "The file ends " + atEnd);
    };

    // Header detection: the first number ends the header; the cell at 2c - 4 is the second
    // row's label with text labels but a value of the first row with number labels.
    do {
        if (!bufferCell()) {
            if (static_cast<long long>(names.size()) >= limits.nameBufferCells)
                return Failure(TableStatus::FormatError,
                               "Too many columns: none of the first " +
                                   std::to_string(limits.nameBufferCells) +
                                   " cells is a number, so the header is wider than a table "
                                   "may be (" +
                                   widthLimits + ").");
            return headerFailure("before its first number: the table has no values.");
        }
    } while (!IsNumber(names.back()));
    const int c = static_cast<int>(names.size());
    for (int i = 1; i + 1 < c && loose.cell == 0; ++i)
        if (StrictVal(names[static_cast<std::size_t>(i)], loose.value)) {
            loose.cell = i + 1;
            loose.text = names[static_cast<std::size_t>(i)];
            loose.firstNumberCell = c;
            loose.firstNumber = names.back();
        }
    const int probe = 2 * c - 4;
    if (probe < 0)
        return Failure(TableStatus::FormatError,
                       "The first cell is a number: the table has no header of column names.");
    while (static_cast<int>(names.size()) <= probe)
        if (!bufferCell()) {
            if (static_cast<long long>(names.size()) >= limits.nameBufferCells)
                return Failure(TableStatus::FormatError,
                               "Too many columns: the first number is cell " + std::to_string(c) +
                                   ", so the table has " + std::to_string(c - 3) +
                                   " value columns with text row labels (" + std::to_string(c - 2) +
                                   " with number row labels); " + widthLimits + ".");
            return headerFailure(
                "before its layout can be told: the first data row must be complete, and "
                "with text row labels a second row must begin.");
        }
    const bool textLabels = !IsNumber(names[static_cast<std::size_t>(probe)]);
    const int n = textLabels ? c - 3 : c - 2;
    if (n <= 0)
        return Failure(TableStatus::FormatError,
                       "The table has no value columns: the header holds no column names.");
    if (n > limits.maxColumns)
        return Failure(TableStatus::FormatError,
                       "Too many columns: value column " + std::to_string(limits.maxColumns + 1) +
                           " is beyond the limit of " + std::to_string(limits.maxColumns) +
                           " value columns.");
    if (limits.maxRows < 1)
        return Failure(
            TableStatus::TooManyRows,
            "Data row 1 is beyond the limit of " + std::to_string(limits.maxRows) + " data rows.");

    // "data row 3, column 2 ("Pinus")": where a cell is, as a user finds it in the table.
    const auto where = [&](int row, int column) {
        std::string text = "data row " + std::to_string(row) + ", column " + std::to_string(column);
        if (column >= 0 && static_cast<std::size_t>(column) < names.size() && column <= n)
            text += " (" + Shown(names[static_cast<std::size_t>(column)]) + ")";
        return text;
    };
    const auto notANumber = [&](int row, int column, const std::string& text) {
        return "The value in " + where(row, column) + " is not a number: " + Shown(text) + ".";
    };
    const auto outOfRange = [&](int row, int column, const std::string& text) {
        return "The value in " + where(row, column) +
               " is beyond the range of numbers: " + Shown(text) + ".";
    };
    const auto readFailure = [&](int row, int column) {
        if (reader.CellTooLong())
            return Failure(TableStatus::FormatError,
                           CellTooLongReason("The cell in " + where(row, column)));
        return Failure(TableStatus::FormatError, "The file ends inside data row " +
                                                     std::to_string(row) + ": column " +
                                                     std::to_string(column) + " is missing.");
    };

    DataTable table;
    table.textLabels = textLabels;
    table.columnCount = n;
    table.columnNames.assign(names.begin(), names.begin() + n + 1);
    table.rowLabels.emplace_back();
    table.rowLabels.push_back(names[static_cast<std::size_t>(n) + 1]);

    std::vector<double> firstRow(static_cast<std::size_t>(n) + 1, 0.0);
    const int lastBuffered = textLabels ? 2 * n + 1 : 2 * n;
    for (int p = n + 2; p <= lastBuffered; ++p) {
        const std::string& text = names[static_cast<std::size_t>(p)];
        if (!StrictVal(text, firstRow[static_cast<std::size_t>(p - n - 1)])) {
            const int column = p - n - 1;
            if (text.empty())
                return Failure(TableStatus::FormatError,
                               "The cell in " + where(1, column) + " is empty.");
            return Failure(TableStatus::FormatError, std::isfinite(Val(text))
                                                         ? notANumber(1, column, text)
                                                         : outOfRange(1, column, text));
        }
    }
    if (!textLabels) {
        // An empty cell here would read as 0 and pass silently, although an empty cell
        // anywhere else in the first row fails.
        if (!reader.ReadCell(cell)) return readFailure(1, n);
        if (cell.empty())
            return Failure(TableStatus::FormatError, "The cell in " + where(1, n) + " is empty.");
        double& last = firstRow[static_cast<std::size_t>(n)];
        if (!StrictVal(cell, last)) {
            last = Val(cell);
            table.looseCells.emplace_back(1, n);
        }
        if (!std::isfinite(firstRow[static_cast<std::size_t>(n)]))
            return Failure(TableStatus::FormatError, outOfRange(1, n, cell));
    }

    // Sizing the matrix from the cells still to come lets the rows go straight into it; a
    // well-formed table fills it exactly, anything else fails before overrunning it.
    const std::size_t stride = static_cast<std::size_t>(n) + 1;
    const std::size_t cellsAhead = reader.CountCellsLeft() + (textLabels ? 1 : 0);
    const std::size_t rowsAhead = (cellsAhead + stride - 1) / stride;
    const int capacity = static_cast<int>(
        std::min<std::size_t>(1 + rowsAhead, static_cast<std::size_t>(limits.maxRows)));
    table.values.resize(capacity, n);
    std::copy(firstRow.begin(), firstRow.end(), table.values.row(1));
    table.rowCount = 1;

    std::string reason;
    const auto readValues = [&]() {
        const int r = table.rowCount + 1;
        if (table.rowCount >= table.values.rows()) {
            reason =
                "The file ends inside data row " + std::to_string(r) + ": column 1 is missing.";
            return TableStatus::FormatError;
        }
        double* row = table.values.row(r);
        for (int j = 1; j <= n; ++j) {
            if (!reader.ReadCell(cell)) {
                reason = readFailure(r, j).reason;
                return TableStatus::FormatError;
            }
            if (cell.empty()) {
                reason = "The cell in " + where(r, j) + " is empty.";
                return TableStatus::BlankCell;
            }
            // A plain number reads the same either way; only what is not one is noted.
            if (!StrictVal(cell, row[j])) {
                row[j] = Val(cell);
                table.looseCells.emplace_back(r, j);
            }
            if (!std::isfinite(row[j])) {
                reason = outOfRange(r, j, cell);
                return TableStatus::FormatError;
            }
        }
        ++table.rowCount;
        return TableStatus::Ok;
    };
    const auto tooManyRows = [&]() {
        return Failure(TableStatus::TooManyRows, "Data row " + std::to_string(limits.maxRows + 1) +
                                                     " is beyond the limit of " +
                                                     std::to_string(limits.maxRows) +
                                                     " data rows.");
    };

    // With text labels the second row's label is already in the buffer, so that row has
    // begun even if the file ends right after it, and it must be complete.
    if (textLabels) {
        if (table.rowCount >= limits.maxRows) return tooManyRows();
        table.rowLabels.push_back(names[static_cast<std::size_t>(2 * n + 2)]);
        const TableStatus status = readValues();
        if (status != TableStatus::Ok) return Failure(status, reason);
    }
    while (reader.HasMore()) {
        if (table.rowCount >= limits.maxRows) return tooManyRows();
        if (!reader.ReadCell(cell))
            return Failure(TableStatus::FormatError,
                           reader.CellTooLong()
                               ? CellTooLongReason("The row label of data row " +
                                                   std::to_string(table.rowCount + 1))
                               : std::string());
        double label = 0;
        if (textLabels) {
            table.rowLabels.push_back(cell);
        } else if (StrictVal(cell, label)) {
            table.rowLabels.push_back(FormatNumber(label));
        } else if (!std::isfinite(Val(cell))) {
            return Failure(TableStatus::FormatError,
                           "The row label of data row " + std::to_string(table.rowCount + 1) +
                               " is beyond the range of numbers: " + Shown(cell) + ".");
        } else {
            // A label that only starts with a number ("12a", "ACH1" as 0) would lose its
            // text and could pass for another site's label; it stays as written.
            table.textLabelRows.push_back(table.rowCount + 1);
            table.rowLabels.push_back(cell);
        }
        const TableStatus status = readValues();
        if (status != TableStatus::Ok) return Failure(status, reason);
    }

    if (table.rowCount < table.values.rows()) table.values.resizePreserve(table.rowCount, n);
    TableReadResult result;
    result.status = TableStatus::Ok;
    result.table = std::move(table);
    return result;
}

}  // namespace

TableReadResult ReadDataTable(CellReader& reader, const TableLimits& limits)
{
    LooseHeaderNumber loose;
    TableReadResult result = ReadTable(reader, limits, loose);
    if (result.status != TableStatus::Ok && loose.cell > 0) {
        std::string reason =
            "Cell " + std::to_string(loose.cell) + " of the table (counted along the lines), " +
            Shown(loose.text) + ", is a number not in its shortest form (" +
            FormatNumber(loose.value) +
            "), so it was taken for a column name and the header ran on to "
            "the first number in its shortest form, cell " +
            std::to_string(loose.firstNumberCell) + " (" + Shown(loose.firstNumber) + ").";
        if (!result.reason.empty()) reason += " Read that way: " + result.reason;
        result.reason = std::move(reason);
    }
    return result;
}

TableReadResult ReadDataTableFile(const std::string& path, const TableLimits& limits)
{
    std::string content, reason;
    InputDigest input;
    if (!ReadInputFile(path, content, reason, &input))
        return Failure(TableStatus::FormatError, reason);
    CellReader reader(std::move(content));
    TableReadResult result = ReadDataTable(reader, limits);
    result.input = std::move(input);
    return result;
}

std::vector<std::string> TableFailureMessages(TableStatus status)
{
    std::vector<std::string> messages;
    if (status == TableStatus::Utf16) return {kUtf16Message};
    if (status == TableStatus::BlankCell) messages.push_back(kBlankCellMessage);
    messages.push_back(kFormatErrorMessage);
    return messages;
}

}  // namespace tarvex
