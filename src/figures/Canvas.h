#pragma once

#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "figures/Surface.h"

// The figure layer's drawing: a figure is laid out in millimetres with fonts in points on any
// Surface (a window's panel, an image, an SVG or PDF page, a printer), so that one routine per
// figure draws it for every target at the same physical size.
namespace tarvex::fig {

// The face every figure is set in; fonts-dejavu-core provides it on every machine the
// program is built for, and it is embedded in PDFs and named in SVGs.
inline constexpr const char* kFontFamily = "DejaVu Sans";

// Type sizes in points and line widths in points.
struct Style {
    double tickPt = 7;     // tick labels, legends, notes
    double labelPt = 8;    // axis titles, taxon names
    double titlePt = 10;   // figure titles
    double smallPt = 6;    // crowded labels
    double axisPt = 0.5;   // axes, ticks, frames
    double linePt = 0.8;   // curves
    double thinPt = 0.35;  // guides, zone lines, 1:1 lines
    double tickMm = 1.2;   // tick length outwards
};

enum class Marker { Circle, Disc, Square, Triangle, Cross };

class Canvas {
public:
    // The figure covers the surface, widthMm x heightMm; positions are millimetres from its
    // top-left corner, y downwards.
    Canvas(Surface& surface, double widthMm, double heightMm, Style style = {});

    Surface& surface() { return surface_; }
    const Style& style() const { return style_; }
    double width() const { return width_; }
    double height() const { return height_; }
    // Device pixels per millimetre.
    double PxPerMm() const;

    // ---- Lines and shapes, widths in points ----
    void Line(double x1, double y1, double x2, double y2, Colour colour, double widthPt,
              Surface::LineStyle line = Surface::LineStyle::Solid);
    void Polyline(const Surface::Points& points, Colour colour, double widthPt,
                  Surface::LineStyle line = Surface::LineStyle::Solid);
    void Fill(const Surface::Points& points, Colour colour);
    void Outline(const Surface::Points& points, Colour colour, double widthPt);
    void Rect(double x1, double y1, double x2, double y2, std::optional<Colour> fill,
              std::optional<Colour> outline = std::nullopt, double widthPt = 0.5);
    void Mark(double x, double y, Marker marker, double sizeMm, Colour colour);
    // Many circles (hollow) or discs of one size and colour at once.
    void Marks(const Surface::Points& centres, Marker marker, double sizeMm, Colour colour);
    // An image stretched over the rectangle, each source pixel a sharp cell.
    void Image(double x1, double y1, double x2, double y2, const QImage& image);

    // Lines, shapes and marks are cut to this rectangle until the clip is cleared: a curve
    // that leaves its plot stops at the plot's edge.
    void SetClip(double left, double top, double right, double bottom);
    void ClearClip() { clipped_ = false; }

    // ---- Text ----
    // alignX 0 left, 0.5 centre, 1 right; alignY 0 top of the capitals, 0.5 middle, 1 bottom
    // of the descenders; angle in degrees counter-clockwise about the anchor.
    void Text(double x, double y, const std::string& text, double pt, double alignX, double alignY,
              double angle = 0, bool italic = false, bool bold = false, Colour colour = kBlack);
    double TextWidth(const std::string& text, double pt, bool italic = false,
                     bool bold = false) const;
    // From the top of the capitals to the bottom of the descenders, the box Text aligns.
    double TextHeight(double pt) const;
    // The distance of two lines of text.
    double LineSpacing(double pt) const;

private:
    void SetFont(double pt, bool italic, bool bold) const;
    void SetPen(double widthPt, Surface::LineStyle line);

    // The parts of a segment inside the clip; false when none.
    bool ClipSegment(double& x1, double& y1, double& x2, double& y2) const;
    Surface::Points ClipPolygon(const Surface::Points& points) const;
    bool Inside(double x, double y) const;

    Surface& surface_;
    double width_, height_;
    Style style_;
    bool clipped_ = false;
    double clipLeft_ = 0, clipTop_ = 0, clipRight_ = 0, clipBottom_ = 0;
};

// ---- Scales and ticks ----

// A linear map from data values to millimetres.
struct Scale {
    double d0 = 0, d1 = 1;  // data values at the two ends
    double m0 = 0, m1 = 1;  // their positions in mm
    double operator()(double v) const { return m0 + (v - d0) * (m1 - m0) / (d1 - d0); }
};

struct Ticks {
    std::vector<double> values;
    std::vector<std::string> labels;
    double step = 1;
};

// Round tick values (1, 2 or 5 times a power of ten) from lo to hi, about `target` of them,
// labelled with the decimals the step needs ("0.5", "1.0", "1.5").
Ticks NiceTicks(double lo, double hi, int target = 5);
// The range widened outwards to the ticks' step, so an axis starts and ends on a tick.
void NiceRange(double& lo, double& hi, int target = 5);
// A value as text with exactly the given number of decimals, "." as decimal point.
std::string FixedText(double v, int decimals);
// Three significant digits, for values that span orders of magnitude.
std::string ShortText(double v);

enum class Side { Left, Right, Top, Bottom };

// An axis along one side of a plot: the line from the scale's m0 to m1 at `at` (the other
// coordinate), ticks outwards with their labels, and the title beyond the labels. Returns how
// far (mm) the axis reaches outwards from `at`.
double DrawAxis(Canvas& c, Side side, const Scale& scale, double at, const Ticks& ticks,
                const std::string& title, bool italicTitle = false);
// How far DrawAxis would reach, without drawing.
double AxisReach(const Canvas& c, Side side, const Ticks& ticks, const std::string& title);

// ---- Legends and keys ----

struct LegendItem {
    enum class Kind { Line, DashedLine, DottedLine, Marker, Box, Note } kind = Kind::Line;
    Colour colour = kBlack;
    std::string text;
    Marker marker = Marker::Disc;
    double widthPt = 0.8;
    double indent = 0;  // of a note, mm: a note that continues the text of the item before
};
// Items side by side from (x, y), wrapping at maxWidth; returns the height used.
double DrawLegend(Canvas& c, double x, double y, double maxWidth,
                  const std::vector<LegendItem>& items, bool draw = true);

// A vertical colour key: colourOf(v) for v from lo (bottom) to hi (top) in a bar at the given
// rectangle, with ticks and numbers on its right and a title above. Returns the width used
// right of the bar.
double DrawColourKey(Canvas& c, double x, double y, double barWidth, double barHeight, double lo,
                     double hi, const std::function<Colour(double)>& colourOf,
                     const std::string& title);

// A block of text lines from (x, y); returns the height used.
double DrawLines(Canvas& c, double x, double y, const std::vector<std::string>& lines, double pt);

}  // namespace tarvex::fig
