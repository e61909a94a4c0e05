#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "diagram/EofClimate.h"

namespace tarvex {
namespace {

// A workspace with the given score columns (one vector per EOF) and climate columns (one
// vector per parameter) over the same sites.
Workspace Make(const std::vector<std::vector<double>>& eofs,
               const std::vector<std::vector<double>>& params)
{
    Workspace ws;
    const int n = static_cast<int>(eofs.empty() ? params.at(0).size() : eofs.at(0).size());
    ws.refSiteCount = static_cast<int16_t>(n);
    ws.refTaxonCount = static_cast<int16_t>(eofs.size());
    ws.refScores.resize(n, static_cast<int>(eofs.size()));
    for (std::size_t e = 0; e < eofs.size(); ++e)
        for (int i = 1; i <= n; ++i) ws.refScores(i, static_cast<int>(e) + 1) = eofs[e][i - 1];
    ws.climateLoaded = true;
    ws.climateParamCount = static_cast<int16_t>(params.size());
    ws.climateParamNames.assign(params.size() + 1, "");
    ws.climateValues.resize(n, static_cast<int>(params.size()));
    for (std::size_t p = 0; p < params.size(); ++p)
        for (int i = 1; i <= n; ++i)
            ws.climateValues(i, static_cast<int>(p) + 1) = params[p][i - 1];
    return ws;
}

std::vector<double> Negated(std::vector<double> v)
{
    for (double& x : v) x = -x;
    return v;
}

TEST(EofClimateTest, IdenticalOppositeAndConstantColumns)
{
    // Their mean is exactly 1 and every square is exact in single precision.
    const std::vector<double> eof{-1.5, 0.25, 2, 3.75, -0.5, 2};
    const std::vector<double> flat(6, 12.5);
    const Workspace ws = Make({eof, flat}, {eof, Negated(eof), flat, {0, 0, 0, 0, 0, 0}});
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 1), 1.0f);
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 2), -1.0f);
    // No spread on either side gives 0, never a division by zero.
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 3), 0.0f);
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 4), 0.0f);
    EXPECT_EQ(CorrelateEofClimate(ws, 2, 1), 0.0f);
    // EOFs or parameters the workspace does not hold read nothing.
    EXPECT_EQ(CorrelateEofClimate(ws, 3, 1), 0.0f);
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 5), 0.0f);
    EXPECT_EQ(CorrelateEofClimate(ws, 0, 1), 0.0f);
}

TEST(EofClimateTest, KnownCoefficient)
{
    // x = 1..5, y = 2, 1, 4, 3, 5: Sxy = 8, Sxx = Syy = 10, so r = 0.8.
    const Workspace ws = Make({{1, 2, 3, 4, 5}}, {{2, 1, 4, 3, 5}});
    EXPECT_FLOAT_EQ(CorrelateEofClimate(ws, 1, 1), 0.8f);
}

TEST(EofClimateTest, SumsOfSquaresRunInSinglePrecisionInSiteOrder)
{
    // Scores 4096, -4096 and then a thousand pairs 1, -1: the mean is exactly 0. In single
    // precision the sum of squares reaches 2^25 with the two large terms and every later 1 is
    // lost (the spacing there is 4), while the cross sum, kept in double, is 2^25 + 2000. A
    // parameter equal to the scores therefore correlates a little above 1.
    std::vector<double> largeFirst{4096, -4096};
    for (int k = 0; k < 1000; ++k) {
        largeFirst.push_back(1);
        largeFirst.push_back(-1);
    }
    const Workspace ws = Make({largeFirst}, {largeFirst, Negated(largeFirst)});
    const float expected = static_cast<float>(33556432.0 / 33554432.0);
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 1), expected);
    EXPECT_GT(CorrelateEofClimate(ws, 1, 1), 1.0f) << "double sums would give exactly 1";
    EXPECT_EQ(CorrelateEofClimate(ws, 1, 2), -expected);

    // The same sites with the small terms first: every partial sum is exact in single
    // precision, and the coefficient is 1.
    std::vector<double> smallFirst(largeFirst.begin() + 2, largeFirst.end());
    smallFirst.push_back(4096);
    smallFirst.push_back(-4096);
    const Workspace reordered = Make({smallFirst}, {smallFirst});
    EXPECT_EQ(CorrelateEofClimate(reordered, 1, 1), 1.0f);
}

TEST(EofClimateTest, TableHasEveryPairAndReportsProgressPerEof)
{
    const Workspace ws =
        Make({{1, 2, 3, 4}, {4, 1, 3, 2}, {0, 0, 1, 0}}, {{1, 2, 3, 4}, {2, 2, 2, 2}});
    std::vector<int> seen;
    const Matrix<float> table =
        EofClimateTable(ws, [&seen](int done, int total) { seen.push_back(done * 10 + total); });
    ASSERT_EQ(table.rows(), 3);
    ASSERT_EQ(table.cols(), 2);
    for (int e = 1; e <= 3; ++e)
        for (int p = 1; p <= 2; ++p)
            EXPECT_EQ(table(e, p), CorrelateEofClimate(ws, e, p)) << e << "," << p;
    EXPECT_EQ(table(1, 1), 1.0f);
    EXPECT_EQ(table(2, 2), 0.0f);
    EXPECT_EQ(seen, (std::vector<int>{13, 23, 33}));
}

