#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <limits>

#include "ui/PictureBox.h"

namespace tarvex {
namespace {

constexpr Colour kRed = RGB(255, 0, 0);
constexpr Colour kGreen = RGB(0, 255, 0);
constexpr Colour kBlue = RGB(0, 0, 255);

Colour At(const QImage& image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

// Bounding box of every pixel that is not the background.
QRect InkBounds(const QImage& image, Colour background)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != background) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// A 200 x 100 panel, 10 pixels to the unit, y growing upwards from 0 at the bottom edge.
class PictureBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        box.resize(200, 100);
        box.Scale(0, 10, 20, -10);
        box.Cls();
    }
    Colour Pixel(double ux, double uy) const
    {
        return At(box.picture(), box.PixelX(ux), box.PixelY(uy));
    }
    PictureBox box;
};

TEST(ColourTest, ConvertsThroughOnePlace)
{
    EXPECT_EQ(ToQColor(RGB(255, 0, 0)), QColor(Qt::red));
    EXPECT_EQ(ToQColor(RGB(0, 0, 255)), QColor(Qt::blue));
    EXPECT_EQ(RGB(1, 2, 3), 1 + 256 * 2 + 65536 * 3);
    EXPECT_EQ(FromQColor(QColor(10, 20, 30)), RGB(10, 20, 30));
    // Out-of-range components saturate instead of leaking into the neighbouring byte.
    EXPECT_EQ(RGB(300, -5, 0), RGB(255, 0, 0));
}

TEST_F(PictureBoxTest, ScaleMapsBothWays)
{
    EXPECT_DOUBLE_EQ(box.MapX(5), 50);
    EXPECT_DOUBLE_EQ(box.MapY(10), 0);
    EXPECT_DOUBLE_EQ(box.MapY(0), 100);
    EXPECT_DOUBLE_EQ(box.UserX(50), 5);
    EXPECT_DOUBLE_EQ(box.UserY(25), 7.5);

    box.Scale(0, 0, 0, 5);  // refused
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 20);

    const double twips = 1440.0 / box.logicalDpiX();
    EXPECT_DOUBLE_EQ(box.TwipsWidth(), 200 * twips);
    box.ScaleTwips();
    EXPECT_DOUBLE_EQ(box.MapX(100 * twips), 100);

    // The pixel scale follows the size.
    box.ResetScale();
    box.resize(300, 120);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 300);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), 120);
}

TEST_F(PictureBoxTest, LinesBoxesAndPointsLandOnMappedPixels)
{
    box.Line(2, 2, 18, 2, kRed);
    box.PSet(5, 5, kBlue);
    box.BoxFill(2, 6, 6, 9, kGreen);
    box.Box(10, 6, 16, 9, kRed);
    const QImage img = box.picture();

    EXPECT_EQ(At(img, 20, 80), kRed);  // both ends of the line are drawn
    EXPECT_EQ(At(img, 180, 80), kRed);
    EXPECT_EQ(At(img, 181, 80), kWhite);
    EXPECT_EQ(At(img, 100, 79), kWhite);  // one pixel wide
    EXPECT_EQ(At(img, 50, 50), kBlue);
    EXPECT_EQ(At(img, 51, 50), kWhite);
    EXPECT_EQ(At(img, 40, 25), kGreen);  // centre and both corners of the filled box
    EXPECT_EQ(At(img, 20, 40), kGreen);
    EXPECT_EQ(At(img, 60, 10), kGreen);
    EXPECT_EQ(At(img, 61, 10), kWhite);
    EXPECT_EQ(At(img, 100, 10), kRed);  // outline corners, empty inside
    EXPECT_EQ(At(img, 160, 40), kRed);
    EXPECT_EQ(At(img, 130, 25), kWhite);

    // The pen stays where the last shape ended.
    EXPECT_DOUBLE_EQ(box.CurrentX(), 16);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 9);

    box.SetDrawWidth(2);
    box.Line(0, 3, 20, 3, kBlue);
    const QImage wide = box.picture();
    const int y = box.PixelY(3);
    EXPECT_EQ((At(wide, 100, y - 1) == kBlue) + (At(wide, 100, y) == kBlue) +
                  (At(wide, 100, y + 1) == kBlue),
              2);
}

TEST_F(PictureBoxTest, FarAndInvalidCoordinatesAreSafe)
{
    box.Line(10, 5, 1e30, 5, kRed);  // cut to the device, direction kept
    box.Line(10, 3, 1e12, 3 - (1e12 - 10) / 2, kBlue);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    box.Line(nan, 1, 5, 1, kGreen);
    box.PSet(nan, nan, kGreen);
    box.Circle(5, 5, std::numeric_limits<double>::infinity(), kGreen, kGreen);
    const QImage img = box.picture();
    EXPECT_EQ(At(img, 199, 50), kRed);
    EXPECT_EQ(At(img, 120, 80), kBlue);  // still one pixel down per two across
    EXPECT_EQ(At(img, 158, 99), kBlue);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ASSERT_NE(At(img, x, y), kGreen) << x << "," << y;
}

