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

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSeparator(char c) { return c == ',' || c == '\n' || c == '\r'; }

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
    const std::size_t size = content_.size();
    if (pos_ >= size) return false;
    const char* data = content_.data();
    std::size_t i = pos_;
    while (i < size && IsBlank(data[i])) ++i;

    if (i < size && data[i] == '"') {
        ++i;
        for (;;) {
            const void* found = std::memchr(data + i, '"', size - i);
            if (found == nullptr) {
                cell.append(data + i, size - i);
                pos_ = size;
                return true;
            }
            const std::size_t quote = static_cast<std::size_t>(static_cast<const char*>(found) - data);
            cell.append(data + i, quote - i);
            i = quote + 1;
            if (i < size && data[i] == '"') {
                cell.push_back('"');
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
        cell.assign(data + start, end - start);
    }

    if (i < size) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') i += 2;
        else ++i;
    }
    pos_ = i;
    return true;
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

    DataTable table;
    table.textLabels = textLabels;
    table.columnCount = n;
    table.columnNames.assign(names.begin(), names.begin() + n + 1);
    table.rowLabels.emplace_back();
    // Rows are collected flat, with the zero column, and moved into the matrix once the row
    // count is known; growing the matrix row by row would copy it over and over.
    const std::size_t stride = static_cast<std::size_t>(n) + 1;
    std::vector<double> flat(stride, 0.0);

    if (limits.maxRows < 1) return Failure(TableStatus::TooManyRows);
    table.rowLabels.push_back(names[static_cast<std::size_t>(n) + 1]);
    flat.push_back(0.0);
    const int lastBuffered = textLabels ? 2 * n + 1 : 2 * n;
    for (int p = n + 2; p <= lastBuffered; ++p) {
        double value = 0;
        if (!StrictVal(names[static_cast<std::size_t>(p)], value))
            return Failure(TableStatus::FormatError);
        flat.push_back(value);
    }
    if (!textLabels) {
        // An empty cell here would read as 0 and pass silently, although an empty cell
        // anywhere else in the first row fails.
        if (!reader.ReadCell(cell) || cell.empty()) return Failure(TableStatus::FormatError);
        const double value = Val(cell);
        if (!std::isfinite(value)) return Failure(TableStatus::FormatError);
        flat.push_back(value);
    }
    table.rowCount = 1;

    const auto readValues = [&]() {
        flat.push_back(0.0);
        for (int j = 1; j <= n; ++j) {
            if (!reader.ReadCell(cell)) return TableStatus::FormatError;
            if (cell.empty()) return TableStatus::BlankCell;
            const double value = Val(cell);
            if (!std::isfinite(value)) return TableStatus::FormatError;
            flat.push_back(value);
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

    table.values.resize(table.rowCount, n);
    std::copy(flat.begin(), flat.end(), table.values.row(0));
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

}  // namespace tarvex
