// Construction of the reconstruction window: its controls and menus, their places at any
// window size and panel size, and the room the error-model panels take.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "mat/frmMAT.h"
#include "tf/frmTransfer.h"
#include "ui/PictureBox.h"
#include "ui/SampleSelector.h"

namespace tarvex {

namespace {

constexpr double kTwipsPerPixel = 15;
constexpr int kMargin = 8;
constexpr int kGap = 8;
constexpr int kControlsWidth = 250;
constexpr int kFollowerWidth = 150;
constexpr int kFollowerHeight = 74;
constexpr int kBottomRows = 64;  // the range boxes and the parameter list under the curve
// Panel size 10 gives 10 x 205.5 twips; the error-model panels need room for two of them.
constexpr double kPanelStepTwips = 205.5;
constexpr int kLargestPanel = 137;
constexpr int kMinimumHeight = 300;  // 4500 twips

QLabel* SmallLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    return l;
}

QSlider* HorizontalSlider(int lo, int hi, int value, QWidget* parent)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(lo, hi);
    s->setValue(value);
    s->setPageStep(1);
    return s;
}

}  // namespace

frmMAT::frmMAT(App& app) : app_(app)
{
    setWindowTitle("Reconstruction");
    BuildControls();
    BuildMenus();
    ConnectControls();
    setMinimumHeight(
        std::max(kMinimumHeight, controlsHeight_ + 2 * kMargin + menuBar()->sizeHint().height()));
    resize(kControlsWidth + 2 * kMargin + kGap + kLargestPanel + kGap + kFollowerWidth + kMargin,
           std::max(640, minimumHeight()));
}

frmMAT::~frmMAT() = default;