TEST_F(PictureBoxTest, CircleRadiusFollowsXAxisAndFillIsOptional)
{
    // y squeezed to 5 pixels to the unit: the circle must stay round, 20 pixels in radius.
    box.Scale(0, 20, 20, -20);
    box.BoxFill(0, 0, 20, 20, kGreen);
    box.Circle(5, 10, 2, kRed, kBlue);
    box.Circle(15, 10, 2, kRed, std::nullopt);
    const QImage img = box.picture();
    const int cy = box.PixelY(10);
    for (int cx : {box.PixelX(5), box.PixelX(15)}) {
        EXPECT_EQ(At(img, cx + 20, cy), kRed);
        EXPECT_EQ(At(img, cx - 20, cy), kRed);
        EXPECT_EQ(At(img, cx, cy - 20), kRed);
        EXPECT_EQ(At(img, cx, cy + 20), kRed);
        EXPECT_EQ(At(img, cx + 22, cy), kGreen);
    }
    EXPECT_EQ(At(img, box.PixelX(5), cy), kBlue);
    EXPECT_EQ(At(img, box.PixelX(15), cy), kGreen);
}

TEST_F(PictureBoxTest, OverlayComesAndGoesAbovePersistentPicture)
{
    box.Line(0, 5, 20, 5, kBlue);
    box.SetDrawOverlay(true);
    box.Line(10, 0, 10, 10, kRed);
    EXPECT_EQ(Pixel(10, 5), kRed);  // overlay on top where they cross
    EXPECT_EQ(Pixel(10, 8), kRed);
    EXPECT_EQ(At(box.persistentPicture(), 100, 20), kWhite);

    box.ClearOverlay();
    EXPECT_EQ(Pixel(10, 8), kWhite);
    EXPECT_EQ(Pixel(10, 5), kBlue);
    EXPECT_EQ(Pixel(3, 5), kBlue);

    box.Line(10, 0, 10, 10, kRed);  // still routed to the overlay
    box.SetBackColor(RGB(10, 20, 30));
    box.Cls();
    EXPECT_EQ(InkBounds(box.picture(), RGB(10, 20, 30)), QRect());
    EXPECT_DOUBLE_EQ(box.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 10);
}

TEST_F(PictureBoxTest, ResizeKeepsContentAndEmptyPanelIsHarmless)
{
    box.ResetScale();
    box.PSet(10, 10, kRed);
    box.resize(300, 150);
    box.PSet(250, 120, kBlue);
    const QImage img = box.picture();
    ASSERT_EQ(img.size(), QSize(300, 150));
    EXPECT_EQ(At(img, 10, 10), kRed);
    EXPECT_EQ(At(img, 250, 120), kBlue);
    EXPECT_EQ(At(img, 299, 149), kWhite);

    box.resize(0, 0);
    box.Line(0, 0, 10, 10, kRed);
    box.Print("x");
    box.Cls();
    EXPECT_EQ(box.PixelWidth(), 0);
    EXPECT_TRUE(box.picture().isNull());
}

TEST_F(PictureBoxTest, PrintDrawsAtCurrentPositionAndMovesOneLineDown)
{
    box.SetFontName("Arial");
    EXPECT_TRUE(QFontMetrics(box.CurrentFont()).inFont(QLatin1Char('A')));
    box.SetFontSize(12);
    box.SetCurrentX(2);
    box.SetCurrentY(8);
    const double h = box.TextHeight("Ag");
    const double w = box.TextWidth("Ag");
    // 12 points at the panel's resolution, with a little line spacing on top.
    const double px = -h * 10;
    EXPECT_GE(px, 12 * box.logicalDpiY() / 72.0);
    EXPECT_LE(px, 1.5 * 12 * box.logicalDpiY() / 72.0);
    EXPECT_DOUBLE_EQ(box.TextHeight("A\nB"), 2 * box.TextHeight("A"));

    box.Print("Ag");
    EXPECT_DOUBLE_EQ(box.CurrentX(), 2);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 8 + h);

    const QRect ink = InkBounds(box.picture(), kWhite);
    ASSERT_FALSE(ink.isEmpty());
    const QRect cell(box.PixelX(2), box.PixelY(8), std::ceil(w * 10) + 1, std::ceil(px) + 1);
    EXPECT_TRUE(cell.contains(ink)) << "ink outside the text cell";
}

TEST_F(PictureBoxTest, RotatedTextStaysInItsColumn)
{
    struct Case {
        int escapement;
        bool upright;
    };
    for (const Case c : {Case{0, false}, Case{900, true}}) {
        box.Cls();
        box.RotatedText(60, 80, "Pollen", 12, 5, c.escapement, false, kBlack);
        const QRect ink = InkBounds(box.picture(), kWhite);
        ASSERT_FALSE(ink.isEmpty()) << c.escapement;
        if (c.upright) {
            // Reads upwards from (60, 80): the glyph tops face left, so the ink sits in the
            // 12-pixel column right of x = 60 and above y = 80.
            EXPECT_GE(ink.left(), 60);
            EXPECT_LE(ink.right(), 60 + 12);
            EXPECT_LE(ink.bottom(), 80);
            EXPECT_GT(ink.height(), 2 * ink.width());
        } else {
            EXPECT_GE(ink.top(), 80);
            EXPECT_LE(ink.bottom(), 80 + 12);
            EXPECT_GT(ink.width(), 2 * ink.height());
        }
        // Six characters about 5 pixels wide each.
        EXPECT_NEAR(std::max(ink.width(), ink.height()), 30, 10) << c.escapement;
    }
}

