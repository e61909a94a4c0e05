// The probability pictures: the Strativ histogram (the calibrated probability of the climate
// value along the sequence) and the calibration chart, each with a numbered colour key and
// the mode and median paths.
#include <algorithm>
#include <cmath>

#include "calib/ChartData.h"
#include "figures/FigureParts.h"
#include "figures/Figures.h"
#include "mat/Histogram.h"
#include "settings/ColourScheme.h"

namespace tarvex::fig {

namespace {

constexpr double kKeyBar = 4;       // mm, width of the colour key's bar
constexpr double kKeyReserve = 24;  // mm right of the plot for the key

// An image of colours (column i, row j) whose first row is drawn at the top: rows run downwards
// with j when downwards is true, upwards otherwise.
QImage ColourImage(const Matrix<int32_t>& colours, bool downwards)
{
    const int w = colours.rows() + 1, h = colours.cols() + 1;
    QImage image(w, h, QImage::Format_RGB32);
    for (int j = 0; j < h; ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(downwards ? j : h - 1 - j));
        for (int i = 0; i < w; ++i) {
            const Colour col = colours(i, j);
            line[i] = qRgb(RedOf(col), GreenOf(col), BlueOf(col));
        }
    }
    return image;
}

// The ends of the calibration range (grid indexes 25 and 225).
double RangeLow(const Workspace& ws)
{
    return ws.gridLow;
}
double RangeHigh(const Workspace& ws)
{
    return ws.gridLow + 200 * ws.gridStep;
}

Colour PathColour(uint32_t c)
{
    return static_cast<Colour>(c);
}

std::string ChartTitle(const Workspace& ws, int param, const char* what, const char* fallback)
{
    return param > 0 ? ParamName(ws, param) + ", " + what : std::string(fallback);
}

}  // namespace

void DrawStrativFigure(Canvas& c, const Workspace& ws, const FigureSettings& s)
{
    const Style& st = c.style();
    DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::Strativ}));
    const int R = kMatrixResolution, V = ws.histLevels;
    if (!ws.histBuilt || V < 1 || ws.fossilSampleCount < 2) return;
    const int p = s.table.calibratedParam;
    const double low = RangeLow(ws), high = RangeHigh(ws);
    const Ticks xt = NiceTicks(std::min(low, high), std::max(low, high), 5);
    const std::string xTitle = ParamName(ws, p);

    const double row = c.LineSpacing(st.tickPt);
    const double top = kMargin + c.TextHeight(st.titlePt) + 2.5 + 2;
    const double legendTop = c.height() - kMargin - row;
    const double bottom = legendTop - 2 - AxisReach(c, Side::Bottom, xt, xTitle);
    const DepthAxis probe(ws, 0, 1);
    const double left = kMargin + probe.Reach(c) + 1;
    const double right = c.width() - kMargin - kKeyReserve;
    const DepthAxis axis(ws, top, bottom);
    const Scale x{low, high, left, right};
    // Level L lies at the position the histogram gives it, linear from the first sample (0) to
    // the last (V), as the samples themselves are placed.
    const double y0 = axis.SampleY(1), y1 = axis.SampleY(ws.fossilSampleCount);
    auto levelY = [&](double level) { return y0 + (y1 - y0) * level / V; };
    auto columnX = [&](double column) { return x(low + column * ws.gridStep); };

    QImage cells = ColourImage(HistogramColours(ws, MatrixDisplay::Probability), true);
    if (columnX(-0.5) > columnX(R + 0.5)) cells = cells.mirrored(true, false);
    if (levelY(-0.5) > levelY(V + 0.5)) cells = cells.mirrored(false, true);
    c.Image(columnX(-0.5), levelY(-0.5), columnX(R + 0.5), levelY(V + 0.5), cells);
    c.Rect(left, top, right, bottom, std::nullopt, RGB(170, 170, 170), st.thinPt);

    auto drawLine = [&](const std::vector<calib::LineItem>& items, Colour colour) {
        for (const calib::LineItem& it : items) {
            if (it.segment)
                c.Line(columnX(it.a0), levelY(it.b0), columnX(it.a1), levelY(it.b1), colour,
                       st.linePt);
            else
                c.Mark(columnX(it.a0), levelY(it.b0), Marker::Disc, 0.5, colour);
        }
    };
    c.SetClip(left, top, right, bottom);
    drawLine(HistogramMedianLine(ws), PathColour(MedianLineColour(ws)));
    drawLine(HistogramModeLine(ws), PathColour(ModeLineColour(ws)));
    c.ClearClip();

    axis.Draw(c, left);
    DrawAxis(c, Side::Bottom, x, bottom, xt, xTitle);
    const double pmax = 1 / MatrixScaleValue(ws, 1);
    DrawColourKey(
        c, right + 5, top + 8, kKeyBar, std::min(60.0, bottom - top - 8), 0, pmax,
        [&](double v) {
            return ColourOfValue(ws.colours, MatrixScaleValue(ws, static_cast<float>(v)));
        },
        "Probability");
    const std::vector<LegendItem> items = {
        {LegendItem::Kind::Line, PathColour(ModeLineColour(ws)), "mode"},
        {LegendItem::Kind::Line, PathColour(MedianLineColour(ws)), "median"},
        {LegendItem::Kind::Note, kBlack,
         "Probability per cell of " + ShortText(std::fabs(ws.gridStep)) + "; white: outside the " +
             CoefficientText(s.table.coefficient2) + " % region"}};
    DrawLegend(c, left, legendTop, c.width() - kMargin - left, items);
}

