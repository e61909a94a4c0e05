// Construction of the main window's controls and menus. Behaviour lives in frmMain.cpp.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "app/frmMain.h"
#include "ui/PictureBox.h"
#include "ui/SquarePanels.h"

namespace tarvex {

namespace {

QSlider* MakeSlider(int minimum, int maximum, int value, QWidget* parent)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(minimum, maximum);
    s->setValue(value);
    s->setPageStep(1);
    return s;
}

// A row "caption [slider]" for the view sliders.
QWidget* SliderRow(QLabel* caption, QSlider* slider, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    caption->setMinimumWidth(52);
    layout->addWidget(caption);
    layout->addWidget(slider, 1);
    return row;
}

// One of the " Taxa ", " Reference sites ", " Fossil data " frames.
QGroupBox* LabelFrame(const QString& title, std::array<QRadioButton*, 3>& options, QComboBox*& list,
                      std::array<QPushButton*, 2>& prevNext, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QGridLayout(box);
    const char* captions[3] = {"Show all", "Sequential", "Hide"};
    for (int i = 0; i < 3; ++i) {
        options[i] = new QRadioButton(captions[i], box);
        layout->addWidget(options[i], 0, i);
    }
    list = new QComboBox(box);
    list->setMinimumContentsLength(8);
    layout->addWidget(list, 1, 0, 1, 3);
    prevNext[0] = new QPushButton("Prev.", box);
    prevNext[1] = new QPushButton("Next", box);
    layout->addWidget(prevNext[0], 2, 0);
    layout->addWidget(prevNext[1], 2, 2);
    return box;
}

}  // namespace

void frmMain::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QHBoxLayout(central);

    // Left column: data, EOF choice, view.
    auto* column1 = new QVBoxLayout;
    Command5 = new QPushButton("Import reference data", central);
    Command6 = new QPushButton("Import fossil data", central);
    column1->addWidget(Command5);
    column1->addWidget(Command6);

    auto* eofFrame = new QGroupBox(" EOF analysis ", central);
    auto* eofLayout = new QGridLayout(eofFrame);
    Command3 = new QPushButton("Axis settings", eofFrame);
    Command4[0] = new QPushButton("Prev.", eofFrame);
    Command4[1] = new QPushButton("Next", eofFrame);
    Option6[0] = new QRadioButton("Automatic change", eofFrame);
    Option6[1] = new QRadioButton("Manual change", eofFrame);
    Option6[0]->setChecked(true);
    Label7 = new QLabel("Interval (sec.)", eofFrame);
    Slider5 = MakeSlider(1, 15, 5, eofFrame);
    eofLayout->addWidget(Command3, 0, 0, 1, 2);
    eofLayout->addWidget(Command4[0], 1, 0);
    eofLayout->addWidget(Command4[1], 1, 1);
    eofLayout->addWidget(Option6[0], 2, 0, 1, 2);
    eofLayout->addWidget(Option6[1], 3, 0, 1, 2);
    eofLayout->addWidget(SliderRow(Label7, Slider5, eofFrame), 4, 0, 1, 2);
    column1->addWidget(eofFrame);

    auto* viewFrame = new QGroupBox(" Display mode ", central);
    auto* viewLayout = new QVBoxLayout(viewFrame);
    auto* modeRow = new QHBoxLayout;
    Option4[0] = new QRadioButton("2-D", viewFrame);
    Option4[1] = new QRadioButton("3-D", viewFrame);
    modeRow->addWidget(Option4[0]);
    modeRow->addWidget(Option4[1]);
    viewLayout->addLayout(modeRow);
    LabelRotale = new QLabel("Rotale", viewFrame);
    LabelTilt = new QLabel("Tilt", viewFrame);
    LabelVelocity = new QLabel("Velocity", viewFrame);
    LabelZoom = new QLabel("Zoom", viewFrame);
    Slider2[1] = MakeSlider(-180, 180, 0, viewFrame);
    Slider2[2] = MakeSlider(0, 90, 15, viewFrame);
    Slider3 = MakeSlider(0, 100, 40, viewFrame);
    Slider4 = MakeSlider(0, 8, 2, viewFrame);
    viewLayout->addWidget(SliderRow(LabelRotale, Slider2[1], viewFrame));
    viewLayout->addWidget(SliderRow(LabelTilt, Slider2[2], viewFrame));
    viewLayout->addWidget(SliderRow(LabelVelocity, Slider3, viewFrame));
    auto* checks = new QGridLayout;
    Check2 = new QCheckBox("Pause", viewFrame);
    Check3 = new QCheckBox("Reverse", viewFrame);
    Check1 = new QCheckBox("Stereo", viewFrame);
    Check4 = new QCheckBox("Tick / Label", viewFrame);
    checks->addWidget(Check2, 0, 0);
    checks->addWidget(Check3, 0, 1);
    checks->addWidget(Check1, 1, 0);
    checks->addWidget(Check4, 1, 1);
    viewLayout->addLayout(checks);
    viewLayout->addWidget(SliderRow(LabelZoom, Slider4, viewFrame));
    column1->addWidget(viewFrame);
    column1->addStretch(1);

    // Second column: labels, envelope, other windows.
    auto* column2 = new QVBoxLayout;
    column2->addWidget(LabelFrame(" Taxa ", Option2, Combo3, Command1, central));
    column2->addWidget(LabelFrame(" Reference sites ", Option3, Combo4, Command2, central));
    column2->addWidget(LabelFrame(" Fossil data ", Option5, Combo1, Command13, central));

    auto* envFrame = new QGroupBox(" Envelope analysis ", central);
    auto* envLayout = new QGridLayout(envFrame);
    Command11 = new QPushButton("Envelop", envFrame);
    LabelTight = new QLabel("Tight", envFrame);
    LabelLoose = new QLabel("Loose", envFrame);
    Slider1 = MakeSlider(0, 10, 1, envFrame);
    Label4 = new QLabel("0.1", envFrame);
    Label4->setAlignment(Qt::AlignCenter);
    envLayout->addWidget(Command11, 0, 0, 1, 3);
    envLayout->addWidget(LabelTight, 1, 0);
    envLayout->addWidget(Slider1, 1, 1);
    envLayout->addWidget(LabelLoose, 1, 2);
    envLayout->addWidget(Label4, 2, 1);
    column2->addWidget(envFrame);

    Command14 = new QPushButton("Diagram", central);
    Command8 = new QPushButton("Reconstruction", central);
    Command7 = new QPushButton("Quit", central);
    column2->addWidget(Command14);
    column2->addWidget(Command8);
    column2->addStretch(1);
    ProgressBar1 = new QProgressBar(central);
    column2->addWidget(ProgressBar1);
    column2->addWidget(Command7);

    auto* controls = new QWidget(central);
    auto* controlsLayout = new QHBoxLayout(controls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    controlsLayout->addLayout(column1);
    controlsLayout->addLayout(column2);
    controls->setFixedWidth(540);
    outer->addWidget(controls);

    // Plots: taxa and sites side by side as squares; the right-eye surfaces appear beside
    // their left eyes with "Stereo".
    plotArea_ = new SquarePanels(central);
    for (int eye = 0; eye < 2; ++eye) {
        Picture1[eye] = new PictureBox(plotArea_);
        Picture2[eye] = new PictureBox(plotArea_);
    }
    for (PictureBox* p : {Picture1[0], Picture1[1], Picture2[0], Picture2[1]})
        plotArea_->AddPanel(p);
    Picture1[1]->hide();
    Picture2[1]->hide();
    Picture3 = new PictureBox(plotArea_);
    Picture3->setFixedHeight(22);
    plotArea_->SetFooter(Picture3);
    outer->addWidget(plotArea_, 1);

    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
}

