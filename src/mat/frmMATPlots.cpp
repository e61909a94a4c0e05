// The reconstruction window's runs and pictures: the reconstruction and the error model, the
// curve with its smoothed line and cursor, the scatter, and the result files.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include <ctime>

#include "app/App.h"
#include "data/RecordWriter.h"
#include "mat/MatrixFiles.h"
#include "mat/Histogram.h"
#include "calib/CalibData.h"
#include "calib/CalibRegions.h"
#include "calib/frmCalib.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "diagram/frmDiagram.h"
#include "eof/ScoreFiles.h"
#include "mat/ReconFiles.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/Pointer.h"
#include "ui/SampleSelector.h"

namespace tarvex {

namespace {

constexpr double kTwipsPerPixel = 15;
constexpr double kMissing = -9999;

// The last parameter whose name equals the list's text, or 0.
int ParameterOfText(const Workspace& ws, const QString& text)
{
    const std::string wanted = text.toStdString();
    int found = 0;
    for (int p = 1; p <= ws.climateParamCount && p < static_cast<int>(ws.climateParamNames.size());
         ++p)
        if (ws.climateParamNames[p] == wanted) found = p;
    return found;
}

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

}  // namespace

double frmMAT::TextValue(const QLineEdit* box) const
{
    return Val(box->text().toStdString());
}

void frmMAT::EnableCurveMenus(bool on)
{
    for (QAction* a : {mnuSaveCurve, mnuSaveCurve2, mnuSaveCurveAll, mnuSaveCurveAll2, mnuCopy1})
        a->setEnabled(on);
}

void frmMAT::EnableScatterMenus(bool on)
{
    for (QAction* a : {mnuSaveScatter, mnuSaveScatter2, mnuCopy2}) a->setEnabled(on);
}

void frmMAT::ClearMatrixPanels()
{
    Workspace& ws = app_.ws();
    Picture4->hide();
    Picture3->ForgetPicture();
    Picture3->SetBackColor(WindowColour(*this));
    Picture3->Cls();
    Picture4->ForgetPicture();
    Picture4->SetBackColor(WindowColour(*this));
    Picture4->Cls();
    ws.histBuilt = ws.calibReturned = false;
    for (QAction* a :
         {mnuSaveStrativ, mnuSaveStrativ2, mnuCopy3, mnuSaveMeridan, mnuSaveMeridan2, mnuCopy4})
        a->setEnabled(false);
}

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

void frmMAT::DoClimateReconstruction()
{
    Workspace& ws = app_.ws();
    if (!ws.climateLoaded) return;
    const int n = ws.fossilSampleCount;
    BeginProgress(n);
    const AnalogueSettings settings = Settings();
    ReconstructClimate(ws, settings, threshold_,
                       [this](int done, int) { ProgressBar1->setValue(done); });
    // The modern distances change only with the distance itself, not with the threshold,
    // the numbers of analogues or the weighting.
    AssessAnalogueQuality(ws, modernClosest_.Get(ws, settings));
    range_ = ReconstructionRange(ws.reconValues, n, ws.climateParamCount);
    ProgressBar1->setValue(0);

    const int p = std::max(ParameterOfText(ws, Combo1->currentText()), 1);
    ws.currentClimateParam = static_cast<int16_t>(p);
    const bool none = range_.hasValue.size() <= static_cast<std::size_t>(p) || !range_.hasValue[p];
    // Without any value the range of 9999 and -9999 still gives the curve a scale, so the
    // window counts as showing a reconstruction and a changed setting runs it again.
    const double lo = none ? 9999 : range_.min[p];
    const double hi = none ? -9999 : range_.max[p];
    Text1->setText(QString::fromStdString(FormatNumber(RoundRangeDown(lo, hi))));
    Text2->setText(QString::fromStdString(FormatNumber(RoundRangeUp(hi, lo))));
    SetCurveScales();
    DrawReconCurve();
    ShowReconSample();
    if (none) ShowNoAnaloguesNotice();
    EndProgress();
    for (QWidget* w : std::initializer_list<QWidget*>{Check3, Combo1, Combo3, Text1, Text2, UpDown1,
                                                      Command3, CheckQuality})
        w->setEnabled(true);
    Command3->setFocus();
}

void frmMAT::ShowNoAnaloguesNotice()
{
    Text1->clear();
    Text2->clear();
    Picture1->ResetScale();
    Picture1->SetBackColor(kWhite);
    Picture1->Cls();
    Picture1->SetForeColor(kBlack);
    for (const char* line : {" No analogues through", " the whole sequence.", " Change threshold."})
        Picture1->Print(line);
    Picture1->Refresh();
}

void frmMAT::Reset()
{
    Workspace& ws = app_.ws();
    if (loading_) return;
    for (PictureBox* p : {Picture1, Picture2}) {
        p->SetBackColor(kWhite);
        p->Cls();
    }
    ClearMatrixPanels();
    ws.errorModelShown = false;
    EnableScatterMenus(false);
    Command3->setEnabled(false);
    Command6->setEnabled(false);
    if (extraPanelsShown_) ShowExtraPanels(false);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame6, Picture2, Command6, Picture4,
                                                      Command4, Picture3, Slider7, SummaryLabel})
        w->hide();
    Command4->setEnabled(false);
    DefineThreshold();
    if (ws.reconShown) DoClimateReconstruction();
    // The calibration window closes: its pairs no longer match.
    CloseCalibration();
}