void frmMAT::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    central->installEventFilter(this);
    central->setMouseTracking(true);

    auto* controls = new QWidget(central);
    controls->setObjectName("controls");
    auto* col = new QVBoxLayout(controls);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(4);

    Command1 = new QPushButton("Import climate data", controls);
    col->addWidget(Command1);

    Frame1 = new QGroupBox(" Define chord distance by: ", controls);
    auto* f1 = new QGridLayout(Frame1);
    f1->setContentsMargins(6, 4, 6, 4);
    f1->setVerticalSpacing(2);
    Option1[0] = new QRadioButton("Taxa proportions", Frame1);
    Option1[1] = new QRadioButton("EOF values", Frame1);
    Command7 = new QPushButton("Axis settings", Frame1);
    Combo2 = new QComboBox(Frame1);
    Check2 = new QCheckBox("Enhancing minor taxa", Frame1);
    Option2[0] = new QRadioButton("Square root", Frame1);
    Option2[1] = new QRadioButton("Log", Frame1);
    auto* enhanceBox = new QWidget(Frame1);
    auto* eb = new QHBoxLayout(enhanceBox);
    eb->setContentsMargins(16, 0, 0, 0);
    eb->addWidget(Option2[0]);
    eb->addWidget(Option2[1]);
    // Each pair of option buttons is its own group.
    auto* basisBox = new QWidget(Frame1);
    auto* bb = new QVBoxLayout(basisBox);
    bb->setContentsMargins(0, 0, 0, 0);
    bb->setSpacing(0);
    bb->addWidget(Option1[0]);
    bb->addWidget(Option1[1]);
    f1->addWidget(basisBox, 0, 0, 2, 1);
    f1->addWidget(Command7, 0, 1);
    f1->addWidget(Combo2, 1, 1);
    f1->addWidget(Check2, 2, 0, 1, 2);
    f1->addWidget(enhanceBox, 3, 0, 1, 2);
    col->addWidget(Frame1);

    auto* weightBox = new QGroupBox(controls);
    auto* wb = new QVBoxLayout(weightBox);
    wb->setContentsMargins(6, 4, 6, 4);
    wb->setSpacing(0);
    Check1 = new QCheckBox("Inversed weighting", weightBox);
    Option3[0] = new QRadioButton("Squared distance", weightBox);
    Option3[1] = new QRadioButton("Distance", weightBox);
    wb->addWidget(Check1);
    auto* wo = new QWidget(weightBox);
    auto* wol = new QVBoxLayout(wo);
    wol->setSpacing(0);
    wol->setContentsMargins(16, 0, 0, 0);
    wol->addWidget(Option3[0]);
    wol->addWidget(Option3[1]);
    wb->addWidget(wo);
    col->addWidget(weightBox);

    auto* analogueBox = new QGroupBox(controls);
    auto* ab = new QGridLayout(analogueBox);
    ab->setContentsMargins(6, 4, 6, 4);
    ab->setVerticalSpacing(2);
    Label1 = SmallLabel("No. of analogues", analogueBox);
    Label3[0] = SmallLabel("Min.", analogueBox);
    Label3[1] = SmallLabel("Max.", analogueBox);
    Slider3 = HorizontalSlider(0, 20, 0, analogueBox);
    Slider1 = HorizontalSlider(0, 20, 8, analogueBox);
    ab->addWidget(Label1, 0, 0, 1, 2);
    ab->addWidget(Label3[0], 1, 0);
    ab->addWidget(Slider3, 1, 1);
    ab->addWidget(Label3[1], 2, 0);
    ab->addWidget(Slider1, 2, 1);
    Label2 = SmallLabel("Threshold", analogueBox);
    Slider2 = HorizontalSlider(0, 200, 20, analogueBox);
    ab->addWidget(Label2, 3, 0, 1, 2);
    ab->addWidget(Slider2, 4, 0, 1, 2);
    Label6 = SmallLabel("Smoothing level: 3", analogueBox);
    Slider6 = HorizontalSlider(1, 10, 3, analogueBox);
    ab->addWidget(Label6, 5, 0, 1, 2);
    ab->addWidget(Slider6, 6, 0, 1, 2);
    CheckQuality = new QCheckBox("Mark poor analogues", analogueBox);
    CheckQuality->setToolTip(
        "Marks, at the right edge of the curve, the samples whose closest reference site is "
        "farther than the 5 % cut-off of the reference sites' own closest distances.");
    CheckQuality->setFont(Label6->font());
    ab->addWidget(CheckQuality, 7, 0, 1, 2);
    QualityLabel = SmallLabel("", analogueBox);
    // Room for both of its lines (the closest site, the cut-off) also at the window's least
    // height, where the layout would otherwise squeeze them under the check box above.
    QualityLabel->setMinimumHeight(2 * QualityLabel->fontMetrics().lineSpacing());
    ab->addWidget(QualityLabel, 8, 0, 1, 2);
    col->addWidget(analogueBox);

    Command3 = new QPushButton("Generate error model", controls);
    col->addWidget(Command3);
    auto* calibRow = new QWidget(controls);
    auto* cr = new QHBoxLayout(calibRow);
    cr->setContentsMargins(0, 0, 0, 0);
    Command6 = new QPushButton("Meridan", calibRow);
    Command4 = new QPushButton("Strativ", calibRow);
    cr->addWidget(Command6);
    cr->addWidget(Command4);
    col->addWidget(calibRow);
    auto* stateRow = new QWidget(controls);
    auto* sr = new QHBoxLayout(stateRow);
    sr->setContentsMargins(0, 0, 0, 0);
    Command2 = new QPushButton("Calib", stateRow);
    Command5 = new QPushButton("Hist", stateRow);
    sr->addWidget(Command2);
    sr->addWidget(Command5);
    col->addWidget(stateRow);

    Frame6 = new QGroupBox(controls);
    auto* f6 = new QGridLayout(Frame6);
    f6->setContentsMargins(6, 4, 6, 4);
    f6->setVerticalSpacing(0);
    Check4[0] = new QCheckBox("Show Mode", Frame6);
    Check4[1] = new QCheckBox("Show Average", Frame6);
    Option4[0] = new QRadioButton("Probability", Frame6);
    Option4[1] = new QRadioButton("Confidence", Frame6);
    Label5 = SmallLabel("Z-enhancement ", Frame6);
    Slider5 = HorizontalSlider(0, 200, 100, Frame6);
    f6->addWidget(Check4[0], 0, 0);
    f6->addWidget(Check4[1], 1, 0);
    f6->addWidget(Option4[0], 0, 1);
    f6->addWidget(Option4[1], 1, 1);
    f6->addWidget(Label5, 2, 0);
    f6->addWidget(Slider5, 2, 1);
    col->addWidget(Frame6);
    col->addStretch(1);
    controls->setGeometry(kMargin, kMargin, kControlsWidth, 600);
    // The window never gets lower than its controls need.
    controlsHeight_ = controls->minimumSizeHint().height();

    Picture1 = new PictureBox(central);
    Picture2 = new PictureBox(central);
    Picture3 = new PictureBox(central);
    Picture4 = new PictureBox(central);
    Text1 = new QLineEdit(central);
    Text2 = new QLineEdit(central);
    Combo1 = new QComboBox(central);
    Slider7 = HorizontalSlider(0, 10, 10, central);
    SummaryLabel = new QLabel(central);
    SummaryLabel->setWordWrap(true);
    QFont small = SummaryLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    SummaryLabel->setFont(small);
    SummaryLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const SampleSelector selector = BuildSampleSelector(central, this);
    Frame5 = selector.frame;
    Check3 = selector.check;
    Combo3 = selector.list;
    UpDown1 = selector.arrows;
    UpDown1Up = selector.up;
    UpDown1Down = selector.down;

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setTextVisible(false);
}

