// The reconstruction of one climate parameter against depth, with its error band, and beside
// it the distance of each sample to its closest modern analogue.
#include <algorithm>
#include <cmath>

#include "figures/FigureParts.h"
#include "figures/Figures.h"
#include "mat/AnalogueQuality.h"
#include "mat/Analogues.h"
#include "mat/ReconstructionTable.h"

namespace tarvex::fig {

namespace {

constexpr double kPanelGap = 7;  // mm between the reconstruction and the distance panel

struct Band {
    double lower, upper;
};

bool Empty(const Workspace& ws, int i)
{
    return i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i];
}

bool Calibrated(const FigureSettings& s, int p)
{
    return s.table.calibratedParam == p;
}

// The band of a row: the confidence region of the coefficient, or the estimate +- RMSEP.
Band BandOf(const ReconstructionRow& r, int which, double rmsep)
{
    if (which == 1) return {r.lower1, r.upper1};
    if (which == 2) return {r.lower2, r.upper2};
    if (std::isnan(r.estimate) || !std::isfinite(rmsep)) return {NAN, NAN};
    return {r.estimate - rmsep, r.estimate + rmsep};
}

struct Geometry {
    double top = 0, bottom = 0;
    double mainLeft = 0, mainRight = 0;
    double distLeft = 0, distRight = 0;
    double legendTop = 0;
    Scale x, dx;
};

// The figure's colours, from the workspace's scheme.
struct Colours {
    Colour curve, smooth, warning, outer, inner, rmsepBand, uncalibrated;
    explicit Colours(const Workspace& ws)
        : curve(SchemeColour(ws.colours.schemeColour6)),
          smooth(SchemeColour(ws.colours.schemeColour3)),
          warning(SchemeColour(ws.colours.schemeColour3)),
          outer(Lighter(curve, 0.85)),
          inner(Lighter(curve, 0.62)),
          rmsepBand(Lighter(curve, 0.78)),
          uncalibrated(RGB(90, 90, 90))
    {
    }
};

// A sample with an estimate where the calibration has no column for it: no region to draw.
bool Uncalibrated(const ReconstructionRow& r)
{
    return std::isfinite(r.estimate) && !std::isfinite(r.lower2);
}

// The legend lists only what the figure draws.
std::vector<LegendItem> LegendOf(const Canvas& c, const Workspace& ws, const FigureSettings& s,
                                 int p, const std::vector<ReconstructionRow>& rows)
{
    const Colours k(ws);
    const double rmsep = ErrorModelRmsep(ws, p);
    const bool calibrated = Calibrated(s, p);
    bool anyOutside = false, anyPoor = false, anyUncalibrated = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ReconstructionRow& r = rows[i];
        anyOutside = anyOutside || (r.outside == 1 && !Empty(ws, static_cast<int>(i) + 1));
        anyPoor = anyPoor || (std::isfinite(r.estimate) && r.poorAnalogue == 1);
        anyUncalibrated = anyUncalibrated || (calibrated && Uncalibrated(r));
    }
    std::vector<LegendItem> items;
    items.push_back({LegendItem::Kind::Marker, k.curve, "sample", Marker::Disc});
    if (anyPoor)
        items.push_back({LegendItem::Kind::Marker, k.curve,
                         "no close analogue (above the 5 % cut-off)", Marker::Circle});
    if (SmoothCurve(ws, p, s.table.smoothing).windows > 0)
        items.push_back({LegendItem::Kind::Line, k.smooth,
                         "smoothed (" + std::to_string(s.table.smoothing) + " samples)",
                         Marker::Disc, 1.4 * c.style().linePt});
    if (calibrated) {
        items.push_back(
            {LegendItem::Kind::Box, k.inner, CoefficientText(s.table.coefficient1) + " % region"});
        items.push_back(
            {LegendItem::Kind::Box, k.outer, CoefficientText(s.table.coefficient2) + " % region"});
        items.push_back({LegendItem::Kind::Line, kBlack, "median"});
        items.push_back({LegendItem::Kind::DottedLine, kBlack, "mode"});
        if (anyUncalibrated)
            items.push_back({LegendItem::Kind::Marker, k.uncalibrated,
                             "no region: estimate beyond the calibration", Marker::Cross});
    } else if (std::isfinite(rmsep)) {
        items.push_back(
            {LegendItem::Kind::Box, k.rmsepBand, "estimate ± RMSEP " + ShortText(rmsep)});
    }
    if (anyOutside)
        items.push_back(
            {LegendItem::Kind::Marker, k.warning, "outside the envelope", Marker::Triangle});
    return items;
}

