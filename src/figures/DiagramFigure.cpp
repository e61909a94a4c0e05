// The pollen diagram as a figure: depth on the left, one column per taxon at one common
// percentage scale, the CONISS zones across and their dendrogram at the right.
#include <algorithm>
#include <cmath>

#include "diagram/Coniss.h"
#include "diagram/DiagramLayout.h"
#include "figures/FigureParts.h"
#include "figures/Figures.h"

namespace tarvex::fig {

namespace {

constexpr double kColumnGap = 1.2;       // mm between a column's largest value and the next
constexpr double kMostMmPerPercent = 1;  // wider columns would only waste the page
constexpr double kLeastMmPerPercent = 0.15;
constexpr double kDendrogramWidth = 30;  // mm, with its gap to the columns
constexpr double kOutsideStrip = 3;      // mm left of the first column for the envelope marks

struct Taxon {
    int t = 0;
    double max = 0;  // largest percentage
    std::string name;
    bool italic = false;
};

std::vector<Taxon> DrawnTaxa(const Workspace& ws, double minPercent)
{
    std::vector<Taxon> out;
    const int n = ws.fossilSampleCount, taxa = ws.fossilTaxonCount;
    const std::vector<bool> italic = ItalicTaxonNames(ws.fossilTaxonNames, taxa);
    for (int t = 1; t <= taxa && t <= ws.fossilProportions.cols(); ++t) {
        double max = 0;
        for (int i = 1; i <= n && i <= ws.fossilProportions.rows(); ++i)
            if (std::isfinite(ws.fossilProportions(i, t)))
                max = std::max(max, 100 * ws.fossilProportions(i, t));
        if (minPercent > 0 && max < minPercent) continue;
        Taxon x;
        x.t = t;
        x.max = max;
        x.name = t < static_cast<int>(ws.fossilTaxonNames.size()) ? ws.fossilTaxonNames[t] : "";
        x.italic = t < static_cast<int>(italic.size()) && italic[t];
        out.push_back(x);
    }
    return out;
}

bool Empty(const Workspace& ws, int i)
{
    return i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i];
}

bool EnvelopeMarks(const Workspace& ws, const FigureSettings& s)
{
    return s.table.envelopeKnown && ws.envelopeDone;
}

bool Outside(const Workspace& ws, int i)
{
    return i < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[i];
}

// Everything the drawing needs, measured once.
struct Layout {
    std::vector<Taxon> taxa;
    DiagramColumnsLayout columns;
    double namePt = 8;
    double nameHeight = 0;
    double left = 0, right = 0;  // the columns' area
    double dendrogramLeft = 0, dendrogramRight = 0;
    double legendTop = 0;
    bool zones = false;
    IssZonation zonation;
};

IssZonation Zonation(const Workspace& ws, const FigureSettings& s)
{
    const int n = ws.fossilSampleCount, t = ws.fossilTaxonCount;
    if (n < 2 || !ZonationDataProblem(ws.fossilProportions, n, t, s.diagram.transform).empty())
        return {};
    const SampleAxis axis(ws.fossilSampleLabels, n, ws.fossilTextLabels);
    IssZonation z =
        ClassicConiss(ws.fossilProportions, n, t, s.diagram.transform, axis.ClusterPositions());
    if (static_cast<int>(z.merges.size()) != n) return {};
    return z;
}

double LegendHeight(const Canvas& c)
{
    return 2 * c.LineSpacing(c.style().tickPt) + 1;
}

double ScaleHeight(const Canvas& c)
{
    const Style& st = c.style();
    return 0.6 + st.tickMm + 0.8 + c.TextHeight(st.smallPt) + 1.5;
}

Layout Measure(const Canvas& c, const Workspace& ws, const FigureSettings& s)
{
    const Style& st = c.style();
    Layout l;
    l.taxa = DrawnTaxa(ws, s.diagram.minPercent);
    l.zonation = Zonation(ws, s);
    l.zones = ws.fossilSampleCount >= 2 && !l.zonation.merges.empty();

    const double titleHeight = c.TextHeight(st.titlePt) + 2.5;
    const double usable = c.height() - 2 * kMargin - titleHeight;
    // The names stand upright above their columns; very long ones get the small size.
    auto longest = [&](double pt) {
        double w = 0;
        for (const Taxon& t : l.taxa) w = std::max(w, c.TextWidth(t.name, pt, t.italic));
        return w;
    };
    l.namePt = st.labelPt;
    double header = longest(l.namePt);
    if (header > 0.3 * usable) {
        l.namePt = st.smallPt;
        header = std::min(longest(l.namePt), 0.4 * usable);
    }
    header += 2;
    l.nameHeight = c.TextHeight(l.namePt);

    const DepthAxis probe(ws, 0, 1);
    l.left = kMargin + probe.Reach(c) + (EnvelopeMarks(ws, s) ? kOutsideStrip : 1.5);
    l.right = c.width() - kMargin - (l.zones ? kDendrogramWidth : 0);
    const double available = l.right - l.left;

    const double minSlot = l.nameHeight + 0.8;
    auto total = [&](double k) {
        double sum = 0;
        for (const Taxon& t : l.taxa) sum += std::max(k * t.max + kColumnGap, minSlot);
        return sum;
    };
    double k = kMostMmPerPercent;
    double needed = c.width();
    if (total(k) > available) {
        if (total(kLeastMmPerPercent) >= available) {
            k = kLeastMmPerPercent;
            needed = c.width() + total(k) - available;
        } else {
            double lo = kLeastMmPerPercent, hi = kMostMmPerPercent;
            for (int step = 0; step < 60; ++step) {
                const double mid = (lo + hi) / 2;
                (total(mid) > available ? hi : lo) = mid;
            }
            k = lo;
        }
    }
    l.columns.mmPerPercent = k;
    l.columns.neededWidth = needed;
    double x = l.left;
    for (const Taxon& t : l.taxa) {
        l.columns.taxa.push_back(t.t);
        l.columns.zeroX.push_back(x);
        x += std::max(k * t.max + kColumnGap, minSlot);
    }
    l.dendrogramLeft = std::min(x, l.right) + 4;
    l.dendrogramRight = l.dendrogramLeft + kDendrogramWidth - 8;
    l.columns.top = kMargin + titleHeight + header;
    l.legendTop = c.height() - kMargin - LegendHeight(c);
    const double dendrogramAxis =
        l.zones ? 0.6 + AxisReach(c, Side::Bottom, NiceTicks(0, 1, 3), "Total dispersion") : 0;
    l.columns.bottom = l.legendTop - 1 - std::max(ScaleHeight(c), dendrogramAxis);
    return l;
}

// One silhouette, bar set or exaggeration outline of a column.
void DrawColumn(Canvas& c, const Workspace& ws, const FigureSettings& s, const DepthAxis& axis,
                const Taxon& taxon, double x0, double k, Colour fill)
{
    const Style& st = c.style();
    const int n = ws.fossilSampleCount;
    auto p = [&](int i) {
        const double v = 100 * ws.fossilProportions(i, taxon.t);
        return std::isfinite(v) ? std::max(v, 0.0) : 0.0;
    };
    // Runs of neighbouring samples with pollen; an empty sample breaks the curve.
    std::vector<std::pair<int, int>> runs;
    for (int i = 1; i <= n; ++i) {
        if (Empty(ws, i)) continue;
        if (!runs.empty() && runs.back().second == i - 1)
            runs.back().second = i;
        else
            runs.push_back({i, i});
    }
    if (s.diagram.exaggeration) {
        const Colour outline = Lighter(fill, 0.45);
        for (const auto& [a, b] : runs) {
            Surface::Points pts{{x0, axis.SampleY(a)}};
            for (int i = a; i <= b; ++i)
                pts.push_back({x0 + k * std::min(10 * p(i), taxon.max), axis.SampleY(i)});
            pts.push_back({x0, axis.SampleY(b)});
            c.Outline(pts, outline, st.thinPt);
        }
    }
    if (s.diagram.bars) {
        double spacing = std::fabs(axis.bottom() - axis.top()) / std::max(n, 1);
        const double half = std::clamp(0.3 * spacing, 0.1, 0.4);
        for (int i = 1; i <= n; ++i) {
            if (Empty(ws, i) || p(i) <= 0) continue;
            const double y = axis.SampleY(i);
            c.Rect(x0, y - half, x0 + k * p(i), y + half, fill);
        }
    } else {
        for (const auto& [a, b] : runs) {
            Surface::Points pts{{x0, axis.SampleY(a)}};
            for (int i = a; i <= b; ++i) pts.push_back({x0 + k * p(i), axis.SampleY(i)});
            pts.push_back({x0, axis.SampleY(b)});
            if (a == b) {
                c.Line(x0, axis.SampleY(a), x0 + k * p(a), axis.SampleY(a), fill, st.linePt);
            } else {
                c.Fill(pts, fill);
                c.Outline(pts, fill, st.thinPt);
            }
        }
    }
    c.Line(x0, axis.top(), x0, axis.bottom(), kBlack, st.thinPt);
}

// The percentage scale under a column: a base line over its width, ticks at a step that
// leaves room for the numbers.
void DrawColumnScale(Canvas& c, double x0, double k, double max, double y)
{
    const Style& st = c.style();
    const double width = k * max;
    c.Line(x0, y, x0 + width, y, kBlack, st.axisPt);
    double step = 10;
    for (const double candidate : {10.0, 20.0, 50.0, 100.0}) {
        step = candidate;
        if (candidate * k >= c.TextWidth("100", st.smallPt) + 0.8) break;
    }
    const double room = c.TextWidth("00", st.smallPt);
    for (int j = 0;; ++j) {
        const double v = j * step;
        if (v > max + 1e-9 && j > 0) break;
        const double x = x0 + k * v;
        c.Line(x, y, x, y + st.tickMm, kBlack, st.axisPt);
        if (j == 0 || x + room <= x0 + width + kColumnGap - 0.2)
            c.Text(x, y + st.tickMm + 0.6, FixedText(v, 0), st.smallPt, 0.5, 0);
    }
}

void DrawDendrogram(Canvas& c, const Layout& l, const DepthAxis& axis)
{
    const Style& st = c.style();
    const IssZonation& z = l.zonation;
    const double total = z.merges.back().dispersion > 0 ? z.merges.back().dispersion : 1;
    double lo = 0, hi = total;
    NiceRange(lo, hi, 3);
    const Scale x{0, hi, l.dendrogramLeft, l.dendrogramRight};
    std::vector<double> height(static_cast<std::size_t>(z.samples) + 1, 0.0);
    for (std::size_t v = 1; v < z.merges.size(); ++v) {
        const IssMerge& m = z.merges[v];
        const double yu = axis.PositionY(m.upperPosition), yl = axis.PositionY(m.lowerPosition);
        const double d = x(m.dispersion);
        c.Polyline({{x(height[m.upper]), yu}, {d, yu}, {d, yl}, {x(height[m.lower]), yl}}, kBlack,
                   st.thinPt);
        height[m.upper] = m.dispersion;
    }
    DrawAxis(c, Side::Bottom, x, axis.bottom() + 0.6, NiceTicks(0, hi, 3), "Total dispersion");
}

}  // namespace

