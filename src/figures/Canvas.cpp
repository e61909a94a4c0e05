#include "figures/Canvas.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "data/NumberText.h"

namespace tarvex::fig {

namespace {

constexpr double kMmPerPt = 25.4 / 72;
constexpr double kLabelGapMm = 0.8;  // between a tick and its label
constexpr double kTitleGapMm = 1.5;  // between the labels and the axis title

}  // namespace

Canvas::Canvas(Surface& surface, double widthMm, double heightMm, Style style)
    : surface_(surface), width_(widthMm), height_(heightMm), style_(style)
{
    surface_.Scale(0, 0, widthMm, heightMm);
    surface_.SetSmooth(true);
}

double Canvas::PxPerMm() const
{
    return surface_.PixelWidth() / width_;
}

void Canvas::SetPen(double widthPt, Surface::LineStyle line)
{
    surface_.SetDrawWidth(static_cast<int>(std::lround(widthPt * kMmPerPt * PxPerMm())));
    surface_.SetLineStyle(line);
}

void Canvas::SetClip(double left, double top, double right, double bottom)
{
    clipped_ = true;
    clipLeft_ = std::min(left, right);
    clipRight_ = std::max(left, right);
    clipTop_ = std::min(top, bottom);
    clipBottom_ = std::max(top, bottom);
}

bool Canvas::Inside(double x, double y) const
{
    return !clipped_ || (x >= clipLeft_ && x <= clipRight_ && y >= clipTop_ && y <= clipBottom_);
}

bool Canvas::ClipSegment(double& x1, double& y1, double& x2, double& y2) const
{
    if (!clipped_) return true;
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - clipLeft_, clipRight_ - x1, y1 - clipTop_, clipBottom_ - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ox = x1, oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

Surface::Points Canvas::ClipPolygon(const Surface::Points& points) const
{
    if (!clipped_) return points;
    // Sutherland-Hodgman against the four edges in turn.
    Surface::Points out = points;
    for (int edge = 0; edge < 4 && !out.empty(); ++edge) {
        auto inside = [&](const std::pair<double, double>& q) {
            switch (edge) {
                case 0:
                    return q.first >= clipLeft_;
                case 1:
                    return q.first <= clipRight_;
                case 2:
                    return q.second >= clipTop_;
                default:
                    return q.second <= clipBottom_;
            }
        };
        auto cross = [&](const std::pair<double, double>& a, const std::pair<double, double>& b) {
            const double bound = edge == 0   ? clipLeft_
                                 : edge == 1 ? clipRight_
                                 : edge == 2 ? clipTop_
                                             : clipBottom_;
            const bool vertical = edge < 2;
            const double t = vertical ? (bound - a.first) / (b.first - a.first)
                                      : (bound - a.second) / (b.second - a.second);
            return std::pair<double, double>{a.first + t * (b.first - a.first),
                                             a.second + t * (b.second - a.second)};
        };
        Surface::Points in = std::move(out);
        out.clear();
        for (std::size_t i = 0; i < in.size(); ++i) {
            const auto& cur = in[i];
            const auto& prev = in[(i + in.size() - 1) % in.size()];
            if (inside(cur)) {
                if (!inside(prev)) out.push_back(cross(prev, cur));
                out.push_back(cur);
            } else if (inside(prev)) {
                out.push_back(cross(prev, cur));
            }
        }
    }
    return out;
}

void Canvas::Line(double x1, double y1, double x2, double y2, Colour colour, double widthPt,
                  Surface::LineStyle line)
{
    if (!ClipSegment(x1, y1, x2, y2)) return;
    SetPen(widthPt, line);
    surface_.Line(x1, y1, x2, y2, colour);
}

void Canvas::Polyline(const Surface::Points& points, Colour colour, double widthPt,
                      Surface::LineStyle line)
{
    SetPen(widthPt, line);
    if (!clipped_) {
        surface_.Polyline(points, colour);
        return;
    }
    // The pieces inside the clip, each drawn as one stroke.
    Surface::Points piece;
    auto flush = [&] {
        if (piece.size() > 1) surface_.Polyline(piece, colour);
        piece.clear();
    };
    for (std::size_t i = 1; i < points.size(); ++i) {
        double x1 = points[i - 1].first, y1 = points[i - 1].second;
        double x2 = points[i].first, y2 = points[i].second;
        if (!ClipSegment(x1, y1, x2, y2)) {
            flush();
            continue;
        }
        if (piece.empty() || piece.back() != std::pair<double, double>{x1, y1}) {
            flush();
            piece.push_back({x1, y1});
        }
        piece.push_back({x2, y2});
        if (x2 != points[i].first || y2 != points[i].second) flush();
    }
    flush();
}

void Canvas::Fill(const Surface::Points& points, Colour colour)
{
    surface_.Polygon(ClipPolygon(points), colour);
}

void Canvas::Outline(const Surface::Points& points, Colour colour, double widthPt)
{
    SetPen(widthPt, Surface::LineStyle::Solid);
    surface_.Polygon(ClipPolygon(points), std::nullopt, colour);
}

void Canvas::Rect(double x1, double y1, double x2, double y2, std::optional<Colour> fill,
                  std::optional<Colour> outline, double widthPt)
{
    if (clipped_) {
        const double l = std::max(std::min(x1, x2), clipLeft_),
                     r = std::min(std::max(x1, x2), clipRight_);
        const double t = std::max(std::min(y1, y2), clipTop_),
                     b = std::min(std::max(y1, y2), clipBottom_);
        if (l > r || t > b) return;
        x1 = l, x2 = r, y1 = t, y2 = b;
    }
    if (fill) surface_.BoxFill(x1, y1, x2, y2, *fill);
    if (outline) {
        SetPen(widthPt, Surface::LineStyle::Solid);
        surface_.Box(x1, y1, x2, y2, *outline);
    }
}

void Canvas::Mark(double x, double y, Marker marker, double sizeMm, Colour colour)
{
    if (!Inside(x, y)) return;
    const double r = sizeMm / 2;
    SetPen(style_.axisPt, Surface::LineStyle::Solid);
    switch (marker) {
        case Marker::Circle:
            surface_.Circle(x, y, r, colour);
            break;
        case Marker::Disc:
            surface_.Circle(x, y, r, colour, colour);
            break;
        case Marker::Square:
            surface_.BoxFill(x - r, y - r, x + r, y + r, colour);
            break;
        case Marker::Triangle:
            surface_.Polygon({{x - r, y + r * 0.85}, {x + r, y + r * 0.85}, {x, y - r}}, colour);
            break;
        case Marker::Cross:
            surface_.Line(x - r, y - r, x + r, y + r, colour);
            surface_.Line(x - r, y + r, x + r, y - r, colour);
            break;
    }
}

void Canvas::Marks(const Surface::Points& centres, Marker marker, double sizeMm, Colour colour)
{
    if (marker != Marker::Circle && marker != Marker::Disc) {
        for (const auto& [x, y] : centres) Mark(x, y, marker, sizeMm, colour);
        return;
    }
    Surface::Points inside;
    inside.reserve(centres.size());
    for (const auto& c : centres)
        if (Inside(c.first, c.second)) inside.push_back(c);
    SetPen(style_.axisPt, Surface::LineStyle::Solid);
    if (marker == Marker::Disc)
        surface_.Dots(inside, sizeMm, colour);
    else
        surface_.Circles(inside, sizeMm / 2, colour);
}

void Canvas::Image(double x1, double y1, double x2, double y2, const QImage& image)
{
    surface_.Cells(x1, y1, x2, y2, image);
}

void Canvas::SetFont(double pt, bool italic, bool bold) const
{
    surface_.SetFontName(kFontFamily);
    surface_.SetFontSize(pt);
    surface_.SetFontItalic(italic);
    surface_.SetFontBold(bold);
    surface_.SetFontUnderline(false);
}

void Canvas::Text(double x, double y, const std::string& text, double pt, double alignX,
                  double alignY, double angle, bool italic, bool bold, Colour colour)
{
    SetFont(pt, italic, bold);
    surface_.Text(x, y, text, alignX, alignY, angle, colour);
}

double Canvas::TextWidth(const std::string& text, double pt, bool italic, bool bold) const
{
    SetFont(pt, italic, bold);
    return std::fabs(surface_.TextWidth(text));
}

double Canvas::TextHeight(double pt) const
{
    SetFont(pt, false, false);
    const QFontMetricsF fm(surface_.CurrentFont());
    return (fm.capHeight() + fm.descent()) / PxPerMm();
}

double Canvas::LineSpacing(double pt) const
{
    SetFont(pt, false, false);
    const QFontMetricsF fm(surface_.CurrentFont());
    return fm.lineSpacing() / PxPerMm();
}

// ---- Scales and ticks ----

std::string FixedText(double v, int decimals)
{
    decimals = std::max(decimals, 0);
    std::string s = FormatNumber(RoundTo(v, decimals));
    if (s == "-0") s = "0";
    if (decimals == 0 || s.find_first_of("Ee") != std::string::npos) return s;
    std::size_t point = s.find('.');
    if (point == std::string::npos) {
        s += '.';
        point = s.size() - 1;
    }
    while (static_cast<int>(s.size() - point - 1) < decimals) s += '0';
    return s;
}

std::string ShortText(double v)
{
    if (!std::isfinite(v)) return "-";
    if (v == 0) return "0";
    const int decimals = std::max(0, 2 - static_cast<int>(std::floor(std::log10(std::fabs(v)))));
    return FormatNumber(RoundTo(v, decimals));
}

namespace {

double NiceStep(double span, int target)
{
    const double raw = span / std::max(target, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    // A span of 0.6 over 4 gives 0.15 less a rounding error; it counts as 1.5.
    constexpr double e = 1e-9;
    const double nice = norm < 1.5 - e ? 1 : norm < 3.5 - e ? 2 : norm < 7.5 - e ? 5 : 10;
    return nice * magnitude;
}

// Two ends that enclose something to divide.
void Spread(double& lo, double& hi)
{
    if (lo > hi) std::swap(lo, hi);
    if (!(hi - lo > 0) || !std::isfinite(hi - lo)) {
        const double half = lo == 0 || !std::isfinite(lo) ? 1 : std::fabs(lo) * 0.1;
        if (!std::isfinite(lo)) lo = 0;
        hi = lo + half;
        lo -= half;
    }
}

}  // namespace

Ticks NiceTicks(double lo, double hi, int target)
{
    Spread(lo, hi);
    Ticks t;
    t.step = NiceStep(hi - lo, target);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(t.step) + 1e-9)));
    const double first = std::ceil(lo / t.step - 1e-9);
    for (int k = 0; k < 1000; ++k) {
        double v = (first + k) * t.step;
        if (v > hi + 1e-9 * t.step) break;
        if (std::fabs(v) < 1e-9 * t.step) v = 0;
        t.values.push_back(v);
        t.labels.push_back(FixedText(v, decimals));
    }
    return t;
}

