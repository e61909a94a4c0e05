#include "diagram/frmDiagram.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetricsF>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "diagram/EofSequenceFiles.h"
#include "diagram/frmECC.h"
#include "diagram/frmTest.h"
#include "eof/ScoreFiles.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/SampleSelector.h"

namespace tarvex {

namespace {

constexpr int kMargin = 6;
constexpr int kSliderWidth = 24;
constexpr int kGap = 8;
constexpr int kEofPanelWidth = 180;
constexpr int kFollowerWidth = 150;
constexpr int kFollowerHeight = 74;
constexpr int kScrollHeight = 16;
constexpr int kBottomStrip = 8;
constexpr double kTwipsPerPixel = 15;

const char* const kFrameTooSmall = "Frame too small";

// A window-coloured background for panels that are not white.
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

frmDiagram::frmDiagram(App& app) : app_(app)
{
    setWindowTitle("Diagram");
    BuildControls();
    BuildMenus();
    ConnectControls();
    // 6000 x 4000 twips at the least.
    setMinimumSize(400, 267);
    resize(1100, 720);
}

frmDiagram::~frmDiagram() = default;

void frmDiagram::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    central->setMouseTracking(true);
    central->installEventFilter(this);

    Picture4 = new PictureBox(central);
    Picture1 = new PictureBox(central);
    Picture2 = new PictureBox(central);
    Picture3 = new PictureBox(central);
    HScroll1 = new QScrollBar(Qt::Horizontal, central);
    Slider1 = new QSlider(Qt::Vertical, central);
    // Sample 1 is the top of the sequence, so the slider's minimum sits at the top as well.
    Slider1->setInvertedAppearance(true);
    Slider1->setInvertedControls(true);
    Slider1->setRange(1, 1);

    Frame1 = new QGroupBox(central);
    auto* f1 = new QHBoxLayout(Frame1);
    f1->setContentsMargins(6, 2, 6, 2);
    Label2 = new QLabel(" EOF No.", Frame1);
    Combo1 = new QComboBox(Frame1);
    Combo1->setEditable(false);
    f1->addWidget(Label2);
    f1->addWidget(Combo1, 1);

    Frame2 = new QGroupBox(central);
    auto* f2 = new QGridLayout(Frame2);
    f2->setContentsMargins(6, 2, 6, 2);
    f2->setVerticalSpacing(0);
    Slider2 = new QSlider(Qt::Horizontal, Frame2);
    Slider2->setRange(0, 8);
    Slider2->setPageStep(1);
    f2->addWidget(Slider2, 0, 0, 1, 3);
    const Qt::Alignment align[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int i = 0; i < 3; ++i) {
        Label3[i] = new QLabel(Frame2);
        Label3[i]->setAlignment(align[i]);
        f2->addWidget(Label3[i], 1, i);
    }
    Label3[1]->setText("0");

    const SampleSelector selector = BuildSampleSelector(central, this);
    Frame3 = selector.frame;
    Check1 = selector.check;
    Combo2 = selector.list;
    UpDown1 = selector.arrows;
    UpDown1Up = selector.up;
    UpDown1Down = selector.down;

