// The calibration window's figures: the result figures drawn from their matrices, the
// regions with the mode and median lines, the trimmed probability, and the figures' tips and
// appearance.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QSlider>

#include "app/App.h"
#include "calib/CalibRegions.h"
#include "calib/frmCalib.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

constexpr double kSide = 1875;

}  // namespace

// ---- Drawing of the result figures ----

void frmCalib::DrawModelFigure(int n)
{
    Workspace& ws = app_.ws();
    PictureBox& pic = *Figure(n);
    pic.ForgetPicture();
    pic.SetBackColor(kWhite);
    pic.Cls();
    if (ws.calibMatrices.size() != 9 || n < 3 || n > 7) return;
    const float perRange = ws.rangeWidth / 20.0f;
    int slot = calib::kErrorModel;
    float weight = perRange;
    switch (n) {
    case 3: break;
    case 4: slot = calib::kJointModel; break;
    case 5:
        slot = calib::kSmoothedModel;
        weight = (2.5f / static_cast<float>(Slider3->value())) * perRange;
        break;
    case 6:
        if (!stages_.drawn[6]) return;  // skipped: figure 6 stays empty
        slot = calib::kRowNormalised;
        weight = 20.0f;
        break;
    default:
        slot = calib::kProbability;
        weight = 20.0f;
        break;
    }
    pic.Cells(0, 0, kSide, kSide, CellImage(calib::ModelColours(ws, slot, weight)));
    pic.Refresh();
}

void frmCalib::DrawRegions()
{
    Workspace& ws = app_.ws();
    PictureBox& pic = *Figure(8);
    pic.ForgetPicture();
    pic.SetBackColor(kWhite);
    pic.Cls();
    pic.Cells(0, 0, kSide, kSide, CellImage(calib::RegionColours(ws)));
    pic.KeepPicture();
    DrawLines();
}

void frmCalib::DrawLines()
{
    const Workspace& ws = app_.ws();
    PictureBox& pic = *Figure(8);
    pic.ClearOverlay();
    if (!stages_.drawn[8]) return;
    const bool grey = ws.colours.greyScaleOnCalib;
    pic.SetDrawOverlay(true);
    pic.SetDrawWidth(1);
    const auto draw = [&pic](const std::vector<calib::LineItem>& items, Colour colour) {
        for (const calib::LineItem& it : items) {
            if (it.segment)
                pic.Line(CellX(it.a0), CellY(it.b0), CellX(it.a1), CellY(it.b1), colour);
            else
                pic.PSet(CellX(it.a0), CellY(it.b0), colour);
        }
    };
    if (Check6->isChecked()) draw(calib::MedianLine(ws), grey ? kBlack : RGB(0, 0, 255));
    if (Check2->isChecked()) draw(calib::ModeLine(ws), grey ? kBlack : RGB(255, 0, 0));
    pic.SetDrawOverlay(false);
    pic.Refresh();
}

void frmCalib::FitSusono()
{
    const Workspace& ws = app_.ws();
    if (ws.colours.greyScaleOnCalib || !stages_.drawn[7] || !stages_.drawn[8]) return;
    PictureBox& pic = *Figure(7);
    pic.SetBackColor(kWhite);
    pic.Cls();
    pic.Cells(0, 0, kSide, kSide, CellImage(calib::TrimmedProbabilityColours(ws)));
    pic.Refresh();
}

void frmCalib::RedrawFigures()
{
    for (int ds = 0; ds < 2; ++ds)
        if (stages_.drawn[ds + 1]) DrawScatterPoints(ds);
    if (stages_.drawn[2] && Check1->isChecked()) DrawFittedLine();
    for (int n = 3; n <= 7; ++n)
        if (stages_.drawn[n]) DrawModelFigure(n);
    if (stages_.drawn[8]) {
        DrawRegions();
        FitSusono();
    }
}

void frmCalib::ResetColour()
{
    Workspace& ws = app_.ws();
    if (busy_) return;
    if (stages_.drawn[8])
        calib::ComputeRegions(ws, Slider1->value(), Slider2->value(),
                              ws.colours.greyScaleOnCalib);
    RedrawFigures();
}

// ---- Figure decoration ----

void frmCalib::SetFigureTips()
{
    for (int n : {3, 4, 5, 6, 8})
        if (!stages_.drawn[n]) Figure(n)->setToolTip("X: / Y: ");
}

void frmCalib::FigureHovered(int n)
{
    QString tip;
    if (n <= 2) {
        const auto i = static_cast<std::size_t>(n - 1);
        tip = n == 2 && stages_.generateModel
                  ? QString("X: / Y: ")
                  : "X: " + Label14[i]->text() + " / Y: " + Label15[i]->text();
    } else if (!stages_.drawn[n]) {
        tip = "X: / Y: ";
    } else if (n == 3) {
        tip = "X: " + Label14[1]->text() + " / Y: " + Label15[1]->text();
    } else {
        tip = "X: " + Label14[0]->text() + " / Y: " + Label15[1]->text();
    }
    Figure(n)->setToolTip(tip);
    if (n >= 7 && stages_.drawn[n]) SetRaised(n, false);
}

void frmCalib::SetRaised(int n, bool raised)
{
    frames_[static_cast<std::size_t>(n - 1)]->setFrameShadow(raised ? QFrame::Raised
                                                                    : QFrame::Plain);
}

}  // namespace tarvex
