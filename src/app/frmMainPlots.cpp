// The main window's score plots: frame, taxa, reference sites, fossil samples, right-eye
// views and the status strip. The geometry comes from the core; this file only draws.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include "app/App.h"
#include "mat/frmMAT.h"
#include "app/frmMain.h"
#include "diagram/frmDiagram.h"
#include "eof/AxisSelection.h"
#include "eof/frmControl.h"
#include "plots/Envelope.h"
#include "plots/ViewGeometry.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

// Frame, axes, titles, ticks and range labels on one surface.
void DrawFrame(PictureBox& p, const PlotFrame& frame)
{
    const double s = frame.s;
    p.SetDrawOverlay(false);
    p.SetDrawWidth(1);
    p.SetBackColor(kWhite);
    p.SetForeColor(kBlack);
    p.Scale(-1.2 * s, 1.2 * s, 2.4 * s, -2.4 * s);
    p.Cls();
    p.SetFontSize(7);
    p.BeginBatch();
    for (const Segment& a : frame.axes) p.Line(a.x1, a.y1, a.x2, a.y2, kBlack);
    for (const Segment& t : frame.ticks) p.Line(t.x1, t.y1, t.x2, t.y2, kBlack);
    for (const std::vector<TextAt>* texts : {&frame.titles, &frame.rangeLabels})
        for (const TextAt& t : *texts) {
            p.SetCurrentX(t.x);
            p.SetCurrentY(t.y);
            p.Print(t.text);
        }
}

void Label(PictureBox& p, double x, double y, double s, const std::string& text)
{
    p.SetCurrentX(x + 0.06 * s);
    p.SetCurrentY(y + 0.06 * s);
    p.Print(text);
}

// Labels of one plot by its frame's mode: 0 every item, 1 only the current item with its
// mark, 2 none. Items that `skip` rejects get neither.
template <typename XOf, typename Skip>
void DrawLabels(PictureBox& p, int mode, int count, int current, double s,
                const std::vector<ScreenPoint>& positions, const std::vector<std::string>& names,
                XOf xOf, Skip skip, Colour markColour)
{
    if (mode == 2) return;
    for (int i = 1; i <= count; ++i) {
        if (skip(i) || (mode == 1 && i != current)) continue;
        const double x = xOf(i);
        const double y = positions[i].y;
        Label(p, x, y, s, names[i]);
        if (mode == 1) p.Circle(x, y, 0.02 * s, markColour, markColour);
    }
}

// The x of every item as the right eye sees it.
std::vector<float> RightEyePositions(const std::vector<ScreenPoint>& left)
{
    std::vector<float> right(left.size(), 0.0f);
    for (std::size_t i = 1; i < left.size(); ++i)
        right[i] = static_cast<float>(RightEyeX(left[i].x, left[i].depth));
    return right;
}

}  // namespace

int frmMain::VisibleAxisCount() const
{
    return Option4[1]->isChecked() ? 3 : 2;
}

void frmMain::DrawTaxaPlot(int ex, int ey, int ez)
{
    Workspace& ws = app_.ws();
    if (!ws.eofDone) return;
    const double s = ws.useCorrelation ? 1.0 : ws.zoomFactor;
    ws.taxaScale = s;
    const bool threeD = Option4[1]->isChecked();
    const bool stereo = Check1->isChecked();
    const PlotFrame frame =
        BuildPlotFrame(s, threeD, ws.viewAngles, ex, ey, ez, Check4->isChecked());
    ws.taxaTickStep = TickStep(s);
    ws.taxonPositions =
        PlotPositions(ws.taxonLoadings, ws.taxonCount, ex, ey, ez, threeD, ws.viewAngles);
    ws.taxonRightX = RightEyePositions(ws.taxonPositions);

    const Colour c1 = ws.colours.schemeColour1.Value();
    const Colour c3 = ws.colours.schemeColour3.Value();
    const int mode = Option2[0]->isChecked() ? 0 : Option2[1]->isChecked() ? 1 : 2;
    for (int eye = 0; eye < (stereo ? 2 : 1); ++eye) {
        PictureBox& p = *Picture1[eye];
        DrawFrame(p, frame);
        p.BeginBatch();
        auto xOf = [&](int t) { return eye == 0 ? ws.taxonPositions[t].x : ws.taxonRightX[t]; };
        for (int t = 1; t <= ws.taxonCount; ++t)
            p.Circle(xOf(t), ws.taxonPositions[t].y, 0.07 * s / 4, c1, c1);
        DrawLabels(
            p, mode, ws.taxonCount, ws.currentTaxon, s, ws.taxonPositions, ws.refTaxonNames, xOf,
            [](int) { return false; }, c3);
        p.EndBatch();
        p.Refresh();
    }
    ShowAxisStatus();
}