DiagramColumnsLayout LayOutDiagramColumns(const Canvas& c, const Workspace& ws,
                                          const FigureSettings& settings)
{
    return Measure(c, ws, settings).columns;
}

void DrawDiagramFigure(Canvas& c, const Workspace& ws, const FigureSettings& s)
{
    const Style& st = c.style();
    DrawTitle(c, kMargin, kMargin, FigureTitle(ws, s, {FigureKind::Diagram}));
    if (ws.fossilSampleCount < 1) return;
    const Layout l = Measure(c, ws, s);
    const DepthAxis axis(ws, l.columns.top, l.columns.bottom);
    const double k = l.columns.mmPerPercent;
    const Colour fill = SchemeColour(ws.colours.schemeColour5);
    const Colour warning = SchemeColour(ws.colours.schemeColour3);

    axis.Draw(c, l.left - (EnvelopeMarks(ws, s) ? kOutsideStrip : 1.5));
    for (std::size_t j = 0; j < l.taxa.size(); ++j) {
        const Taxon& taxon = l.taxa[j];
        const double x0 = l.columns.zeroX[j];
        DrawColumn(c, ws, s, axis, taxon, x0, k, fill);
        DrawColumnScale(c, x0, k, taxon.max, axis.bottom() + 0.6);
        c.Text(x0 + l.nameHeight / 2, axis.top() - 1.5, taxon.name, l.namePt, 0, 0.5, 90,
               taxon.italic);
    }

    bool anyOutside = false;
    if (EnvelopeMarks(ws, s))
        for (int i = 1; i <= ws.fossilSampleCount; ++i)
            if (!Empty(ws, i) && Outside(ws, i)) {
                c.Mark(l.left - kOutsideStrip / 2, axis.SampleY(i), Marker::Triangle, 1.6, warning);
                anyOutside = true;
            }

    const Colour zoneColour = RGB(60, 60, 60);
    if (l.zones) {
        const double end = l.dendrogramRight;
        for (const int start : l.zonation.zoneStarts) {
            if (start < 2 || start > ws.fossilSampleCount) continue;
            const double y = (axis.SampleY(start - 1) + axis.SampleY(start)) / 2;
            c.Line(l.left, y, end, y, zoneColour, st.thinPt, Surface::LineStyle::Dash);
        }
        DrawDendrogram(c, l, axis);
    }

    // The legend: a scale bar of 10 %, then what the marks mean.
    const double y = l.legendTop;
    const double row = c.LineSpacing(st.tickPt);
    const double bar = 10 * k;
    c.Line(l.left, y + row / 2, l.left + bar, y + row / 2, kBlack, st.linePt);
    for (const double x : {l.left, l.left + bar})
        c.Line(x, y + row / 2 - 0.8, x, y + row / 2 + 0.8, kBlack, st.axisPt);
    c.Text(l.left + bar + 1, y + row / 2, "10 %", st.tickPt, 0, 0.5);
    std::vector<LegendItem> items;
    items.push_back(
        {LegendItem::Kind::Box, fill, s.diagram.bars ? "percentage (bars)" : "percentage"});
    if (s.diagram.exaggeration)
        items.push_back({LegendItem::Kind::Line, Lighter(fill, 0.45), "×10 exaggeration"});
    if (anyOutside)
        items.push_back(
            {LegendItem::Kind::Marker, warning, "outside the envelope", Marker::Triangle});
    if (l.zones)
        items.push_back({LegendItem::Kind::DashedLine, zoneColour,
                         "CONISS zone boundary (" + std::to_string(l.zonation.significantZones) +
                             (l.zonation.significantZones == 1 ? " zone" : " zones") +
                             " by the broken stick)"});
    const int left = static_cast<int>(l.taxa.size());
    const int all = ws.fossilTaxonCount;
    if (left < all)
        items.push_back({LegendItem::Kind::Note, kBlack,
                         std::to_string(all - left) + " of " + std::to_string(all) +
                             " taxa below " + ShortText(s.diagram.minPercent) + " % not shown"});
    const double start = l.left + bar + 1 + c.TextWidth("10 %", st.tickPt) + 5;
    DrawLegend(c, start, y, c.width() - kMargin - start, items);
}

}  // namespace tarvex::fig