void frmMAT::ShowExtraPanels(bool on)
{
    if (on == extraPanelsShown_) return;
    extraPanelsShown_ = on;
    // Picture0 and Picture99 have the same width here: the window grows by what Frame5 moves.
    const int grow = kExtraPanelsWidth;
    setFixedWidth(width() + (on ? grow : -grow));
    LayoutControls();
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

    const int p = std::max(ParameterOfText(ws, Combo1->currentText()), 1);
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
            const double y = axis_.YOfPosition(smooth.position[k]);
            if (has(k + 1))
                Picture1->Line(smooth.value[k], y, smooth.value[k + 1],
                               axis_.YOfPosition(smooth.position[k + 1]), smoothColour);
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

void frmMAT::ChooseParameter()
{
    Workspace& ws = app_.ws();
    if (!ws.reconShown) return;
    const int p = ParameterOfText(ws, Combo1->currentText());
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

void frmMAT::HistResize()
{
    Workspace& ws = app_.ws();
    Picture4->hide();
    if (ws.errorModelShown) {
        DrawErrorScatter();
        Command6->setEnabled(true);
    }
    ClearMatrixPanels();
    ShowReconSample();
    if (ws.reconShown) DrawReconCurve();
}

void frmMAT::GenerateErrorModel()
{
    Workspace& ws = app_.ws();
    if (!ws.climateLoaded || ws.reconValues.rows() < ws.fossilSampleCount) return;
    for (QWidget* w : std::initializer_list<QWidget*>{Picture2, Picture3, Slider7, Command4})
        w->show();
    Command3->setEnabled(false);
    ShowExtraPanels(true);

    BeginProgress(ws.refSiteCount);
    tarvex::GenerateErrorModel(ws, Settings(), threshold_,
                               [this](int done, int) { ProgressBar1->setValue(done); });
    ProgressBar1->setValue(0);
    const int p = std::max(ParameterOfText(ws, Combo1->currentText()), 1);
    ws.currentClimateParam = static_cast<int16_t>(p);
    Picture2->SetBackColor(kWhite);
    Picture2->Cls();
    DrawErrorScatter();
    ShowReconSample();

    Command6->show();
    Command6->setEnabled(true);
    Command6->setFocus();
    Frame6->show();
    Slider7->show();
    Picture3->show();
    EndProgress();
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
    SummaryLabel->setText(
        QString::fromStdString("n " + std::to_string(s.sites) + "  RMSEP " + FigureText(s.rmsep) +
                               "  R\u00b2 " + FigureText(s.r2) + "\nmean bias " +
                               FigureText(s.meanBias) + "  max bias " + FigureText(s.maxBias)));
    SummaryLabel->show();
}

void frmMAT::SaveCurve()
{
    const Workspace& ws = app_.ws();
    const int p = ws.currentClimateParam;
    if (CurveFileText(ws, p).empty()) {
        app_.dialogs().Warn("There is no reconstruction to save yet.", "Error");
        return;
    }
    app_.main().SaveText("Save climate curve", ws.fossilSampleCount,
                         [&ws, p](const ProgressFn& progress, bool* allFinite) {
                             return CurveFileText(ws, p, progress, allFinite);
                         },
                 "climate-curve-" + std::to_string(p) + ".csv");
}

void frmMAT::SaveCurveAll()
{
    const Workspace& ws = app_.ws();
    if (AllCurvesFileText(ws).empty()) {
        app_.dialogs().Warn("There is no reconstruction to save yet.", "Error");
        return;
    }
    app_.main().SaveText("Save all climate curves", ws.fossilSampleCount,
                         [&ws](const ProgressFn& progress, bool* allFinite) {
                             return AllCurvesFileText(ws, progress, allFinite);
                         },
                 "climate-curves.csv");
}

void frmMAT::SaveScatter()
{
    const Workspace& ws = app_.ws();
    const int p = ws.currentClimateParam;
    if (ScatterFileText(ws, p).empty()) {
        app_.dialogs().Warn("There is no error model to save yet.", "Error");
        return;
    }
    app_.main().SaveText("Save scatter diagram", ws.refSiteCount,
                         [&ws, p](const ProgressFn& progress, bool* allFinite) {
                             return ScatterFileText(ws, p, progress, allFinite);
                         },
                 "scatter-" + std::to_string(ws.currentClimateParam) + ".csv");
}

// ---- The calibration module ----

void frmMAT::OpenCalibration()
{
    Workspace& ws = app_.ws();
    if (!ws.errorModelShown) return;
    if (!ws.calibWindowOpen || ws.calibMatrices.size() != 9) calib::AllocateCalibMatrices(ws);
    ws.calibWindowOpen = true;
    const bool existed = app_.calibLoaded();
    frmCalib& c = app_.calib();
    if (existed && (c.Text1->text() != Text1->text() || c.Text2->text() != Text2->text()))
        c.TakeRange(Text1->text(), Text2->text());
    c.show();
    c.raise();
    c.activateWindow();
    c.Activate();
}

void frmMAT::CloseCalibration()
{
    if (app_.calibLoaded()) app_.calib().Close();
    app_.ws().calibWindowOpen = false;
}

void frmMAT::PaintCalibrationPanel(bool afterReturn)
{
    Workspace& ws = app_.ws();
    if (ws.calibMatrices.size() != 9) return;
    Picture4->ForgetPicture();
    Picture4->Scale(25, 225, 200, -200);
    Picture4->SetBackColor(kWhite);
    Picture4->Cls();
    const bool confidence = Option4[1]->isChecked();
    // The return paints what it hands over: in grey-scale display too only the outer region;
    // a later redraw follows the matrix panels' own rule.
    const Matrix<int32_t> colours =
        afterReturn ? (confidence ? calib::RegionColours(ws) : calib::TrimmedProbabilityColours(ws))
                    : ReturnedMatrixColours(ws, confidence ? MatrixDisplay::Confidence
                                                           : MatrixDisplay::Probability);
    Picture4->Cells(24.5, 225.5, 225.5, 24.5, CellImage(colours));
    Picture4->KeepPicture();
}

void frmMAT::PaintHistogramPanel()
{
    Workspace& ws = app_.ws();
    if (!ws.histBuilt) return;
    const PanelScale v = HistogramVerticalScale(ws);
    Picture3->ForgetPicture();
    Picture3->Scale(0, v.top, kMatrixResolution, v.height);
    Picture3->SetBackColor(kWhite);
    Picture3->Cls();
    const MatrixDisplay display =
        Option4[1]->isChecked() ? MatrixDisplay::Confidence : MatrixDisplay::Probability;
    // Level 0 is the top row of the panel.
    const QImage cells = CellImage(HistogramColours(ws, display)).mirrored(false, true);
    Picture3->Cells(-0.5, -0.5, kMatrixResolution + 0.5, ws.histLevels + 0.5, cells);
    Picture3->KeepPicture();
    SetCurveScales();
}

void frmMAT::DrawMatrixOverlays()
{
    Workspace& ws = app_.ws();
    const bool mode = Check4[0]->isChecked(), median = Check4[1]->isChecked();
    if (!mode && !median) return;
    const auto draw = [](PictureBox& pic, const std::vector<calib::LineItem>& items,
                         Colour colour) {
        pic.SetDrawWidth(1);
        for (const calib::LineItem& it : items) {
            if (it.segment)
                pic.Line(it.a0, it.b0, it.a1, it.b1, colour);
            else
                pic.PSet(it.a0, it.b0, colour);
        }
    };
    const auto modeColour = static_cast<Colour>(ModeLineColour(ws));
    const auto medianColour = static_cast<Colour>(MedianLineColour(ws));
    if (ws.calibReturned && Picture4->isVisible() && ws.calibMatrices.size() == 9) {
        Picture4->Scale(25, 225, 200, -200);
        if (median) draw(*Picture4, calib::MedianLine(ws), medianColour);
        if (mode) draw(*Picture4, ReturnedModeLine(ws), modeColour);
        Picture4->Refresh();
    }
    if (ws.histBuilt) {
        const PanelScale v = HistogramVerticalScale(ws);
        Picture3->Scale(0, v.top, kMatrixResolution, v.height);
        Picture3->SetDrawOverlay(true);
        if (median) draw(*Picture3, HistogramMedianLine(ws), medianColour);
        if (mode) draw(*Picture3, HistogramModeLine(ws), modeColour);
        Picture3->SetDrawOverlay(false);
        Picture3->Refresh();
    }
    SetCurveScales();
}

void frmMAT::ClearHistogramPanel()
{
    Workspace& ws = app_.ws();
    Picture3->ForgetPicture();
    Picture3->SetBackColor(WindowColour(*this));
    Picture3->Cls();
    ws.histBuilt = false;
    for (QAction* a : {mnuSaveStrativ, mnuSaveStrativ2, mnuCopy3}) a->setEnabled(false);
}

void frmMAT::ShowCalibrationResult()
{
    Workspace& ws = app_.ws();
    if (ws.calibMatrices.size() != 9) return;
    SetMatrixRegionColours(ws);
    PaintCalibrationPanel(true);
    ws.calibReturned = true;
    if (app_.calibLoaded()) {
        returnedXSmoothing_ = app_.calib().Slider3->value();
        returnedYSmoothing_ = app_.calib().Slider4->value();
    }
    Picture4->show();
    Command4->setEnabled(true);
    ClearHistogramPanel();
    for (QAction* a : {mnuSaveMeridan, mnuSaveMeridan2, mnuCopy4}) a->setEnabled(true);
    SetCurveScales();
    DrawReconCurve();
    Command4->setFocus();
}

void frmMAT::RedrawMatrices()
{
    Workspace& ws = app_.ws();
    SetMatrixRegionColours(ws);
    if (ws.calibReturned) PaintCalibrationPanel(false);
    PaintHistogramPanel();
    SetCurveScales();
}

void frmMAT::ClearCalibrationResult()
{
    Workspace& ws = app_.ws();
    Picture4->hide();
    Picture4->ForgetPicture();
    Picture4->SetBackColor(WindowColour(*this));
    Picture4->Cls();
    ws.calibReturned = false;
    Command4->setEnabled(false);
    Picture3->SetBackColor(WindowColour(*this));
    Picture3->Cls();
    ws.histBuilt = false;
    for (QAction* a :
         {mnuSaveStrativ, mnuSaveStrativ2, mnuCopy3, mnuSaveMeridan, mnuSaveMeridan2, mnuCopy4})
        a->setEnabled(false);
    if (ws.reconShown) DrawReconCurve();
}

void frmMAT::BuildHistogram()
{
    Workspace& ws = app_.ws();
    if (!ws.calibReturned) {
        app_.dialogs().Warn(
            "There is no calibration to build the histogram from: press \"Return\" in the "
            "calibration window first.",
            "Error");
        return;
    }
    const int p = ws.currentClimateParam;
    BeginProgress(std::max(1, Picture3->height()));
    std::string reason;
    const bool built = tarvex::BuildHistogram(
        ws, p, Slider6->value(), Picture3->width(), Picture3->height(), &reason,
        [this](int done, int total) {
            ProgressBar1->setMaximum(std::max(total, 1));
            ProgressBar1->setValue(done);
        });
    EndProgress();
    if (!built) {
        // Nothing is drawn; the user learns why instead of seeing no change at all.
        app_.dialogs().Warn("The histogram could not be built: " + reason, "Error");
        return;
    }
    SetMatrixRegionColours(ws);
    PaintHistogramPanel();
    for (QAction* a : {mnuSaveStrativ, mnuSaveStrativ2, mnuCopy3}) a->setEnabled(true);
    Command4->setEnabled(false);
    DrawReconCurve();
    ShowReconSample();
}

MatrixFileSettings frmMAT::MatrixSettings() const
{
    MatrixFileSettings s;
    s.analogue = Settings();
    s.xSmoothing = returnedXSmoothing_;
    s.ySmoothing = returnedYSmoothing_;
    s.param = app_.ws().currentClimateParam;
    return s;
}

void frmMAT::SaveMeridan()
{
    const Workspace& ws = app_.ws();
    if (!ws.calibReturned) {
        app_.dialogs().Warn("There is no calibration matrix to save yet.", "Error");
        return;
    }
    const MatrixFileSettings settings = MatrixSettings();
    app_.main().SaveText("Save Meridan matrix", kMatrixResolution,
                         [&ws, settings](const ProgressFn& progress, bool* allFinite) {
                             return MeridanMatrixFileText(ws, settings,
                                                          DateTimeText(std::time(nullptr)),
                                                          progress, allFinite);
                         },
                 "meridan-matrix.csv");
}

void frmMAT::SaveStrativ()
{
    const Workspace& ws = app_.ws();
    if (!ws.histBuilt) {
        app_.dialogs().Warn("There is no histogram matrix to save yet: press \"Strativ\" first.",
                            "Error");
        return;
    }
    const MatrixFileSettings settings = MatrixSettings();
    app_.main().SaveText("Save Strativ matrix", ws.histLevels,
                         [&ws, settings](const ProgressFn& progress, bool* allFinite) {
                             return StrativMatrixFileText(ws, settings,
                                                          DateTimeText(std::time(nullptr)),
                                                          progress, allFinite);
                         },
                 "strativ-matrix.csv");
}

void frmMAT::ShowColourSettings()
{
    app_.ShowColourSettings();
}

}  // namespace tarvex