void frmMAT::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("File(&F)");
    QMenu* save = file->addMenu("&Save");
    mnuSaveCurve = save->addAction("Current Climate Curve (Strativ 2.5 format)");
    mnuSaveCurveAll = save->addAction("All Climate Curves");
    mnuSaveTable = save->addAction("Reconstruction Table (reconstruction.csv)");
    mnuSaveScatter = save->addAction("Scatter Diagram");
    save->addSeparator();
    mnuSaveMeridan = save->addAction("Meridan Matrix");
    mnuSaveStrativ = save->addAction("Strativ Matrix");
    QMenu* edit = menuBar()->addMenu("Edit(&E)");
    mnuColor = edit->addAction("Colour Settings");
    QMenu* tools = menuBar()->addMenu("&Tools");
    mnuTransfer = tools->addAction("Transfer functions...");
    connect(mnuTransfer, &QAction::triggered, this, [this] { app_.transfer().Open(); });

    mnuRB1 = new QMenu("RB1", this);
    mnuCopy1 = mnuRB1->addAction("&Copy");
    mnuRB1->addSeparator();
    mnuSaveCurve2 = mnuRB1->addAction("&Save This Parameter Only (Strativ 2.5 format)");
    mnuSaveCurveAll2 = mnuRB1->addAction("Save &All Parameters");
    mnuRB2 = new QMenu("RB2", this);
    mnuCopy2 = mnuRB2->addAction("&Copy");
    mnuRB2->addSeparator();
    mnuSaveScatter2 = mnuRB2->addAction("&Save");
    mnuRB3 = new QMenu("RB3", this);
    mnuCopy3 = mnuRB3->addAction("&Copy");
    mnuRB3->addSeparator();
    mnuSaveStrativ2 = mnuRB3->addAction("&Save Matrix");
    mnuRB4 = new QMenu("RB4", this);
    mnuCopy4 = mnuRB4->addAction("&Copy");
    mnuRB4->addSeparator();
    mnuSaveMeridan2 = mnuRB4->addAction("&Save Matrix");
}

int frmMAT::PanelSize() const
{
    return static_cast<int>(std::lround(Slider7->value() * kPanelStepTwips / kTwipsPerPixel));
}

void frmMAT::LayoutControls()
{
    QWidget* area = centralWidget();
    const int h = area->height();
    const int size = PanelSize();
    const int left = kMargin + kControlsWidth + kGap;
    const int curveHeight = std::max(h - kMargin - kBottomRows, 60);
    Picture1->setGeometry(left, kMargin, size, curveHeight);
    Picture3->setGeometry(left + kLargestPanel + kGap, kMargin, size, curveHeight);
    const int right = left + 2 * (kLargestPanel + kGap);
    Picture2->setGeometry(right, kMargin, size, size);
    // The figures take the room up to the sample selector beside them.
    SummaryLabel->setGeometry(right, kMargin + size + 2,
                              kExtraPanelsWidth - kLargestPanel - 2 * kGap, 58);
    Picture4->setGeometry(right, kMargin + size + 62, size, size);
    const int rowTop = kMargin + curveHeight + 6;
    const int half = (kLargestPanel - 4) / 2;
    Text1->setGeometry(left, rowTop, half, 24);
    Text2->setGeometry(left + kLargestPanel - half, rowTop, half, 24);
    Combo1->setGeometry(left, rowTop + 30, kLargestPanel, 24);
    Slider7->setGeometry(left + kLargestPanel + kGap, rowTop, kLargestPanel, 24);
    ProgressBar1->setGeometry(left, rowTop + 30, kLargestPanel, 20);
    if (QWidget* controls = area->findChild<QWidget*>("controls"))
        controls->setGeometry(kMargin, kMargin, kControlsWidth, h - 2 * kMargin);
    const int frameLeft = left + kLargestPanel + kGap + (extraPanelsShown_ ? kExtraPanelsWidth : 0);
    Frame5->setGeometry(frameLeft, Frame5->y(), kFollowerWidth, kFollowerHeight);
    SetCurveScales();
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

}  // namespace tarvex
