// The chart on paper: the window's layout in twips, scaled by the print zoom and shifted by
// the page offsets, with the chart always in its confidence rendering.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "calib/ChartText.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "data/NumberText.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

constexpr Colour kBlue = RGB(0, 0, 255);
constexpr Colour kRed = RGB(255, 0, 0);
constexpr Colour kFrameGrey = RGB(127, 127, 127);

int Dots(double v)
{
    return std::max(1, static_cast<int>(RoundHalfEven(v)));
}

std::string Text(const QLabel* l)
{
    return l->text().toStdString();
}

struct TwipRect {
    double left = 0, top = 0, width = 0, height = 0;
};

}  // namespace

void frmOutPut2::PrintChart(Surface& page, double left, double top)
{
    const Workspace& ws = app_.ws();
    const PrintSettings& ps = ws.print;
    const double z = ps.printZoom > 0 && std::isfinite(ps.printZoom) ? ps.printZoom : 1;
    const bool grey = ws.colours.greyScaleOnCalib;
    // Window positions are counted in twips of the screen the window stands on.
    const double tx = Picture1->TwipsPerPixelX(), ty = Picture1->TwipsPerPixelY();
    QWidget* central = centralWidget();
    const auto rectOf = [&](const QWidget* w) {
        const QPoint at = w->mapTo(central, QPoint(0, 0));
        return TwipRect{at.x() * tx, at.y() * ty, w->width() * tx, w->height() * ty};
    };
    const auto X = [z, left](double x) { return x * z + left; };
    const auto Y = [z, top](double y) { return y * z + top; };
    const TwipRect f1 = rectOf(Picture1), f2 = rectOf(Picture2), shape = rectOf(Shape1);
    const double fontSize =
        ps.printFontSize > 0 && std::isfinite(ps.printFontSize) ? ps.printFontSize : 10;
    const double lineTwips = fontSize * 20 * 1.25;

    const int s = SectionColumn();
    const double low = Low(), high = High();
    std::string coefficient1, coefficient2;
    if (frmCalib* cal = Calib()) {
        coefficient1 = Text(cal->Label4[0]);
        coefficient2 = Text(cal->Label4[1]);
    }
    const calib::SectionTexts t =
        calib::SectionIntervalTexts(ws, s, low, high, coefficient1, coefficient2);
    const double blockLines = static_cast<double>(6 + t.intervals1.size() + t.intervals2.size());

    // A layout larger than the page is shrunk to fit rather than cut off.
    page.ScaleTwips();
    const double needW = X(central->width() * tx);
    const double needH =
        std::max({Y(central->height() * ty), Y(f1.top + 1.2 * f1.height) + 8 * lineTwips,
                  Y(shape.top) + 120 + (blockLines + 1) * lineTwips});
    const double fit = std::max({1.0, needW / page.TwipsWidth(), needH / page.TwipsHeight()});
    if (fit > 1) page.Scale(0, 0, page.TwipsWidth() * fit, page.TwipsHeight() * fit);

    const double section = Slider1->value();
    const bool sectionInside = section != 0 && section != 100;
    const auto sectionY = [&](int j) { return Y(f2.top + (1 - (j - 50) / 400.0) * f2.height); };

    // The chart, one cell per fine grid point, each cell centred on its point.
    page.SetDrawWidth(Dots(ps.printDotSize * z));
    const double halfW = f1.width / 800, halfH = f1.height / 800;
    page.Cells(X(f1.left - halfW), Y(f1.top - halfH), X(f1.left + f1.width + halfW),
               Y(f1.top + f1.height + halfH),
               CellImage(calib::ChartPrintColours(ws, Check1->isChecked())));

    // The section line, then the section as dots.
    if (sectionInside) {
        page.SetDrawWidth(Dots(ps.printDotSize * z / 2));
        const double x = X(f1.left + f1.width * section / 100);
        page.Line(x, Y(f1.top), x, Y(f1.top + f1.height), grey ? kBlack : kRed);
        page.SetDrawWidth(Dots(ps.printDotSize * z));
        const Colour bar = grey ? kBlack : kBlue;
        const Matrix<int32_t> bars = calib::ChartSectionColours(ws, s, Enhancement(), bar);
        for (int j = calib::kChartFirstShown; j <= calib::kChartLastShown; ++j)
            for (int k = 0; k <= 100; ++k)
                if (bars(k, j - calib::kChartFirstShown) == bar)
                    page.PSet(X(f2.left + k * f2.width / 100), sectionY(j), bar);
    }

    // Frames around both figures.
    page.SetDrawWidth(Dots(ps.printFrameThickness * z));
    const double m = ps.printFrameThickness * z * 3;
    for (const TwipRect& r : {f1, f2})
        page.Box(X(r.left) - m, Y(r.top) - m, X(r.left + r.width) + m, Y(r.top + r.height) + m,
                 kFrameGrey);

    page.SetFontName("Arial");
    page.SetFontSize(fontSize);
    page.SetFontBold(false);
    page.SetForeColor(kBlack);
    const double c = fontSize * 10.8;
    const auto at = [&page](double x, double y, const std::string& text) {
        page.SetCurrentX(x);
        page.SetCurrentY(y);
        page.Print(text);
    };
    if (!ps.printTitle.empty()) at(X(f1.left), top, ps.printTitle);

    // The section's value and the ends of the horizontal axis, centred on their labels; the
    // ends of the vertical axis right-aligned on theirs.
    for (const QLabel* l : {Label5, Label1[1], Label2[1]}) {
        const TwipRect r = rectOf(l);
        const std::string text = Text(l);
        at(X(r.left + r.width / 2) - c * static_cast<double>(text.size()) / 2, Y(r.top), text);
    }
    for (const QLabel* l : {Label1[0], Label2[0]}) {
        const TwipRect r = rectOf(l);
        const std::string text = Text(l);
        at(X(r.left + r.width) - c * static_cast<double>(text.size()), Y(r.top), text);
    }

    // What was calibrated, and with which settings.
    // A data set without a file (the reconstruction's own pairs) has no source to name.
    const auto source = [](const QLabel* l) {
        return l->text().isEmpty() ? std::string() : " (" + Text(l) + ")";
    };
    std::vector<std::string> lines;
    if (frmCalib* cal = Calib()) {
        lines = {"X: " + Text(cal->Label14[0]) + source(cal->Label21[0]),
                 "Y: " + Text(cal->Label15[1]) + source(cal->Label21[1]),
                 " ",
                 "Smoothing level:  " + Text(cal->Label7) + " %",
                 "Confidence coefficient 1:  " + Text(cal->Label4[0]) + " %",
                 "Confidence coefficient 2:  " + Text(cal->Label4[1]) + " %",
                 "Z-axis enhancement: " + Text(Label4)};
    }
    page.SetCurrentX(X(f1.left));
    page.SetCurrentY(Y(f1.top + 1.2 * f1.height));
    for (const std::string& line : lines) page.Print(line);

    // Interval marks and mode rows beside the section figure.
    page.SetDrawWidth(Dots(ps.printDotSize * z / 2));
    const double r2 = f2.left + f2.width;
    for (const auto& [threshold, e] : {std::pair<float, double>{2.0f, 400}, {1.0f, 205}}) {
        for (const calib::ChartInterval& i : calib::SectionIntervals(ws, s, threshold)) {
            const double x = X(r2 + e), yLow = sectionY(i.lowRow), yHigh = sectionY(i.highRow);
            page.Line(x, yLow, x, yHigh, kBlack);
            if (!i.openLow) page.Line(X(r2 + e - 50), yLow, x, yLow, kBlack);
            if (!i.openHigh) page.Line(X(r2 + e - 50), yHigh, x, yHigh, kBlack);
        }
    }
    if (ws.chartRegionFlags.rows() == calib::kChartLast)
        for (int j = calib::kChartFirstShown; j <= calib::kChartLastShown; ++j)
            if (ws.chartRegionFlags(s, j) == 3)
                page.Line(X(r2 + 35), sectionY(j), X(r2 + 500), sectionY(j), kBlack);

    // The section's intervals and mode in words; the average is not printed.
    const double x0 = X(shape.left), y0 = Y(shape.top);
    page.SetCurrentY(y0 + 120);
    const auto line = [&page](double x, const std::string& text) {
        page.SetCurrentX(x);
        page.Print(text.empty() ? " " : text);
    };
    line(x0 + 420, t.heading1);
    for (const std::string& i : t.intervals1) line(x0 + 500, i);
    line(x0 + 420, " ");
    line(x0 + 420, t.heading2);
    for (const std::string& i : t.intervals2) line(x0 + 500, i);
    line(x0 + 420, " ");
    line(x0 + 420, "Mode");
    line(x0 + 500, calib::PrintedModeText(ws, s, low, high));
}

}  // namespace tarvex
