#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "data/FossilImport.h"
#include "data/ReferenceImport.h"
#include "data/TableChecks.h"
#include "data/TableReader.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

DataTable Read(const std::string& text)
{
    CellReader reader(text);
    TableReadResult read = ReadDataTable(reader);
    EXPECT_EQ(read.status, TableStatus::Ok) << text;
    return read.table;
}

TEST(TableChecksTest, CleanTablesSayNothing)
{
    for (const char* text : {",a,b,c\nA,10,20,70\nB,5,5,90\nC,0,50,50\n",
                             ",a,b\n10,0.5,0.5\n20,0.25,0.75\n", ",a,b\nA,100,2\nB,12.50,1e1\n"}) {
        const DataTable t = Read(text);
        const TableCheckReport r = CheckTable(t);
        EXPECT_TRUE(r.Clean()) << text;
        EXPECT_TRUE(TableCheckLines(t, r, "reference", "x.csv").empty()) << text;
    }
    // The example sets the program ships with import without any finding.
    Workspace ws;
    const ImportOutcome outcome = ImportReferenceTable(ws, kExamples + "reference.csv");
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
}

TEST(TableChecksTest, EachFindingWithItsExamplesAndThePrescribedValuesKept)
{
    // Row B: a text cell (read as 0) and one read by its leading number; row C negative;
    // row D zeros; row E repeats A; totals 100 .. 2000 are more than ten times apart.
    const DataTable t =
        Read(",p,q,r\nA,10,20,70\nB,x,12ab,88\nC,-5,55,50\nD,0,0,0\nE,10,20,70\nF,1000,500,500\n");
    EXPECT_EQ(t.values(2, 1), 0.0);
    EXPECT_EQ(t.values(2, 2), 12.0);
    EXPECT_EQ(t.looseCells, (std::vector<std::pair<int, int>>{{2, 1}, {2, 2}}));
    const TableCheckReport r = CheckTable(t);
    EXPECT_EQ(r.negativeCells, (std::vector<std::pair<int, int>>{{3, 1}}));
    EXPECT_EQ(r.zeroRows, std::vector<int>{4});
    EXPECT_EQ(r.repeatedRows, (std::vector<std::pair<int, int>>{{5, 1}}));
    EXPECT_TRUE(r.mixedTotals);
    EXPECT_EQ(r.smallestTotal, 100);
    EXPECT_EQ(r.largestTotal, 2000);
    EXPECT_EQ(TableCheckLines(t, r, "reference", "f.csv"),
              (std::vector<std::string>{
                  "The reference table f.csv was imported as the table format reads it, but some "
                  "values need a look:",
                  "2 value cells are not a number and read as 0 (or as the number it starts "
                  "with): site B, p; site B, q",
                  "1 negative value: site C, p (-5)", "1 site with every value 0: D",
                  "1 site repeats an earlier site value for value: E = A",
                  "Row totals range from 100 to 2000, and 0 of 5 sites hold values that are "
                  "not whole numbers: counts and percentages may be mixed (\"Convert to % "
                  "values\" puts them on one footing)."}));
}

TEST(TableChecksTest, ListsAtMostThreeExamplesAndGroupsRepeats)
{
    // Three copies of one row and two of another: each copy names the first of its group.
    const DataTable t = Read(",a,b\nA,1,2\nB,3,4\nC,1,2\nD,3,4\nE,1,2\nF,-1,-2\nG,-3,-4\n");
    const TableCheckReport r = CheckTable(t);
    EXPECT_EQ(r.repeatedRows, (std::vector<std::pair<int, int>>{{3, 1}, {4, 2}, {5, 1}}));
    EXPECT_FALSE(r.mixedTotals);  // the negative rows have no positive total to compare
    const std::vector<std::string> lines = TableCheckLines(t, r, "reference", "r.csv");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "4 negative values: site F, a (-1); site F, b (-2); site G, a (-3); ...");
    EXPECT_EQ(lines[2], "3 sites repeat an earlier site value for value: C = A; D = B; E = A");
    EXPECT_EQ(TableCheckMessage(lines), lines[0] + "\n\n" + lines[1] + "\n" + lines[2]);
}

