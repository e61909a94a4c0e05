// The reconstruction window's matrix panels: the calibration returned by the calibration
// module, the Strativ histogram built from it, their mode and median lines, and what clears
// them.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>

#include "app/App.h"
#include "calib/CalibData.h"
#include "calib/CalibRegions.h"
#include "calib/frmCalib.h"
#include "mat/Histogram.h"
#include "mat/MatrixFiles.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

namespace tarvex {

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
                    : ReturnedMatrixColours(
                          ws, confidence ? MatrixDisplay::Confidence : MatrixDisplay::Probability);
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

void frmMAT::DrawHistogramEdges()
{
    const Workspace& ws = app_.ws();
    const HistogramEdgeLevels cut = HistogramCutLevels(ws);
    if (cut.lower.empty() && cut.upper.empty()) {
        Picture3->setToolTip(QString());
        return;
    }
    // A dark bar along an edge of the panel, level by level, three pixels wide and just inside.
    const PanelScale v = HistogramVerticalScale(ws);
    Picture3->Scale(0, v.top, kMatrixResolution, v.height);
    const double inset = 1.5 * kMatrixResolution / std::max(Picture3->PixelWidth(), 1);
    Picture3->SetDrawOverlay(true);
    Picture3->SetDrawWidth(3);
    for (const auto& [x, levels] :
         {std::pair{inset, &cut.lower}, {kMatrixResolution - inset, &cut.upper}})
        for (int level : *levels) Picture3->Line(x, level - 0.5, x, level + 0.5, kBlack);
    Picture3->SetDrawWidth(1);
    Picture3->SetDrawOverlay(false);
    Picture3->Refresh();
    Picture3->setToolTip(
        "A dark bar at an edge marks the levels whose probability goes on beyond the display "
        "range (" +
        Text1->text() + " to " + Text2->text() +
        "). Widen the range under the curve and calibrate again to see them whole.");
    SetCurveScales();
}

void frmMAT::DrawMatrixOverlays()
{
    Workspace& ws = app_.ws();
    if (ws.histBuilt)
        DrawHistogramEdges();
    else
        Picture3->setToolTip(QString());
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
    if (app_.calibLoaded())
        KeepCalibrationSmoothing(app_.calib().Slider3->value(), app_.calib().Slider4->value());
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

void frmMAT::KeepCalibrationSmoothing(int xSmoothing, int ySmoothing)
{
    keptXSmoothing_ = xSmoothing;
    keptYSmoothing_ = ySmoothing;
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
            this,
            "There is no calibration to build the histogram from: press \"Return\" in the "
            "calibration window first.",
            "Error");
        return;
    }
    const int p = ws.currentClimateParam;
    BeginProgress(std::max(1, Picture3->height()));
    std::string reason;
    const bool built =
        tarvex::BuildHistogram(ws, p, Slider6->value(), Picture3->width(), Picture3->height(),
                               &reason, [this](int done, int total) {
                                   ProgressBar1->setMaximum(std::max(total, 1));
                                   ProgressBar1->setValue(done);
                               });
    EndProgress();
    if (!built) {
        // Nothing is drawn; the user learns why instead of seeing no change at all.
        app_.dialogs().Warn(this, "The histogram could not be built: " + reason, "Error");
        return;
    }
    SetMatrixRegionColours(ws);
    PaintHistogramPanel();
    for (QAction* a : {mnuSaveStrativ, mnuSaveStrativ2, mnuCopy3}) a->setEnabled(true);
    Command4->setEnabled(false);
    DrawReconCurve();
    ShowReconSample();
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

}  // namespace tarvex
