#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Matrix.h"
#include "data/InputFile.h"

namespace tarvex {

inline constexpr const char* kFormatErrorMessage =
    "Format error. (Does the table contain site labels?  Isn't there any empty cell in the data "
    "field?  Doesn't any cell contain comma?  Doesn't any cell out of the data field contain "
    "space?)";
inline constexpr const char* kBlankCellMessage = "Blanc cell detected.";
inline constexpr const char* kUtf16Message =
    "The file is UTF-16 text, which the table format cannot read: save it as UTF-8 text.";

// Why bytes meant as a table are UTF-16 text, in a sentence; empty when they are not. Such a
// file starts with the UTF-16 byte order mark or holds NUL bytes (one beside every ASCII
// character), which no text table of ours has: read byte by byte it would give cells full
// of NULs, a header the layout detection cannot find, or worse a table of wrong numbers.
std::string Utf16Reason(std::string_view bytes);

// A cell's text as a message quotes it: the first 40 bytes, control characters as '?', and
// "..." where it was cut; never a long or odd text whole.
std::string CellTextForMessage(const std::string& text);

// Reads a comma-separated text as one flat sequence of cells, left to right and top to
// bottom. Line ends (CR, LF or CRLF) separate cells exactly as commas do; the reader never
// counts lines, so a table's shape comes only from its header.
//
// How a cell is read:
//  * spaces and tabs before the text are skipped; those after the text of an unquoted cell
//    are dropped too, so "a , b" gives "a" and "b";
//  * a cell whose first character is a double quote runs to the closing quote; commas and
//    line ends inside belong to the text, a doubled quote ("") stands for one quote, and
//    anything between the closing quote and the next separator is dropped;
//  * a quote that is never closed takes the rest of the file as the cell's text;
//  * a quote inside an unquoted cell is an ordinary character (ab"c reads as ab"c);
//  * every other byte, NUL and control characters included, is part of the text;
//  * a UTF-8 byte order mark at the very start is not part of the first cell.
//
// A cell longer than kMaxCellBytes ends the reading: no table has a label or value that
// long, and copying such a text around would take several times the file's size in memory.
class CellReader {
public:
    static constexpr std::size_t kMaxCellBytes = 1 << 20;

    explicit CellReader(std::string content);

    // The whole file in one go, read as ReadInputFile reads it; nullopt when it cannot be
    // opened or read, with the reason (missing, a folder, unreadable, too large) in reason
    // when given.
    static std::optional<CellReader> OpenFile(const std::string& path,
                                              std::string* reason = nullptr);

    // Reads the next cell into cell. False, with cell cleared, when nothing is left to read
    // or the next cell is longer than kMaxCellBytes (CellTooLong() tells which).
    bool ReadCell(std::string& cell);
    bool CellTooLong() const { return cellTooLong_; }

    // Whether unread characters remain after the last cell and its separator. A file that
    // ends with one line end after its last cell has none left; a blank line at the end does.
    bool HasMore() const { return pos_ < content_.size(); }

    // How many cells ReadCell would still return; lets a caller size its buffers once.
    std::size_t CountCellsLeft() const;

    // Every byte given, read or not.
    const std::string& Content() const { return content_; }

private:
    // Reads the cell starting at pos (its text into cell when given) and returns the position
    // after its separator. The one place that knows how cells are delimited.
    // tooLong, when given, is set for a cell longer than kMaxCellBytes, whose text is then cut.
    std::size_t ScanCell(std::size_t pos, std::string* cell, bool* tooLong = nullptr) const;

    std::string content_;
    std::size_t pos_ = 0;
    bool cellTooLong_ = false;
};

enum class TableStatus { Ok, BlankCell, FormatError, TooManyRows, Utf16 };

// The messages an import shows for a table it could not read: the blank-cell note when
// that was the cause, then the format error; for UTF-16 text only kUtf16Message, as the
// format error's questions about the table's layout would lead the user astray.
std::vector<std::string> TableFailureMessages(TableStatus status);

struct DataTable {
    bool textLabels = false;
    int columnCount = 0;  // n: taxa or climate parameters
    int rowCount = 0;
    std::vector<std::string> columnNames;  // [0..n], [0] = corner cell
    std::vector<std::string> rowLabels;    // [0..rowCount], [0] = ""
    Matrix<double> values;                 // [0..rowCount, 0..n], row 0 and column 0 zero
    // Value cells that are not plain numbers and were read by their leading number (a text
    // cell as 0), as (row, column) in reading order. The values above are what the grammar
    // makes of them; this list only lets an import tell the user.
    std::vector<std::pair<int, int>> looseCells;
    // Rows of a table labelled by numbers whose label cell is not a number: the label is kept
    // as written (a site "ACH1" among sites 1, 2, ...), and this list lets an import say so.
    std::vector<int> textLabelRows;
};

// Sizes of the reading buffers. The layout detection keeps header cells up to position
// 2c - 4 in the name buffer, so with the default 1001 cells a table holds at most 499 columns
// with text row labels and 500 with number row labels.
struct TableLimits {
    int nameBufferCells = 1001;  // positions 0..1000 of the detection and name buffer
    int maxRows = 9999;          // data rows
    int maxColumns = 1000;       // value columns (the row buffer has one more for the label)
};

struct TableReadResult {
    TableStatus status = TableStatus::FormatError;
    DataTable table;  // filled only when status == Ok
    // Why a read failed, in a sentence for the user: what limit or cell, and where (data rows
    // and value columns counted from 1). The windows keep their own messages; this is for
    // those who can show more, such as the batch program.
    std::string reason;
    // The bytes read from the file (by ReadDataTableFile): the digest of exactly what the
    // table was read from.
    InputDigest input;
};

// Reads a table of row labels by columns. The header (corner cell, column names) ends at the
// first cell that passes the number test; whether rows carry text or number labels is read
// off the cell at position 2c - 4. Values of the first row must read strictly, later ones are
// read by Val (a text value counts as 0, an empty one is BlankCell). Number labels are kept as
// the canonical text of their value ("007" -> "7"); a label cell that is not a number keeps its
// text (textLabelRows). TooManyRows means a further row starts after limits.maxRows rows;
// Utf16 that the bytes are UTF-16 text (Utf16Reason); every other failure, a buffer exceeded
// included, is FormatError.
TableReadResult ReadDataTable(CellReader& reader, const TableLimits& limits = {});

// The same for a file, read once whole (ReadInputFile); a file that cannot be read is a
// FormatError.
TableReadResult ReadDataTableFile(const std::string& path, const TableLimits& limits = {});

}  // namespace tarvex
