#include "figures/Surface.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

// Pixel coordinates beyond this are never sent to the painter: a far-off end of a line is
// moved along the line to this bound first, so the visible part keeps its direction and
// nothing overflows an int.
constexpr double kPixelLimit = 1 << 20;

int RoundPixel(double v)
{
    return static_cast<int>(std::floor(std::clamp(v, -kPixelLimit, kPixelLimit) + 0.5));
}

bool Finite(double a, double b)
{
    return std::isfinite(a) && std::isfinite(b);
}

// Cuts the segment to the square |x|,|y| <= kPixelLimit (Liang-Barsky). False when nothing
// of it is left.
bool ClipToLimit(double& x1, double& y1, double& x2, double& y2)
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 + kPixelLimit, kPixelLimit - x1, y1 + kPixelLimit, kPixelLimit - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double ox = x1;
    const double oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

// Square caps make a width-1 line cover both of its end pixels, so a line drawn from A to B
// is the same set of pixels as one drawn from B to A; miter joins keep box corners square.
QPen MakePen(Colour colour, int width, Surface::LineStyle style = Surface::LineStyle::Solid)
{
    QPen pen(ToQColor(colour), width);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (style == Surface::LineStyle::Dash) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({4, 3});
    } else if (style == Surface::LineStyle::Dot) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({1, 2});
    }
    return pen;
}

QStringList SplitLines(const std::string& text)
{
    return QString::fromStdString(text).split(QLatin1Char('\n'));
}

// Lines, boxes, points and circles are drawn aliased: their pixels carry exactly the
// requested colour, which keeps colour-coded symbols readable in the picture and in tests,
// and keeps one-pixel lines one pixel wide. Text is antialiased, because glyph shapes suffer
// far more from stair-steps than a line does. On paper both hints make no difference.
void PrepareShapes(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

}  // namespace