void NiceRange(double& lo, double& hi, int target)
{
    Spread(lo, hi);
    const double step = NiceStep(hi - lo, target);
    lo = std::floor(lo / step + 1e-9) * step;
    hi = std::ceil(hi / step - 1e-9) * step;
}

namespace {

// Every how many ticks a label fits without running into the next.
int LabelStride(const Canvas& c, Side side, const Scale& scale, const Ticks& ticks)
{
    if (ticks.values.size() < 2) return 1;
    const double spacing = std::fabs(scale(ticks.values[1]) - scale(ticks.values[0]));
    if (spacing <= 0) return 1;
    double need = 0;
    if (side == Side::Left || side == Side::Right) {
        need = c.TextHeight(c.style().tickPt) + 0.6;
    } else {
        for (const std::string& l : ticks.labels)
            need = std::max(need, c.TextWidth(l, c.style().tickPt));
        need += 1.2;
    }
    return std::max(1, static_cast<int>(std::ceil(need / spacing - 1e-9)));
}

double WidestLabel(const Canvas& c, const Ticks& ticks)
{
    double w = 0;
    for (const std::string& l : ticks.labels) w = std::max(w, c.TextWidth(l, c.style().tickPt));
    return w;
}

}  // namespace

double AxisReach(const Canvas& c, Side side, const Ticks& ticks, const std::string& title)
{
    const Style& s = c.style();
    const bool vertical = side == Side::Left || side == Side::Right;
    double reach = s.tickMm;
    if (!ticks.labels.empty())
        reach += kLabelGapMm + (vertical ? WidestLabel(c, ticks) : c.TextHeight(s.tickPt));
    if (!title.empty()) reach += kTitleGapMm + c.TextHeight(s.labelPt);
    return reach;
}

