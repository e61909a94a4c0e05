// The calibration window on paper: the eight figures at their places of the window's layout
// in twips, scaled by the print zoom, with frames, axis values and two blocks of text.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/App.h"
#include "calib/CalibRegions.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "ui/Dialogs.h"
#include "ui/PrintPage.h"

namespace tarvex {

namespace {

// The figures' boxes in twips of the window (left, top), each 1935 twips square with a
// drawing area of 1875 twips inside a 30-twip border.
constexpr double kFigureLeft[8] = {960, 3600, 6240, 960, 3600, 6240, 960, 3600};
constexpr double kFigureTop[8] = {480, 480, 480, 3240, 3240, 3240, 6120, 6120};
constexpr double kBox = 1935;
constexpr double kBorder = 30;
constexpr double kArea = 1875;
constexpr double kShiftX = 200;
constexpr double kShiftY = 1000;
// Room the layout needs in twips of the window, text blocks included, before the zoom.
constexpr double kLayoutWidth = 8400;
constexpr double kLayoutHeight = 8442 + 14 * 260;

int Dots(double v)
{
    return std::max(1, static_cast<int>(RoundHalfEven(v)));
}

std::string Text(const QLabel* l)
{
    return l->text().toStdString();
}

}  // namespace

void frmCalib::DrawPrintout(Surface& page)
{
    const Workspace& ws = app_.ws();
    const PrintSettings& ps = ws.print;
    const double z = ps.printZoom > 0 && std::isfinite(ps.printZoom) ? ps.printZoom : 1;
    const auto X = [z](double x) { return x * z + kShiftX; };
    const auto Y = [z](double y) { return y * z + kShiftY; };
    const bool grey = ws.colours.greyScaleOnCalib;

    // A layout larger than the page is shrunk to fit rather than cut off.
    page.ScaleTwips();
    const double needW = kLayoutWidth * z + kShiftX, needH = kLayoutHeight * z + kShiftY;
    const double f = std::max({1.0, needW / page.TwipsWidth(), needH / page.TwipsHeight()});
    if (f > 1) page.Scale(0, 0, page.TwipsWidth() * f, page.TwipsHeight() * f);

    page.SetFontSize(ps.printFontSize > 0 ? ps.printFontSize : 10);
    page.SetForeColor(kBlack);
    page.SetCurrentX(X(kFigureLeft[0]));
    page.SetCurrentY(kShiftY);
    if (!ps.printTitle.empty()) page.Print(ps.printTitle);

    const auto area = [&](int n, double& l, double& t, double& w, double& h) {
        l = X(kFigureLeft[n - 1] + kBorder);
        t = Y(kFigureTop[n - 1] + kBorder);
        w = kArea * z;
        h = kArea * z;
    };

    // Scatter figures: the dots, then white bands over what sticks out of the figure.
    const double low = Val(Text1->text().toStdString()), high = Val(Text2->text().toStdString());
    for (int ds = 0; ds < 2; ++ds) {
        if (!stages_.drawn[ds + 1] || !(high != low)) continue;
        double l, t, w, h;
        area(ds + 1, l, t, w, h);
        const Colour colour = ws.colours.schemeColour6.Value();
        page.SetDrawWidth(1);
        const double radius = 30 * z;
        for (std::size_t r = 1; r < sets_[ds].rows.size(); ++r) {
            const calib::PairRow& row = sets_[ds].rows[r];
            if (!row.Complete()) continue;
            const double x = l + (row.x - low) * w / (high - low);
            const double y = t + h - (row.y - low) * h / (high - low);
            // A dot wholly off the figure is not printed; the bands trim those on its edge.
            if (x < l - radius || x > l + w + radius || y < t - radius || y > t + h + radius)
                continue;
            page.Circle(x, y, radius, colour, colour);
        }
        const double band = 60 * z;
        page.BoxFill(l - band, t - band, l + w + band, t, kWhite);
        page.BoxFill(l - band, t + h, l + w + band, t + h + band, kWhite);
        page.BoxFill(l - band, t, l, t + h, kWhite);
        page.BoxFill(l + w, t, l + w + band, t + h, kWhite);
        if (ds == 1 && Check1->isChecked() && sets_[1].fit.valid) {
            const double k = sets_[1].fit.slope, d = sets_[1].fit.intercept;
            const double y1 = t + h - (k * low + d - low) * h / (high - low);
            const double y2 = t + h - (k * high + d - low) * h / (high - low);
            page.SetDrawWidth(Dots(ps.printDotSize * z / 2));
            page.Line(l, y1, l + w, y2, grey ? kBlack : RGB(255, 0, 0));
        }
    }

    // Model figures cell by cell in the screen's colours, without the screen's cut-off.
    const float perRange = ws.rangeWidth / 20.0f;
    const struct {
        int figure;
        int slot;
        float weight;
    } models[] = {
        {3, calib::kErrorModel, perRange},
        {4, calib::kJointModel, perRange},
        {5, calib::kSmoothedModel, (2.5f / static_cast<float>(Slider3->value())) * perRange},
        {6, calib::kRowNormalised, 20.0f},
        {7, calib::kProbability, 20.0f}};
    for (const auto& m : models) {
        if (!stages_.drawn[m.figure] || ws.calibMatrices.size() != 9) continue;
        double l, t, w, h;
        area(m.figure, l, t, w, h);
        page.Cells(l, t, l + w, t + h, CellImage(calib::ModelColours(ws, m.slot, m.weight, false)));
    }
    if (stages_.drawn[8]) {
        double l, t, w, h;
        area(8, l, t, w, h);
        page.Cells(l, t, l + w, t + h, CellImage(calib::RegionColours(ws)));
    }

    // Frames and the axis values under each figure.
    const double c = ps.printFontSize * 10.8;
    page.SetDrawWidth(Dots(ps.printFrameThickness * z));
    for (int n = 1; n <= 8; ++n) {
        const double l = X(kFigureLeft[n - 1]), t = Y(kFigureTop[n - 1]);
        page.Box(l, t, l + kBox * z, t + kBox * z, kBlack);
        const std::string lowText = Text(Label1[static_cast<std::size_t>(n - 1)]);
        const std::string highText = Text(Label2[static_cast<std::size_t>(n - 1)]);
        const double labelTop = Y(kFigureTop[n - 1] + kBox + 30);
        page.SetCurrentY(labelTop);
        page.SetCurrentX(X(kFigureLeft[n - 1]) - c * static_cast<double>(lowText.size()) / 2);
        page.Print(lowText);
        page.SetCurrentY(labelTop);
        page.SetCurrentX(X(kFigureLeft[n - 1] + kBox) -
                         c * static_cast<double>(highText.size()) / 2);
        page.Print(highText);
    }

    // A caption with its value, one line; a value the window does not have (no second data
    // set, a generated model, no file behind a transferred data set) leaves its line out
    // rather than printing the caption alone.
    const auto printValue = [&page](const std::string& caption, const std::string& value) {
        if (!value.empty()) page.Print(caption + value);
    };

    // The figures of the fit beside figure 8.
    page.SetCurrentX(X(kFigureLeft[5] + 100));
    page.SetCurrentY(Y(kFigureTop[6] + 100));
    printValue("N1 = ", Text(Label12[0]));
    printValue("N2 = ", Text(Label12[1]));
    printValue("R1 = ", Text(Label13[0]));
    printValue("R2 = ", Text(Label13[1]));
    if (Check1->isChecked()) {
        page.Print("Fitting line:");
        printValue("", Text(Label17));
        printValue("Std. Dev. = ", Text(Label19));
    }

    // Where the data came from and the settings, under the figures: one group of lines per
    // figure and one for the settings, with an empty line between groups.
    page.SetCurrentX(X(kFigureLeft[0]));
    page.SetCurrentY(Y(kFigureTop[6] + 1.2 * kBox));
    for (int ds = 0; ds < 2; ++ds) {
        const auto i = static_cast<std::size_t>(ds);
        page.Print("Figure " + std::to_string(ds + 1));
        printValue("File: ", Text(Label21[i]));
        printValue("X: ", Text(Label14[i]));
        printValue("Y: ", Text(Label15[i]));
        page.Print(" ");
    }
    const std::string enhancement = FormatNumber(static_cast<double>(ws.zEnhancement) * 100);
    for (const std::string& line : {"Smoothing level:  " + Text(Label7) + " %",
                                    "Confidence coefficient 1:  " + Text(Label4[0]) + " %",
                                    "Confidence coefficient 2:  " + Text(Label4[1]) + " %",
                                    "Z-axis enhancement:  " + enhancement + " %"})
        page.Print(line);
}

void frmCalib::PrintWindow()
{
    if (busy_) return;
    PrintOnePage(app_.dialogs(), this, [this](PrintPage& page) { DrawPrintout(page); });
}

}  // namespace tarvex