void frmMain::BuildMenus()
{
    mnuFile = menuBar()->addMenu("File(&F)");
    mnuSaveMother = mnuFile->addMenu("&Save");
    mnuSaveL = mnuSaveMother->addAction("&Loading");
    mnuSaveS = mnuSaveMother->addAction("Score (&Reference)");
    mnuSaveF = mnuSaveMother->addAction("Score (&Fossil)");
    mnuSaveReport = mnuFile->addAction("Save &Report...");
    mnuQuit = mnuFile->addAction("&Quit");

    mnuControlPanel = menuBar()->addMenu("Edit(&E)");
    mnuControl = mnuControlPanel->addAction("&Axis Settings");
    mnuColorSettings = mnuControlPanel->addMenu("&Colour Settings");
    mnuColor = mnuColorSettings->addAction("&Colour");
    mnuGrey = mnuColorSettings->addAction("&Grey");
    mnuColor->setCheckable(true);
    mnuGrey->setCheckable(true);

    mnuAboutTarvex = menuBar()->addMenu("About Tarvex(&A)");
    mnuAbout = mnuAboutTarvex->addAction("&About Tarvex 1.5");

    // Pop-up menus of the plot surfaces; they are never shown in the menu bar.
    mnuFig1L = new QMenu("Fig1(0)", this);
    mnuFig1R = new QMenu("Fig1(1)", this);
    mnuFig2L = new QMenu("Fig2(0)", this);
    mnuFig2R = new QMenu("Fig2(1)", this);
    mnuCopy1L = mnuFig1L->addAction("&Copy");
    mnuCopy1R = mnuFig1R->addAction("&Copy");
    mnuSaveL2 = new QAction("&Save Matrix", this);
    mnuFig1L->addAction(mnuSaveL2);
    mnuFig1R->addAction(mnuSaveL2);
    mnuCopy2L = mnuFig2L->addAction("&Copy");
    mnuCopy2R = mnuFig2R->addAction("Copy");
    mnuSaveS2 = new QAction("Save Matrix (&Reference)", this);
    mnuSaveF2 = new QAction("Save Matrix (&Fossil)", this);
    for (QMenu* m : {mnuFig2L, mnuFig2R}) {
        m->addAction(mnuSaveS2);
        m->addAction(mnuSaveF2);
    }
}

}  // namespace tarvex
