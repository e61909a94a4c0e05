#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/FossilImport.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "data/ValueRange.h"
#include "mat/ClimateImport.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

std::string Table(int rows, int columns)
{
    std::string text;
    for (int j = 1; j <= columns; ++j) text += ",t" + std::to_string(j);
    text += "\n";
    for (int i = 1; i <= rows; ++i) {
        text += "s" + std::to_string(i);
        for (int j = 1; j <= columns; ++j) text += ",1";
        text += "\n";
    }
    return text;
}

// Each failure says what and where; the status, which decides the windows' messages, stays
// what it was.
TEST(TableLimitsTest, FailuresCarryTheirReason)
{
    const struct {
        const char* name;
        std::string content;
        TableStatus status;
        const char* reason;
    } cases[] = {
        {"empty", "", TableStatus::FormatError, "The file is empty."},
        {"no number", ",a,b\nx,y,z\n", TableStatus::FormatError,
         "The file ends before its first number: the table has no values."},
        {"text in the first row", ",a,b,c\nA,1,x,3\nB,1,2,3\n", TableStatus::FormatError,
         "The value in data row 1, column 2 (\"b\") is not a number: \"x\"."},
        {"empty in the first row", ",a,b,c\nA,1,,3\nB,1,2,3\n", TableStatus::FormatError,
         "The cell in data row 1, column 2 (\"b\") is empty."},
        {"blank later", ",a,b\nA,1,2\nB,1,2\nC,,2\n", TableStatus::BlankCell,
         "The cell in data row 3, column 1 (\"a\") is empty."},
        {"beyond double", ",a,b\nA,1,2\nB,1,1e999\n", TableStatus::FormatError,
         "The value in data row 2, column 2 (\"b\") is beyond the range of numbers: \"1e999\"."},
        {"short last row", ",a,b,c\nA,1,2,3\nB,1,2\n", TableStatus::FormatError,
         "The file ends inside data row 2: column 3 is missing."},
        {"number label beyond double", ",a\n1,1\n2,2\n1e999,3\n", TableStatus::FormatError,
         "The row label of data row 3 is beyond the range of numbers: \"1e999\"."},
        {"rows", Table(10000, 2), TableStatus::TooManyRows,
         "Data row 10000 is beyond the limit of 9999 data rows."},
        {"columns", Table(2, 500), TableStatus::FormatError,
         "Too many columns: the first number is cell 503, so the table has 500 value columns "
         "with text row labels (501 with number row labels); at most 499 value columns fit "
         "with text row labels, 500 with number row labels."},
        {"header without end", Table(0, 1001), TableStatus::FormatError,
         "Too many columns: none of the first 1001 cells is a number, so the header is wider "
         "than a table may be (at most 499 value columns fit with text row labels, 500 with "
         "number row labels)."},
        {"long label", "\"" + std::string(CellReader::kMaxCellBytes + 1, 'x') + "\",a\nx,1\n",
         TableStatus::FormatError,
         "Cell 1 of the table (counted along the lines) is longer than 1048576 bytes (1 MB), "
         "the limit for one cell."},
        {"long value", ",a\nx,1\ny," + std::string(CellReader::kMaxCellBytes + 1, '1') + "\n",
         TableStatus::FormatError,
         "The cell in data row 2, column 1 (\"a\") is longer than 1048576 bytes (1 MB), the "
         "limit for one cell."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CellReader reader(c.content);
        const TableReadResult read = ReadDataTable(reader);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.reason, c.reason);
    }
    // At the limits themselves the tables read.
    for (const std::string& content : {Table(9999, 2), Table(2, 499)}) {
        CellReader reader(content);
        const TableReadResult read = ReadDataTable(reader);
        EXPECT_EQ(read.status, TableStatus::Ok);
        EXPECT_TRUE(read.reason.empty());
    }
}

TEST(TableLimitsTest, CellsUpToTheLimitReadWhole)
{
    const std::string label(CellReader::kMaxCellBytes, 'q');
    CellReader reader("\"" + label + "\",a\nx,1\ny,2\n");
    const TableReadResult read = ReadDataTable(reader);
    ASSERT_EQ(read.status, TableStatus::Ok) << read.reason;
    EXPECT_EQ(read.table.columnNames[0], label);
}

TEST(TableLimitsTest, FilesThatCannotBeReadSayWhy)
{
    const std::string dir = TempPath("table-limits-folder");
    std::filesystem::create_directories(dir);
    EXPECT_EQ(ReadDataTableFile(dir).reason, "It is a folder, not a file.");
    EXPECT_EQ(ReadDataTableFile(dir + "/none.csv").reason, "The file does not exist.");
}

// A value the analysis cannot take is refused by every import before anything is stored, with
// one message the windows and the batch program both show.
TEST(TableLimitsTest, ValuesTooLargeToAnalyseAreRefusedByEveryImport)
{
    const std::string tooLarge =
        "Value too large: data row 2, column 2 (\"Betula\") holds -1.6E+308. The analysis "
        "takes values up to 1E+15 in magnitude; larger ones would overflow its sums.";
    const std::string table =
        WriteTemp("limits_huge.csv", ",Pinus,Betula,Poaceae\nA,1,2,3\nB,1,-1.6E+308,3\n");
    Workspace ws;
    ImportOutcome reference = ImportReferenceTable(ws, table);
    EXPECT_FALSE(reference.ok);
    EXPECT_EQ(reference.messages, std::vector<std::string>{tooLarge});
    EXPECT_EQ(ws.refSiteCount, 0);
    EXPECT_TRUE(ws.refFileName.empty());

    Workspace analysed;
    analysed.refTaxonCount = analysed.taxonCount = 3;
    analysed.refSiteCount = 2;
    analysed.refSiteLabels = {"", "A", "B"};
    analysed.refTaxonNames = {"", "Pinus", "Betula", "Poaceae"};
    analysed.eofVectors.resize(4, 3);
    analysed.basisMeans.resize(4, 3);
    analysed.basisSDs.resize(4, 3);
    bool asked = false;
    const ImportOutcome fossil = ImportFossilTable(analysed, table, {}, [&](const std::string&) {
        asked = true;
        return true;
    });
    EXPECT_FALSE(fossil.ok);
    EXPECT_EQ(fossil.messages, std::vector<std::string>{tooLarge});
    EXPECT_FALSE(asked);
    EXPECT_EQ(analysed.fossilSampleCount, 0);

    const ImportOutcome climate = ImportClimateTable(analysed, table, {});
    EXPECT_FALSE(climate.ok);
    EXPECT_EQ(climate.messages, std::vector<std::string>{tooLarge});
    EXPECT_FALSE(analysed.climateLoaded);

    // The limit itself is a value like any other.
    const std::string edge = WriteTemp("limits_edge.csv", ",a,b\nA,1,1E+15\nB,-1E+15,1\n");
    Workspace fresh;
    EXPECT_TRUE(ImportReferenceTable(fresh, edge).ok);
}

}  // namespace
}  // namespace tarvex