QColor ToQColor(Colour c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

Colour FromQColor(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}

// Every drawing call takes the painter, draws and hands it back; the scope makes sure the
// hand-back happens on every path.
class Surface::DrawScope {
public:
    explicit DrawScope(Surface& surface) : surface_(surface), painter_(surface.BeginDraw()) {}
    ~DrawScope()
    {
        if (painter_) surface_.EndDraw(painter_);
    }
    DrawScope(const DrawScope&) = delete;
    DrawScope& operator=(const DrawScope&) = delete;
    QPainter* get() const { return painter_; }

private:
    Surface& surface_;
    QPainter* painter_;
};

template <typename Paint>
void Surface::PaintAll(const Paint& paint)
{
    {
        DrawScope scope(*this);
        if (QPainter* p = scope.get()) paint(*p, true);
    }
    if (QPainter* r = RecordPainter()) {
        r->save();
        paint(*r, false);
        r->restore();
    }
}

Surface::Surface()
{
    const QFont appFont = QGuiApplication::font();
    fontName_ = appFont.family().toStdString();
    if (appFont.pointSizeF() > 0) fontSize_ = appFont.pointSizeF();
}

Surface::~Surface() = default;

// ---- Scale ----

void Surface::Scale(double left, double top, double width, double height)
{
    if (!Finite(left, top) || !Finite(width, height) || width == 0.0 || height == 0.0) return;
    userScale_ = true;
    scaleLeft_ = left;
    scaleTop_ = top;
    scaleWidth_ = width;
    scaleHeight_ = height;
}

void Surface::ResetScale()
{
    userScale_ = false;
}

void Surface::ScaleTwips()
{
    const double w = TwipsWidth();
    const double h = TwipsHeight();
    if (w > 0 && h > 0) Scale(0, 0, w, h);
}

double Surface::ScaleLeft() const
{
    return userScale_ ? scaleLeft_ : 0.0;
}
double Surface::ScaleTop() const
{
    return userScale_ ? scaleTop_ : 0.0;
}
double Surface::ScaleWidth() const
{
    return userScale_ ? scaleWidth_ : PixelWidth();
}
double Surface::ScaleHeight() const
{
    return userScale_ ? scaleHeight_ : PixelHeight();
}

double Surface::PixelsPerUserX() const
{
    const double w = ScaleWidth();
    return w == 0.0 ? 0.0 : PixelWidth() / w;
}

double Surface::PixelsPerUserY() const
{
    const double h = ScaleHeight();
    return h == 0.0 ? 0.0 : PixelHeight() / h;
}

double Surface::MapX(double userX) const
{
    return (userX - ScaleLeft()) * PixelsPerUserX();
}
double Surface::MapY(double userY) const
{
    return (userY - ScaleTop()) * PixelsPerUserY();
}

double Surface::UserX(double pixelX) const
{
    // A device without pixels has no meaningful mapping; stay at the scale origin.
    const double k = PixelsPerUserX();
    return k == 0.0 ? ScaleLeft() : ScaleLeft() + pixelX / k;
}

double Surface::UserY(double pixelY) const
{
    const double k = PixelsPerUserY();
    return k == 0.0 ? ScaleTop() : ScaleTop() + pixelY / k;
}

int Surface::PixelX(double userX) const
{
    return RoundPixel(MapX(userX));
}
int Surface::PixelY(double userY) const
{
    return RoundPixel(MapY(userY));
}

double Surface::TwipsPerPixelX() const
{
    return DpiX() > 0 ? 1440.0 / DpiX() : 15.0;
}
double Surface::TwipsPerPixelY() const
{
    return DpiY() > 0 ? 1440.0 / DpiY() : 15.0;
}
double Surface::TwipsWidth() const
{
    return PixelWidth() * TwipsPerPixelX();
}
double Surface::TwipsHeight() const
{
    return PixelHeight() * TwipsPerPixelY();
}

void Surface::ResetCurrentPosition()
{
    currentX_ = ScaleLeft();
    currentY_ = ScaleTop();
}

// ---- Fonts and text ----

void Surface::SetFontSize(double points)
{
    if (std::isfinite(points) && points > 0) fontSize_ = points;
}

QFont Surface::CurrentFont() const
{
    QFont font(QString::fromStdString(fontName_));
    const double dpi = DpiY() > 0 ? DpiY() : 96.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(fontSize_ * dpi / 72.0))));
    font.setBold(fontBold_);
    font.setItalic(fontItalic_);
    font.setUnderline(fontUnderline_);
    if (UnhintedText()) {
        font.setHintingPreference(QFont::PreferNoHinting);
        // No ligatures: "fi" or "ff" set as one glyph would read back from a PDF as a
        // ligature character, and a search for "figures" or "off" would not find it.
        font.setStyleStrategy(QFont::PreferNoShaping);
    }
    return font;
}

namespace {
double LineHeightPx(const QFontMetricsF& fm)
{
    // External leading belongs to the line when it is positive; some faces report a negative
    // one, which must not make lines overlap.
    return fm.height() + std::max(0.0, fm.leading());
}
}  // namespace

double Surface::TextWidth(const std::string& text) const
{
    const QFontMetricsF fm(CurrentFont(), MetricsDevice());
    double widest = 0;
    for (const QString& line : SplitLines(text))
        widest = std::max(widest, fm.horizontalAdvance(line));
    const double k = PixelsPerUserX();
    return k == 0.0 ? 0.0 : widest / k;
}

double Surface::TextHeight(const std::string& text) const
{
    const QFontMetricsF fm(CurrentFont(), MetricsDevice());
    const double px = LineHeightPx(fm) * SplitLines(text).size();
    const double k = PixelsPerUserY();
    return k == 0.0 ? 0.0 : px / k;
}

void Surface::Print(const std::string& text)
{
    const double startX = currentX_;
    const double startY = currentY_;
    if (Finite(startX, startY)) {
        const QFont font = CurrentFont();
        // Lines are spaced by the device's metrics, on the record as on the device.
        const QFontMetricsF fm(font, MetricsDevice());
        const double step = LineHeightPx(fm);
        const double x = std::clamp(MapX(startX), -kPixelLimit, kPixelLimit);
        const double y0 = std::clamp(MapY(startY), -kPixelLimit, kPixelLimit) + fm.ascent();
        PaintAll([&](QPainter& p, bool) {
            PrepareShapes(p);
            p.setFont(font);
            p.setPen(ToQColor(foreColor_));
            double y = y0;
            for (const QString& line : SplitLines(text)) {
                p.drawText(QPointF(x, y), line);
                y += step;
            }
        });
    }
    currentX_ = startX;
    currentY_ = startY + TextHeight(text);
}