void DrawChartFigure(Canvas& c, const Workspace& ws, const FigureSettings& s)
{
    using namespace calib;
    const Style& st = c.style();
    DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::Chart}));
    if (!s.chart || ws.chartProbability.rows() < kChartLastShown) return;
    const double low = RangeLow(ws), high = RangeHigh(ws);
    const Ticks t = NiceTicks(std::min(low, high), std::max(low, high), 5);
    const std::string xTitle = ChartTitle(ws, s.chartParam, "reconstructed", "Reconstructed value");
    const std::string yTitle = ChartTitle(ws, s.chartParam, "observed", "Observed value");
    const int enhancement = static_cast<int>(std::lround(ws.zEnhancement * 100));

    const double row = c.LineSpacing(st.tickPt);
    const double top = kMargin + c.TextHeight(st.titlePt) + 2.5 + 2;
    const double legendTop = c.height() - kMargin - row;
    const double bottom = legendTop - 2 - AxisReach(c, Side::Bottom, t, xTitle);
    const double left = kMargin + AxisReach(c, Side::Left, t, yTitle);
    const double side =
        std::max(10.0, std::min(bottom - top, c.width() - kMargin - kKeyReserve - left));
    const double right = left + side, base = top + side;
    const Scale x{low, high, left, right}, y{low, high, base, top};
    auto fineX = [&](double i) { return x(low + (high - low) * (i - kChartFirstShown) / 400); };
    auto fineY = [&](double j) { return y(low + (high - low) * (j - kChartFirstShown) / 400); };

    QImage cells = ColourImage(ChartCellColours(ws, ChartView::Probability, enhancement), false);
    if (fineX(49.5) > fineX(450.5)) cells = cells.mirrored(true, false);
    if (fineY(450.5) > fineY(49.5)) cells = cells.mirrored(false, true);
    c.Image(fineX(49.5), fineY(450.5), fineX(450.5), fineY(49.5), cells);
    c.Rect(left, top, right, base, std::nullopt, RGB(170, 170, 170), st.thinPt);
    c.Line(left, base, right, top, RGB(120, 120, 120), st.thinPt, Surface::LineStyle::Dot);

    const bool grey = ws.colours.greyScaleOnCalib;
    const Colour modeColour = grey ? kBlack : RGB(255, 0, 0);
    const Colour averageColour = grey ? kBlack : RGB(0, 0, 255);
    auto drawPath = [&](const std::vector<ChartPathPiece>& pieces, Colour colour) {
        for (const ChartPathPiece& piece : pieces) {
            if (piece.IsPoint())
                c.Mark(fineX(piece.i0), fineY(piece.j0), Marker::Disc, 0.5, colour);
            else
                c.Line(fineX(piece.i0), fineY(piece.j0), fineX(piece.i1), fineY(piece.j1), colour,
                       st.linePt);
        }
    };
    c.SetClip(left, top, right, base);
    drawPath(ChartAveragePath(ws), averageColour);
    drawPath(ChartModePath(ws), modeColour);
    c.ClearClip();

    DrawAxis(c, Side::Left, y, left, t, yTitle);
    DrawAxis(c, Side::Bottom, x, base, t, xTitle);
    const double pmax = 100.0 / (std::max(enhancement, 1) * 20.0);
    DrawColourKey(
        c, right + 5, top + 8, kKeyBar, std::min(60.0, side - 8), 0, pmax,
        [&](double v) { return ColourOfValue(ws.colours, enhancement / 100.0 * v * 20); },
        "Probability");
    const std::vector<LegendItem> items = {
        {LegendItem::Kind::Line, modeColour, "mode"},
        {LegendItem::Kind::Line, averageColour, "median"},
        {LegendItem::Kind::DottedLine, RGB(120, 120, 120), "1:1 line"},
        {LegendItem::Kind::Note, kBlack,
         "white: outside the " + CoefficientText(s.table.coefficient2) + " % region"}};
    DrawLegend(c, left, std::max(legendTop, base + 2 + AxisReach(c, Side::Bottom, t, xTitle)),
               c.width() - kMargin - left, items);
}

}  // namespace tarvex::fig