double DrawAxis(Canvas& c, Side side, const Scale& scale, double at, const Ticks& ticks,
                const std::string& title, bool italicTitle)
{
    const Style& s = c.style();
    const bool vertical = side == Side::Left || side == Side::Right;
    const double out = side == Side::Left || side == Side::Top ? -1 : 1;
    const double lo = std::min(scale.m0, scale.m1), hi = std::max(scale.m0, scale.m1);
    if (vertical)
        c.Line(at, lo, at, hi, kBlack, s.axisPt);
    else
        c.Line(lo, at, hi, at, kBlack, s.axisPt);
    const int stride = LabelStride(c, side, scale, ticks);
    const double labelAt = at + out * (s.tickMm + kLabelGapMm);
    for (std::size_t k = 0; k < ticks.values.size(); ++k) {
        const double m = scale(ticks.values[k]);
        if (m < lo - 1e-6 || m > hi + 1e-6) continue;
        if (vertical)
            c.Line(at, m, at + out * s.tickMm, m, kBlack, s.axisPt);
        else
            c.Line(m, at, m, at + out * s.tickMm, kBlack, s.axisPt);
        if (k % static_cast<std::size_t>(stride) != 0) continue;
        switch (side) {
            case Side::Left:
                c.Text(labelAt, m, ticks.labels[k], s.tickPt, 1, 0.5);
                break;
            case Side::Right:
                c.Text(labelAt, m, ticks.labels[k], s.tickPt, 0, 0.5);
                break;
            case Side::Bottom:
                c.Text(m, labelAt, ticks.labels[k], s.tickPt, 0.5, 0);
                break;
            case Side::Top:
                c.Text(m, labelAt, ticks.labels[k], s.tickPt, 0.5, 1);
                break;
        }
    }
    const double reach = AxisReach(c, side, ticks, title);
    if (!title.empty()) {
        const double titleAt = at + out * reach;
        const double middle = (lo + hi) / 2;
        switch (side) {
            case Side::Left:
                c.Text(titleAt, middle, title, s.labelPt, 0.5, 0, 90, italicTitle);
                break;
            case Side::Right:
                c.Text(titleAt, middle, title, s.labelPt, 0.5, 1, 90, italicTitle);
                break;
            case Side::Bottom:
                c.Text(middle, titleAt, title, s.labelPt, 0.5, 1, 0, italicTitle);
                break;
            case Side::Top:
                c.Text(middle, titleAt, title, s.labelPt, 0.5, 0, 0, italicTitle);
                break;
        }
    }
    return reach;
}