void frmMain::DrawSitePlot(int ex, int ey, int ez)
{
    Workspace& ws = app_.ws();
    if (!ws.eofDone) return;
    const double s = ws.zoomFactor;
    const bool threeD = Option4[1]->isChecked();
    const bool stereo = Check1->isChecked();
    const PlotFrame frame =
        BuildPlotFrame(s, threeD, ws.viewAngles, ex, ey, ez, Check4->isChecked());
    ws.siteTickStep = TickStep(s);
    ws.sitePositions =
        PlotPositions(ws.refScores, ws.refSiteCount, ex, ey, ez, threeD, ws.viewAngles);
    ws.siteRightX = RightEyePositions(ws.sitePositions);

    const Colour c1 = ws.colours.schemeColour1.Value();
    const Colour c2 = ws.colours.schemeColour2.Value();
    const Colour c3 = ws.colours.schemeColour3.Value();
    const int mode = Option3[0]->isChecked() ? 0 : Option3[1]->isChecked() ? 1 : 2;
    for (int eye = 0; eye < (stereo ? 2 : 1); ++eye) {
        PictureBox& p = *Picture2[eye];
        DrawFrame(p, frame);
        p.BeginBatch();
        auto xOf = [&](int i) { return eye == 0 ? ws.sitePositions[i].x : ws.siteRightX[i]; };
        for (int i = 1; i <= ws.refSiteCount; ++i) {
            const bool onHull =
                i < static_cast<int>(ws.refSiteOnHull.size()) && ws.refSiteOnHull[i];
            p.Circle(xOf(i), ws.sitePositions[i].y, 0.07 * s / 4, onHull ? c1 : c2, c2);
        }
        DrawLabels(
            p, mode, ws.refSiteCount, ws.currentRefSite, s, ws.sitePositions, ws.refSiteLabels, xOf,
            [](int) { return false; }, c3);
        // The sites stay as the persistent picture; the fossil samples go on the layer above.
        p.ClearOverlay();
        p.Refresh();
    }
}

void frmMain::DrawFossilSamples(int ex, int ey, int ez)
{
    Workspace& ws = app_.ws();
    if (!ws.projectionDone) return;
    const double s = ws.zoomFactor;
    const bool threeD = Option4[1]->isChecked();
    const bool stereo = Check1->isChecked();
    const int m = ws.fossilSampleCount;
    ws.fossilPositions = PlotPositions(ws.fossilScores, m, ex, ey, ez, threeD, ws.viewAngles);
    ws.fossilRightX = RightEyePositions(ws.fossilPositions);

    const Colour c3 = ws.colours.schemeColour3.Value();
    const Colour c4 = ws.colours.schemeColour4.Value();
    const int mode = Option5[0]->isChecked() ? 0 : Option5[1]->isChecked() ? 1 : 2;
    auto empty = [&](int j) { return ws.fossilSampleEmpty[j]; };
    auto outside = [&](int j) {
        return j < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[j];
    };
    for (int eye = 0; eye < (stereo ? 2 : 1); ++eye) {
        PictureBox& p = *Picture2[eye];
        p.ClearOverlay();
        p.SetDrawOverlay(true);
        p.SetFontSize(7);
        p.BeginBatch();
        auto xOf = [&](int j) { return eye == 0 ? ws.fossilPositions[j].x : ws.fossilRightX[j]; };
        // The path in sequence order, broken by empty samples; sample 1 starts it.
        for (int j = 2; j <= m; ++j)
            if (!empty(j - 1) && !empty(j))
                p.Line(xOf(j), ws.fossilPositions[j].y, xOf(j - 1), ws.fossilPositions[j - 1].y,
                       c4);
        for (int j = 1; j <= m; ++j)
            if (!empty(j) && outside(j)) p.Circle(xOf(j), ws.fossilPositions[j].y, 0.02 * s, c3);
        DrawLabels(p, mode, m, ws.currentFossilSample, s, ws.fossilPositions, ws.fossilSampleLabels,
                   xOf, empty, c3);
        p.EndBatch();
        p.SetDrawOverlay(false);
        p.Refresh();
    }
}

