#include "diagram/EofClimate.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/NumberText.h"
#include "mat/Analogues.h"

namespace tarvex {

namespace {

// The sites both score and climate tables hold; counts beyond them are never read.
int UsableSites(const Workspace& ws)
{
    return std::min(UsableRows(ws.refScores, ws.refSiteCount),
                    UsableRows(ws.climateValues, ws.refSiteCount));
}

bool HasEof(const Workspace& ws, int e)
{
    return e >= 1 && e <= ws.refScores.cols();
}

bool HasParameter(const Workspace& ws, int p)
{
    return p >= 1 && p <= ws.climateValues.cols();
}

// Int((v) / step) for a grid position, kept inside int even for absurd coordinates.
int GridIndex(double v, double step)
{
    const double q = std::floor(v / step);
    if (!(q > -1e9)) return -1000000000;
    if (q > 1e9) return 1000000000;
    return static_cast<int>(q);
}

}  // namespace

float CorrelateEofClimate(const Workspace& ws, int e, int p)
{
    const int n = UsableSites(ws);
    if (n < 1 || !HasEof(ws, e) || !HasParameter(ws, p)) return 0;

    double sumX = 0, sumY = 0;
    for (int i = 1; i <= n; ++i) {
        sumX += ws.refScores(i, e);
        sumY += ws.climateValues(i, p);
    }
    const double meanX = sumX / n;
    const double meanY = sumY / n;

    double sxy = 0;
    // The sums of squares are kept in single precision: every term is added in double and the
    // running sum rounded back to 32 bits, so the coefficients are those the program has
    // always shown (a variable that equals a score column can even come out a hair above 1).
    float sxx = 0, syy = 0;
    for (int i = 1; i <= n; ++i) {
        const double dx = ws.refScores(i, e) - meanX;
        const double dy = ws.climateValues(i, p) - meanY;
        sxy += dx * dy;
        sxx = static_cast<float>(static_cast<double>(sxx) + dx * dx);
        syy = static_cast<float>(static_cast<double>(syy) + dy * dy);
    }
    const float d =
        static_cast<float>(std::sqrt(static_cast<double>(sxx) * static_cast<double>(syy)));
    if (d == 0) return 0;
    return static_cast<float>(sxy / d);
}

Matrix<float> EofClimateTable(const Workspace& ws, const ProgressFn& progress)
{
    const int eofs = std::max<int>(ws.refTaxonCount, 0);
    const int params = std::max<int>(ws.climateParamCount, 0);
    Matrix<float> table(eofs, params);
    for (int e = 1; e <= eofs; ++e) {
        if (progress) progress(e, eofs);
        for (int p = 1; p <= params; ++p) table(e, p) = CorrelateEofClimate(ws, e, p);
    }
    return table;
}

EccTableLayout EccLayout(double widthTwips, double heightTwips, int eofCount, int paramCount)
{
    EccTableLayout l;
    l.visibleRows = std::max(0, GridIndex(heightTwips - kEccTopTwips, kEccRowTwips));
    l.visibleColumns = std::max(0, GridIndex(widthTwips, kEccColumnTwips));
    const int b = l.visibleRows;
    const int a = l.visibleColumns;
    // A few rows of slack below the last EOF, and one column right of the last parameter;
    // a bar with nothing to scroll keeps the first row and column in view.
    l.rows.max = std::max(1, eofCount - b + 4);
    l.rows.largeChange = std::max(1, b - 1);
    l.rows.visible = b + 1 < eofCount;
    l.columns.max = std::max(1, paramCount - a + 2);
    l.columns.largeChange = std::max(1, a);
    l.columns.visible = a + 1 < paramCount;
    return l;
}

EccCell EccCellAt(double x, double y, int firstRow, int firstColumn)
{
    EccCell c;
    c.column = GridIndex(x + kEccHitLeadTwips, kEccColumnTwips) + firstColumn;
    c.row = GridIndex(y - kEccTopTwips, kEccRowTwips) + firstRow;
    return c;
}

std::optional<EccCell> EccClickedCell(double x, double y, int firstRow, int firstColumn,
                                      int eofCount, int paramCount)
{
    // The strip above the first row belongs to no row: the grid would give the row before
    // the first one shown, which is hidden, or row 0, which does not exist.
    if (!(y >= kEccTopTwips) || !std::isfinite(x)) return std::nullopt;
    const EccCell c = EccCellAt(x, y, firstRow, firstColumn);
    if (c.row < 1 || c.row > eofCount || c.column < 1 || c.column > paramCount) return std::nullopt;
    return c;
}

double EccRowTop(int row, int firstRow)
{
    return kEccTopTwips + (row - firstRow) * kEccRowTwips;
}

double EccColumnLeft(int column, int firstColumn)
{
    return (column - firstColumn) * kEccColumnTwips;
}

std::vector<int> EccShownRows(const EccTableLayout& layout, int firstRow, int eofCount)
{
    std::vector<int> rows;
    for (int k = std::max(firstRow, 1); k <= firstRow + layout.visibleRows && k <= eofCount; ++k)
        rows.push_back(k);
    return rows;
}

std::vector<int> EccShownColumns(const EccTableLayout& layout, int firstColumn, int paramCount)
{
    std::vector<int> columns;
    for (int j = std::max(firstColumn, 1);
         j <= firstColumn + layout.visibleColumns && j <= paramCount; ++j)
        columns.push_back(j);
    return columns;
}

std::vector<EccDrawnCell> EccShownCells(const Matrix<float>& table, const EccTableLayout& layout,
                                        int firstRow, int firstColumn, int eofCount, int paramCount,
                                        EccCell hover, EccCell chosen)
{
    std::vector<EccDrawnCell> cells;
    const int rows = std::min(eofCount, table.rows());
    const int columns = std::min(paramCount, table.cols());
    for (int k : EccShownRows(layout, firstRow, rows))
        for (int l : EccShownColumns(layout, firstColumn, columns)) {
            EccDrawnCell d;
            d.cell = EccCell{k, l};
            d.text = FormatNumber(RoundTo(table(k, l), 2));
            d.underline = d.cell == hover;
            d.chosen = d.cell == chosen;
            cells.push_back(std::move(d));
        }
    return cells;
}

EccClimateAxis EccAxisOfParameter(const Workspace& ws, int p)
{
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    if (HasParameter(ws, p)) {
        const int n = UsableRows(ws.climateValues, ws.refSiteCount);
        for (int i = 1; i <= n; ++i) {
            const double v = ws.climateValues(i, p);
            if (!std::isfinite(v)) continue;
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
    EccClimateAxis axis;
    if (lowest <= highest) {
        axis.upper = RoundRangeUp(highest, lowest);
        axis.lower = RoundRangeDown(lowest, highest);
    }
    if (!(axis.upper != axis.lower) || !std::isfinite(axis.upper) || !std::isfinite(axis.lower)) {
        const double centre = std::isfinite(axis.lower) ? axis.lower : 0;
        axis.upper = centre + 5;
        axis.lower = centre - 5;
    }
    return axis;
}

std::optional<EccClimateAxis> EccAxisFromLimits(const std::string& lower, const std::string& upper)
{
    if (lower == upper) return std::nullopt;
    EccClimateAxis axis;
    axis.lower = Val(lower);
    axis.upper = Val(upper);
    if (!std::isfinite(axis.lower) || !std::isfinite(axis.upper) || axis.lower == axis.upper)
        return std::nullopt;
    return axis;
}

std::string EccLimitText(double limit)
{
    return FormatNumber(RoundTo(limit, 2));
}

EccEofScale EccEofAxis(double zoomFactor)
{
    const double z = std::isfinite(zoomFactor) && zoomFactor > 0 ? zoomFactor : 1;
    return EccEofScale{-z, 2 * z};
}

double EccDotRadius(double scaleWidth)
{
    return std::fabs(scaleWidth) / 67;
}

}  // namespace tarvex