// ---- Legends and keys ----

double DrawLegend(Canvas& c, double x, double y, double maxWidth,
                  const std::vector<LegendItem>& items, bool draw)
{
    const Style& s = c.style();
    const double row = c.LineSpacing(s.tickPt);
    const double symbol = 5;
    double cx = x, cy = y;
    bool any = false;
    for (const LegendItem& item : items) {
        const bool note = item.kind == LegendItem::Kind::Note;
        const double lead = note ? item.indent : symbol + 1;
        const double w = lead + c.TextWidth(item.text, s.tickPt);
        if (any && cx + w > x + maxWidth) {
            cx = x;
            cy += row;
        }
        any = true;
        if (draw) {
            const double mid = cy + row / 2;
            switch (item.kind) {
                case LegendItem::Kind::Line:
                    c.Line(cx, mid, cx + symbol, mid, item.colour, item.widthPt);
                    break;
                case LegendItem::Kind::DashedLine:
                    c.Line(cx, mid, cx + symbol, mid, item.colour, item.widthPt,
                           Surface::LineStyle::Dash);
                    break;
                case LegendItem::Kind::DottedLine:
                    c.Line(cx, mid, cx + symbol, mid, item.colour, item.widthPt,
                           Surface::LineStyle::Dot);
                    break;
                case LegendItem::Kind::Marker:
                    c.Mark(cx + symbol / 2, mid, item.marker, 1.6, item.colour);
                    break;
                case LegendItem::Kind::Box:
                    c.Rect(cx, mid - row * 0.3, cx + symbol, mid + row * 0.3, item.colour);
                    break;
                case LegendItem::Kind::Note:
                    break;
            }
            c.Text(cx + lead, mid, item.text, s.tickPt, 0, 0.5);
        }
        cx += w + 4;
    }
    return any ? cy - y + row : 0;
}

double DrawColourKey(Canvas& c, double x, double y, double barWidth, double barHeight, double lo,
                     double hi, const std::function<Colour(double)>& colourOf,
                     const std::string& title)
{
    const Style& s = c.style();
    constexpr int kSlices = 256;
    QImage bar(1, kSlices, QImage::Format_RGB32);
    for (int k = 0; k < kSlices; ++k) {
        const double v = hi - (hi - lo) * (k + 0.5) / kSlices;
        const Colour col = colourOf(v);
        bar.setPixel(0, k, qRgb(RedOf(col), GreenOf(col), BlueOf(col)));
    }
    c.Image(x, y, x + barWidth, y + barHeight, bar);
    c.Rect(x, y, x + barWidth, y + barHeight, std::nullopt, kBlack, s.axisPt);
    const Ticks ticks = NiceTicks(lo, hi, 5);
    const Scale scale{lo, hi, y + barHeight, y};
    double widest = 0;
    for (std::size_t k = 0; k < ticks.values.size(); ++k) {
        const double m = scale(ticks.values[k]);
        c.Line(x + barWidth, m, x + barWidth + s.tickMm, m, kBlack, s.axisPt);
        c.Text(x + barWidth + s.tickMm + kLabelGapMm, m, ticks.labels[k], s.tickPt, 0, 0.5);
        widest = std::max(widest, c.TextWidth(ticks.labels[k], s.tickPt));
    }
    if (!title.empty()) c.Text(x, y - c.TextHeight(s.tickPt) / 2 - 1.2, title, s.tickPt, 0, 1);
    return barWidth + s.tickMm + kLabelGapMm + widest;
}

double DrawLines(Canvas& c, double x, double y, const std::vector<std::string>& lines, double pt)
{
    const double row = c.LineSpacing(pt);
    double cy = y;
    for (const std::string& line : lines) {
        c.Text(x, cy, line, pt, 0, 0);
        cy += row;
    }
    return cy - y;
}

}  // namespace tarvex::fig