TEST(TableChecksTest, NumberLabelledFirstRowReadsItsLastValueLoosely)
{
    const DataTable t = Read(",a,b,c\n10,1,2,n/a\n20,1,2,3\n");
    EXPECT_EQ(t.values(1, 3), 0.0);
    EXPECT_EQ(t.looseCells, (std::vector<std::pair<int, int>>{{1, 3}}));
}

TEST(TableChecksTest, TextLabelsAmongNumberLabelsAndClimateFindings)
{
    // Labelled by numbers from its first row on; two labels are text, one value is text and
    // one negative, as temperatures are.
    const DataTable t = Read(",Tjan,Tjul\n1,-5,12\n2,warm,14\nLoch A,-2,inf\n4,-1,16\n\"\",3,4\n");
    EXPECT_EQ(t.rowLabels, (std::vector<std::string>{"", "1", "2", "Loch A", "4", ""}));
    const TableCheckReport climate = CheckClimateTable(t);
    EXPECT_TRUE(climate.negativeCells.empty());
    EXPECT_EQ(TableCheckLines(t, climate, "climate", "c.csv"),
              (std::vector<std::string>{
                  "The climate table c.csv was imported as the table format reads it, but some "
                  "values need a look:",
                  "2 value cells are not a number and read as 0 (or as the number it starts "
                  "with): site 2, Tjan; site Loch A, Tjul",
                  "2 site labels are text in a table labelled by numbers: \"Loch A\" (data row "
                  "3); \"\" (data row 5)"}));
    // The pollen tables' check names them too, as samples in a fossil table.
    EXPECT_EQ(CheckTable(t).textLabelRows, (std::vector<int>{3, 5}));
    EXPECT_EQ(TableCheckLines(t, CheckTable(t, false), "fossil", "f.csv")[2],
              "2 sample labels are text in a table labelled by numbers: \"Loch A\" (data row "
              "3); \"\" (data row 5)");
}

TEST(TableChecksTest, SwapLakesKeepTheirNames)
{
    const std::string path = SharedData("swap-rlgh/modern.csv");
    REQUIRE_SHARED_DATA(path);
    Workspace ws;
    const ImportOutcome outcome = ImportReferenceTable(ws, path);
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.checks.size(), 2u);
    EXPECT_EQ(outcome.checks[1],
              "125 site labels are text in a table labelled by numbers: \"ACH1\" (data row 43); "
              "\"ARR1\" (data row 44); \"ARTH1\" (data row 45); ...");
    EXPECT_FALSE(ws.refTextLabels);
    EXPECT_EQ(ws.refSiteLabels[1], "1.21");
    EXPECT_EQ(ws.refSiteLabels[43], "ACH1");
    // Every lake has a name of its own again; none reads "0".
    std::set<std::string> names(ws.refSiteLabels.begin() + 1, ws.refSiteLabels.end());
    EXPECT_EQ(names.size(), 167u);
    EXPECT_EQ(names.count("0"), 0u);
}

TEST(TableChecksTest, EmptyFossilSamplesAreExpectedNotFindings)
{
    // The example sequence has one sample without pollen, which the fossil import marks
    // empty; in a reference table such a site is a finding.
    Workspace ws;
    ASSERT_TRUE(ImportReferenceTable(ws, kExamples + "reference.csv").ok);
    const FossilReadOutcome read = ReadFossilTable(ws, kExamples + "fossil.csv");
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.checks.empty());
    const DataTable t = Read(",a,b\nA,1,2\nB,0,0\nC,3,4\n");
    EXPECT_TRUE(CheckTable(t, false).Clean());
    EXPECT_EQ(CheckTable(t).zeroRows, std::vector<int>{2});
}

TEST(TableChecksTest, NorthAmericanSetShowsItsMixtureAndTwinSites)
{
    const std::string path = testing::SharedData("north-american-pollen/modern.csv");
    REQUIRE_SHARED_DATA(path);
    Workspace ws;
    const ImportOutcome outcome = ImportReferenceTable(ws, path);
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.checks.size(), 3u);
    EXPECT_EQ(outcome.checks[1],
              "2 sites repeat an earlier site value for value: 2802 = 976; 2871 = 561");
    EXPECT_EQ(outcome.checks[2],
              "Row totals range from 20 to 25698, and 307 of 4759 sites hold values that are not "
              "whole numbers: counts and percentages may be mixed (\"Convert to % values\" puts "
              "them on one footing).");
}

}  // namespace
}  // namespace tarvex
