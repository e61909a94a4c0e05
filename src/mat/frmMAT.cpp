#include "mat/frmMAT.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "calib/frmCalib.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "data/TableChecks.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmECC.h"
#include "eof/frmControl.h"
#include "eof/frmCorrelVar.h"
#include "mat/ClimateImport.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/Pointer.h"
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
    mnuSaveScatter = save->addAction("Scatter Diagram");
    save->addSeparator();
    mnuSaveMeridan = save->addAction("Meridan Matrix");
    mnuSaveStrativ = save->addAction("Strativ Matrix");
    QMenu* edit = menuBar()->addMenu("Edit(&E)");
    mnuColor = edit->addAction("Colour Settings");

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

void frmMAT::ConnectControls()
{
    Workspace& ws = app_.ws();
    connect(Command1, &QPushButton::clicked, this, [this] { Inport_climate_data(); });

    for (int k = 0; k < 2; ++k) {
        connect(Option1[k], &QRadioButton::clicked, this, [this, &ws, k] {
            // Both bases start from the pre-treatment's enhancement; the EOF basis cannot
            // change it.
            const bool eof = k == 1;
            const Enhancement pre = app_.correlVar().CurrentChoice().enhancement;
            Check2->setChecked(pre != Enhancement::None);
            Option2[pre == Enhancement::Log ? 1 : 0]->setChecked(true);
            Check2->setEnabled(!eof && !ws.enhancementApplied);
            for (QRadioButton* o : Option2)
                o->setEnabled(!eof && !ws.enhancementApplied && Check2->isChecked());
            Command7->setEnabled(eof);
            Combo2->setEnabled(false);
            if (ws.reconShown) DoClimateReconstruction();
        });
    }
    connect(CheckQuality, &QCheckBox::clicked, this, [this, &ws] {
        if (ws.reconShown) DrawReconCurve();
    });
    connect(Command7, &QPushButton::clicked, this, [this] {
        app_.control().show();
        app_.control().raise();
    });
    connect(Check1, &QCheckBox::clicked, this, [this] {
        for (QRadioButton* o : Option3) o->setEnabled(Check1->isChecked());
        Reset();
    });
    connect(Check2, &QCheckBox::clicked, this, [this] {
        for (QRadioButton* o : Option2) o->setEnabled(Check2->isChecked());
        Reset();
    });
    for (QRadioButton* o : {Option2[0], Option2[1], Option3[0], Option3[1]})
        connect(o, &QRadioButton::clicked, this, [this] { Reset(); });

    connect(Slider1, &QSlider::valueChanged, this, [this](int v) {
        if (loading_) return;
        if (v == 0) {
            Slider1->setValue(1);  // its own change handler goes on from there
            return;
        }
        if (v < Slider3->value()) {
            adjusting_ = true;
            Slider3->setValue(v);
            adjusting_ = false;
        }
        UpdateAnalogueLabel("No.of analogues: ");
        Reset();
    });
    connect(Slider3, &QSlider::valueChanged, this, [this](int v) {
        if (loading_ || adjusting_) return;
        if (v > Slider1->value()) {
            Slider1->setValue(v);  // resets the window
        } else {
            Reset();
        }
        UpdateAnalogueLabel("No.of analogues: ");
    });
    connect(Slider2, &QSlider::valueChanged, this, [this] {
        if (loading_) return;
        // The label ends on the threshold the search compares with, so it is written after
        // the reset, whose own DefineThreshold shows the slider's value.
        DefineThreshold();
        Reset();
        Label2->setText(QString::fromStdString("Threshold: " + FormatNumber(threshold_)));
    });
    connect(Slider6, &QSlider::valueChanged, this, [this, &ws](int v) {
        Label6->setText(QString("Smoothing level: %1").arg(v));
        if (loading_) return;
        if (ws.histBuilt) {
            // Only the histogram goes: it is built again from the new smoothing.
            ClearHistogramPanel();
            Command4->setEnabled(true);
        }
        DrawReconCurve();
        ShowReconSample();
    });
    connect(Slider7, &QSlider::valueChanged, this, [this](int v) {
        if (v == 0) {
            Slider7->setValue(1);
            return;
        }
        LayoutControls();
        HistResize();
    });
    connect(Slider5, &QSlider::valueChanged, this, [this, &ws](int v) {
        ws.zEnhancement = static_cast<float>(v / 100.0);
        if (!ws.calibReturned) return;
        if (Option4[0]->isChecked()) RedrawMatrices();
        DrawReconCurve();
        if (app_.calibLoaded()) app_.calib().Check7->click();
    });
    connect(Combo1, &QComboBox::activated, this, [this] { ChooseParameter(); });
    connect(Text1, &QLineEdit::textEdited, this, [this] { RangeEdited(true); });
    connect(Text2, &QLineEdit::textEdited, this, [this] { RangeEdited(true); });
    connect(Text1, &QLineEdit::editingFinished, this, [this] { RangeEdited(false); });
    connect(Text2, &QLineEdit::editingFinished, this, [this] { RangeEdited(false); });

    connect(Command3, &QPushButton::clicked, this, [this] { GenerateErrorModel(); });
    connect(Command6, &QPushButton::clicked, this, [this] { OpenCalibration(); });
    connect(Command4, &QPushButton::clicked, this, [this] { BuildHistogram(); });
    connect(Command2, &QPushButton::clicked, this, [this, &ws] {
        Command2->setText(ws.calibReturned ? "Calib: Yes" : "Calib: No");
    });
    connect(Command5, &QPushButton::clicked, this,
            [this, &ws] { Command5->setText(ws.histBuilt ? "Hist: Yes" : "Hist: No"); });
    for (QCheckBox* c : Check4) connect(c, &QCheckBox::clicked, this, [this] { DrawReconCurve(); });
    for (QRadioButton* o : Option4)
        connect(o, &QRadioButton::clicked, this, [this] {
            RedrawMatrices();
            DrawReconCurve();
        });

    connect(Combo3, &QComboBox::activated, this, [this, &ws] {
        QPalette p = Combo3->palette();
        p.setColor(QPalette::Text, Qt::black);
        p.setColor(QPalette::ButtonText, Qt::black);
        Combo3->setPalette(p);
        const std::string wanted = Combo3->currentText().toStdString();
        int found = 0;
        for (int i = 1; i <= ws.fossilSampleCount; ++i)
            if (ws.fossilSampleLabels[i] == wanted) found = i;
        if (found > 0) app_.diagram().Slider1->setValue(found);
        UpDown1Down->setFocus();
    });
    connect(UpDown1Up, &QToolButton::clicked, this, [this] { StepSample(false); });
    connect(UpDown1Down, &QToolButton::clicked, this, [this] { StepSample(true); });
    for (QToolButton* b : {UpDown1Up, UpDown1Down})
        connect(b, &QToolButton::released, this, [this] {
            cursorDragging_ = false;
            Picture1->SetMousePointer(Pointer::Default);
            if (Check3->isChecked()) ShowReconSample();
        });
    connect(Check3, &QCheckBox::clicked, this, [this, &ws] {
        if (app_.diagramLoaded() || ws.fossilSampleCount > 0) {
            QCheckBox* box = app_.diagram().Check1;
            if (box->isChecked() != Check3->isChecked()) box->setChecked(Check3->isChecked());
        }
        if (ws.eccShown && app_.eccLoaded()) app_.ecc().DrawEccScatter();
        DrawReconCurve();
        ShowReconSample();
    });

    connect(Picture1, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { mnuRB1->popup(p); });
    connect(Picture2, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { mnuRB2->popup(p); });
    connect(Picture3, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { mnuRB3->popup(p); });
    connect(Picture4, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { mnuRB4->popup(p); });
    connect(mnuCopy1, &QAction::triggered, this, [this] { Picture1->CopyToClipboard(); });
    connect(mnuCopy2, &QAction::triggered, this, [this] { Picture2->CopyToClipboard(); });
    connect(mnuCopy3, &QAction::triggered, this, [this] { Picture3->CopyToClipboard(); });
    connect(mnuCopy4, &QAction::triggered, this, [this] { Picture4->CopyToClipboard(); });
    AddExportPicture(*mnuRB1, *Picture1, app_.dialogs(), "climate-curve.svg");
    AddExportPicture(*mnuRB2, *Picture2, app_.dialogs(), "scatter.svg");
    AddExportPicture(*mnuRB3, *Picture3, app_.dialogs(), "strativ.svg");
    AddExportPicture(*mnuRB4, *Picture4, app_.dialogs(), "meridan.svg");
    for (QAction* a : {mnuSaveCurve, mnuSaveCurve2})
        connect(a, &QAction::triggered, this, [this] { SaveCurve(); });
    for (QAction* a : {mnuSaveCurveAll, mnuSaveCurveAll2})
        connect(a, &QAction::triggered, this, [this] { SaveCurveAll(); });
    for (QAction* a : {mnuSaveScatter, mnuSaveScatter2})
        connect(a, &QAction::triggered, this, [this] { SaveScatter(); });
    for (QAction* a : {mnuSaveMeridan, mnuSaveMeridan2})
        connect(a, &QAction::triggered, this, [this] { SaveMeridan(); });
    for (QAction* a : {mnuSaveStrativ, mnuSaveStrativ2})
        connect(a, &QAction::triggered, this, [this] { SaveStrativ(); });
    connect(mnuColor, &QAction::triggered, this, [this] { ShowColourSettings(); });

    for (PictureBox* panel : {Picture1, Picture3}) {
        const bool histogram = panel == Picture3;
        connect(
            panel, &PictureBox::mouseMoved, this,
            [this, histogram](Qt::MouseButton, double, double y) { CurveMouseMove(y, histogram); });
        connect(panel, &PictureBox::mousePressed, this,
                [this](Qt::MouseButton b, double, double) { CurveMouseDown(b); });
        connect(panel, &PictureBox::mouseReleased, this,
                [this](Qt::MouseButton, double, double) { CurveMouseUp(); });
    }
}

