// The chart on the screen: the main figure with its overlays, the section figure, the
// legend, and the section's intervals beside the section figure.
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>

#include "app/App.h"
#include "calib/ChartText.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

constexpr Colour kBlue = RGB(0, 0, 255);
constexpr Colour kRed = RGB(255, 0, 0);

}  // namespace

void frmOutPut2::RedrawAll()
{
    DrawMainChart();
    DrawPicture2();
    RedrawOverlays();
    DrawColourLegend();
    WipeInterval();
    if (Check2->isChecked()) DrawIntervals();
    PlaceSectionLabels();
    PlaceEnhancementLabel();
}

void frmOutPut2::DrawMainChart()
{
    const Workspace& ws = app_.ws();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar1->setRange(0, 450);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    PictureBox* p = Picture1;
    p->SetDrawOverlay(false);
    p->ForgetPicture();
    p->Cls();
    p->Cells(0, 0, 401, 401, CellImage(calib::ChartCellColours(ws, View(), Enhancement())));
    p->KeepPicture();
    p->Refresh();
    if (View() == calib::ChartView::Probability) {
        Picture3->show();
        DrawColourLegend();
    } else {
        Picture3->hide();
    }
    ProgressBar1->hide();
    if (!mainDrawn_)
        if (frmCalib* c = Calib()) {
            c->ProgressBar1->setValue(0);
            c->ProgressBar1->hide();
        }
    QApplication::restoreOverrideCursor();
    mainDrawn_ = true;
}

void frmOutPut2::DrawPicture2()
{
    const Workspace& ws = app_.ws();
    const Colour bar = ws.colours.greyScaleOnCalib ? kBlack : kBlue;
    Picture2->SetDrawOverlay(false);
    Picture2->Cls();
    Picture2->Cells(0, 0, 101, 401,
                    CellImage(calib::ChartSectionColours(ws, SectionColumn(), Enhancement(), bar)));
    Picture2->Refresh();
}

void frmOutPut2::RedrawOverlays()
{
    Picture1->ClearOverlay();
    if (Check4->isChecked()) ShowAve();
    if (Check1->isChecked()) ShowMode();
    DrawSectionLine();
}

void frmOutPut2::DrawSectionLine()
{
    const double section = Slider1->value();
    if (section != 0 && section != 100) {
        Picture1->SetDrawOverlay(true);
        Picture1->SetDrawWidth(1);
        const Colour c = app_.ws().colours.greyScaleOnCalib ? kBlack : kBlue;
        const double x = 400 * section / 100;
        Picture1->Line(x, 0, x, 401, c);
        Picture1->SetDrawOverlay(false);
        Picture1->Refresh();
    }
    section_ = section;
}

namespace {

void DrawPath(PictureBox* p, const std::vector<calib::ChartPathPiece>& path, Colour c)
{
    p->SetDrawOverlay(true);
    p->SetDrawWidth(1);
    p->BeginBatch();
    for (const calib::ChartPathPiece& piece : path) {
        const double x0 = frmOutPut2::ChartX(piece.i0), y0 = frmOutPut2::ChartY(piece.j0);
        if (piece.IsPoint())
            p->PSet(x0, y0, c);
        else
            p->Line(x0, y0, frmOutPut2::ChartX(piece.i1), frmOutPut2::ChartY(piece.j1), c);
    }
    p->EndBatch();
    p->SetDrawOverlay(false);
    p->Refresh();
}

}  // namespace

void frmOutPut2::ShowAve()
{
    const Workspace& ws = app_.ws();
    DrawPath(Picture1, calib::ChartAveragePath(ws), ws.colours.greyScaleOnCalib ? kBlack : kBlue);
}

void frmOutPut2::ShowMode()
{
    const Workspace& ws = app_.ws();
    DrawPath(Picture1, calib::ChartModePath(ws), ws.colours.greyScaleOnCalib ? kBlack : kRed);
}

void frmOutPut2::DrawColourLegend()
{
    const Workspace& ws = app_.ws();
    PictureBox* p = Picture3;
    p->ResetScale();
    p->SetDrawWidth(1);
    const int width = p->PixelWidth();
    if (width < 1) return;
    Matrix<int32_t> colours(width - 1, 0);
    const int s = SectionColumn();
    for (int e = 0; e < width; ++e)
        colours(e, 0) =
            calib::ChartLegendColour(ws, s, static_cast<double>(e) / width, Enhancement());
    p->Cls();
    p->Cells(0, 0, width, p->PixelHeight(), CellImage(colours));
    p->Refresh();
}

