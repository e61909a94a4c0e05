// The score plots of two EOFs: the taxa at their loadings, and the reference sites at their
// scores with the fossil samples' path over them.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "figures/FigureParts.h"
#include "figures/Figures.h"

namespace tarvex::fig {

namespace {

constexpr int kLabelledTaxa = 30;  // the taxa farthest from the origin get their names

std::string EofTitle(const Workspace& ws, int e)
{
    std::string title = "EOF-" + std::to_string(e);
    if (e >= 1 && e < static_cast<int>(ws.eofContribution.size()))
        title += " (" + FixedText(ws.eofContribution[e], 1) + " %)";
    return title;
}

double Extent(const Matrix<double>& m, int rows, int ex, int ey)
{
    double r = 0;
    for (int i = 1; i <= rows && i <= m.rows(); ++i)
        for (const int e : {ex, ey})
            if (e <= m.cols() && std::isfinite(m(i, e))) r = std::max(r, std::fabs(m(i, e)));
    return r;
}

struct Box {
    double l, t, r, b;
    bool Overlaps(const Box& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
};

}  // namespace

void DrawScorePlotFigure(Canvas& c, const Workspace& ws, const FigureSettings& s, int ex, int ey)
{
    const Style& st = c.style();
    const double titleHeight =
        DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::ScorePlots, 0, ex, ey}));
    if (!ws.eofDone || ex > ws.taxonLoadings.cols() || ey > ws.taxonLoadings.cols()) return;
    const Colour taxonColour = SchemeColour(ws.colours.schemeColour1);
    const Colour siteColour = RGB(150, 150, 150);
    const Colour pathColour = SchemeColour(ws.colours.schemeColour4);
    const Colour fossilColour = SchemeColour(ws.colours.schemeColour6);
    const Colour warning = SchemeColour(ws.colours.schemeColour3);
    const bool fossil = ws.projectionDone && ws.fossilScores.rows() >= ws.fossilSampleCount;
    const bool envelope = s.table.envelopeKnown && ws.envelopeDone;
    bool anyOutside = false;

    const double row = c.LineSpacing(st.tickPt);
    const double top = kMargin + titleHeight + 2;
    const double legendTop = c.height() - kMargin - row;
    const double gap = 10;

    // Both panels are squares of one size, each over a symmetric range of its own.
    auto rangeOf = [&](const Matrix<double>& m, int rows) {
        double r = Extent(m, rows, ex, ey);
        if (&m == &ws.refScores && fossil)
            r = std::max(r, Extent(ws.fossilScores, ws.fossilSampleCount, ex, ey));
        double lo = -r, hi = r;
        NiceRange(lo, hi, 4);
        return std::max(-lo, hi);
    };
    const double width = (c.width() - 2 * kMargin - gap) / 2;
    double side = legendTop - 2 - top - row;
    for (const auto& [m, rows] :
         {std::pair<const Matrix<double>*, int>{&ws.taxonLoadings, ws.taxonCount},
          std::pair<const Matrix<double>*, int>{&ws.refScores, ws.refSiteCount}}) {
        const double range = rangeOf(*m, rows);
        const Ticks t = NiceTicks(-range, range, 4);
        side =
            std::min({side, width - AxisReach(c, Side::Left, t, EofTitle(ws, ey)),
                      legendTop - 2 - top - row - AxisReach(c, Side::Bottom, t, EofTitle(ws, ex))});
    }
    side = std::max(side, 10.0);

    auto panel = [&](double left, const Matrix<double>& m, int rows, const std::string& heading,
                     auto&& draw) {
        const double range = rangeOf(m, rows);
        const Ticks t = NiceTicks(-range, range, 4);
        const double reachL = AxisReach(c, Side::Left, t, EofTitle(ws, ey));
        const double pl = left + reachL, pt = top + row;
        const Scale x{-range, range, pl, pl + side}, y{-range, range, pt + side, pt};
        c.Text(pl, top, heading, st.labelPt, 0, 0, 0, false, true);
        c.Rect(pl, pt, pl + side, pt + side, std::nullopt, RGB(170, 170, 170), st.thinPt);
        c.Line(x(0), pt, x(0), pt + side, RGB(200, 200, 200), st.thinPt);
        c.Line(pl, y(0), pl + side, y(0), RGB(200, 200, 200), st.thinPt);
        c.SetClip(pl, pt, pl + side, pt + side);
        draw(x, y, Box{pl, pt, pl + side, pt + side});
        c.ClearClip();
        DrawAxis(c, Side::Left, y, pl, t, EofTitle(ws, ey));
        DrawAxis(c, Side::Bottom, x, pt + side, t, EofTitle(ws, ex));
    };

    panel(
        kMargin, ws.taxonLoadings, ws.taxonCount, "Taxa",
        [&](const Scale& x, const Scale& y, const Box& frame) {
            const int n = std::min<int>(ws.taxonCount, ws.taxonLoadings.rows());
            for (int t = 1; t <= n; ++t)
                c.Mark(x(ws.taxonLoadings(t, ex)), y(ws.taxonLoadings(t, ey)), Marker::Disc, 1.0,
                       taxonColour);
            // Names for the taxa farthest out, each where it runs into no other name.
            std::vector<int> order(static_cast<std::size_t>(n));
            std::iota(order.begin(), order.end(), 1);
            auto far = [&](int t) {
                return std::hypot(ws.taxonLoadings(t, ex), ws.taxonLoadings(t, ey));
            };
            std::stable_sort(order.begin(), order.end(),
                             [&](int a, int b) { return far(a) > far(b); });
            std::vector<Box> placed;
            const double h = c.TextHeight(st.smallPt);
            int labelled = 0;
            for (const int t : order) {
                if (labelled == kLabelledTaxa) break;
                const std::string& name =
                    t < static_cast<int>(ws.refTaxonNames.size()) ? ws.refTaxonNames[t] : "";
                const double w = c.TextWidth(name, st.smallPt);
                const double px = x(ws.taxonLoadings(t, ex)), py = y(ws.taxonLoadings(t, ey));
                // Right of the point, or left of it when that side is free.
                for (const double dir : {1.0, -1.0}) {
                    const double l = dir > 0 ? px + 0.9 : px - 0.9 - w;
                    const Box b{l, py - h / 2, l + w, py + h / 2};
                    if (b.l < frame.l || b.r > frame.r || b.t < frame.t || b.b > frame.b) continue;
                    if (std::any_of(placed.begin(), placed.end(),
                                    [&](const Box& o) { return o.Overlaps(b); }))
                        continue;
                    // Nor over another taxon's dot: a name there would hide it.
                    bool covers = false;
                    for (int u = 1; u <= n && !covers; ++u) {
                        const double ux = x(ws.taxonLoadings(u, ex));
                        const double uy = y(ws.taxonLoadings(u, ey));
                        covers = u != t && Box{ux - 0.5, uy - 0.5, ux + 0.5, uy + 0.5}.Overlaps(b);
                    }
                    if (covers) continue;
                    placed.push_back(b);
                    c.Text(b.l, py, name, st.smallPt, 0, 0.5);
                    ++labelled;
                    break;
                }
            }
        });
    panel(kMargin + width + gap, ws.refScores, ws.refSiteCount,
          "Reference sites and fossil samples", [&](const Scale& x, const Scale& y, const Box&) {
              const int n = std::min<int>(ws.refSiteCount, ws.refScores.rows());
              Surface::Points sites;
              for (int i = 1; i <= n; ++i)
                  sites.push_back({x(ws.refScores(i, ex)), y(ws.refScores(i, ey))});
              c.Marks(sites, Marker::Disc, 0.8, siteColour);
              if (!fossil) return;
              auto empty = [&](int i) {
                  return i < static_cast<int>(ws.fossilSampleEmpty.size()) &&
                         ws.fossilSampleEmpty[i];
              };
              Surface::Points path;
              auto flush = [&] {
                  if (path.size() > 1) c.Polyline(path, pathColour, st.thinPt);
                  path.clear();
              };
              for (int i = 1; i <= ws.fossilSampleCount; ++i) {
                  if (empty(i)) {
                      flush();
                      continue;
                  }
                  path.push_back({x(ws.fossilScores(i, ex)), y(ws.fossilScores(i, ey))});
              }
              flush();
              for (int i = 1; i <= ws.fossilSampleCount; ++i) {
                  if (empty(i)) continue;
                  const double px = x(ws.fossilScores(i, ex)), py = y(ws.fossilScores(i, ey));
                  c.Mark(px, py, Marker::Disc, 1.0, fossilColour);
                  if (envelope && i < static_cast<int>(ws.fossilOutside.size()) &&
                      ws.fossilOutside[i]) {
                      c.Mark(px, py, Marker::Circle, 2.4, warning);
                      anyOutside = true;
                  }
              }
          });

    std::vector<LegendItem> items = {
        {LegendItem::Kind::Marker, taxonColour, "taxon", Marker::Disc},
        {LegendItem::Kind::Marker, siteColour, "reference site", Marker::Disc}};
    if (fossil) {
        items.push_back({LegendItem::Kind::Marker, fossilColour, "fossil sample", Marker::Disc});
        items.push_back({LegendItem::Kind::Line, pathColour, "sequence order"});
        if (anyOutside)
            items.push_back(
                {LegendItem::Kind::Marker, warning, "outside the envelope", Marker::Circle});
    }
    DrawLegend(c, kMargin, legendTop, c.width() - 2 * kMargin, items);
}

}  // namespace tarvex::fig