void Surface::RotatedText(int pixelX, int pixelY, const std::string& text, int heightPx,
                          int widthPx, int escapementTenthDegrees, bool italic, Colour colour)
{
    if (heightPx <= 0 || text.empty()) return;
    QFont font(QString::fromStdString(fontName_));
    font.setPixelSize(heightPx);
    font.setWeight(QFont::Normal);
    font.setItalic(italic);
    if (widthPx > 0) {
        // The requested average character width becomes a horizontal stretch of the face.
        const double natural = QFontMetricsF(font, MetricsDevice()).averageCharWidth();
        if (natural > 0) {
            font.setStretch(
                std::clamp(static_cast<int>(std::lround(100.0 * widthPx / natural)), 1, 4000));
        }
    }
    const double ascent = QFontMetricsF(font, MetricsDevice()).ascent();
    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.save();
        p.translate(pixelX, pixelY);
        // Escapement turns counter-clockwise; the painter's y axis points down, so its angles
        // turn clockwise.
        p.rotate(-escapementTenthDegrees / 10.0);
        p.setFont(font);
        p.setPen(ToQColor(colour));
        p.drawText(QPointF(0, ascent), QString::fromStdString(text));
        p.restore();
    });
}

// ---- Shapes ----

void Surface::Cls()
{
    PaintAll([&](QPainter& p, bool) {
        p.fillRect(QRect(0, 0, PixelWidth(), PixelHeight()), ToQColor(backColor_));
    });
    ResetCurrentPosition();
}

void Surface::Line(double x1, double y1, double x2, double y2, Colour colour)
{
    currentX_ = x2;
    currentY_ = y2;
    double px1 = MapX(x1), py1 = MapY(y1), px2 = MapX(x2), py2 = MapY(y2);
    if (!Finite(px1, py1) || !Finite(px2, py2)) return;
    if (!ClipToLimit(px1, py1, px2, py2)) return;

    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.setPen(MakePen(colour, drawWidth_, lineStyle_));
        p.drawLine(QPoint(RoundPixel(px1), RoundPixel(py1)),
                   QPoint(RoundPixel(px2), RoundPixel(py2)));
    });
}

void Surface::DrawRect(double x1, double y1, double x2, double y2, Colour colour, bool filled)
{
    currentX_ = x2;
    currentY_ = y2;
    const double px1 = MapX(x1), py1 = MapY(y1), px2 = MapX(x2), py2 = MapY(y2);
    if (!Finite(px1, py1) || !Finite(px2, py2)) return;
    const int l = RoundPixel(std::min(px1, px2));
    const int r = RoundPixel(std::max(px1, px2));
    const int t = RoundPixel(std::min(py1, py2));
    const int b = RoundPixel(std::max(py1, py2));

    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        if (filled) {
            // Both corners belong to the filled area.
            p.fillRect(QRect(QPoint(l, t), QPoint(r, b)), ToQColor(colour));
        } else {
            // An aliased outline covers its rectangle plus the pen, so this spans l..r, t..b.
            p.setPen(MakePen(colour, drawWidth_, lineStyle_));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(l, t, r - l, b - t));
        }
    });
}

void Surface::Cells(double x1, double y1, double x2, double y2, const QImage& image)
{
    const double px1 = MapX(x1), py1 = MapY(y1), px2 = MapX(x2), py2 = MapY(y2);
    if (image.isNull() || !Finite(px1, py1) || !Finite(px2, py2)) return;
    const int l = RoundPixel(std::min(px1, px2));
    const int r = RoundPixel(std::max(px1, px2));
    const int t = RoundPixel(std::min(py1, py2));
    const int b = RoundPixel(std::max(py1, py2));
    if (r <= l || b <= t) return;
    PaintAll([&](QPainter& p, bool) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(l, t, r - l, b - t), image);
    });
}

