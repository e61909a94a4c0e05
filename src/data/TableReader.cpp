#include "data/TableReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

TableReadResult Failure(TableStatus status)
{
    TableReadResult result;
    result.status = status;
    return result;
}

}  // namespace

CellReader::CellReader(std::string content) : content_(std::move(content))
{
    // Spreadsheets often write a byte order mark; it would otherwise stick to the corner cell.
    if (content_.compare(0, 3, kByteOrderMark) == 0) pos_ = 3;
}

std::optional<CellReader> CellReader::OpenFile(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::string content;
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) content.append(chunk, got);
    // A directory opens fine on some systems and only fails here.
    if (std::ferror(file.get())) return std::nullopt;
    return CellReader(std::move(content));
}

bool CellReader::ReadCell(std::string& cell)
{
    cell.clear();
    if (pos_ >= content_.size()) return false;
    pos_ = ScanCell(pos_, &cell);
    return true;
}

std::size_t CellReader::CountCellsLeft() const
{
    std::size_t count = 0;
    for (std::size_t pos = pos_; pos < content_.size(); pos = ScanCell(pos, nullptr)) ++count;
    return count;
}

std::size_t CellReader::ScanCell(std::size_t pos, std::string* cell) const
{
    const std::size_t size = content_.size();
    const char* data = content_.data();
    std::size_t i = pos;
    while (i < size && IsBlank(data[i])) ++i;

    if (i < size && data[i] == '"') {
        ++i;
        for (;;) {
            const void* found = std::memchr(data + i, '"', size - i);
            if (found == nullptr) {
                if (cell) cell->append(data + i, size - i);
                return size;
            }
            const std::size_t quote =
                static_cast<std::size_t>(static_cast<const char*>(found) - data);
            if (cell) cell->append(data + i, quote - i);
            i = quote + 1;
            if (i < size && data[i] == '"') {
                if (cell) cell->push_back('"');
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
        if (cell) cell->assign(data + start, end - start);
    }

    if (i < size) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            i += 2;
        else
            ++i;
    }
    return i;
}

TableReadResult ReadDataTable(CellReader& reader, const TableLimits& limits)
{
    std::vector<std::string> names;
    std::string cell;
    const auto bufferCell = [&]() {
        if (static_cast<long long>(names.size()) >= limits.nameBufferCells) return false;
        if (!reader.ReadCell(cell)) return false;
        names.push_back(cell);
        return true;
    };

    // Header detection: the first number ends the header; the cell at 2c - 4 is the second
    // row's label with text labels but a value of the first row with number labels.
    do {
        if (!bufferCell()) return Failure(TableStatus::FormatError);
    } while (!IsNumber(names.back()));
    const int c = static_cast<int>(names.size());
    const int probe = 2 * c - 4;
    if (probe < 0) return Failure(TableStatus::FormatError);
    while (static_cast<int>(names.size()) <= probe)
        if (!bufferCell()) return Failure(TableStatus::FormatError);
    const bool textLabels = !IsNumber(names[static_cast<std::size_t>(probe)]);
    const int n = textLabels ? c - 3 : c - 2;
    if (n <= 0 || n > limits.maxColumns) return Failure(TableStatus::FormatError);
    if (limits.maxRows < 1) return Failure(TableStatus::TooManyRows);

    DataTable table;
    table.textLabels = textLabels;
    table.columnCount = n;
    table.columnNames.assign(names.begin(), names.begin() + n + 1);
    table.rowLabels.emplace_back();
    table.rowLabels.push_back(names[static_cast<std::size_t>(n) + 1]);

    std::vector<double> firstRow(static_cast<std::size_t>(n) + 1, 0.0);
    const int lastBuffered = textLabels ? 2 * n + 1 : 2 * n;
    for (int p = n + 2; p <= lastBuffered; ++p) {
        if (!StrictVal(names[static_cast<std::size_t>(p)],
                       firstRow[static_cast<std::size_t>(p - n - 1)]))
            return Failure(TableStatus::FormatError);
    }
    if (!textLabels) {
        // An empty cell here would read as 0 and pass silently, although an empty cell
        // anywhere else in the first row fails.
        if (!reader.ReadCell(cell) || cell.empty()) return Failure(TableStatus::FormatError);
        double& last = firstRow[static_cast<std::size_t>(n)];
        if (!StrictVal(cell, last)) {
            last = Val(cell);
            table.looseCells.emplace_back(1, n);
        }
        if (!std::isfinite(firstRow[static_cast<std::size_t>(n)]))
            return Failure(TableStatus::FormatError);
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

    const auto readValues = [&]() {
        if (table.rowCount >= table.values.rows()) return TableStatus::FormatError;
        double* row = table.values.row(table.rowCount + 1);
        for (int j = 1; j <= n; ++j) {
            if (!reader.ReadCell(cell)) return TableStatus::FormatError;
            if (cell.empty()) return TableStatus::BlankCell;
            // A plain number reads the same either way; only what is not one is noted.
            if (!StrictVal(cell, row[j])) {
                row[j] = Val(cell);
                table.looseCells.emplace_back(table.rowCount + 1, j);
            }
            if (!std::isfinite(row[j])) return TableStatus::FormatError;
        }
        ++table.rowCount;
        return TableStatus::Ok;
    };

    // With text labels the second row's label is already in the buffer, so that row has
    // begun even if the file ends right after it, and it must be complete.
    if (textLabels) {
        if (table.rowCount >= limits.maxRows) return Failure(TableStatus::TooManyRows);
        table.rowLabels.push_back(names[static_cast<std::size_t>(2 * n + 2)]);
        const TableStatus status = readValues();
        if (status != TableStatus::Ok) return Failure(status);
    }
    while (reader.HasMore()) {
        if (table.rowCount >= limits.maxRows) return Failure(TableStatus::TooManyRows);
        if (!reader.ReadCell(cell)) return Failure(TableStatus::FormatError);
        if (textLabels) {
            table.rowLabels.push_back(cell);
        } else {
            const double label = Val(cell);
            if (!std::isfinite(label)) return Failure(TableStatus::FormatError);
            table.rowLabels.push_back(FormatNumber(label));
        }
        const TableStatus status = readValues();
        if (status != TableStatus::Ok) return Failure(status);
    }

    if (table.rowCount < table.values.rows()) table.values.resizePreserve(table.rowCount, n);
    TableReadResult result;
    result.status = TableStatus::Ok;
    result.table = std::move(table);
    return result;
}

TableReadResult ReadDataTableFile(const std::string& path, const TableLimits& limits)
{
    std::optional<CellReader> reader = CellReader::OpenFile(path);
    if (!reader) return Failure(TableStatus::FormatError);
    return ReadDataTable(*reader, limits);
}

std::vector<std::string> TableFailureMessages(TableStatus status)
{
    std::vector<std::string> messages;
    if (status == TableStatus::BlankCell) messages.push_back(kBlankCellMessage);
    messages.push_back(kFormatErrorMessage);
    return messages;
}

}  // namespace tarvex
