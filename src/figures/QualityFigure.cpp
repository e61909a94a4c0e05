// The analogue quality along the sequence: each sample's distance to its closest modern site
// against the cut-offs of the modern sites' distances to their own closest neighbours.
#include <algorithm>
#include <cmath>

#include "figures/FigureParts.h"
#include "figures/Figures.h"
#include "mat/AnalogueQuality.h"

namespace tarvex::fig {

void DrawQualityFigure(Canvas& c, const Workspace& ws, const FigureSettings& s)
{
    const Style& st = c.style();
    DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::Quality}));
    const int n = ws.fossilSampleCount;
    if (n < 1 || static_cast<int>(ws.closestSite.size()) <= n) return;
    auto has = [&](int i) { return ws.closestSite[i] > 0 && std::isfinite(ws.closestDistance[i]); };
    auto empty = [&](int i) {
        return i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i];
    };
    double dmax = 0;
    for (int i = 1; i <= n; ++i)
        if (has(i)) dmax = std::max(dmax, ws.closestDistance[i]);
    for (const double cut : ws.analogueCutoffs)
        if (std::isfinite(cut)) dmax = std::max(dmax, cut);
    double lo = 0, hi = dmax > 0 ? dmax : 1;
    NiceRange(lo, hi, 5);
    const Ticks xt = NiceTicks(lo, hi, 5);
    const std::string xTitle = "Distance to the closest modern site";

    const double row = c.LineSpacing(st.tickPt);
    const double top = kMargin + c.TextHeight(st.titlePt) + 2.5 + CutoffLabelsHeight(c);
    const double legendTop = c.height() - kMargin - 2 * row;
    const double bottom = legendTop - 2 - AxisReach(c, Side::Bottom, xt, xTitle);
    const DepthAxis probe(ws, 0, 1);
    const double left = kMargin + probe.Reach(c) + 1;
    const double right = c.width() - kMargin - 6;
    const DepthAxis axis(ws, top, bottom);
    const Scale x{lo, hi, left, right};
    const Colour curve = SchemeColour(ws.colours.schemeColour6);
    const Colour warning = SchemeColour(ws.colours.schemeColour3);
    const bool envelope = s.table.envelopeKnown && ws.envelopeDone;

    c.Rect(left, top, right, bottom, std::nullopt, RGB(170, 170, 170), st.thinPt);
    c.SetClip(left, top, right, bottom);
    Surface::Points line;
    auto flush = [&] {
        if (line.size() > 1) c.Polyline(line, curve, st.thinPt);
        line.clear();
    };
    for (int i = 1; i <= n; ++i) {
        if (!has(i) || empty(i)) {
            flush();
            continue;
        }
        line.push_back({x(ws.closestDistance[i]), axis.SampleY(i)});
    }
    flush();
    bool anyOutside = false, anyPoor = false;
    for (int i = 1; i <= n; ++i) {
        if (empty(i)) continue;
        if (has(i)) {
            const bool poor = BeyondCutoff(ws, i, 1);
            anyPoor = anyPoor || poor;
            c.Mark(x(ws.closestDistance[i]), axis.SampleY(i), poor ? Marker::Disc : Marker::Circle,
                   1.2, poor ? warning : curve);
        }
        if (envelope && i < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[i]) {
            c.Mark(left + 1.2, axis.SampleY(i), Marker::Triangle, 1.5, warning);
            anyOutside = true;
        }
    }
    c.ClearClip();
    DrawCutoffs(c, ws, x, left, right, top, bottom, true);
    axis.Draw(c, left);
    DrawAxis(c, Side::Bottom, x, bottom, xt, xTitle);

    std::vector<LegendItem> items = {
        {LegendItem::Kind::Marker, curve, "sample", Marker::Circle},
        {LegendItem::Kind::DashedLine, warning, "5 % cut-off"},
        {LegendItem::Kind::DottedLine, RGB(90, 90, 90), "2.5 % and 10 % cut-offs"}};
    if (anyPoor)
        items.push_back(
            {LegendItem::Kind::Marker, warning, "no close analogue (above 5 %)", Marker::Disc});
    if (anyOutside)
        items.push_back(
            {LegendItem::Kind::Marker, warning, "outside the envelope", Marker::Triangle});
    items.push_back({LegendItem::Kind::Note, kBlack,
                     "Cut-offs: percentiles of the modern sites' distances to their closest other "
                     "site."});
    DrawLegend(c, left, legendTop, right - left, items);
}

}  // namespace tarvex::fig