void frmOutPut2::WipeInterval()
{
    IntervalPanel->SetDrawOverlay(false);
    IntervalPanel->Cls();
    IntervalPanel->Refresh();
}

void frmOutPut2::DrawIntervals()
{
    const Workspace& ws = app_.ws();
    PictureBox* p = IntervalPanel;
    p->ScaleTwips();
    const double tx = p->TwipsPerPixelX(), ty = p->TwipsPerPixelY();
    const int s = SectionColumn();
    const double low = Low(), high = High();
    std::string coefficient1, coefficient2;
    if (frmCalib* c = Calib()) {
        coefficient1 = c->Label4[0]->text().toStdString();
        coefficient2 = c->Label4[1]->text().toStdString();
    }
    shownTexts_ = calib::SectionIntervalTexts(ws, s, low, high, coefficient1, coefficient2);
    const calib::SectionTexts& t = shownTexts_;

    // The text, framed by Shape1.
    const double x0 = Shape1->x() * tx, y0 = Shape1->y() * ty;
    p->SetFontSize(10);
    p->SetForeColor(kBlack);
    const auto put = [p](double x, double y, const std::string& text, bool bold) {
        p->SetFontBold(bold);
        p->SetCurrentX(x);
        p->SetCurrentY(y);
        p->Print(text);
    };
    const double n1 = static_cast<double>(t.intervals1.size());
    const double n2 = static_cast<double>(t.intervals2.size());
    put(x0 + 120, y0 + 120, t.heading1, true);
    for (std::size_t k = 0; k < t.intervals1.size(); ++k)
        put(x0 + 180, y0 + 360 + 240 * static_cast<double>(k), t.intervals1[k], false);
    put(x0 + 120, y0 + 360 + 240 * (n1 + 0.5), t.heading2, true);
    for (std::size_t k = 0; k < t.intervals2.size(); ++k)
        put(x0 + 180, y0 + 360 + 240 * (n1 + 1.5 + static_cast<double>(k)), t.intervals2[k], false);
    put(x0 + 120, y0 + 360 + 240 * (n1 + n2 + 2), "Average", true);
    put(t.average == calib::kOutOfRange ? x0 + 180 : x0 + 120, y0 + 360 + 240 * (n1 + n2 + 3),
        t.average, false);
    put(x0 + 120, y0 + 360 + 240 * (n1 + n2 + 4.5), "Mode", true);
    put(x0 + 180, y0 + 360 + 240 * (n1 + n2 + 5.5), t.mode, false);
    p->SetFontBold(false);

    // Marks beside the section figure, row for row at the height the figure shows it.
    const double r = (Picture2->x() + Picture2->width() - p->x()) * tx;
    const auto rowY = [this, p, ty](int row) {
        return (Picture2->y() + Picture2->MapY(ChartY(row) + 0.5) - p->y()) * ty;
    };
    p->SetDrawWidth(1);
    const auto marks = [&](float threshold, double e) {
        for (const calib::ChartInterval& i : calib::SectionIntervals(ws, s, threshold)) {
            const double yLow = rowY(i.lowRow), yHigh = rowY(i.highRow);
            p->Line(r + e, yLow, r + e, yHigh, kBlack);
            if (!i.openLow) p->Line(r + e - 50, yLow, r + e, yLow, kBlack);
            if (!i.openHigh) p->Line(r + e - 50, yHigh, r + e, yHigh, kBlack);
        }
    };
    marks(2, 400);
    marks(1, 205);
    if (ws.chartMedianIndex.size() == calib::kChartLast + 1u) {
        const int median = ws.chartMedianIndex[static_cast<std::size_t>(s)];
        if (median - 50 >= 0 && median - 50 <= 400)
            p->Line(r + 35, rowY(median), r + 500, rowY(median), kBlue);
        const int mode = ws.chartModeIndex[static_cast<std::size_t>(s)];
        if (mode - 50 >= 0 && mode - 50 <= 400)
            p->Line(r + 35, rowY(mode), r + 500, rowY(mode), kRed);
    }
    p->Refresh();
}

}  // namespace tarvex
