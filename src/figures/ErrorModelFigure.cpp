// The error model of one parameter: leave-one-out estimates against the observed values, and
// the residuals with the bin means of the maximum bias.
#include <algorithm>
#include <cmath>

#include "figures/FigureParts.h"
#include "figures/Figures.h"
#include "mat/Analogues.h"

namespace tarvex::fig {

namespace {

struct Pair {
    double observed, estimate;
};

std::vector<Pair> Pairs(const Workspace& ws, int p)
{
    std::vector<Pair> out;
    const int sites = std::min(UsableRows(ws.siteReconValues, ws.refSiteCount),
                               UsableRows(ws.climateValues, ws.refSiteCount));
    if (p < 1 || ws.siteReconValues.cols() < p || ws.climateValues.cols() < p) return out;
    for (int s = 1; s <= sites; ++s) {
        const double e = ws.siteReconValues(s, p);
        const double o = ws.climateValues(s, p);
        if (e == -9999 || !std::isfinite(e) || !std::isfinite(o)) continue;
        out.push_back({o, e});
    }
    return out;
}

std::string Figure(double v)
{
    return std::isfinite(v) ? ShortText(v) : "undefined";
}

}  // namespace

void DrawErrorModelFigure(Canvas& c, const Workspace& ws, const FigureSettings& s, int p)
{
    const Style& st = c.style();
    const double titleHeight =
        DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::ErrorModel, p}));
    const std::vector<Pair> pairs = Pairs(ws, p);
    const ErrorModelSummary sum = SummariseErrorModel(ws, p);
    const std::vector<BiasBin> bins = ErrorModelBiasBins(ws, p);
    const Colour point = SchemeColour(ws.colours.schemeColour6);
    const Colour bias = SchemeColour(ws.colours.schemeColour3);
    const std::string name = ParamName(ws, p);
    // Rings show how sites overlap while there are few; thousands are drawn as dots, which
    // stay legible and keep the file small.
    const bool dense = pairs.size() > 600;
    const Marker marker = dense ? Marker::Disc : Marker::Circle;
    const double markSize = dense ? 0.7 : 1.1;

    double lo = INFINITY, hi = -INFINITY, rlo = 0, rhi = 0;
    for (const Pair& q : pairs) {
        lo = std::min({lo, q.observed, q.estimate});
        hi = std::max({hi, q.observed, q.estimate});
        rlo = std::min(rlo, q.estimate - q.observed);
        rhi = std::max(rhi, q.estimate - q.observed);
    }
    if (!std::isfinite(lo)) lo = 0, hi = 1;
    NiceRange(lo, hi, 5);
    NiceRange(rlo, rhi, 5);
    const Ticks vt = NiceTicks(lo, hi, 5), rt = NiceTicks(rlo, rhi, 5);

    // The statistics line under the title, then two panels side by side.
    const std::string stats = "n = " + std::to_string(sum.sites) +
                              "    RMSEP = " + Figure(sum.rmsep) + "    R² = " + Figure(sum.r2) +
                              "    mean bias = " + Figure(sum.meanBias) +
                              "    maximum bias = " + Figure(sum.maxBias);
    const double statsY = kMargin + titleHeight;
    c.Text(kMargin, statsY, stats, st.tickPt, 0, 0);
    const double legendRow = c.LineSpacing(st.tickPt);
    const double top = statsY + legendRow + 3;
    const double legendTop = c.height() - kMargin - legendRow;
    const std::string xTitle = name + ", observed";
    const double bottom = legendTop - 2 - AxisReach(c, Side::Bottom, vt, xTitle);
    const double leftReach = AxisReach(c, Side::Left, vt, name + ", estimated");
    const double rightReach = AxisReach(c, Side::Left, rt, "Residual");
    const double gap = 8;
    const double width = (c.width() - 2 * kMargin - leftReach - rightReach - gap) / 2;
    const double side = std::max(10.0, std::min(width, bottom - top));
    const double ax = kMargin + leftReach, bx = ax + side + gap + rightReach;
    const Scale x1{lo, hi, ax, ax + side}, y1{lo, hi, top + side, top};
    const Scale x2{lo, hi, bx, bx + side}, y2{rlo, rhi, top + side, top};
    const double pb = top + side;

    for (const double left : {ax, bx})
        c.Rect(left, top, left + side, pb, std::nullopt, RGB(170, 170, 170), st.thinPt);
    c.SetClip(ax, top, ax + side, pb);
    c.Line(x1(lo), y1(lo), x1(hi), y1(hi), RGB(90, 90, 90), st.thinPt, Surface::LineStyle::Dash);
    Surface::Points marks;
    for (const Pair& q : pairs) marks.push_back({x1(q.observed), y1(q.estimate)});
    c.Marks(marks, marker, markSize, point);
    marks.clear();
    c.SetClip(bx, top, bx + side, pb);
    c.Line(x2(lo), y2(0), x2(hi), y2(0), RGB(90, 90, 90), st.thinPt, Surface::LineStyle::Dash);
    for (const Pair& q : pairs) marks.push_back({x2(q.observed), y2(q.estimate - q.observed)});
    c.Marks(marks, marker, markSize, point);
    for (const BiasBin& b : bins) {
        if (b.count == 0 || !std::isfinite(b.meanResidual)) continue;
        const double y = y2(b.meanResidual);
        c.Line(x2(b.low), y, x2(b.high), y, bias, 2 * st.linePt);
    }
    c.ClearClip();
    DrawAxis(c, Side::Left, y1, ax, vt, name + ", estimated");
    DrawAxis(c, Side::Bottom, x1, pb, vt, xTitle);
    DrawAxis(c, Side::Left, y2, bx, rt, "Residual (estimated − observed)");
    DrawAxis(c, Side::Bottom, x2, pb, vt, xTitle);

    const std::vector<LegendItem> items = {
        {LegendItem::Kind::Marker, point, "reference site (leave-one-out)", marker},
        {LegendItem::Kind::DashedLine, RGB(90, 90, 90), "1:1 line, zero residual"},
        {LegendItem::Kind::Line, bias,
         "mean residual of each of " + std::to_string(bins.size()) + " bins of the observed range",
         Marker::Disc, 2 * st.linePt},
    };
    DrawLegend(c, ax, std::max(legendTop, pb + 2 + AxisReach(c, Side::Bottom, vt, xTitle)),
               c.width() - kMargin - ax, items);
}

}  // namespace tarvex::fig