QImage CellImage(const Matrix<int32_t>& colours)
{
    const int w = colours.rows() + 1, h = colours.cols() + 1;
    if (w <= 0 || h <= 0) return QImage();
    QImage image(w, h, QImage::Format_RGB32);
    for (int j = 0; j < h; ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(h - 1 - j));
        for (int i = 0; i < w; ++i) {
            const Colour c = colours(i, j);
            line[i] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
        }
    }
    return image;
}

void Surface::Box(double x1, double y1, double x2, double y2, Colour colour)
{
    DrawRect(x1, y1, x2, y2, colour, false);
}

void Surface::BoxFill(double x1, double y1, double x2, double y2, Colour colour)
{
    DrawRect(x1, y1, x2, y2, colour, true);
}

void Surface::PSet(double x, double y, Colour colour)
{
    currentX_ = x;
    currentY_ = y;
    const double px = MapX(x), py = MapY(y);
    if (!Finite(px, py)) return;

    // A wider pen makes a square dot centred on the point.
    const int half = (drawWidth_ - 1) / 2;
    PaintAll([&](QPainter& p, bool) {
        p.fillRect(QRect(RoundPixel(px) - half, RoundPixel(py) - half, drawWidth_, drawWidth_),
                   ToQColor(colour));
    });
}

void Surface::Circle(double x, double y, double radius, Colour outline, std::optional<Colour> fill)
{
    currentX_ = x;
    currentY_ = y;
    const double cx = MapX(x), cy = MapY(y);
    const double r = std::abs(radius * PixelsPerUserX());
    if (!Finite(cx, cy) || !std::isfinite(r)) return;
    // Skip circles that cannot touch the device; this also keeps absurd sizes away from the
    // rasteriser.
    const double reach = r + drawWidth_;
    if (cx + reach < 0 || cy + reach < 0 || cx - reach > PixelWidth() ||
        cy - reach > PixelHeight() || r > kPixelLimit) {
        return;
    }

    auto paint = [&](QPainter& p, double centreX, double centreY) {
        PrepareShapes(p);
        p.setPen(MakePen(outline, drawWidth_));
        p.setBrush(fill ? QBrush(ToQColor(*fill)) : QBrush(Qt::NoBrush));
        p.drawEllipse(QPointF(centreX, centreY), r, r);
    };

    // A score plot draws thousands of equal dots, and rasterising each ellipse dominates its
    // redraw. Without antialiasing an ellipse about a whole pixel comes out the same wherever
    // it is placed, so small ones are drawn once into a stamp and copied from there.
    constexpr double kLargestStamp = 24;
    const bool stamp = StampsCircles() && r <= kLargestStamp;
    const QImage* stampImage = nullptr;
    int half = 0;
    if (stamp) {
        const auto key = std::make_tuple(r, outline, fill ? *fill : -1, drawWidth_);
        auto found = circleStamps_.find(key);
        half = static_cast<int>(std::ceil(r)) + drawWidth_ + 2;
        if (found == circleStamps_.end()) {
            if (circleStamps_.size() > 64) circleStamps_.clear();
            QImage image(2 * half + 1, 2 * half + 1, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter sp(&image);
            paint(sp, half, half);
            sp.end();
            found = circleStamps_.emplace(key, std::move(image)).first;
        }
        stampImage = &found->second;
    }
    // The record always gets the circle itself, so an exported figure keeps it as a shape.
    PaintAll([&](QPainter& p, bool device) {
        if (device && stampImage)
            p.drawImage(QPoint(RoundPixel(cx) - half, RoundPixel(cy) - half), *stampImage);
        else
            paint(p, RoundPixel(cx), RoundPixel(cy));
    });
}

// ---- Figures ----

namespace {

// Device pixels of the points, each cut to the drawable bound; false when one is not finite.
bool DevicePolygon(const Surface& surface, const Surface::Points& points, QPolygonF& out)
{
    out.clear();
    out.reserve(static_cast<int>(points.size()));
    for (const auto& [x, y] : points) {
        const double px = surface.MapX(x), py = surface.MapY(y);
        if (!Finite(px, py)) return false;
        out.append(QPointF(std::clamp(px, -kPixelLimit, kPixelLimit),
                           std::clamp(py, -kPixelLimit, kPixelLimit)));
    }
    return true;
}

}  // namespace

void Surface::Polyline(const Points& points, Colour colour)
{
    QPolygonF line;
    if (points.size() < 2 || !DevicePolygon(*this, points, line)) return;
    currentX_ = points.back().first;
    currentY_ = points.back().second;
    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.setRenderHint(QPainter::Antialiasing, smooth_);
        QPen pen = MakePen(colour, drawWidth_, lineStyle_);
        pen.setJoinStyle(Qt::RoundJoin);
        if (lineStyle_ == LineStyle::Solid) pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
    });
}