// The legend's height under the panels, from the main panel's left edge to the right margin:
// at least three lines, so that the panels of the parameters line up in a report.
double LegendHeight(const Canvas& c, double left, const std::vector<LegendItem>& items)
{
    const double h =
        DrawLegend(const_cast<Canvas&>(c), left, 0, c.width() - kMargin - left, items, false);
    return std::max(h, 3 * c.LineSpacing(c.style().tickPt));
}

Geometry Measure(const Canvas& c, const Workspace& ws, const FigureSettings& s, int p,
                 const std::vector<ReconstructionRow>& rows)
{
    const Style& st = c.style();
    Geometry g;
    const double rmsep = ErrorModelRmsep(ws, p);
    double lo = INFINITY, hi = -INFINITY;
    auto take = [&](double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };
    for (const ReconstructionRow& r : rows) {
        take(r.estimate);
        take(r.smoothed);
        const Band b = BandOf(r, Calibrated(s, p) ? 2 : 0, rmsep);
        take(b.lower);
        take(b.upper);
    }
    if (!std::isfinite(lo)) lo = 0, hi = 1;
    NiceRange(lo, hi, 5);
    double dmax = 0;
    for (const ReconstructionRow& r : rows)
        if (std::isfinite(r.closestDistance)) dmax = std::max(dmax, r.closestDistance);
    for (const double cut : ws.analogueCutoffs)
        if (std::isfinite(cut)) dmax = std::max(dmax, cut);
    double dlo = 0, dhi = dmax > 0 ? dmax : 1;
    NiceRange(dlo, dhi, 3);

    const double title = c.TextHeight(st.titlePt) + 2.5;
    const double cutLabels = CutoffLabelsHeight(c);
    g.top = kMargin + title + cutLabels;
    const DepthAxis probe(ws, 0, 1);
    g.mainLeft = kMargin + probe.Reach(c) + 1;
    g.legendTop = c.height() - kMargin - LegendHeight(c, g.mainLeft, LegendOf(c, ws, s, p, rows));
    const Ticks xt = NiceTicks(lo, hi, 5);
    g.bottom = g.legendTop - 1.5 - AxisReach(c, Side::Bottom, xt, ParamName(ws, p));
    g.distRight = c.width() - kMargin - 4;
    const double span = g.distRight - g.mainLeft - kPanelGap;
    g.mainRight = g.mainLeft + 0.7 * span;
    g.distLeft = g.mainRight + kPanelGap;
    g.x = {lo, hi, g.mainLeft, g.mainRight};
    g.dx = {dlo, dhi, g.distLeft, g.distRight};
    return g;
}

void DrawBand(Canvas& c, const DepthAxis& axis, const Scale& x,
              const std::vector<ReconstructionRow>& rows, int which, double rmsep, Colour colour)
{
    auto band = [&](int i) { return BandOf(rows[static_cast<std::size_t>(i - 1)], which, rmsep); };
    DrawSampleBand(
        c, axis, x, static_cast<int>(rows.size()), [&](int i) { return band(i).lower; },
        [&](int i) { return band(i).upper; }, colour);
}

// A line through the samples' values, broken where a value is missing; a value alone is a point.
template <typename Value>
void DrawSampleLine(Canvas& c, const DepthAxis& axis, const Scale& x, int n, const Value& value,
                    Colour colour, double widthPt, Surface::LineStyle style)
{
    for (const auto& [a, b] : SampleRuns(n, [&](int i) { return std::isfinite(value(i)); })) {
        if (a == b) {
            c.Mark(x(value(a)), axis.SampleY(a), Marker::Disc, 0.7, colour);
            continue;
        }
        Surface::Points pts;
        for (int i = a; i <= b; ++i) pts.push_back({x(value(i)), axis.SampleY(i)});
        c.Polyline(pts, colour, widthPt, style);
    }
}

}  // namespace

ReconstructionPanel LayOutReconstruction(const Canvas& c, const Workspace& ws,
                                         const FigureSettings& settings, int param)
{
    const std::vector<ReconstructionRow> rows = ReconstructionRowsOf(ws, settings.table, param);
    const Geometry g = Measure(c, ws, settings, param, rows);
    ReconstructionPanel panel;
    panel.x = g.x;
    const DepthAxis axis(ws, g.top, g.bottom);
    panel.y = {0, 1, g.top, g.bottom};
    panel.sampleY.assign(static_cast<std::size_t>(ws.fossilSampleCount) + 1, 0.0);
    for (int i = 1; i <= ws.fossilSampleCount; ++i) panel.sampleY[i] = axis.SampleY(i);
    return panel;
}