    StatusBar1 = statusBar();
}

void frmDiagram::BuildMenus()
{
    mnuDrawMode = menuBar()->addMenu("Curve Style(&S)");
    mnuBar = mnuDrawMode->addAction("&Bar");
    mnuCurve = mnuDrawMode->addAction("&Curve");
    mnuArea = mnuDrawMode->addAction("&Area");
    for (QAction* a : {mnuBar, mnuCurve, mnuArea}) a->setCheckable(true);
    mnuBar->setChecked(true);

    nmuTools = menuBar()->addMenu("Tools(&T)");
    nmuConiss = nmuTools->addAction("&CONISS");
    brake1 = nmuTools->addSeparator();
    mnuECC = nmuTools->addAction("&EOF-Climate correlation");

    RB1 = new QMenu("RB1", this);
    mnuCopyDiagram = RB1->addAction("&Copy");
    RB2 = new QMenu("RB2", this);
    mnuCopyEOF = RB2->addAction("&Copy");
    mnuSaveEOF = RB2->addAction("&Save This EOF Only");
    mnuSaveAllEOF = RB2->addAction("Save &All EOF");
    RB3 = new QMenu("RB3", this);
    mnuCopyTaxaName = RB3->addAction("&Copy");
}

void frmDiagram::ConnectControls()
{
    AddExportPicture(*RB1, *Picture1, app_.dialogs(), "diagram.svg");
    AddExportPicture(*RB2, *Picture2, app_.dialogs(), "eof-curve.svg");
    AddExportPicture(*RB3, *Picture4, app_.dialogs(), "diagram-taxa.svg");
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

void frmDiagram::SetPanelScales()
{
    const Workspace& ws = app_.ws();
    const DiagramVerticalScale v = UsableVerticalScale(ws.diagramScaleTop, ws.diagramScaleHeight);
    Picture1->Scale(0, v.top, kDiagramScaleWidth, v.height);
    // The EOF axis spans the site plot's range, so both show the same scores at the same zoom.
    Picture2->Scale(-1.2 * ws.zoomFactor, v.top, 2.4 * ws.zoomFactor, v.height);
}

void frmDiagram::UpdateScrollRange()
{
    const Workspace& ws = app_.ws();
    DiagramColumns columns{ws.diagramColumnLeft, ws.lastColumnMax};
    const int max = DiagramScrollMax(columns, ws.fossilTaxonCount);
    const bool wasLoading = loading_;
    loading_ = true;
    HScroll1->setRange(0, max);
    HScroll1->setPageStep(500);
    HScroll1->setSingleStep(10);
    loading_ = wasLoading;
    HScroll1->setVisible(max > 0);
}

void frmDiagram::UpdateZoomLabels()
{
    const double z = app_.ws().zoomFactor;
    Label3[0]->setText(QString::fromStdString(FormatNumber(-z)));
    Label3[2]->setText(QString::fromStdString(FormatNumber(z)));
}

void frmDiagram::LayoutControls()
{
    if (inLayout_) return;
    inLayout_ = true;
    QWidget* area = centralWidget();
    int w = area->width();
    int h = area->height();

    const int panelLeft = kMargin + kSliderWidth + 4;
    const int fixedWidth = panelLeft + kGap + kEofPanelWidth + kGap + kFollowerWidth + kMargin;
    const int fixedHeight = kMargin + stripHeight_ + 2 + kScrollHeight + kBottomStrip + kMargin;
    const int minPanel = kMinimumPanelPixels;
    bool warned = false;
    int grow = 0, growHeight = 0;
    if (w - fixedWidth < minPanel) {
        app_.dialogs().Warn(kFrameTooSmall, "Error");
        warned = true;
        grow = static_cast<int>(5000 / kTwipsPerPixel) - (w - fixedWidth);
    }
    if (h - fixedHeight < minPanel) {
        if (!warned) app_.dialogs().Warn(kFrameTooSmall, "Error");
        growHeight = static_cast<int>(3500 / kTwipsPerPixel) - (h - fixedHeight);
    }
    if (grow > 0 || growHeight > 0) {
        resize(width() + std::max(grow, 0), height() + std::max(growHeight, 0));
        w += std::max(grow, 0);
        h += std::max(growHeight, 0);
    }

    const int panelWidth = std::max(w - fixedWidth, minPanel);
    const int panelTop = kMargin + stripHeight_;
    const int panelHeight = std::max(h - fixedHeight, minPanel);
    Picture4->setGeometry(panelLeft, kMargin, panelWidth, stripHeight_);
    Picture1->setGeometry(panelLeft, panelTop, panelWidth, panelHeight);
    HScroll1->setGeometry(panelLeft, panelTop + panelHeight + 2, panelWidth, kScrollHeight);
    Slider1->setGeometry(kMargin, panelTop, kSliderWidth, panelHeight);
    const int eofLeft = panelLeft + panelWidth + kGap;
    Picture2->setGeometry(eofLeft, panelTop, kEofPanelWidth, panelHeight);
    const int frameHeight = (stripHeight_ - 8) / 2;
    Frame1->setGeometry(eofLeft, kMargin, kEofPanelWidth, frameHeight);
    Frame2->setGeometry(eofLeft, kMargin + frameHeight + 4, kEofPanelWidth, frameHeight);
    Picture3->setGeometry(0, h - kBottomStrip, w, kBottomStrip);
    Frame3->setGeometry(eofLeft + kEofPanelWidth + kGap, Frame3->y(), kFollowerWidth,
                        kFollowerHeight);
    SetPanelScales();
    inLayout_ = false;
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

void frmDiagram::SaveEOF()
{
    const Workspace& ws = app_.ws();
    const int eof = ws.diagramEof;
    if (!EofSequenceReady(ws, eof)) {
        app_.dialogs().Warn(kNoEofResultsMessage, "Error");
        return;
    }
    app_.main().SaveText("Save EOF-" + std::to_string(eof), ws.fossilSampleCount,
                         [&ws, eof](const ProgressFn& progress, bool* allFinite) {
                             return EofSequenceFileText(ws, eof, progress, allFinite);
                         },
                 "eof-" + std::to_string(eof) + ".csv");
}

void frmDiagram::SaveAllEOF()
{
    const Workspace& ws = app_.ws();
    if (!EofSequenceReady(ws, ws.fossilTaxonCount)) {
        app_.dialogs().Warn(kNoEofResultsMessage, "Error");
        return;
    }
    app_.main().SaveText("Save all EOFs", ws.fossilSampleCount,
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
