// The main window's view controls: rotation and tilt, zoom, 2-D/3-D, stereo, label modes,
// current items, the envelope button and the cycling of the displayed EOFs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmECC.h"
#include "eof/frmControl.h"
#include "plots/ViewGeometry.h"
#include "ui/PictureBox.h"
#include "ui/SquarePanels.h"

namespace tarvex {

namespace {

// Prev./Next over 1..count, wrapping at both ends.
int16_t Step(int16_t current, bool next, int count)
{
    int v = current + (next ? 1 : -1);
    if (v < 1) v = count;
    if (v > count) v = 1;
    return static_cast<int16_t>(v);
}

// The last item whose text equals the list's text, as a click on a list picks it.
int16_t LastMatch(const std::vector<std::string>& names, int count, const QString& text)
{
    int16_t found = 0;
    const std::string wanted = text.toStdString();
    for (int i = 1; i <= count && i < static_cast<int>(names.size()); ++i)
        if (names[i] == wanted) found = static_cast<int16_t>(i);
    return found;
}

}  // namespace

void frmMain::SetLabelMode(std::array<QRadioButton*, 3>& options, QComboBox* list,
                           std::array<QPushButton*, 2>& prevNext)
{
    const bool sequential = options[1]->isChecked();
    list->setEnabled(sequential);
    prevNext[0]->setEnabled(sequential);
    prevNext[1]->setEnabled(sequential);
}

void frmMain::ChangeRange()
{
    Workspace& ws = app_.ws();
    ws.zoomFactor = std::pow(2.0, Slider4->value());
    const auto& a = ws.displayAxes;
    if (ws.eofDone) {
        DrawSitePlot(a[1], a[2], a[3]);
        DrawTaxaPlot(a[1], a[2], a[3]);
    }
    if (ws.projectionDone) DrawFossilSamples(a[1], a[2], a[3]);
    if (ws.diagramDrawn && app_.diagramLoaded()) {
        frmDiagram& diagram = app_.diagram();
        {
            // Its own handler would only come back here.
            const QSignalBlocker quiet(diagram.Slider2);
            diagram.Slider2->setValue(Slider4->value());
        }
        diagram.DrawEofCurve();
    }
    // Every change of the zoom, from any of the three sliders, passes here once.
    if (app_.eccLoaded()) app_.ecc().FollowZoom(Slider4->value());
}

void frmMain::Timer1Tick()
{
    Workspace& ws = app_.ws();
    if (!Option4[1]->isChecked()) return;
    const float step = Check2->isChecked() ? 0.0f : ws.rotationStep;
    const RotationTick tick = AdvanceRotation(ws.viewAngles[1], step, Check3->isChecked());
    ws.viewAngles[1] = tick.angle;
    // The slider's own handler snaps the angle to whole degrees and redraws.
    Slider2[1]->setValue(tick.sliderValue);
}

void frmMain::ConnectViewControls()
{
    Workspace& ws = app_.ws();

    connect(Command3, &QPushButton::clicked, this, [this] { app_.control().show(); });
    connect(mnuControl, &QAction::triggered, this, [this] { app_.control().show(); });

    // Rotation and tilt: whole degrees from the sliders; the rotation timer moves the slider.
    for (int k = 1; k <= 2; ++k) {
        connect(Slider2[k], &QSlider::valueChanged, this, [this, &ws, k](int v) {
            ws.viewAngles[k] = v * kProgramPi / 180;
            const auto& a = ws.displayAxes;
            DrawTaxaPlot(a[1], a[2], a[3]);
            DrawSitePlot(a[1], a[2], a[3]);
            DrawFossilSamples(a[1], a[2], a[3]);
        });
        connect(Slider2[k], &QSlider::sliderPressed, this, [this, &ws, k] {
            ws.viewAngles[k] = Slider2[k]->value() * kProgramPi / 180;
            Timer1->stop();
        });
        connect(Slider2[k], &QSlider::sliderReleased, this, [this, &ws, k] {
            ws.viewAngles[k] = Slider2[k]->value() * kProgramPi / 180;
            Timer1->start();
        });
    }
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Tick(); });
    connect(Slider3, &QSlider::valueChanged, this,
            [&ws](int v) { ws.rotationStep = static_cast<float>(v) / 1000; });
    connect(Slider4, &QSlider::valueChanged, this, [this] { ChangeRange(); });

    connect(Check2, &QCheckBox::toggled, this, [this](bool paused) {
        if (paused)
            Timer1->stop();
        else
            Timer1->start();
    });
    connect(Check4, &QCheckBox::toggled, this, [this] { RedrawPlots(); });
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) {
        // The window grows by the two right-eye squares so the left-eye plots keep their size
        // (as far as the screen allows), and gives back exactly that width when stereo goes
        // off.
        const int before = width();
        const int grow = 2 * (plotArea_->Side() + plotArea_->Spacing());
        Picture1[1]->setVisible(on);
        Picture2[1]->setVisible(on);
        if (isVisible()) {
            // The layouts take in the new minimum width now rather than at the next event,
            // so the width the window takes and gives back is known here.
            plotArea_->updateGeometry();
            centralWidget()->layout()->activate();
            centralWidget()->updateGeometry();
            layout()->activate();
            if (on) {
                int target = before + grow;
                if (const QScreen* screen = this->screen())
                    target = std::min(target, screen->availableGeometry().width());
                target = std::max({target, before, minimumWidth()});
                resize(target, height());
                stereoGrowth_ = target - before;
            } else {
                resize(std::max(before - stereoGrowth_, minimumWidth()), height());
            }
        }
        if (!on) stereoGrowth_ = 0;
        RedrawPlots();
    });
    // A new size leaves the old pictures anchored at the top left and clipped: draw again.
    connect(plotArea_, &SquarePanels::panelsResized, this, [this] {
        if (app_.ws().eofDone) RedrawPlots();
    });

    // 2-D / 3-D: the axis counts follow the view, then everything is drawn again.
    for (int view = 0; view < 2; ++view)
        connect(Option4[view], &QRadioButton::toggled, this, [this, &ws, view](bool on) {
            if (!on) return;
            const int v = view == 0 ? 2 : 3;
            if (view == 0) {
                Timer1->stop();
            } else if (!Check2->isChecked()) {
                Timer1->start();
            }
            if (!ws.moreAxes) {
                ws.selectedAxisCount = static_cast<int16_t>(v);
            } else if (ws.selectedAxisCount <= v) {
                ws.moreAxes = false;
                Timer2->stop();
            }
            if (app_.controlLoaded()) app_.control().ViewChanged(v);
            const auto& a = ws.moreAxes ? ws.displayAxes : ws.selectedAxes;
            DrawTaxaPlot(a[1], a[2], a[3]);
            DrawSitePlot(a[1], a[2], a[3]);
            if (ws.envelopeDone && !ws.moreAxes && ws.projectionDone) RunEnvelope();
            DrawFossilSamples(a[1], a[2], a[3]);
        });

    // Label modes of the three frames.
    for (QRadioButton* option : Option2)
        connect(option, &QRadioButton::toggled, this, [this, &ws](bool on) {
            if (!on) return;
            SetLabelMode(Option2, Combo3, Command1);
            DrawTaxaPlot(ws.displayAxes[1], ws.displayAxes[2], ws.displayAxes[3]);
        });
    for (auto* frame : {&Option3, &Option5}) {
        QComboBox* list = frame == &Option3 ? Combo4 : Combo1;
        auto* buttons = frame == &Option3 ? &Command2 : &Command13;
        for (int k = 0; k < 3; ++k)
            connect((*frame)[k], &QRadioButton::toggled, this,
                    [this, &ws, frame, list, buttons, k](bool on) {
                        if (!on) return;
                        SetLabelMode(*frame, list, *buttons);
                        const auto& a = ws.displayAxes;
                        DrawSitePlot(a[1], a[2], a[3]);
                        DrawFossilSamples(a[1], a[2], a[3]);
                        // The fossil frame's mode is the diagram's cursor display too; a
                        // diagram that is not loaded takes it from here when it loads.
                        if (frame == &Option5 && k > 0 && app_.diagramLoaded())
                            app_.diagram().Check1->setChecked(k == 1);
                    });
    }

    // Current items.
    for (int i = 0; i < 2; ++i) {
        const bool next = i == 1;
        connect(Command1[i], &QPushButton::clicked, this, [this, &ws, next] {
            ws.currentTaxon = Step(ws.currentTaxon, next, ws.taxonCount);
            Combo3->setCurrentIndex(ws.currentTaxon - 1);
            DrawTaxaPlot(ws.displayAxes[1], ws.displayAxes[2], ws.displayAxes[3]);
        });
        connect(Command2[i], &QPushButton::clicked, this, [this, &ws, next] {
            ws.currentRefSite = Step(ws.currentRefSite, next, ws.refSiteCount);
            Combo4->setCurrentIndex(ws.currentRefSite - 1);
            const auto& a = ws.displayAxes;
            DrawSitePlot(a[1], a[2], a[3]);
            DrawFossilSamples(a[1], a[2], a[3]);
        });
        connect(Command13[i], &QPushButton::clicked, this, [this, &ws, next] {
            // Runs over all samples, empty ones included; an empty one shows no mark. The
            // diagram's sample slider holds the current sample: its handler updates the plots.
            app_.diagram().Slider1->setValue(
                Step(ws.currentFossilSample, next, ws.fossilSampleCount));
        });
    }
    connect(Combo3, &QComboBox::activated, this, [this, &ws] {
        const int16_t t = LastMatch(ws.refTaxonNames, ws.taxonCount, Combo3->currentText());
        if (t == 0) return;
        ws.currentTaxon = t;
        DrawTaxaPlot(ws.displayAxes[1], ws.displayAxes[2], ws.displayAxes[3]);
    });
    connect(Combo4, &QComboBox::activated, this, [this, &ws] {
        const int16_t s = LastMatch(ws.refSiteLabels, ws.refSiteCount, Combo4->currentText());
        if (s == 0) return;
        ws.currentRefSite = s;
        const auto& a = ws.displayAxes;
        DrawSitePlot(a[1], a[2], a[3]);
        DrawFossilSamples(a[1], a[2], a[3]);
    });
    connect(Combo1, &QComboBox::activated, this, [this, &ws] {
        const int16_t j =
            LastMatch(ws.fossilSampleLabels, ws.fossilSampleCount, Combo1->currentText());
        if (j == 0) return;
        app_.diagram().Slider1->setValue(j);
    });

    // Envelope.
    connect(Command11, &QPushButton::clicked, this, [this, &ws] {
        if (Command11->text() == "Envelop") {
            Command11->setEnabled(false);
            RunEnvelope();
        } else {
            ResetEnvelope();
            const auto& a = ws.displayAxes;
            DrawSitePlot(a[1], a[2], a[3]);
            if (ws.fossilSampleCount > 2) DrawFossilSamples(a[1], a[2], a[3]);
        }
        Command11->setEnabled(true);
        Command14->setEnabled(true);
    });
    connect(Slider1, &QSlider::valueChanged, this, [this, &ws](int v) {
        ws.envelopeTightness = static_cast<float>(v) / 10;
        Label4->setText(QString::fromStdString(FormatSingle(ws.envelopeTightness)));
        if (Command11->text() == "Reset envelope") RunEnvelope();
        RedrawPlots();
    });

    // Cycling of the displayed EOFs in "more axes" mode.
    connect(Command4[0], &QPushButton::clicked, this, [this] { CycleDisplayAxes(false); });
    connect(Command4[1], &QPushButton::clicked, this, [this] { CycleDisplayAxes(true); });
    connect(Timer2, &QTimer::timeout, this, [this] { CycleDisplayAxes(true); });
    connect(Option6[0], &QRadioButton::toggled, this, [this](bool automatic) {
        Slider5->setEnabled(automatic);
        Label7->setEnabled(automatic);
        Command4[0]->setEnabled(!automatic);
        Command4[1]->setEnabled(!automatic);
        if (automatic)
            Timer2->start();
        else
            Timer2->stop();
    });
    connect(Slider5, &QSlider::valueChanged, this, [this](int v) {
        if (v == 0) return;
        Timer2->setInterval(v * 1000);
        Timer2->start();
    });
}

}  // namespace tarvex
