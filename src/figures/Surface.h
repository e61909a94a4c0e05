#pragma once

#include <QImage>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/Matrix.h"
#include "ui/Colour.h"

class QColor;
class QFont;
class QPainter;
class QPaintDevice;

namespace tarvex {

// The single place where a program colour becomes a toolkit colour, and back.
QColor ToQColor(Colour c);
Colour FromQColor(const QColor& c);

// What every drawing target offers: a window panel (PictureBox), a printed page (PrintPage),
// an image, an SVG or PDF file (PaintSurface). Drawing routines are written once against this
// class. It needs Qt's painting only, no widgets, so figures are drawn without a display.
//
// Coordinates are user units of the current scale unless a name says pixels. The default
// scale is the device's pixels and follows the size of the device; Scale() fixes a user
// scale that then stretches with the device. Positions are rounded to whole device pixels
// before lines, boxes and points are drawn, so what lands where is exact and repeatable.
//
// Drawing moves the pen: Line, Box and BoxFill leave CurrentX/CurrentY at their second
// corner, PSet at its point and Circle at its centre.
// A matrix of colours (element (i, j), both from 0) as an image whose column i is element i
// and whose rows run upwards: element (i, 0) is the bottom row. For Surface::Cells.
QImage CellImage(const Matrix<int32_t>& colours);

class Surface {
public:
    Surface();
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // ---- Scale ----
    // A negative height makes y grow upwards; a negative width makes x grow leftwards.
    // A zero or non-finite width or height is refused and the scale stays as it was.
    void Scale(double left, double top, double width, double height);
    // Back to the pixel scale that follows the device size.
    void ResetScale();
    // User units become twips of the device (1440 to the inch).
    void ScaleTwips();
    double ScaleLeft() const;
    double ScaleTop() const;
    double ScaleWidth() const;
    double ScaleHeight() const;

    // User units <-> device pixels (fractional).
    double MapX(double userX) const;
    double MapY(double userY) const;
    double UserX(double pixelX) const;
    double UserY(double pixelY) const;
    // The whole pixel a user position is drawn at (nearest, halves up).
    int PixelX(double userX) const;
    int PixelY(double userY) const;

    virtual int PixelWidth() const = 0;
    virtual int PixelHeight() const = 0;
    // Twips per device pixel: 15 on a 96 dpi screen.
    double TwipsPerPixelX() const;
    double TwipsPerPixelY() const;
    double TwipsWidth() const;
    double TwipsHeight() const;

    // ---- Drawing state ----
    Colour BackColor() const { return backColor_; }
    void SetBackColor(Colour c) { backColor_ = c; }
    Colour ForeColor() const { return foreColor_; }
    void SetForeColor(Colour c) { foreColor_ = c; }
    // Pen width in device pixels for lines, box outlines, points and circle rims; at least 1.
    int DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int w) { drawWidth_ = w < 1 ? 1 : w; }

    double CurrentX() const { return currentX_; }
    void SetCurrentX(double x) { currentX_ = x; }
    double CurrentY() const { return currentY_; }
    void SetCurrentY(double y) { currentY_ = y; }

    const std::string& FontName() const { return fontName_; }
    void SetFontName(const std::string& name) { fontName_ = name; }
    // Points; sizes that are not positive are refused.
    double FontSize() const { return fontSize_; }
    void SetFontSize(double points);
    bool FontBold() const { return fontBold_; }
    void SetFontBold(bool on) { fontBold_ = on; }
    bool FontItalic() const { return fontItalic_; }
    void SetFontItalic(bool on) { fontItalic_ = on; }
    bool FontUnderline() const { return fontUnderline_; }
    void SetFontUnderline(bool on) { fontUnderline_ = on; }
    // The font Print uses, sized in pixels of this device so it has the same physical size
    // on screen and on paper.
    QFont CurrentFont() const;

    // ---- Drawing ----
    // Fills the whole device with BackColor and moves the current position to the top-left
    // corner of the scale.
    virtual void Cls();
    void Line(double x1, double y1, double x2, double y2, Colour colour);
    void Box(double x1, double y1, double x2, double y2, Colour colour);
    void BoxFill(double x1, double y1, double x2, double y2, Colour colour);
    void PSet(double x, double y, Colour colour);
    // The radius is in user units of the x axis; the circle stays round whatever the y scale.
    // No fill leaves the inside untouched.
    void Circle(double x, double y, double radius, Colour outline,
                std::optional<Colour> fill = std::nullopt);

    // Paints an image stretched over the rectangle between two user corners, each source
    // pixel a sharp block (no smoothing): matrices of cells drawn on a grid.
    void Cells(double x1, double y1, double x2, double y2, const QImage& image);