TEST_F(PictureBoxTest, MouseEventsReportUserCoordinates)
{
    std::vector<std::tuple<char, int, double, double>> seen;
    QObject::connect(&box, &PictureBox::mousePressed, [&](Qt::MouseButton b, double x, double y) {
        seen.emplace_back('p', b, x, y);
    });
    QObject::connect(&box, &PictureBox::mouseMoved, [&](Qt::MouseButton b, double x, double y) {
        seen.emplace_back('m', b, x, y);
    });
    QObject::connect(&box, &PictureBox::mouseReleased, [&](Qt::MouseButton b, double x, double y) {
        seen.emplace_back('r', b, x, y);
    });
    QPoint menuAt;
    QObject::connect(&box, &PictureBox::contextMenuRequested, [&](QPoint p) { menuAt = p; });

    auto send = [&](QEvent::Type type, QPointF pos, Qt::MouseButton b, Qt::MouseButtons held) {
        QMouseEvent e(type, pos, box.mapToGlobal(pos), b, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &e);
    };
    send(QEvent::MouseButtonPress, {50, 25}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {100, 50}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {150, 75}, Qt::LeftButton, Qt::NoButton);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(305, 405));
    QCoreApplication::sendEvent(&box, &menu);

    const std::vector<std::tuple<char, int, double, double>> expected{
        {'p', Qt::LeftButton, 5, 7.5},
        {'m', Qt::LeftButton, 10, 5},
        {'r', Qt::LeftButton, 15, 2.5}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(menuAt, QPoint(305, 405));
    EXPECT_TRUE(menu.isAccepted());
}

TEST_F(PictureBoxTest, ClipboardGetsTheComposedPicture)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("old");
    box.Line(0, 5, 20, 5, kBlue);
    box.SetDrawOverlay(true);
    box.PSet(10, 8, kRed);
    box.CopyToClipboard();
    const QImage pasted = clipboard->image();
    if (pasted.isNull()) GTEST_SKIP() << "this platform keeps no image on the clipboard";
    EXPECT_TRUE(clipboard->text().isEmpty());
    ASSERT_EQ(pasted.size(), QSize(200, 100));
    EXPECT_EQ(At(pasted, 100, 50), kBlue);
    EXPECT_EQ(At(pasted, 100, 20), kRed);
}

TEST(PointerTest, ShapesCanBeSetAndReadBack)
{
    PictureBox box;
    for (Pointer p : {Pointer::Hourglass, Pointer::SizeNS, Pointer::SizeWE, Pointer::Default}) {
        SetScreenPointer(p);
        EXPECT_EQ(ScreenPointer(), p);
        box.SetMousePointer(p);
        EXPECT_EQ(box.MousePointer(), p);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// Small circles are stamped from a cached image; the result must be the very pixels a direct
// rasterisation gives, at any position, for outline-only and filled circles and both widths.
TEST(PictureBoxStampTest, StampedCirclesMatchDirectRasterisation)
{
    PictureBox box;
    box.resize(160, 120);
    box.SetBackColor(RGB(255, 255, 255));
    box.Cls();
    QImage reference(box.picture().size(), QImage::Format_ARGB32_Premultiplied);
    reference.fill(Qt::white);
    QPainter p(&reference);
    p.setRenderHint(QPainter::Antialiasing, false);

    struct Case {
        double x, y, r;
        int width;
        bool filled;
    };
    const std::vector<Case> cases{{20.3, 20.7, 3.06, 1, true},   {60.5, 20.5, 3.06, 1, true},
                                  {100.2, 30.9, 7.5, 2, false},  {30.0, 80.0, 1.4, 1, false},
                                  {130.6, 90.1, 12.25, 1, true}, {80.4, 85.6, 0.6, 2, true}};
    for (const Case& c : cases) {
        box.SetDrawWidth(c.width);
        box.Circle(c.x, c.y, c.r, RGB(0, 0, 255),
                   c.filled ? std::optional<Colour>(RGB(0, 255, 0)) : std::nullopt);
        QPen pen(QColor(0, 0, 255), c.width);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(c.filled ? QBrush(QColor(0, 255, 0)) : QBrush(Qt::NoBrush));
        p.drawEllipse(QPointF(std::floor(c.x + 0.5), std::floor(c.y + 0.5)), c.r, c.r);
    }
    p.end();
    const QImage drawn = box.picture().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixel(x, y) != reference.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace tarvex
