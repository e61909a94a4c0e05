// The reconstruction window's view: the current sample (its selector, the cursor line and its
// dragging), the current parameter and the display range.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "diagram/frmDiagram.h"
#include "mat/frmMAT.h"
#include "ui/PictureBox.h"
#include "ui/Pointer.h"
#include "ui/SampleSelector.h"

namespace tarvex {

namespace {

constexpr double kTwipsPerPixel = 15;

}  // namespace

void frmMAT::ShowReconSample()
{
    Workspace& ws = app_.ws();
    const int n = ws.fossilSampleCount;
    if (n < 1) return;
    const int c = CurrentSample();
    const int current = std::clamp<int>(ws.currentFossilSample, 1, n);
    const bool outside =
        current < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[current];
    MarkSampleOutside(Check3, Combo3, outside, ws.colours.schemeColour3.Value());

    // The selector follows the cursor line, kept inside the window.
    const PictureBox& p = *Picture1;
    if (p.ScaleHeight() != 0) {
        const double heightTwips = p.height() * kTwipsPerPixel;
        const double g = (axis_.Y(c) - p.ScaleTop()) * (heightTwips - 60) / p.ScaleHeight() - 90;
        int top = p.y() + static_cast<int>(std::lround((g - 300) / kTwipsPerPixel));
        top = std::clamp(top, 0, std::max(0, centralWidget()->height() - Frame5->height()));
        Frame5->move(Frame5->x(), top);
    }
    const QString label = QString::fromStdString(ws.fossilSampleLabels[current]);
    Check3->setText(label);
    Combo3->setCurrentIndex(ws.fossilSampleEmpty[current] ? -1 : Combo3->findText(label));
    ShowAnalogueQuality();
}

void frmMAT::ChooseParameter()
{
    Workspace& ws = app_.ws();
    if (!ws.reconShown) return;
    const int p = ListedParameter();
    if (p < 1) return;
    ws.currentClimateParam = static_cast<int16_t>(p);
    if (static_cast<int>(range_.hasValue.size()) > p && range_.hasValue[p]) {
        Text1->setText(
            QString::fromStdString(FormatNumber(RoundRangeDown(range_.min[p], range_.max[p]))));
        Text2->setText(
            QString::fromStdString(FormatNumber(RoundRangeUp(range_.max[p], range_.min[p]))));
        DrawReconCurve();
    } else {
        // A parameter no sample could reconstruct: the notice instead of a curve.
        ShowNoAnaloguesNotice();
    }
    if (UpDown1->isEnabled()) UpDown1Down->setFocus();
    Picture4->hide();
    if (ws.errorModelShown) Command6->setEnabled(true);
    ClearMatrixPanels();
    ShowSummary();
    // The calibration module's windows close: they belong to the parameter that was shown.
    CloseCalibration();
}

void frmMAT::RangeEdited(bool changed)
{
    Workspace& ws = app_.ws();
    if (ws.reconShown) DrawReconCurve();
    ShowReconSample();
    Picture4->hide();
    if (ws.errorModelShown) {
        DrawErrorScatter();
        Command6->setEnabled(true);
    }
    if (changed) {
        ClearMatrixPanels();
        if (app_.calibLoaded()) app_.calib().TakeRange(Text1->text(), Text2->text());
    }
}

void frmMAT::StepSample(bool next)
{
    const int n = std::max<int>(app_.ws().fossilSampleCount, 1);
    int v = CurrentSample() + (next ? 1 : -1);
    if (v > n) v = 1;
    if (v < 1) v = n;
    app_.diagram().Slider1->setValue(v);
}

int frmMAT::CurrentSample() const
{
    const Workspace& ws = app_.ws();
    if (app_.diagramLoaded()) return app_.diagram().Slider1->value();
    return std::clamp<int>(ws.currentFossilSample, 1, std::max<int>(ws.fossilSampleCount, 1));
}

void frmMAT::CurrentSampleChanged()
{
    const Workspace& ws = app_.ws();
    if (ws.reconShown) DrawReconCurve();
    ShowReconSample();
}

void frmMAT::SetCursorShown(bool on)
{
    if (Check3->isChecked() == on) return;
    Check3->setChecked(on);
    if (app_.ws().reconShown) DrawReconCurve();
    ShowReconSample();
}

void frmMAT::CurveMouseMove(double y, bool onHistogram)
{
    const Workspace& ws = app_.ws();
    if (ws.fossilSampleCount < 1) return;
    PictureBox& panel = onHistogram ? *Picture3 : *Picture1;
    if (onHistogram && Picture3->ScaleHeight() != 0)
        y = (y - Picture3->ScaleTop()) * curveScaleHeight_ / Picture3->ScaleHeight() +
            curveScaleTop_;
    const int c = CurrentSample();
    const double h = panel.ScaleHeight();
    const float d = static_cast<float>(y - axis_.GrabCentre(c));
    const float limit = static_cast<float>(h * 10 / (axis_.depthSpacing() ? 500 : 50));
    if (d * d < limit) {
        panel.SetMousePointer(Pointer::SizeNS);
    } else if (!cursorDragging_) {
        panel.SetMousePointer(Pointer::Default);
    }
    if (cursorDragging_) app_.diagram().Slider1->setValue(axis_.SampleAt(y));
}

void frmMAT::CurveMouseDown(Qt::MouseButton button)
{
    if (button != Qt::LeftButton) return;
    if (Picture1->MousePointer() == Pointer::SizeNS || Picture3->MousePointer() == Pointer::SizeNS)
        cursorDragging_ = true;
}

void frmMAT::CurveMouseUp()
{
    Workspace& ws = app_.ws();
    const bool wasDragging = cursorDragging_;
    cursorDragging_ = false;
    Picture1->SetMousePointer(Pointer::Default);
    Picture3->SetMousePointer(Pointer::Default);
    if (!wasDragging) return;
    if (ws.diagramDrawn && app_.diagramLoaded()) {
        frmDiagram& d = app_.diagram();
        d.DrawDiagramCursor();
        d.DrawEofCursor();
        d.ShowCurrentSample();
    }
    DrawReconCurve();
    ShowReconSample();
}

}  // namespace tarvex