void frmMAT::Load()
{
    Workspace& ws = app_.ws();
    loading_ = true;
    axis_ = SampleAxis(ws.fossilSampleLabels, ws.fossilSampleCount, ws.fossilTextLabels);

    Combo2->clear();
    for (int k = 1; k <= ws.refTaxonCount; ++k) Combo2->addItem(QString::number(k));
    const int first = ws.selectedAxes.size() > 1 ? ws.selectedAxes[1] : 1;
    Combo2->setCurrentIndex(std::clamp(first, 1, std::max<int>(ws.refTaxonCount, 1)) - 1);
    Combo3->clear();
    for (int i = 1; i <= ws.fossilSampleCount; ++i)
        if (!ws.fossilSampleEmpty[i])
            Combo3->addItem(QString::fromStdString(ws.fossilSampleLabels[i]));

    Option1[0]->setChecked(true);
    Option2[0]->setChecked(true);
    Option3[0]->setChecked(true);
    Option4[0]->setChecked(true);
    Check1->setChecked(true);
    Check2->setChecked(false);
    Check3->setChecked(true);
    for (QCheckBox* c : Check4) c->setChecked(true);
    EnableCurveMenus(false);
    EnableScatterMenus(false);
    for (QAction* a :
         {mnuSaveMeridan, mnuSaveMeridan2, mnuCopy4, mnuSaveStrativ, mnuSaveStrativ2, mnuCopy3})
        a->setEnabled(false);
    for (QRadioButton* o : Option2) o->setEnabled(false);
    CheckQuality->setChecked(false);
    CheckQuality->setEnabled(false);
    QualityLabel->clear();
    // Until a climate table is loaded the search has nothing to work with.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Option1[0], Option1[1], Option3[0], Option3[1], Slider1,  Slider3,  Slider2,  Check1,
             Check2,     Label1,     Label2,     Check3,     Command3, Command4, Command6, Command7,
             Text1,      Text2,      Combo1,     Combo2,     Combo3,   UpDown1})
        w->setEnabled(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{Frame6, Picture2, Picture3, Picture4, Slider7,
                                         ProgressBar1, Command4, Command6, SummaryLabel})
        w->hide();
    Slider2->setRange(0, 200);
    Slider2->setValue(20);
    UpdateAnalogueLabel("No. of analogs: ");
    DefineThreshold();
    Text1->clear();
    Text2->clear();

    // The curve panel keeps the diagram's vertical scale; with both end samples empty the
    // sequence is laid out from sample 1 to N.
    const int n = ws.fossilSampleCount;
    const bool endsEmpty = n >= 1 && ws.fossilSampleEmpty.size() > static_cast<std::size_t>(n) &&
                           ws.fossilSampleEmpty[1] && ws.fossilSampleEmpty[n];
    DiagramVerticalScale v = UsableVerticalScale(ws.diagramScaleTop, ws.diagramScaleHeight);
    if (endsEmpty && n > 1) v = {10, 10.0f * (n - 1)};
    curveScaleTop_ = v.top;
    curveScaleHeight_ = v.height;

    cursorDragging_ = false;
    ws.reconShown = ws.errorModelShown = false;
    extraPanelsShown_ = false;
    Label6->setText(QString("Smoothing level: %1").arg(Slider6->value()));
    if (QLayout* l = layout()) l->activate();
    // The width is the window's own: only the error-model panels change it.
    setFixedWidth(width());
    LayoutControls();
    loading_ = false;
    ShowReconSample();
}

