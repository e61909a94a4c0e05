// The reconstruction window's life: the wiring of its controls, load, activation, the search
// settings as the controls hold them, and unload.
#include "mat/frmMAT.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmECC.h"
#include "eof/frmControl.h"
#include "eof/frmCorrelVar.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/Pointer.h"

namespace tarvex {

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
    connect(Command2, &QPushButton::clicked, this,
            [this, &ws] { Command2->setText(ws.calibReturned ? "Calib: Yes" : "Calib: No"); });
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
    AddExportFigures();
    connect(mnuSaveTable, &QAction::triggered, this, [this] { SaveReconstructionTable(); });
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

double frmMAT::TextValue(const QLineEdit* box) const
{
    return Val(box->text().toStdString());
}

void frmMAT::EnableCurveMenus(bool on)
{
    for (QAction* a :
         {mnuSaveCurve, mnuSaveCurve2, mnuSaveCurveAll, mnuSaveCurveAll2, mnuSaveTable, mnuCopy1})
        a->setEnabled(on);
}

void frmMAT::EnableScatterMenus(bool on)
{
    for (QAction* a : {mnuSaveScatter, mnuSaveScatter2, mnuCopy2}) a->setEnabled(on);
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

int frmMAT::ListedParameter() const
{
    const Workspace& ws = app_.ws();
    const std::string wanted = Combo1->currentText().toStdString();
    int found = 0;
    for (int p = 1; p <= ws.climateParamCount && p < static_cast<int>(ws.climateParamNames.size());
         ++p)
        if (ws.climateParamNames[p] == wanted) found = p;
    return found;
}

}  // namespace tarvex