// ---- Table geometry ----

TEST(EofClimateTest, LayoutCountsWholeRowsAndColumnsAndSizesTheScrollBars)
{
    // 8 whole rows below the strip (with 100 twips to spare), 3 whole columns.
    const double height = kEccTopTwips + 8 * kEccRowTwips + 100;
    const double width = 3 * kEccColumnTwips + 500;
    struct Case {
        int eofs, params;
        bool rowsVisible, columnsVisible;
        int rowMax, columnMax;
    };
    const Case cases[] = {
        {25, 3, true, false, 21, 1},  // 25 - 8 + 4; 3 - 3 + 2 = 2 but nothing to scroll
        {9, 4, false, false, 5, 3},   // 8 + 1 rows are shown: the last one cut by the edge
        {10, 5, true, true, 6, 4},
        {1, 1, false, false, 1, 1},  // maxima never below the first row and column
    };
    for (const Case& c : cases) {
        const EccTableLayout l = EccLayout(width, height, c.eofs, c.params);
        EXPECT_EQ(l.visibleRows, 8);
        EXPECT_EQ(l.visibleColumns, 3);
        EXPECT_EQ(l.rows.visible, c.rowsVisible) << c.eofs;
        EXPECT_EQ(l.columns.visible, c.columnsVisible) << c.params;
        EXPECT_EQ(l.rows.largeChange, 7);
        EXPECT_EQ(l.columns.largeChange, 3);
        if (c.rowsVisible) {
            EXPECT_EQ(l.rows.max, c.rowMax);
        }
        if (c.columnsVisible) {
            EXPECT_EQ(l.columns.max, c.columnMax);
        }
        EXPECT_GE(l.rows.max, 1);
        EXPECT_GE(l.columns.max, 1);
    }
    // A panel lower than the strip or narrower than a column still gives usable bars.
    const EccTableLayout tiny = EccLayout(300, 20, 25, 3);
    EXPECT_EQ(tiny.visibleRows, 0);
    EXPECT_EQ(tiny.visibleColumns, 0);
    EXPECT_EQ(tiny.rows.largeChange, 1);
    EXPECT_EQ(tiny.columns.largeChange, 1);
}

TEST(EofClimateTest, CellUnderPointAndClicksOutsideTheTable)
{
    // Column zones start 200 twips before a column's text, rows below the 45-twip strip.
    EXPECT_EQ(EccCellAt(0, 45, 1, 1), (EccCell{1, 1}));
    EXPECT_EQ(EccCellAt(849, 269, 1, 1), (EccCell{1, 1}));
    EXPECT_EQ(EccCellAt(850, 270, 1, 1), (EccCell{2, 2}));
    EXPECT_EQ(EccCellAt(850, 270, 5, 3), (EccCell{6, 4}));

    const int eofs = 25, params = 3;
    EXPECT_EQ(EccClickedCell(900, 300, 1, 1, eofs, params), (EccCell{2, 2}));
    // The strip above the first row: row 0 at the top of the table, and a hidden row after
    // scrolling; neither is a cell.
    EXPECT_FALSE(EccClickedCell(100, 10, 1, 1, eofs, params));
    EXPECT_FALSE(EccClickedCell(100, 44.9, 6, 1, eofs, params));
    EXPECT_TRUE(EccClickedCell(100, 45, 6, 1, eofs, params));
    // Below the last EOF and right of the last parameter.
    EXPECT_FALSE(EccClickedCell(100, EccRowTop(26, 20) + 10, 20, 1, eofs, params));
    EXPECT_TRUE(EccClickedCell(100, EccRowTop(25, 20) + 10, 20, 1, eofs, params));
    EXPECT_FALSE(EccClickedCell(EccColumnLeft(4, 1) + 10, 100, 1, 1, eofs, params));
    EXPECT_FALSE(EccClickedCell(EccColumnLeft(4, 2) + 10, 100, 1, 2, eofs, params));
    EXPECT_TRUE(EccClickedCell(EccColumnLeft(3, 1) + 10, 100, 1, 1, eofs, params));
    // An empty table has no cell at all.
    EXPECT_FALSE(EccClickedCell(100, 100, 1, 1, 0, 0));
}