void frmMAT::OpenFromMain()
{
    show();
    raise();
    activateWindow();
    Activate();
}

void frmMAT::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !loading_) Activate();
}

void frmMAT::Activate()
{
    Workspace& ws = app_.ws();
    if (ws.colours.coloursChanged) {
        if (ws.calibReturned || ws.histBuilt) {
            RedrawMatrices();
            if (ws.reconShown) DrawReconCurve();
        }
        ws.colours.coloursChanged = false;
    }
    if (ws.climateLoaded) {
        Combo1->clear();
        for (int p = 1; p <= ws.climateParamCount; ++p)
            Combo1->addItem(QString::fromStdString(ws.climateParamNames[p]));
        Combo1->setCurrentIndex(
            std::clamp<int>(ws.currentClimateParam, 1, std::max<int>(ws.climateParamCount, 1)) - 1);
    }
    if (ws.climateLoaded && !ws.reconShown) {
        Command1->setEnabled(false);
        // The controls a climate import enables, for a table another window imported.
        for (QWidget* w :
             std::initializer_list<QWidget*>{Option1[0], Option1[1], Option3[0], Option3[1],
                                             Slider1, Slider3, Slider2, Check1, Label1, Label2})
            w->setEnabled(true);
        if (!ws.enhancementApplied && Option1[0]->isChecked()) Check2->setEnabled(true);
        for (QRadioButton* o : Option3) o->setEnabled(Check1->isChecked());
        DoClimateReconstruction();
    }
    if (ws.enhancementApplied) {
        Check2->setEnabled(false);
        for (QRadioButton* o : Option2) o->setEnabled(false);
    }
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
    SummaryLabel->setGeometry(right, kMargin + size + 2, kLargestPanel + 40, 58);
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

bool frmMAT::eventFilter(QObject* watched, QEvent* event)
{
    Workspace& ws = app_.ws();
    if (watched == centralWidget() && event->type() == QEvent::Resize && !loading_) {
        if (height() < minimumHeight()) resize(width(), minimumHeight());
        LayoutControls();
        if (ws.histBuilt) HistResize();
        ShowReconSample();
        if (ws.reconShown) DrawReconCurve();
    }
    if (event->type() == QEvent::MouseMove &&
        (watched == centralWidget() || watched == Frame5 || watched == UpDown1)) {
        if (cursorDragging_) {
            cursorDragging_ = false;
            Picture1->SetMousePointer(Pointer::Default);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMAT::UpdateAnalogueLabel(const char* prefix)
{
    Label1->setText(QString("%1%2-%3").arg(prefix).arg(Slider3->value()).arg(Slider1->value()));
}

void frmMAT::DefineThreshold()
{
    threshold_ = tarvex::DefineThreshold(Slider2->value(), Settings().enhancement);
    Label2->setText(QString::fromStdString("Threshold: " + FormatNumber(Slider2->value() / 100.0)));
}

AnalogueSettings frmMAT::Settings() const
{
    AnalogueSettings s;
    s.basis = Option1[1]->isChecked() ? DistanceBasis::EofValues : DistanceBasis::TaxaProportions;
    if (Check2->isChecked())
        s.enhancement =
            Option2[1]->isChecked() ? MinorTaxaEnhancement::Log : MinorTaxaEnhancement::SquareRoot;
    s.kmin = Slider3->value();
    s.kmax = std::max(Slider1->value(), 1);
    s.thresholdSlider = Slider2->value();
    if (Check1->isChecked())
        s.weighting = Option3[1]->isChecked() ? Weighting::Distance : Weighting::SquaredDistance;
    else
        s.weighting = Weighting::None;
    s.smoothing = Slider6->value();
    return s;
}

void frmMAT::Inport_climate_data()
{
    Workspace& ws = app_.ws();
    if (!ws.climateLoaded) {
        const std::optional<std::string> path =
            app_.dialogs().OpenFile("Import climate data", "DataFile(*.csv)|*.csv");
        SetScreenPointer(Pointer::Hourglass);
        const ImportOutcome outcome =
            path ? ImportClimateTable(ws, *path,
                                      [this](const std::string& q) {
                                          SetScreenPointer(Pointer::Default);
                                          const bool yes = app_.dialogs().AskYesNo(q, "Error");
                                          SetScreenPointer(Pointer::Hourglass);
                                          return yes;
                                      })
                 : CancelledClimateImport(ClimateImportStyle::Reconstruction);
        SetScreenPointer(Pointer::Default);
        if (!outcome.ok) {
            for (const std::string& m : outcome.messages) app_.dialogs().Warn(m, "Error");
            return;
        }
        ClimateImported();
        // Said before the reconstruction runs on the values the checks are about.
        if (!outcome.checks.empty())
            app_.dialogs().Warn(TableCheckMessage(outcome.checks), kTableCheckTitle);
    }
    Command1->setEnabled(false);
    DoClimateReconstruction();
}

void frmMAT::ClimateImported()
{
    const Workspace& ws = app_.ws();
    Combo1->clear();
    for (int p = 1; p <= ws.climateParamCount; ++p)
        Combo1->addItem(QString::fromStdString(ws.climateParamNames[p]));
    Combo1->setCurrentIndex(0);
    for (QWidget* w :
         std::initializer_list<QWidget*>{Option1[0], Option1[1], Option3[0], Option3[1], Slider1,
                                         Slider3, Slider2, Check1, Label1, Label2})
        w->setEnabled(true);
    for (QRadioButton* o : Option3) o->setEnabled(Check1->isChecked());
    if (!ws.enhancementApplied) {
        Check2->setEnabled(Option1[0]->isChecked());
        for (QRadioButton* o : Option2) o->setEnabled(Check2->isEnabled() && Check2->isChecked());
    }
}

void frmMAT::StepSample(bool next)
{
    const int n = std::max<int>(app_.ws().fossilSampleCount, 1);
    int v = CurrentSample() + (next ? 1 : -1);
    if (v > n) v = 1;
    if (v < 1) v = n;
    app_.diagram().Slider1->setValue(v);
}

int frmMAT::CurrentSample() const
{
    const Workspace& ws = app_.ws();
    if (app_.diagramLoaded()) return app_.diagram().Slider1->value();
    return std::clamp<int>(ws.currentFossilSample, 1, std::max<int>(ws.fossilSampleCount, 1));
}

void frmMAT::CurrentSampleChanged()
{
    const Workspace& ws = app_.ws();
    if (ws.reconShown) DrawReconCurve();
    ShowReconSample();
}

void frmMAT::SetCursorShown(bool on)
{
    if (Check3->isChecked() == on) return;
    Check3->setChecked(on);
    if (app_.ws().reconShown) DrawReconCurve();
    ShowReconSample();
}

void frmMAT::CurveMouseMove(double y, bool onHistogram)
{
    const Workspace& ws = app_.ws();
    if (ws.fossilSampleCount < 1) return;
    PictureBox& panel = onHistogram ? *Picture3 : *Picture1;
    if (onHistogram && Picture3->ScaleHeight() != 0)
        y = (y - Picture3->ScaleTop()) * curveScaleHeight_ / Picture3->ScaleHeight() +
            curveScaleTop_;
    const int c = CurrentSample();
    const double h = panel.ScaleHeight();
    const float d = static_cast<float>(y - axis_.GrabCentre(c));
    const float limit = static_cast<float>(h * 10 / (axis_.depthSpacing() ? 500 : 50));
    if (d * d < limit) {
        panel.SetMousePointer(Pointer::SizeNS);
    } else if (!cursorDragging_) {
        panel.SetMousePointer(Pointer::Default);
    }
    if (cursorDragging_) app_.diagram().Slider1->setValue(axis_.SampleAt(y));
}

void frmMAT::CurveMouseDown(Qt::MouseButton button)
{
    if (button != Qt::LeftButton) return;
    if (Picture1->MousePointer() == Pointer::SizeNS || Picture3->MousePointer() == Pointer::SizeNS)
        cursorDragging_ = true;
}

void frmMAT::CurveMouseUp()
{
    Workspace& ws = app_.ws();
    const bool wasDragging = cursorDragging_;
    cursorDragging_ = false;
    Picture1->SetMousePointer(Pointer::Default);
    Picture3->SetMousePointer(Pointer::Default);
    if (!wasDragging) return;
    if (ws.diagramDrawn && app_.diagramLoaded()) {
        frmDiagram& d = app_.diagram();
        d.DrawDiagramCursor();
        d.DrawEofCursor();
        d.ShowCurrentSample();
    }
    DrawReconCurve();
    ShowReconSample();
}

void frmMAT::BeginProgress(int maximum)
{
    ProgressBar1->setRange(0, std::max(maximum, 1));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    ProgressBar1->raise();
    SetScreenPointer(Pointer::Hourglass);
}

void frmMAT::EndProgress()
{
    ProgressBar1->setValue(0);
    ProgressBar1->hide();
    SetScreenPointer(Pointer::Default);
}

void frmMAT::closeEvent(QCloseEvent* event)
{
    event->accept();
    Unload();
}

void frmMAT::Unload()
{
    if (unloaded_) return;
    unloaded_ = true;
    // The calibration works on this window's reconstruction and goes with it.
    if (app_.calibLoaded()) app_.calib().Close();
    Workspace& ws = app_.ws();
    ws.reconShown = ws.errorModelShown = ws.calibReturned = ws.histBuilt = false;
    extraPanelsShown_ = false;
    EnableCurveMenus(false);
    EnableScatterMenus(false);
    app_.main().Command8->setEnabled(true);
    app_.UnloadMat();
}

}  // namespace tarvex