void frmMain::RedrawPlots()
{
    const Workspace& ws = app_.ws();
    const auto& a = ws.displayAxes;
    if (ws.eofDone) {
        DrawTaxaPlot(a[1], a[2], a[3]);
        DrawSitePlot(a[1], a[2], a[3]);
    }
    if (ws.projectionDone) DrawFossilSamples(a[1], a[2], a[3]);
    RedrawSequenceWindows();
}

void frmMain::RedrawSequenceWindows()
{
    const Workspace& ws = app_.ws();
    if (app_.diagramLoaded() && ws.diagramDrawn)
        app_.diagram().DrawDiagram();  // the EOF panel with it
    else if (app_.diagramLoaded() && ws.eofCurveDrawn)
        app_.diagram().DrawEofCurve();
    // The reconstruction curve carries the envelope marks and the scheme's colours too.
    if (app_.matLoaded() && ws.reconShown) {
        if (ws.calibReturned || ws.histBuilt) app_.mat().RedrawMatrices();
        app_.mat().DrawReconCurve();
        app_.mat().ShowReconSample();
    }
}

void frmMain::ShowAxisStatus()
{
    const Workspace& ws = app_.ws();
    const AxisStatus status = AxisStatusText(ws.selectedAxisCount, VisibleAxisCount(), ws.moreAxes);
    PictureBox& p = *Picture3;
    p.SetDrawOverlay(false);
    p.ResetScale();
    p.SetBackColor(kWhite);
    p.Cls();
    p.SetFontSize(8);
    const double y = (p.PixelHeight() - p.TextHeight(status.prefix)) / 2;
    p.SetForeColor(kBlack);
    p.SetCurrentX(6);
    p.SetCurrentY(y);
    p.Print(status.prefix);
    p.SetForeColor(status.highlighted ? ws.colours.schemeColour3.Value() : kBlack);
    p.SetCurrentX(6 + p.TextWidth(status.prefix));
    p.SetCurrentY(y);
    p.Print(status.suffix);
    p.SetForeColor(kBlack);
    p.Refresh();
}

void frmMain::CycleDisplayAxes(bool next)
{
    Workspace& ws = app_.ws();
    if (next)
        RotateAxesLeft(ws.displayAxes, ws.selectedAxisCount);
    else
        RotateAxesRight(ws.displayAxes, ws.selectedAxisCount);
    RedrawPlots();
}

void frmMain::ResetEnvelope()
{
    ResetEnvelopeMarks(app_.ws());
    RedrawSequenceWindows();
    Command11->setText("Envelop");
}

void frmMain::RunEnvelope()
{
    Workspace& ws = app_.ws();
    const bool rotating = Timer1->isActive();
    const bool cycling = Timer2->isActive();
    Timer1->stop();
    Timer2->stop();
    Command11->setEnabled(false);
    ResetEnvelope();

    const float tightness = static_cast<float>(Slider1->value()) / 10;
    ws.envelopeTightness = tightness;
    BeginProgress(kEnvelopeDirections);
    RunEnvelopeAnalysis(ws, ws.envelopeRandom, tightness,
                        [this](int done, int) { ProgressBar1->setValue(done); });

    const auto& axes = ws.moreAxes ? ws.displayAxes : ws.selectedAxes;
    if (ws.eofDone) {
        DrawTaxaPlot(axes[1], axes[2], axes[3]);
        DrawSitePlot(axes[1], axes[2], axes[3]);
    }
    if (ws.projectionDone) DrawFossilSamples(axes[1], axes[2], axes[3]);
    RedrawSequenceWindows();

    if (rotating) Timer1->start();
    if (cycling) Timer2->start();
    EndProgress();
    Command11->setText("Reset envelope");
    Command11->setEnabled(true);
}

}  // namespace tarvex
