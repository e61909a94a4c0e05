#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/Matrix.h"
#include "app/Progress.h"
#include "app/Workspace.h"

namespace tarvex {

// Pearson correlation of the reference scores on EOF e with climate parameter p over all
// reference sites; 0 when either has no spread.
float CorrelateEofClimate(const Workspace& ws, int e, int p);

// The whole table (EOF 0..refTaxonCount, parameter 0..climateParamCount); progress once per EOF.
Matrix<float> EofClimateTable(const Workspace& ws, const ProgressFn& progress = {});

// ---- The correlation table on screen ----
// The table is laid out in twips: rows 225 high below a strip of 45, columns 1050 wide. A
// cell's hit zone starts 200 twips left of its text, so a click just before a number still
// takes it.
inline constexpr double kEccTopTwips = 45;
inline constexpr double kEccRowTwips = 225;
inline constexpr double kEccColumnTwips = 1050;
inline constexpr double kEccHitLeadTwips = 200;

// A scroll bar of the table. Its minimum is always 1: the value is the first row (EOF) or
// column (parameter) shown.
struct EccScrollBar {
    int max = 1;
    int largeChange = 1;
    bool visible = false;
};

struct EccTableLayout {
    int visibleRows = 0;     // whole rows that fit below the top strip
    int visibleColumns = 0;  // whole columns that fit
    EccScrollBar rows;
    EccScrollBar columns;
};

// The layout of a cell panel of the given size for eofCount rows and paramCount columns.
EccTableLayout EccLayout(double widthTwips, double heightTwips, int eofCount, int paramCount);

struct EccCell {
    int row = 0;     // EOF
    int column = 0;  // climate parameter
    bool operator==(const EccCell& o) const { return row == o.row && column == o.column; }
    bool operator!=(const EccCell& o) const { return !(*this == o); }
};

// The cell under a point of the cell panel (twips), by the grid alone: it may lie outside the
// table, which is what the hover needs (such a cell is simply never drawn).
EccCell EccCellAt(double x, double y, int firstRow, int firstColumn);

// The cell a click at (x, y) chooses, or nothing when the point is above the first row or the
// grid puts it beyond the table's EOFs or parameters.
std::optional<EccCell> EccClickedCell(double x, double y, int firstRow, int firstColumn,
                                      int eofCount, int paramCount);

// Where a shown cell's text starts, in twips of the cell panel (and of the header, for x).
double EccRowTop(int row, int firstRow);
double EccColumnLeft(int column, int firstColumn);

// One cell as it is drawn: its coefficient's text, underlined under the mouse, red when chosen.
struct EccDrawnCell {
    EccCell cell;
    std::string text;
    bool underline = false;
    bool chosen = false;
};

// The cells the panel shows: rows firstRow..firstRow + visibleRows and columns
// firstColumn..firstColumn + visibleColumns (the last of each may be cut by the edge), within
// the table. table holds the coefficients (EOF, parameter).
std::vector<EccDrawnCell> EccShownCells(const Matrix<float>& table, const EccTableLayout& layout,
                                        int firstRow, int firstColumn, int eofCount, int paramCount,
                                        EccCell hover, EccCell chosen);

// The rows whose labels the label panel shows, in order.
std::vector<int> EccShownRows(const EccTableLayout& layout, int firstRow, int eofCount);
// The columns whose names the header shows, in order.
std::vector<int> EccShownColumns(const EccTableLayout& layout, int firstColumn, int paramCount);

// ---- The scatter plot's axes ----

// The vertical (climate) axis: its upper and lower limit.
struct EccClimateAxis {
    double upper = 0;
    double lower = 0;
};

// The range proposed for parameter p from its values over all sites. Values that are not
// finite are left out. A parameter that gives no height (all values 0, or none usable) gets
// -5..5 around its value, since a plot cannot have an axis of zero height.
EccClimateAxis EccAxisOfParameter(const Workspace& ws, int p);

// The axis the user typed into the limit boxes, or nothing when it cannot be used: equal
// texts, limits of equal value (an axis of zero height) or limits that are not finite.
std::optional<EccClimateAxis> EccAxisFromLimits(const std::string& lower, const std::string& upper);

// The text a limit box shows for a limit: rounded to 2 decimals.
std::string EccLimitText(double limit);

// The horizontal (EOF) axis runs from -zoomFactor to +zoomFactor, the extent the axis
// labels name. zoomFactor is 2 to the slider's power, so the width is never 0.
struct EccEofScale {
    double left = -1;
    double width = 2;
};
EccEofScale EccEofAxis(double zoomFactor);

// The radius of a site's dot: a fixed share of the plot's width.
double EccDotRadius(double scaleWidth);

}  // namespace tarvex
