#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data/TableReader.h"

namespace tarvex {
namespace {

using namespace std::string_literals;

// Every cell of a content and whether unread characters remained after it.
struct CellTrace {
    std::vector<std::string> cells;
    std::vector<bool> more;
};

CellTrace ReadAll(std::string content)
{
    CellReader reader(std::move(content));
    CellTrace trace;
    std::string cell;
    while (reader.ReadCell(cell)) {
        trace.cells.push_back(cell);
        trace.more.push_back(reader.HasMore());
    }
    EXPECT_TRUE(cell.empty());
    return trace;
}

TEST(CellReader, SplitsCells)
{
    const struct {
        std::string content;
        std::vector<std::string> cells;
        std::vector<bool> more;
    } cases[] = {
        {"a,b\nc", {"a", "b", "c"}, {true, true, false}},
        {"a,b\r\nc\rd\n", {"a", "b", "c", "d"}, {true, true, true, false}},
        {"a\n\n", {"a", ""}, {true, false}},  // a blank last line is one more cell
        {",,", {"", ""}, {true, false}},
        {"  a  ,\t b c \n", {"a", "b c"}, {true, false}},
        {"\"x, y\",z", {"x, y", "z"}, {true, false}},
        {" \"a\nb\" junk,c", {"a\nb", "c"}, {true, false}},
        {"\"say \"\"hi\"\"\",\"\"", {"say \"hi\"", ""}, {true, false}},
        {"ab\"c,d", {"ab\"c", "d"}, {true, false}},
        {"\" padded \"", {" padded "}, {false}},
        {"\"open,\nto the end", {"open,\nto the end"}, {false}},
        {"a\0b,\x01\xff"s, {"a\0b"s, "\x01\xff"}, {true, false}},
        {"\xEF\xBB\xBF"
         "corner,t",
         {"corner", "t"},
         {true, false}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        const CellTrace trace = ReadAll(c.content);
        EXPECT_EQ(trace.cells, c.cells) << c.content;
        EXPECT_EQ(trace.more, c.more) << c.content;
    }
}

TableReadResult Read(const std::string& content, const TableLimits& limits = {})
{
    CellReader reader(content);
    return ReadDataTable(reader, limits);
}

TEST(TableReader, ReadsTextAndNumberLabelledTables)
{
    const TableReadResult text = Read(",t1,t2,t3\nA,1,2,3\nB,4,5,6\nC,7,8.5,9\n");
    ASSERT_EQ(text.status, TableStatus::Ok);
    EXPECT_TRUE(text.table.textLabels);
    EXPECT_EQ(text.table.columnCount, 3);
    EXPECT_EQ(text.table.rowCount, 3);
    EXPECT_EQ(text.table.columnNames, (std::vector<std::string>{"", "t1", "t2", "t3"}));
    EXPECT_EQ(text.table.rowLabels, (std::vector<std::string>{"", "A", "B", "C"}));
    ASSERT_EQ(text.table.values.rows(), 3);
    ASSERT_EQ(text.table.values.cols(), 3);
    EXPECT_EQ(text.table.values(1, 1), 1);
    EXPECT_EQ(text.table.values(2, 3), 6);
    EXPECT_EQ(text.table.values(3, 2), 8.5);
    EXPECT_EQ(text.table.values(0, 2), 0);
    EXPECT_EQ(text.table.values(2, 0), 0);

    const TableReadResult number = Read("site,t1,t2,t3\r\n1,1,2,3\r\n2,4,5,6\r\n007,7,8,9\r\n");
    ASSERT_EQ(number.status, TableStatus::Ok);
    EXPECT_FALSE(number.table.textLabels);
    EXPECT_EQ(number.table.columnCount, 3);
    EXPECT_EQ(number.table.columnNames[0], "site");
    EXPECT_EQ(number.table.rowLabels, (std::vector<std::string>{"", "1", "2", "7"}));
    EXPECT_EQ(number.table.values(1, 3), 3);
    EXPECT_EQ(number.table.values(3, 1), 7);
}

TEST(TableReader, NumberLabelsKeepATextLabelAsWritten)
{
    // "ACH1" and "12a" only start like numbers (0 and 12) and would pass for sites 0 and 12;
    // "007" and " 5.0" are numbers written otherwise and keep the number rule.
    const TableReadResult r =
        Read(",t1,t2\n1,1,2\n007,3,4\nACH1,5,6\n12a,7,8\n\" 5.0\",9,9\n,1,1\n");
    ASSERT_EQ(r.status, TableStatus::Ok) << r.reason;
    EXPECT_FALSE(r.table.textLabels);
    EXPECT_EQ(r.table.rowLabels, (std::vector<std::string>{"", "1", "7", "ACH1", "12a", "5", ""}));
    EXPECT_EQ(r.table.textLabelRows, (std::vector<int>{3, 4, 6}));
    EXPECT_EQ(r.table.values(3, 2), 6);
    // A label that is a number beyond any double is still refused, not kept as text.
    const TableReadResult huge = Read(",t1\n1,1\n1e999x,2\n");
    EXPECT_EQ(huge.status, TableStatus::FormatError);
    EXPECT_NE(huge.reason.find("row label of data row 2"), std::string::npos) << huge.reason;
    // Text labels are never noted, whatever they look like.
    EXPECT_TRUE(Read(",t1\nA,1\n12a,2\n").table.textLabelRows.empty());
}

TEST(TableReader, RefusesUtf16)
{
    const std::string table = ",a,b\r\nA,1,2\r\nB,3,4\r\n";
    std::string le, be;
    for (const char c : table) {
        le += std::string{c, '\0'};
        be += std::string{'\0', c};
    }
    const struct {
        const char* name;
        std::string content;
        const char* reason;
    } cases[] = {
        {"little-endian with mark", "\xFF\xFE"s + le, "byte order mark FF FE"},
        {"big-endian with mark", "\xFE\xFF"s + be, "byte order mark FE FF"},
        {"little-endian without mark", le, "Byte 2 is a NUL byte"},
        {"big-endian without mark", be, "Byte 1 is a NUL byte"},
        {"mark alone", "\xFF\xFE", "byte order mark FF FE"},
    };
    for (const auto& c : cases) {
        const TableReadResult r = Read(c.content);
        EXPECT_EQ(r.status, TableStatus::Utf16) << c.name;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.name << ": " << r.reason;
    }
    EXPECT_EQ(TableFailureMessages(TableStatus::Utf16), std::vector<std::string>{kUtf16Message});
    // UTF-8, with or without its mark, and bytes above 127 are text as before.
    EXPECT_EQ(Read("\xEF\xBB\xBF" + table).status, TableStatus::Ok);
    EXPECT_EQ(Read(",\xC3\xA9t\xE9,b\nA,1,2\nB,3,4\n").status, TableStatus::Ok);
    EXPECT_EQ(Utf16Reason("\xFF"), "");
}

TEST(TableReader, Outcomes)
{
    const struct {
        const char* name;
        std::string content;
        TableStatus status;
        int rows;
    } cases[] = {
        {"blank value in row 3", ",a,b\nA,1,2\nB,3,4\nC,,6\n", TableStatus::BlankCell, 0},
        {"blank value in row 2", ",a,b\n1,1,2\n2,3, \n", TableStatus::BlankCell, 0},
        {"blank value in row 1", ",a,b\nA,,2\nB,3,4\n", TableStatus::FormatError, 0},
        {"blank last value in row 1", ",a,b\n1,1,\n2,3,4\n", TableStatus::FormatError, 0},
        {"text value in row 1", ",a,b\nA,1,x\nB,3,4\n", TableStatus::FormatError, 0},
        {"text value in row 2 reads 0", ",a,b\nA,1,2\nB,x,4\n", TableStatus::Ok, 2},
        {"row 1 values read strictly", ",a,b\nA,1,2.50\nB,3,4\n", TableStatus::Ok, 2},
        {"single text-labelled row", ",a,b\nA,1,2\n", TableStatus::FormatError, 0},
        {"single number-labelled row", ",a,b\n1,1,2\n", TableStatus::Ok, 1},
        {"single column, number labels", ",a\n1,5\n2,6\n", TableStatus::Ok, 2},
        {"single column, text labels", ",a\nA,5\nB,6\n", TableStatus::Ok, 2},
        {"trailing blank line", ",a,b\n1,1,2\n2,3,4\n\n", TableStatus::FormatError, 0},
        {"short last row", ",a,b\n1,1,2\n2,3\n", TableStatus::FormatError, 0},
        {"text table ends after a label", ",a,b\nA,1,2\nB", TableStatus::FormatError, 0},
        {"text table ends in a blank line", ",a,b\nA,1,2\n\n", TableStatus::FormatError, 0},
        {"no number at all", ",a,b\nA,B,C\n", TableStatus::FormatError, 0},
        {"one cell before the number", "x,5\n6,7\n", TableStatus::FormatError, 0},
        {"first cell a number", "5\n", TableStatus::FormatError, 0},
        {"empty file", "", TableStatus::FormatError, 0},
        {"value out of range", ",a,b\n1,1,2\n2,3,1e999\n", TableStatus::FormatError, 0},
        {"quoted comma in a name", ",\"a,b\",c\n1,1,2\n2,3,4\n", TableStatus::Ok, 2},
        {"unterminated quote", ",a,b\n1,1,2\n\"2,3,4\n", TableStatus::FormatError, 0},
        {"binary bytes", ",a\x7f,b\n1,1,2\n\x02\xfe,3\x01,4\n"s, TableStatus::Ok, 2},
        {"a NUL byte", ",a\0,b\n1,1,2\n2,3,4\n"s, TableStatus::Utf16, 0},
    };
    for (const auto& c : cases) {
        const TableReadResult result = Read(c.content);
        EXPECT_EQ(result.status, c.status) << c.name;
        if (result.status == TableStatus::Ok) {
            EXPECT_EQ(result.table.rowCount, c.rows) << c.name;
        }
    }
}

std::string Table(int columns, int rows, bool textLabels)
{
    std::string content = "corner";
    for (int j = 1; j <= columns; ++j) content += ",t" + std::to_string(j);
    content += "\r\n";
    for (int i = 1; i <= rows; ++i) {
        content += textLabels ? "S" + std::to_string(i) : std::to_string(i);
        for (int j = 1; j <= columns; ++j) content += "," + std::to_string((i + j) % 97);
        content += "\r\n";
    }
    return content;
}

TEST(TableReader, BufferLimits)
{
    const struct {
        int columns, rows;
        bool textLabels;
        TableStatus status;
    } cases[] = {
        {499, 3, true, TableStatus::Ok},
        {500, 3, true, TableStatus::FormatError},
        {500, 3, false, TableStatus::Ok},
        {501, 3, false, TableStatus::FormatError},
        {501, 3, true, TableStatus::FormatError},
        {3, 9999, false, TableStatus::Ok},
        {3, 10000, false, TableStatus::TooManyRows},
        {3, 10000, true, TableStatus::TooManyRows},
    };
    for (const auto& c : cases) {
        const TableReadResult result = Read(Table(c.columns, c.rows, c.textLabels));
        EXPECT_EQ(result.status, c.status) << c.columns << " x " << c.rows;
        if (result.status == TableStatus::Ok) {
            EXPECT_EQ(result.table.columnCount, c.columns);
            EXPECT_EQ(result.table.rowCount, c.rows);
            EXPECT_EQ(result.table.values(c.rows, c.columns), (c.rows + c.columns) % 97);
        }
    }

    TableLimits fewSites;
    fewSites.maxRows = 2;
    EXPECT_EQ(Read(Table(3, 2, true), fewSites).status, TableStatus::Ok);
    EXPECT_EQ(Read(Table(3, 3, true), fewSites).status, TableStatus::TooManyRows);
}

TEST(TableReader, ReadsFiles)
{
    const std::string path = ::testing::TempDir() + "tarvex_table_reader_test.csv";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\"\",Pinus,Quercus\r\n\"Lake A\",12.5,3\r\n\"Bog, B\",0,1\r\n";
    }
    const TableReadResult result = ReadDataTableFile(path);
    std::remove(path.c_str());
    ASSERT_EQ(result.status, TableStatus::Ok);
    EXPECT_EQ(result.table.rowLabels, (std::vector<std::string>{"", "Lake A", "Bog, B"}));
    EXPECT_EQ(result.table.values(1, 1), 12.5);

    EXPECT_FALSE(CellReader::OpenFile(path).has_value());
    EXPECT_EQ(ReadDataTableFile(path).status, TableStatus::FormatError);
    EXPECT_EQ(ReadDataTableFile(::testing::TempDir()).status, TableStatus::FormatError);
}

TEST(TableReader, LargestTableReadsQuickly)
{
    const std::string content = Table(500, 9999, false);
    const auto start = std::chrono::steady_clock::now();
    const TableReadResult result = Read(content);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(result.status, TableStatus::Ok);
    EXPECT_EQ(result.table.rowCount, 9999);
    EXPECT_EQ(result.table.values(9999, 500), (9999 + 500) % 97);
    // Generous enough for unoptimised and sanitizer builds; quadratic work would take minutes.
    EXPECT_LT(seconds, 20.0);
}

}  // namespace
}  // namespace tarvex
