// The diagram window's life: the wiring of its controls, load, opening from the main window,
// the EOF files, the news it passes to the other windows of the sample, and unload.
#include "diagram/frmDiagram.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "app/frmMainReport.h"
#include "app/frmMain.h"
#include "diagram/EofSequenceFiles.h"
#include "diagram/frmECC.h"
#include "diagram/frmTest.h"
#include "eof/ScoreFiles.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/Pointer.h"

namespace tarvex {

namespace {

// The last sample whose label equals text, as a click on a list picks it.
int LastSampleWithLabel(const Workspace& ws, const QString& text)
{
    int found = 0;
    const std::string wanted = text.toStdString();
    for (int i = 1; i <= ws.fossilSampleCount && i < static_cast<int>(ws.fossilSampleLabels.size());
         ++i)
        if (ws.fossilSampleLabels[i] == wanted) found = i;
    return found;
}

}  // namespace

void frmDiagram::ConnectControls()
{
    AddExportPicture(*RB1, *Picture1, app_.dialogs(), "diagram.svg");
    AddExportPicture(*RB2, *Picture2, app_.dialogs(), "eof-curve.svg");
    AddExportPicture(*RB3, *Picture4, app_.dialogs(), "diagram-taxa.svg");
    // The pollen diagram as a figure, with its zones and dendrogram.
    for (QMenu* menu : {RB1, RB3})
        AddExportFigure(*menu, *this, app_.dialogs(),
                        [this] { return MakeWindowFigure(app_, {fig::FigureKind::Diagram}); });
    Workspace& ws = app_.ws();

    const std::array<std::pair<QAction*, DiagramStyle>, 3> styles{{{mnuBar, DiagramStyle::Bar},
                                                                   {mnuCurve, DiagramStyle::Curve},
                                                                   {mnuArea, DiagramStyle::Area}}};
    for (const auto& [action, style] : styles) {
        const DiagramStyle s = style;
        connect(action, &QAction::triggered, this, [this, s] {
            SetStyle(s);
            DrawDiagram();
        });
    }
    connect(nmuConiss, &QAction::triggered, this, [this] {
        app_.test().show();
        app_.test().raise();
    });
    // The correlation window disables the command while it is open.
    connect(mnuECC, &QAction::triggered, this, [this] { app_.ecc().Open(); });

    connect(Picture1, &PictureBox::contextMenuRequested, this, [this](QPoint p) { RB1->popup(p); });
    connect(Picture2, &PictureBox::contextMenuRequested, this, [this](QPoint p) { RB2->popup(p); });
    connect(Picture4, &PictureBox::contextMenuRequested, this, [this](QPoint p) { RB3->popup(p); });
    connect(mnuCopyDiagram, &QAction::triggered, this, [this] { Picture1->CopyToClipboard(); });
    connect(mnuCopyEOF, &QAction::triggered, this, [this] { Picture2->CopyToClipboard(); });
    connect(mnuSaveEOF, &QAction::triggered, this, [this] { SaveEOF(); });
    connect(mnuSaveAllEOF, &QAction::triggered, this, [this] { SaveAllEOF(); });
    connect(mnuCopyTaxaName, &QAction::triggered, this, [this] {
        // The names go on white, as they would on a page; the strip then takes the window's
        // colour again.
        Picture4->SetBackColor(kWhite);
        DrawTaxaLabel();
        Picture4->CopyToClipboard();
        Picture4->SetBackColor(WindowColour(*this));
        DrawTaxaLabel();
    });

    for (PictureBox* panel : {Picture1, Picture2}) {
        PictureBox* p = panel;
        connect(p, &PictureBox::mouseMoved, this,
                [this, p](Qt::MouseButton b, double x, double y) { PanelMouseMove(*p, b, x, y); });
        connect(p, &PictureBox::mousePressed, this,
                [this, p](Qt::MouseButton b, double x, double y) { PanelMouseDown(*p, b, x, y); });
        connect(p, &PictureBox::mouseReleased, this,
                [this, p](Qt::MouseButton b, double x, double y) { PanelMouseUp(*p, b, x, y); });
    }

    connect(Slider1, &QSlider::valueChanged, this, [this, &ws] {
        if (loading_ || !ws.diagramDrawn) return;
        DrawDiagramCursor();
        DrawEofCursor();
        ShowCurrentSample();
        NotifyReconstructionOfSample();
        NotifyCorrelationOfSample();
    });
    connect(Slider1, &QSlider::sliderReleased, this, [this] {
        DrawDiagramCursor();
        ShowCurrentSample();
        NotifyReconstructionOfSample();
    });

    connect(Slider2, &QSlider::valueChanged, this, [this, &ws](int v) {
        if (loading_) return;
        frmMain& main = app_.main();
        if (main.Slider4->value() != v) {
            // The main window's zoom handler redraws its plots and, through ChangeRange, this
            // window's EOF panel.
            main.Slider4->setValue(v);
        } else {
            ws.zoomFactor = std::pow(2.0, v);
            main.ChangeRange();
        }
        if (!ws.eofCurveDrawn) DrawEofCurve();
    });

    connect(Combo1, &QComboBox::activated, this, [this] {
        DrawEofCurve();
        Slider1->setFocus();
    });
    connect(Combo2, &QComboBox::activated, this, [this, &ws] {
        const int j = LastSampleWithLabel(ws, Combo2->currentText());
        if (j > 0) Slider1->setValue(j);
        UpDown1Down->setFocus();
    });
    connect(UpDown1Up, &QToolButton::clicked, this, [this] { StepSample(false); });
    connect(UpDown1Down, &QToolButton::clicked, this, [this] { StepSample(true); });

    connect(Check1, &QCheckBox::toggled, this, [this](bool on) {
        if (loading_) return;
        frmMain& main = app_.main();
        if (on)
            main.Option5[1]->setChecked(true);
        else
            main.Option5[2]->setChecked(true);
        NotifyReconstructionOfCursorDisplay();
        DrawDiagramCursor();
        DrawEofCursor();
        NotifyCorrelationOfSample();
    });

    connect(HScroll1, &QScrollBar::valueChanged, this, [this] {
        if (loading_) return;
        DrawDiagram();
        DrawTaxaLabel();
        Slider1->setFocus();
    });
}

void frmDiagram::Load()
{
    Workspace& ws = app_.ws();
    loading_ = true;
    Check1->hide();
    // A correlation window left open while this window was closed still holds the command.
    mnuECC->setEnabled(!app_.eccLoaded());
    axis_ = SampleAxis(ws.fossilSampleLabels, ws.fossilSampleCount, ws.fossilTextLabels);

    // The strip is as high as the longest name needs, within reason.
    std::size_t longest = 0;
    for (int t = 1; t <= ws.fossilTaxonCount && t < static_cast<int>(ws.fossilTaxonNames.size());
         ++t)
        longest = std::max(longest, ws.fossilTaxonNames[t].size());
    stripHeight_ = std::clamp(static_cast<int>(longest) * 6 + 16, 112, 220);

    Picture4->SetBackColor(WindowColour(*this));
    Picture3->SetBackColor(WindowColour(*this));
    Picture3->Cls();

    Slider1->setRange(1, std::max<int>(ws.fossilSampleCount, 1));
    Slider1->setValue(std::clamp<int>(ws.currentFossilSample, 1, Slider1->maximum()));
    const int zoom = app_.main().Slider4->value();
    Slider2->setValue(zoom);
    ws.zoomFactor = std::pow(2.0, zoom);
    UpdateZoomLabels();

    Combo1->clear();
    for (int k = 1; k <= ws.refTaxonCount; ++k) Combo1->addItem(QString::number(k));
    const int first = ws.selectedAxes.size() > 1 ? ws.selectedAxes[1] : 1;
    Combo1->setCurrentIndex(std::clamp(first, 1, std::max<int>(ws.refTaxonCount, 1)) - 1);
    Combo2->clear();
    for (int i = 1; i <= ws.fossilSampleCount; ++i)
        if (!ws.fossilSampleEmpty[i])
            Combo2->addItem(QString::fromStdString(ws.fossilSampleLabels[i]));

    // The layout needs the client area's real size even while the window is still hidden.
    if (QLayout* l = layout()) l->activate();
    LayoutControls();
    UpdateScrollRange();
    loading_ = false;

    DrawDiagram();
    DrawTaxaLabel();
    ShowCurrentSample();
    Check1->show();
}

void frmDiagram::OpenFromMain()
{
    UpdateScrollRange();
    // A window that another window loaded before (hidden) drew with the layout it had then;
    // it shows the new layout at once.
    DrawDiagram();
    DrawTaxaLabel();
    show();
    raise();
    activateWindow();
}

DiagramStyle frmDiagram::Style() const
{
    if (mnuArea->isChecked()) return DiagramStyle::Area;
    if (mnuCurve->isChecked()) return DiagramStyle::Curve;
    return DiagramStyle::Bar;
}

void frmDiagram::SetStyle(DiagramStyle style)
{
    mnuBar->setChecked(style == DiagramStyle::Bar);
    mnuCurve->setChecked(style == DiagramStyle::Curve);
    mnuArea->setChecked(style == DiagramStyle::Area);
}

bool frmDiagram::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize && !loading_) {
        LayoutControls();
        UpdateScrollRange();
        DrawDiagram();
        DrawTaxaLabel();
        ShowCurrentSample();
    }
    if (event->type() == QEvent::MouseMove &&
        (watched == centralWidget() || watched == Frame3 || watched == UpDown1)) {
        dragging_ = false;
        Picture1->SetMousePointer(Pointer::Default);
        Picture2->SetMousePointer(Pointer::Default);
        if (Check1->isChecked()) ShowCurrentSample();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmDiagram::SaveEOF()
{
    const Workspace& ws = app_.ws();
    const int eof = ws.diagramEof;
    if (!EofSequenceReady(ws, eof)) {
        app_.dialogs().Warn(this, kNoEofResultsMessage, "Error");
        return;
    }
    app_.main().SaveText(
        this, "Save EOF-" + std::to_string(eof), ws.fossilSampleCount,
        [&ws, eof](const ProgressFn& progress, bool* allFinite) {
            return EofSequenceFileText(ws, eof, progress, allFinite);
        },
        "eof-" + std::to_string(eof) + ".csv");
}

void frmDiagram::SaveAllEOF()
{
    const Workspace& ws = app_.ws();
    if (!EofSequenceReady(ws, ws.fossilTaxonCount)) {
        app_.dialogs().Warn(this, kNoEofResultsMessage, "Error");
        return;
    }
    app_.main().SaveText(
        this, "Save all EOFs", ws.fossilSampleCount,
        [&ws](const ProgressFn& progress, bool* allFinite) {
            return AllEofSequenceFileText(ws, progress, allFinite);
        },
        "eof-sequence.csv");
}

void frmDiagram::NotifyReconstructionOfSample()
{
    if (app_.matLoaded()) app_.mat().CurrentSampleChanged();
}

void frmDiagram::NotifyCorrelationOfSample()
{
    if (app_.ws().eccShown && app_.eccLoaded()) app_.ecc().DrawEccScatter();
}

void frmDiagram::NotifyReconstructionOfCursorDisplay()
{
    if (app_.matLoaded()) app_.mat().SetCursorShown(Check1->isChecked());
}

void frmDiagram::closeEvent(QCloseEvent* event)
{
    event->accept();
    Unload();
}

void frmDiagram::Unload()
{
    if (unloaded_) return;
    unloaded_ = true;
    Workspace& ws = app_.ws();
    ws.diagramDrawn = false;
    ws.eofCurveDrawn = false;
    ws.diagramZoneStarts.clear();
    app_.main().Command14->setEnabled(true);
    app_.UnloadDiagram();
}

}  // namespace tarvex
