// Construction of the diagram window: its panels, controls and menus, the panels' scales and
// the scroll range, and their places at any window size.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <algorithm>

#include "app/App.h"
#include "data/NumberText.h"
#include "diagram/frmDiagram.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
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
        app_.dialogs().Warn(this, kFrameTooSmall, "Error");
        warned = true;
        grow = static_cast<int>(5000 / kTwipsPerPixel) - (w - fixedWidth);
    }
    if (h - fixedHeight < minPanel) {
        if (!warned) app_.dialogs().Warn(this, kFrameTooSmall, "Error");
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

}  // namespace tarvex