void Surface::Polygon(const Points& points, std::optional<Colour> fill,
                      std::optional<Colour> outline)
{
    QPolygonF shape;
    if (points.size() < 3 || (!fill && !outline) || !DevicePolygon(*this, points, shape)) return;
    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.setRenderHint(QPainter::Antialiasing, smooth_);
        if (outline) {
            QPen pen = MakePen(*outline, drawWidth_, lineStyle_);
            pen.setJoinStyle(Qt::RoundJoin);
            p.setPen(pen);
        } else {
            p.setPen(Qt::NoPen);
        }
        p.setBrush(fill ? QBrush(ToQColor(*fill)) : QBrush(Qt::NoBrush));
        p.drawPolygon(shape);
    });
}

void Surface::Circles(const Points& centres, double radius, Colour outline,
                      std::optional<Colour> fill)
{
    const double r = std::abs(radius * PixelsPerUserX());
    if (centres.empty() || !std::isfinite(r) || r > kPixelLimit) return;
    QPainterPath path;
    for (const auto& [x, y] : centres) {
        const double cx = MapX(x), cy = MapY(y);
        if (!Finite(cx, cy)) continue;
        const double reach = r + drawWidth_;
        if (cx + reach < 0 || cy + reach < 0 || cx - reach > PixelWidth() ||
            cy - reach > PixelHeight())
            continue;
        path.addEllipse(QPointF(cx, cy), r, r);
    }
    if (path.isEmpty()) return;
    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.setRenderHint(QPainter::Antialiasing, smooth_);
        p.setPen(MakePen(outline, drawWidth_));
        p.setBrush(fill ? QBrush(ToQColor(*fill)) : QBrush(Qt::NoBrush));
        p.drawPath(path);
    });
}

void Surface::Dots(const Points& centres, double diameter, Colour colour)
{
    const double d = std::abs(diameter * PixelsPerUserX());
    if (centres.empty() || !std::isfinite(d) || d > kPixelLimit) return;
    QPainterPath path;
    for (const auto& [x, y] : centres) {
        const double cx = MapX(x), cy = MapY(y);
        if (!Finite(cx, cy) || cx + d < 0 || cy + d < 0 || cx - d > PixelWidth() ||
            cy - d > PixelHeight())
            continue;
        path.moveTo(cx, cy);
        // A path drops a line that ends where it starts.
        path.lineTo(cx + 1e-3, cy);
    }
    if (path.isEmpty()) return;
    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.setRenderHint(QPainter::Antialiasing, smooth_);
        QPen pen(ToQColor(colour), d);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    });
}

void Surface::Text(double x, double y, const std::string& text, double alignX, double alignY,
                   double angle, Colour colour)
{
    const double px = MapX(x), py = MapY(y);
    if (text.empty() || !Finite(px, py) || !std::isfinite(angle)) return;
    const QFont font = CurrentFont();
    const QFontMetricsF fm(font, MetricsDevice());
    const QString line = QString::fromStdString(text);
    const double width = fm.horizontalAdvance(line);
    // The box runs from the top of the capitals to the bottom of the descenders, so that a
    // number centred on a tick sits visibly centred.
    const double top = -fm.capHeight();
    const double height = fm.descent() - top;
    const QPointF baseline(-alignX * width, -top - alignY * height);
    PaintAll([&](QPainter& p, bool) {
        PrepareShapes(p);
        p.save();
        p.translate(std::clamp(px, -kPixelLimit, kPixelLimit),
                    std::clamp(py, -kPixelLimit, kPixelLimit));
        p.rotate(-angle);
        p.setFont(font);
        p.setPen(ToQColor(colour));
        p.drawText(baseline, line);
        p.restore();
    });
}

}  // namespace tarvex