TEST(EofClimateTest, ShownCellsMarkOnlyTheChosenAndTheHoveredCell)
{
    Matrix<float> table(4, 3);
    table(2, 1) = -0.444f;
    table(3, 2) = 0.996f;
    table(4, 3) = 0.5f;
    // Room for 2 whole rows and 1 whole column: rows first..first + 2, columns first..first + 1.
    const EccTableLayout l =
        EccLayout(kEccColumnTwips + 10, kEccTopTwips + 2 * kEccRowTwips + 10, 4, 3);
    const auto cells = EccShownCells(table, l, 2, 1, 4, 3, EccCell{3, 1}, EccCell{3, 2});
    ASSERT_EQ(cells.size(), 6u);  // rows 2..4, columns 1..2
    int chosen = 0, underlined = 0;
    for (const EccDrawnCell& c : cells) {
        chosen += c.chosen;
        underlined += c.underline;
        EXPECT_GE(c.cell.row, 2);
        EXPECT_LE(c.cell.column, 2);
    }
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(underlined, 1);
    EXPECT_TRUE(cells[3].chosen);  // row 3, column 2
    EXPECT_EQ(cells[3].text, "1");
    EXPECT_TRUE(cells[2].underline);  // row 3, column 1
    EXPECT_EQ(cells[0].text, "-0.44");

    // Scrolled past the last EOF: only the rows that exist; a hover outside the table marks
    // nothing.
    const auto end = EccShownCells(table, l, 4, 2, 4, 3, EccCell{5, 2}, EccCell{9, 9});
    ASSERT_EQ(end.size(), 2u);
    EXPECT_EQ(end[1].cell, (EccCell{4, 3}));
    EXPECT_EQ(end[1].text, "0.5");
    for (const EccDrawnCell& c : end) EXPECT_FALSE(c.underline || c.chosen);
    EXPECT_EQ(EccShownRows(l, 4, 4), (std::vector<int>{4}));
    EXPECT_EQ(EccShownColumns(l, 2, 3), (std::vector<int>{2, 3}));
}

// ---- Axes ----

TEST(EofClimateTest, ClimateAxisFromTheParameterRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::vector<double> values;
        double upper, lower;
    };
    const Case cases[] = {
        {{-3.2, 18.7, 4}, 20, -5},
        // All above 9999 or all below -9999: the true extremes, whatever their size.
        {{12000, 15000, 13000}, 16000, 12000},
        {{-12000, -15000}, -10000, -20000},
        // A constant parameter away from 0 still spans one step.
        {{7, 7, 7}, 10, 5},
        {{-7, -7}, -5, -10},
        // All 0 would give an axis of no height: it gets -5..5.
        {{0, 0, 0}, 5, -5},
        // A value that is not finite is left out.
        {{inf, 2, 3}, 5, 0},
        {{inf, -inf}, 5, -5},
    };
    for (const Case& c : cases) {
        const Workspace ws = Make({}, {c.values});
        const EccClimateAxis axis = EccAxisOfParameter(ws, 1);
        EXPECT_EQ(axis.upper, c.upper) << c.values[0];
        EXPECT_EQ(axis.lower, c.lower) << c.values[0];
    }
    // A parameter the workspace does not hold gets the fallback, not garbage.
    const Workspace ws = Make({}, {{1, 2}});
    EXPECT_NE(EccAxisOfParameter(ws, 4).upper, EccAxisOfParameter(ws, 4).lower);
}

TEST(EofClimateTest, LimitsTypedByTheUser)
{
    const auto axis = EccAxisFromLimits("-30", "10");
    ASSERT_TRUE(axis);
    EXPECT_EQ(axis->lower, -30);
    EXPECT_EQ(axis->upper, 10);
    // Upside down is what the user asked for.
    ASSERT_TRUE(EccAxisFromLimits("10", "-30"));
    EXPECT_EQ(EccAxisFromLimits("10", "-30")->lower, 10);
    // Equal texts, equal values and limits beyond double give no axis.
    EXPECT_FALSE(EccAxisFromLimits("5", "5"));
    EXPECT_FALSE(EccAxisFromLimits("5", "5.0"));
    EXPECT_FALSE(EccAxisFromLimits("abc", "xyz"));
    EXPECT_FALSE(EccAxisFromLimits("", "0"));
    EXPECT_FALSE(EccAxisFromLimits("1e999", "0"));
    // A leading number is read as the program reads every number.
    ASSERT_TRUE(EccAxisFromLimits("-5 degC", "25"));
    EXPECT_EQ(EccAxisFromLimits("-5 degC", "25")->lower, -5);

    EXPECT_EQ(EccLimitText(20), "20");
    EXPECT_EQ(EccLimitText(-12.5), "-12.5");
    EXPECT_EQ(EccLimitText(0.126), "0.13");
}

TEST(EofClimateTest, EofAxisIsNeverOfZeroWidth)
{
    struct Case {
        double zoom, left, width;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {{1, -1, 2}, {4, -4, 8},  {256, -256, 512},
                          {0, -1, 2}, {-4, -1, 2}, {nan, -1, 2}};
    for (const Case& c : cases) {
        const EccEofScale s = EccEofAxis(c.zoom);
        EXPECT_EQ(s.left, c.left) << c.zoom;
        EXPECT_EQ(s.width, c.width) << c.zoom;
    }
    EXPECT_DOUBLE_EQ(EccDotRadius(-6.7), 0.1);
}

}  // namespace
}  // namespace tarvex