void DrawReconstructionFigure(Canvas& c, const Workspace& ws, const FigureSettings& s, int p)
{
    const Style& st = c.style();
    DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::Reconstruction, p}));
    const std::vector<ReconstructionRow> rows = ReconstructionRowsOf(ws, s.table, p);
    if (rows.empty()) return;
    const int n = static_cast<int>(rows.size());
    const Geometry g = Measure(c, ws, s, p, rows);
    const DepthAxis axis(ws, g.top, g.bottom);
    const double rmsep = ErrorModelRmsep(ws, p);
    const bool calibrated = Calibrated(s, p);
    const Colours k(ws);
    const Colour curve = k.curve, smooth = k.smooth, warning = k.warning;
    auto row = [&](int i) -> const ReconstructionRow& {
        return rows[static_cast<std::size_t>(i - 1)];
    };

    // The panels' frames, then the bands under everything else.
    for (const auto& [l, r] :
         {std::pair{g.mainLeft, g.mainRight}, std::pair{g.distLeft, g.distRight}})
        c.Rect(l, g.top, r, g.bottom, std::nullopt, RGB(170, 170, 170), st.thinPt);
    c.SetClip(g.mainLeft, g.top, g.mainRight, g.bottom);
    if (calibrated) {
        DrawBand(c, axis, g.x, rows, 2, rmsep, k.outer);
        DrawBand(c, axis, g.x, rows, 1, rmsep, k.inner);
    } else {
        DrawBand(c, axis, g.x, rows, 0, rmsep, k.rmsepBand);
    }

    // Where the calibration has no column for the estimate there is no region to draw: such
    // samples get a cross at the panel's right edge, so the gap in the bands is explained.
    if (calibrated)
        for (int i = 1; i <= n; ++i)
            if (Uncalibrated(row(i)))
                c.Mark(g.mainRight - 1.2, axis.SampleY(i), Marker::Cross, 1.3, k.uncalibrated);
    for (int i = 1; i <= n; ++i)
        if (row(i).outside == 1 && !Empty(ws, i))
            c.Mark(g.mainLeft + 1.2, axis.SampleY(i), Marker::Triangle, 1.5, warning);
    DrawSampleLine(
        c, axis, g.x, n, [&](int i) { return row(i).estimate; }, curve, st.thinPt,
        Surface::LineStyle::Solid);
    if (calibrated) {
        DrawSampleLine(
            c, axis, g.x, n, [&](int i) { return row(i).median; }, kBlack, st.linePt,
            Surface::LineStyle::Solid);
        DrawSampleLine(
            c, axis, g.x, n, [&](int i) { return row(i).mode; }, kBlack, st.linePt,
            Surface::LineStyle::Dot);
    }
    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(row(i).estimate)) continue;
        const bool poor = row(i).poorAnalogue == 1;
        c.Mark(g.x(row(i).estimate), axis.SampleY(i), poor ? Marker::Circle : Marker::Disc, 1.2,
               curve);
    }
    // The smoothed curve through its windows.
    const SmoothedCurve sm = SmoothCurve(ws, p, s.table.smoothing);
    if (sm.windows > 0) {
        auto has = [&](int w) { return sm.value[w] != -9999.0f; };
        for (const auto& [a, b] : SampleRuns(sm.windows, has)) {
            if (a == b) {
                c.Mark(g.x(sm.value[a]), axis.PositionY(sm.position[a]), Marker::Disc, 1.0, smooth);
                continue;
            }
            Surface::Points pts;
            for (int w = a; w <= b; ++w)
                pts.push_back({g.x(sm.value[w]), axis.PositionY(sm.position[w])});
            c.Polyline(pts, smooth, 1.4 * st.linePt);
        }
    }

    // The distance panel: each sample's closest modern site, the cut-offs as lines.
    c.SetClip(g.distLeft, g.top, g.distRight, g.bottom);
    DrawSampleLine(
        c, axis, g.dx, n, [&](int i) { return row(i).closestDistance; }, curve, st.thinPt,
        Surface::LineStyle::Solid);
    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(row(i).closestDistance)) continue;
        const bool poor = row(i).poorAnalogue == 1;
        c.Mark(g.dx(row(i).closestDistance), axis.SampleY(i), poor ? Marker::Disc : Marker::Circle,
               1.0, poor ? warning : curve);
    }
    c.ClearClip();
    DrawCutoffs(c, ws, g.dx, g.distLeft, g.distRight, g.top, g.bottom, false);

    axis.Draw(c, g.mainLeft);
    DrawAxis(c, Side::Bottom, g.x, g.bottom, NiceTicks(g.x.d0, g.x.d1, 5), ParamName(ws, p));
    DrawAxis(c, Side::Bottom, g.dx, g.bottom, NiceTicks(g.dx.d0, g.dx.d1, 3), "Closest distance");

    DrawLegend(c, g.mainLeft, g.legendTop, c.width() - kMargin - g.mainLeft,
               LegendOf(c, ws, s, p, rows));
}

}  // namespace tarvex::fig
