// The reconstruction window's pictures: the curve with its smoothed line, marks and cursor,
// the error model's scatter and its figures, and the analogue-quality line.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "data/NumberText.h"
#include "mat/ReconFiles.h"
#include "mat/frmMAT.h"
#include "ui/PictureBox.h"
#include "ui/Pointer.h"

namespace tarvex {

namespace {

constexpr double kMissing = -9999;

bool HasValue(const Workspace& ws, int i, int p)
{
    return i >= 1 && i <= ws.reconValues.rows() && p <= ws.reconValues.cols() &&
           ws.reconValues(i, p) != kMissing && !ws.fossilSampleEmpty[i];
}

std::string FigureText(double v)
{
    return std::isfinite(v) ? FormatNumber(RoundTo(v, 3)) : std::string("-");
}

// Three significant digits, for distances that span orders of magnitude.
std::string SignificantText(double v)
{
    if (!std::isfinite(v) || v == 0) return FigureText(v);
    const int decimals = 2 - static_cast<int>(std::floor(std::log10(std::fabs(v))));
    return FormatNumber(RoundTo(v, decimals));
}

constexpr Colour kQualityMarkColour = RGB(200, 0, 0);
constexpr const char* kNoBreakSpace = "\u00a0";

}  // namespace

void frmMAT::SetCurveScales()
{
    const double lo = TextValue(Text1);
    const double hi = TextValue(Text2);
    const double width = hi - lo;
    if (width != 0 && std::isfinite(width)) {
        Picture1->Scale(lo, curveScaleTop_, width, curveScaleHeight_);
        Picture2->Scale(lo, hi, width, lo - hi);
        Picture4->Scale(lo, hi, width, lo - hi);
        const DiagramVerticalScale v =
            UsableVerticalScale(app_.ws().diagramScaleTop, app_.ws().diagramScaleHeight);
        Picture3->Scale(lo, v.top, width, v.height);
    } else {
        Picture1->Scale(0, curveScaleTop_, 1, curveScaleHeight_);
    }
}

void frmMAT::DrawReconCurve()
{
    Workspace& ws = app_.ws();
    const double lo = TextValue(Text1);
    const double hi = TextValue(Text2);
    if (lo == hi || !std::isfinite(lo) || !std::isfinite(hi)) return;
    if (ws.reconValues.rows() < ws.fossilSampleCount) return;

    SetCurveScales();
    Picture1->SetBackColor(kWhite);
    Picture1->Cls();
    for (PictureBox* p : {Picture2, Picture4}) {
        p->SetBackColor(kWhite);
        p->Cls();
    }
    Picture3->ClearOverlay();

    const int n = ws.fossilSampleCount;
    const int c = CurrentSample();
    const bool cursor = Check3->isChecked() || Picture1->MousePointer() == Pointer::SizeNS;
    Picture1->BeginBatch();
    if (cursor && n >= 1) {
        const Colour colour = ws.colours.schemeColour1.Value();
        Picture1->Line(lo, axis_.Y(c), hi, axis_.Y(c), colour);
        if (Picture3->isVisible()) {
            Picture3->Scale(lo, curveScaleTop_, hi - lo, curveScaleHeight_);
            Picture3->SetDrawOverlay(true);
            Picture3->Line(lo, axis_.Y(c), hi, axis_.Y(c), colour);
            Picture3->SetDrawOverlay(false);
            SetCurveScales();
        }
        const int current = ws.currentFossilSample;
        const int p = ws.currentClimateParam;
        if (HasValue(ws, current, p)) {
            PictureBox& target = Picture4->isVisible() ? *Picture4 : *Picture2;
            const double x = ws.reconValues(current, p);
            target.Line(x, hi, x, lo, colour);
            target.Refresh();
        }
    }

    const int p = std::max(ListedParameter(), 1);
    ws.currentClimateParam = static_cast<int16_t>(p);

    const Colour outsideColour = ws.colours.schemeColour3.Value();
    for (int i = 1; i <= n; ++i)
        if (!ws.fossilSampleEmpty[i] && i < static_cast<int>(ws.fossilOutside.size()) &&
            ws.fossilOutside[i])
            Picture1->Line(lo, axis_.Y(i), hi, axis_.Y(i), outsideColour);

    // A tick at the right edge for every sample farther from its closest site than the 5 %
    // cut-off, under the curve so as not to hide it.
    if (CheckQuality->isChecked()) {
        Picture1->SetDrawWidth(2);
        const double from = hi - (hi - lo) * 0.08;
        for (int i = 1; i <= n; ++i)
            if (!ws.fossilSampleEmpty[i] && BeyondCutoff(ws, i, 1))
                Picture1->Line(from, axis_.Y(i), hi, axis_.Y(i), kQualityMarkColour);
    }

    const Colour curveColour = ws.colours.schemeColour6.Value();
    Picture1->SetDrawWidth(1);
    for (int i = 1; i <= n; ++i) {
        if (!HasValue(ws, i, p)) continue;
        const bool joinedBefore = i > 1 && HasValue(ws, i - 1, p);
        const bool joinedAfter = i < n && HasValue(ws, i + 1, p);
        if (joinedAfter)
            Picture1->Line(ws.reconValues(i, p), axis_.Y(i), ws.reconValues(i + 1, p),
                           axis_.Y(i + 1), curveColour);
        else if (!joinedBefore)
            Picture1->PSet(ws.reconValues(i, p), axis_.Y(i), curveColour);
    }

    const int w = Slider6->value();
    if (w >= 2) {
        const SmoothedCurve smooth = SmoothCurve(ws, p, w);
        ws.smoothPosition = smooth.position;
        ws.smoothValue = smooth.value;
        Picture1->SetDrawWidth(2);
        const Colour smoothColour = ws.colours.schemeColour3.Value();
        auto has = [&](int k) {
            return k >= 1 && k <= smooth.windows && smooth.value[k] != kMissing;
        };
        for (int k = 1; k <= smooth.windows; ++k) {
            if (!has(k)) continue;
            const double y = axis_.WindowY(k, w, smooth.position[k]);
            if (has(k + 1))
                Picture1->Line(smooth.value[k], y, smooth.value[k + 1],
                               axis_.WindowY(k + 1, w, smooth.position[k + 1]), smoothColour);
            else if (!has(k - 1))
                Picture1->PSet(smooth.value[k], y, smoothColour);
        }
        Picture1->SetDrawWidth(1);
    } else {
        ws.smoothPosition.clear();
        ws.smoothValue.clear();
    }
    Picture1->EndBatch();
    Picture1->Refresh();
    Picture3->Refresh();

    DrawMatrixOverlays();
    if (ws.errorModelShown) DrawErrorScatter();
    ws.reconShown = true;
    EnableCurveMenus(true);
}

void frmMAT::DrawErrorScatter()
{
    Workspace& ws = app_.ws();
    PictureBox& pic = *Picture2;
    pic.SetBackColor(kWhite);
    pic.Cls();
    const double lo = TextValue(Text1);
    const double hi = TextValue(Text2);
    if (lo == hi || !std::isfinite(lo) || !std::isfinite(hi)) return;
    if (ws.siteReconValues.rows() < ws.refSiteCount) return;
    const int p = ws.currentClimateParam;
    if (p < 1 || p > ws.siteReconValues.cols() || p > ws.climateValues.cols()) return;
    pic.Scale(lo, hi, hi - lo, lo - hi);
    pic.BeginBatch();
    const int current = ws.currentFossilSample;
    const bool cursor = Check3->isChecked() || Picture1->MousePointer() == Pointer::SizeNS;
    if (cursor && current >= 1 && current <= ws.fossilSampleCount &&
        !ws.fossilSampleEmpty[current] && ws.reconValues.rows() >= current &&
        ws.reconValues.cols() >= p) {
        const double x = ws.reconValues(current, p);
        pic.Line(x, hi, x, lo, ws.colours.schemeColour1.Value());
    }
    const Colour colour = ws.colours.schemeColour6.Value();
    const double radius = std::abs(pic.ScaleWidth()) / 67;
    for (int s = 1; s <= ws.refSiteCount; ++s)
        pic.Circle(ws.siteReconValues(s, p), ws.climateValues(s, p), radius, colour, colour);
    pic.EndBatch();
    pic.Refresh();
    ws.errorModelShown = true;
    EnableScatterMenus(true);
    Command3->setEnabled(false);
    ShowSummary();
}

void frmMAT::ShowSummary()
{
    const Workspace& ws = app_.ws();
    if (!ws.errorModelShown) {
        SummaryLabel->hide();
        return;
    }
    const ErrorModelSummary s = SummariseErrorModel(ws, ws.currentClimateParam);
    // A line that does not fit breaks between figures, never between a caption and its value.
    const auto figure = [](std::string caption, const std::string& value) {
        std::string joined;
        for (char c : caption) joined += c == ' ' ? std::string(kNoBreakSpace) : std::string(1, c);
        return joined + kNoBreakSpace + value;
    };
    SummaryLabel->setText(QString::fromStdString(
        figure("n", std::to_string(s.sites)) + "  " + figure("RMSEP", FigureText(s.rmsep)) + "  " +
        figure("R\u00b2", FigureText(s.r2)) + "\n" + figure("mean bias", FigureText(s.meanBias)) +
        "  " + figure("max bias", FigureText(s.maxBias))));
    SummaryLabel->show();
}

void frmMAT::ShowAnalogueQuality()
{
    const Workspace& ws = app_.ws();
    const int i = ws.currentFossilSample;
    if (!ws.reconShown || i < 1 || i >= static_cast<int>(ws.closestSite.size())) {
        QualityLabel->clear();
        return;
    }
    const int s = ws.closestSite[i];
    std::string text = "Closest site: ";
    if (s == 0 || s >= static_cast<int>(ws.refSiteLabels.size())) {
        text += "none";
    } else {
        const double cutoff = ws.analogueCutoffs[1];
        text += SignificantText(ws.closestDistance[i]) + " (" + ws.refSiteLabels[s] + ")";
        if (!std::isnan(cutoff))
            text += std::string(BeyondCutoff(ws, i, 1) ? "\n> " : "\n\u2264 ") + "5 % cut-off " +
                    SignificantText(cutoff);
    }
    QualityLabel->setText(QString::fromStdString(text));
    QualityLabel->setToolTip(
        "Distance of the current sample to its closest reference site, against the distances "
        "of the reference sites to their closest neighbours: above the 5 % cut-off the sample "
        "has no good modern analogue.");
}

}  // namespace tarvex
