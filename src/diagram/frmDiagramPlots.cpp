// The diagram window's pictures: the taxa columns, the zone lines, the EOF curve, both cursor
// lines and the rotated taxon names.
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "app/frmMain.h"
#include "diagram/frmDiagram.h"
#include "ui/PictureBox.h"
#include "ui/Pointer.h"

namespace tarvex {

void frmDiagram::DrawDiagram()
{
    Workspace& ws = app_.ws();
    frmMain& main = app_.main();
    const int taxa = ws.fossilTaxonCount;

    PictureBox& p = *Picture1;
    p.SetDrawOverlay(false);
    p.SetBackColor(kWhite);
    SetPanelScales();
    p.Cls();

    const bool showProgress = !ws.diagramDrawn && main.Command8->isEnabled();
    main.ProgressBar1->setRange(0, std::max(taxa, 1));
    main.ProgressBar1->setValue(0);
    main.ProgressBar1->setVisible(showProgress);
    if (showProgress) SetScreenPointer(Pointer::Hourglass);

    const DiagramColumns columns{ws.diagramColumnLeft, ws.lastColumnMax};
    DiagramInput in;
    in.proportions = &ws.fossilProportions;
    in.empty = &ws.fossilSampleEmpty;
    in.outside = &ws.fossilOutside;
    in.columns = &columns;
    in.axis = &axis_;
    in.samples = ws.fossilSampleCount;
    in.style = Style();
    in.scroll = static_cast<float>(HScroll1->value());
    in.scaleTop = static_cast<float>(p.ScaleTop());
    in.scaleHeight = static_cast<float>(p.ScaleHeight());
    in.curveColour = ws.colours.schemeColour5.Value();
    in.outsideColour = ws.colours.schemeColour3.Value();

    std::vector<DiagramLine> lines;
    p.BeginBatch();
    for (int t = 1; t <= taxa; ++t) {
        // Columns scrolled out of the panel would only be clipped away.
        if (ColumnVisible(columns, t, in.scroll)) {
            lines.clear();
            AppendColumnLines(in, t, lines);
            for (const DiagramLine& l : lines) p.Line(l.x1, l.y1, l.x2, l.y2, l.colour);
        }
        if (showProgress) main.ProgressBar1->setValue(t);
    }
    p.EndBatch();
    DrawZoneLines();

    DrawDiagramCursor();
    ws.diagramDrawn = true;
    main.ProgressBar1->hide();
    main.ProgressBar1->setValue(0);
    if (showProgress && !dragging_) SetScreenPointer(Pointer::Default);
    p.Refresh();
    DrawEofCurve();
}

void frmDiagram::DrawZoneLines()
{
    const Workspace& ws = app_.ws();
    if (ws.diagramZoneStarts.empty()) return;
    PictureBox& p = *Picture1;
    // Thin dashed lines between the last sample of one zone and the first of the next; the
    // dashes are a fixed number of pixels whatever the panel's size.
    const double dash = 6 * p.ScaleWidth() / std::max(p.PixelWidth(), 1);
    const Colour colour = RGB(60, 60, 60);
    p.BeginBatch();
    for (int start : ws.diagramZoneStarts) {
        if (start < 2 || start > ws.fossilSampleCount) continue;
        const double y = (axis_.Y(start - 1) + axis_.Y(start)) / 2.0;
        for (double x = 0; x < kDiagramScaleWidth; x += 2 * dash)
            p.Line(x, y, std::min<double>(x + dash, kDiagramScaleWidth), y, colour);
    }
    p.EndBatch();
}

void frmDiagram::DrawEofCurve()
{
    Workspace& ws = app_.ws();
    PictureBox& p = *Picture2;
    const int n = ws.fossilSampleCount;
    p.SetDrawOverlay(false);
    p.SetBackColor(kWhite);
    SetPanelScales();
    p.Cls();
    UpdateZoomLabels();
    ws.eofTickStep = EofTickStep(ws.zoomFactor);

    const double top = p.ScaleTop(), height = p.ScaleHeight();
    p.BeginBatch();
    p.Line(0, 10, 0, 10.0 * std::max(n, 1), kBlack);
    for (int v : EofTickValues(ws.zoomFactor)) {
        p.Line(v, top, v, top + height * 8 / 1000, kBlack);
        p.Line(v, top + height, v, top + height * 988 / 1000, kBlack);
    }

    const int eof =
        std::clamp(Combo1->currentText().toInt(), 1, std::max<int>(ws.refTaxonCount, 1));
    ws.diagramEof = static_cast<int16_t>(eof);
    const bool haveScores = ws.fossilScores.rows() >= n && ws.fossilScores.cols() >= eof;
    if (haveScores) {
        auto e = [&](int i) { return ws.fossilScores(i, eof); };
        auto empty = [&](int i) { return ws.fossilSampleEmpty[i]; };
        auto outside = [&](int i) {
            return i < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[i];
        };
        const Colour c6 = ws.colours.schemeColour6.Value();
        const Colour c3 = ws.colours.schemeColour3.Value();
        for (int i = 2; i <= n; ++i)
            if (!empty(i - 1) && !empty(i)) p.Line(e(i - 1), axis_.Y(i - 1), e(i), axis_.Y(i), c6);
        for (int i = 1; i <= n; ++i)
            if (!empty(i) && outside(i)) p.Line(0, axis_.Y(i), e(i), axis_.Y(i), c3);
    }
    p.EndBatch();
    p.Refresh();
    DrawEofCursor();
    ws.eofCurveDrawn = true;
}

void frmDiagram::DrawDiagramCursor()
{
    const Workspace& ws = app_.ws();
    PictureBox& p = *Picture1;
    p.ClearOverlay();
    const bool sizing = dragging_ || p.MousePointer() == Pointer::SizeNS ||
                        Picture2->MousePointer() == Pointer::SizeNS;
    if (!(sizing || Check1->isChecked())) return;
    p.SetDrawOverlay(true);
    const double y = axis_.Y(Slider1->value());
    p.Line(0, y, kDiagramScaleWidth, y, ws.colours.schemeColour1.Value());
    p.SetDrawOverlay(false);
    p.Refresh();
}

void frmDiagram::DrawEofCursor()
{
    const Workspace& ws = app_.ws();
    PictureBox& p = *Picture2;
    p.ClearOverlay();
    const bool sizing = dragging_ || p.MousePointer() == Pointer::SizeNS ||
                        Picture1->MousePointer() == Pointer::SizeNS;
    if (!(sizing || Check1->isChecked())) return;
    p.SetDrawOverlay(true);
    const double y = axis_.Y(Slider1->value());
    p.Line(p.ScaleLeft(), y, p.ScaleLeft() + p.ScaleWidth(), y, ws.colours.schemeColour1.Value());
    p.SetDrawOverlay(false);
    p.Refresh();
}

void frmDiagram::DrawTaxaLabel()
{
    const Workspace& ws = app_.ws();
    PictureBox& strip = *Picture4;
    strip.SetDrawOverlay(false);
    strip.ResetScale();
    strip.Cls();
    const std::vector<bool> italic = ItalicTaxonNames(ws.fossilTaxonNames, ws.fossilTaxonCount);
    const float scroll = static_cast<float>(HScroll1->value());
    const int y = static_cast<int>(std::lround(strip.PixelHeight() - 8.0));
    strip.SetFontName("Arial");
    // The strip is as wide as the taxa panel, so a name stands over its own column at any
    // window size.
    std::vector<int> xs, taxa;
    for (int t = 1;
         t <= ws.fossilTaxonCount && t + 1 < static_cast<int>(ws.diagramColumnLeft.size()); ++t) {
        const float s = ws.diagramColumnLeft[t] - scroll;
        if (!(s >= 0 && s < kDiagramScaleWidth)) continue;
        xs.push_back(static_cast<int>(std::lround(Picture1->MapX(s))));
        taxa.push_back(t);
    }
    const LabelFont font = FittedLabelFont(xs);
    strip.BeginBatch();
    for (std::size_t k = 0; k < xs.size(); ++k)
        strip.RotatedText(xs[k], y, ws.fossilTaxonNames[taxa[k]], font.height, font.width, 900,
                          italic[taxa[k]], kBlack);
    strip.EndBatch();
    strip.Refresh();
}

}  // namespace tarvex
