// The diagram window's current sample: the box that follows the cursor, the other windows'
// marks of it, and the dragging of the cursor line.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "app/frmMain.h"
#include "diagram/frmDiagram.h"
#include "ui/PictureBox.h"
#include "ui/Pointer.h"
#include "ui/SampleSelector.h"

namespace tarvex {

namespace {

constexpr double kTwipsPerPixel = 15;

}  // namespace

void frmDiagram::ShowCurrentSample()
{
    Workspace& ws = app_.ws();
    frmMain& main = app_.main();
    const int current = Slider1->value();
    if (current < 1 || current > ws.fossilSampleCount) return;

    main.Option5[1]->setChecked(true);
    ws.currentFossilSample = static_cast<int16_t>(current);
    const QString label = QString::fromStdString(ws.fossilSampleLabels[current]);
    main.Combo1->setCurrentIndex(ws.fossilSampleEmpty[current] ? -1 : main.Combo1->findText(label));
    if (ws.projectionDone) {
        const auto& a = ws.displayAxes;
        main.DrawFossilSamples(a[1], a[2], a[3]);
    }

    const bool outside =
        current < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[current];
    MarkSampleOutside(Check1, Combo2, outside, ws.colours.schemeColour3.Value());

    Check1->setText(label);
    Combo2->setCurrentIndex(ws.fossilSampleEmpty[current] ? -1 : Combo2->findText(label));

    // The box follows the cursor line, kept inside the window.
    const PictureBox& p = *Picture1;
    const double heightTwips = p.height() * kTwipsPerPixel;
    const double g = (axis_.Y(current) - p.ScaleTop()) * (heightTwips - 60) / p.ScaleHeight() - 90;
    int top = p.y() + static_cast<int>(std::lround((g - 300) / kTwipsPerPixel));
    top = std::clamp(top, 0, std::max(0, centralWidget()->height() - Frame3->height()));
    Frame3->move(Frame3->x(), top);
}

void frmDiagram::PanelMouseMove(PictureBox& panel, Qt::MouseButton buttons, double x, double y)
{
    const Workspace& ws = app_.ws();
    Q_UNUSED(buttons);
    if (&panel == Picture1) {
        const double u = x + HScroll1->value();
        const auto& left = ws.diagramColumnLeft;
        const int taxa = ws.fossilTaxonCount;
        QString tip;
        for (int t = 1; t < taxa && t + 1 < static_cast<int>(left.size()); ++t)
            if (left[t] <= u && u < left[t + 1])
                tip = QString::fromStdString(ws.fossilTaxonNames[t]);
        if (taxa >= 1 && taxa < static_cast<int>(left.size()) && u > left[taxa])
            tip = QString::fromStdString(ws.fossilTaxonNames[taxa]);
        panel.setToolTip(tip);
    }
    const double centre = axis_.GrabCentre(Slider1->value());
    if (InGrabZone(y, centre, panel.ScaleHeight())) {
        panel.SetMousePointer(Pointer::SizeNS);
    } else if (!dragging_) {
        panel.SetMousePointer(Pointer::Default);
    }
    if (dragging_) Slider1->setValue(axis_.SampleAt(y));
}

void frmDiagram::PanelMouseDown(PictureBox& panel, Qt::MouseButton button, double, double)
{
    if (button == Qt::LeftButton && panel.MousePointer() == Pointer::SizeNS) dragging_ = true;
}

void frmDiagram::PanelMouseUp(PictureBox& panel, Qt::MouseButton, double, double)
{
    if (!dragging_) return;
    dragging_ = false;
    panel.SetMousePointer(Pointer::Default);
    DrawDiagramCursor();
    DrawEofCursor();
    ShowCurrentSample();
}

void frmDiagram::StepSample(bool next)
{
    const int n = std::max<int>(app_.ws().fossilSampleCount, 1);
    int v = Slider1->value() + (next ? 1 : -1);
    if (v > n) v = 1;
    if (v < 1) v = n;
    Slider1->setValue(v);
}

}  // namespace tarvex