    // Draws text with its top-left corner at the current position in ForeColor, then returns
    // CurrentX to where it was and moves CurrentY down one line per line of text.
    void Print(const std::string& text);
    // Size of the text in user units of the current scale. They carry the scale's sign:
    // on a y-up scale TextHeight is negative, so CurrentY + TextHeight is always the next line.
    double TextWidth(const std::string& text) const;
    double TextHeight(const std::string& text) const;

    // Text at a device pixel position in a font made for this one call: heightPx is the
    // character cell height, widthPx the average character width (0 = the face's own),
    // escapement in tenths of a degree counter-clockwise (900 reads bottom to top). The
    // position is the top-left corner of the unrotated text, the pivot of the rotation.
    void RotatedText(int pixelX, int pixelY, const std::string& text, int heightPx, int widthPx,
                     int escapementTenthDegrees, bool italic, Colour colour);

    // ---- Figures ----
    // Lines, box outlines, polylines and polygon outlines are drawn solid, dashed or dotted;
    // the dashes scale with the pen.
    enum class LineStyle { Solid, Dash, Dot };
    LineStyle GetLineStyle() const { return lineStyle_; }
    void SetLineStyle(LineStyle style) { lineStyle_ = style; }
    // Polylines and polygons drawn smooth (antialiased) instead of exact to the pixel; lines,
    // boxes and points always stay exact.
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool on) { smooth_ = on; }
    using Points = std::vector<std::pair<double, double>>;
    // Joined line segments through the points, in one stroke.
    void Polyline(const Points& points, Colour colour);
    // A closed polygon, filled when fill is given and outlined when outline is given.
    void Polygon(const Points& points, std::optional<Colour> fill,
                 std::optional<Colour> outline = std::nullopt);
    // Many circles of one size and colour in one stroke, as Circle draws them one by one;
    // far smaller and quicker in a vector file than thousands of separate shapes.
    void Circles(const Points& centres, double radius, Colour outline,
                 std::optional<Colour> fill = std::nullopt);
    // Many round dots of one diameter and colour, each the round end of a line too short
    // to see: the smallest form a dense scatter can take in a vector file.
    void Dots(const Points& centres, double diameter, Colour colour);
    // Text in the current font, placed by an anchor: alignX 0, 0.5 or 1 puts the anchor at
    // the left, the centre or the right end of the text; alignY 0, 0.5 or 1 at the top of its
    // capitals, their middle or the bottom of its descenders. angle turns the text about the
    // anchor, counter-clockwise in degrees (90 reads bottom to top). One line only.
    void Text(double x, double y, const std::string& text, double alignX, double alignY,
              double angle, Colour colour);

protected:
    // Every drawing call runs between these two. BeginDraw may return nullptr when there is
    // nothing to draw on (a printer that failed to start); the call is then skipped.
    virtual QPainter* BeginDraw() = 0;
    virtual void EndDraw(QPainter* painter) = 0;
    // Resolution used for point sizes and twips.
    virtual double DpiX() const = 0;
    virtual double DpiY() const = 0;
    // The device text is measured against.
    virtual QPaintDevice* MetricsDevice() const = 0;

    void ResetCurrentPosition();

    // True for surfaces that are pixel images, where small circles may be stamped from a
    // cached image of the same circle instead of being rasterised one by one.
    virtual bool StampsCircles() const { return false; }

    // Devices whose text is laid out without hinting, so that text measures the same at
    // every resolution, and without ligatures, so that text extracted from a file reads as
    // it was written: figures, whose PNG, SVG and PDF must agree.
    virtual bool UnhintedText() const { return false; }

    // A second painter every drawing call also goes to, in the same device pixels: a panel
    // records its drawing there as vector graphics for export. Null when nothing records.
    virtual QPainter* RecordPainter() { return nullptr; }

private:
    class DrawScope;
    // Runs paint on the device's painter and on the recording painter, if any; the second
    // argument tells the device (true) from the record (false).
    template <typename Paint>
    void PaintAll(const Paint& paint);
    // Cached small circles by (radius in pixels, outline, fill or -1, line width).
    mutable std::map<std::tuple<double, int, int, int>, QImage> circleStamps_;
    double PixelsPerUserX() const;
    double PixelsPerUserY() const;
    void DrawRect(double x1, double y1, double x2, double y2, Colour colour, bool filled);

    bool userScale_ = false;
    double scaleLeft_ = 0, scaleTop_ = 0, scaleWidth_ = 1, scaleHeight_ = 1;

    Colour backColor_ = kWhite;
    Colour foreColor_ = kBlack;
    int drawWidth_ = 1;
    LineStyle lineStyle_ = LineStyle::Solid;
    bool smooth_ = false;
    double currentX_ = 0, currentY_ = 0;

    std::string fontName_;
    double fontSize_ = 8.25;
    bool fontBold_ = false, fontItalic_ = false, fontUnderline_ = false;
};

}  // namespace tarvex
