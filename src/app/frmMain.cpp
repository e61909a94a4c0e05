#include "app/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <cmath>

#include "app/App.h"
#include "app/frmMainReport.h"
#include "app/frmAbout1.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "data/ReferenceImport.h"
#include "data/TableChecks.h"
#include "diagram/DiagramLayout.h"
#include "diagram/frmDiagram.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "settings/ColourScheme.h"
#include "settings/frmColor.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"

namespace tarvex {

namespace {

constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";

// The hourglass for the length of a command, restored however the command ends.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

frmMain::frmMain(App& app) : app_(app)
{
    setWindowTitle("Tarvex 1.5");
    BuildControls();
    BuildMenus();
    LoadWindow();
    ConnectControls();
    resize(1400, 760);
}

frmMain::~frmMain() = default;

void frmMain::LoadWindow()
{
    Workspace& ws = app_.ws();

    // 1.
    Picture1[0]->SetForeColor(0);
    ws.useCorrelation = true;
    ws.matrixWidth = 200;

    // 2. The colour preset; nothing is drawn yet.
    tarvex::ApplyColourPreset(ws.colours);
    UpdateColourChecks();

    // 3.
    for (PictureBox* p : {Picture1[0], Picture1[1], Picture2[0], Picture2[1]}) p->SetFontSize(7);
    ProgressBar1->setValue(0);
    ProgressBar1->hide();

    // 4. Commands that need data first.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Command11, Command14, Command1[0], Command1[1], Command2[0], Command2[1], Command3,
             Command4[0], Command4[1], Command8, Command13[0], Command13[1], Command6})
        w->setEnabled(false);
    for (QAction* a : {mnuControl, mnuCopy1L, mnuCopy1R, mnuCopy2L, mnuCopy2R, mnuSaveL, mnuSaveS,
                       mnuSaveF, mnuSaveL2, mnuSaveS2, mnuSaveF2})
        a->setEnabled(false);

    // 5. Slider values.
    Slider1->setValue(1);
    Slider4->setValue(2);
    Slider5->setValue(5);
    ws.zoomFactor = std::pow(2.0, 2);
    Label4->setText(QString::fromStdString(FormatSingle(Slider1->value() / 10.0f)));

    // 6. View controls wait for the EOF analysis.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Option2[0], Option2[1], Option2[2],    Option3[0], Option3[1], Option3[2],  Option5[0],
             Option5[1], Option5[2], Option4[0],    Option4[1], Option6[0], Option6[1],  Slider1,
             Slider2[1], Slider2[2], Slider3,       Slider4,    Slider5,    Combo1,      Combo3,
             Combo4,     Check1,     Check2,        Check3,     Check4,     LabelRotale, LabelTilt,
             LabelTight, LabelLoose, LabelVelocity, Label7,     Label4,     LabelZoom})
        w->setEnabled(false);

    // 7.
    Option4[0]->setChecked(true);
    ws.selectedAxisCount = 2;
    Combo1->clear();
    Combo3->clear();
    Combo4->clear();
    Check4->setChecked(true);
    Option2[2]->setChecked(true);
    Option3[2]->setChecked(true);
    Option5[2]->setChecked(true);

    // 8.
    Timer1->setInterval(10);
    Timer2->setInterval(Slider5->value() * 1000);
    Timer1->stop();
    Timer2->stop();

    // 9.
    ws.viewAngles.assign(3, 0.0);
    ws.viewAngles[2] = 15 * kProgramPi / 180;
    ws.refSiteCount = 0;
    ws.fossilSampleCount = 0;
    ws.rotationStep = 0.04f;
    Slider3->setValue(40);
    ws.envelopeTightness = static_cast<float>(Slider1->value()) / 10;

    // 10.
    ws.eofDone = ws.projectionDone = ws.envelopeDone = false;
    ws.diagramDrawn = ws.eccShown = ws.reconShown = false;

    // 11.
    ws.selectedAxes = {0, 1, 2, 3};
    ws.displayAxes = {0, 1, 2, 3};
    ws.moreAxes = false;
    ws.currentTaxon = ws.currentRefSite = ws.currentFossilSample = 1;
    ws.climateLoaded = false;
    ws.currentClimateParam = 1;
}

void frmMain::ConnectControls()
{
    connect(Command5, &QPushButton::clicked, this, [this] { ImportReferenceData(); });
    connect(Command6, &QPushButton::clicked, this, [this] { ImportFossilData(); });
    connect(Command7, &QPushButton::clicked, this, [this] { app_.Quit(); });
    connect(mnuQuit, &QAction::triggered, this, [this] { app_.Quit(); });
    connect(mnuSaveReport, &QAction::triggered, this, [this] { SaveReport(); });
    connect(mnuAbout, &QAction::triggered, this, [this] {
        app_.about().show();
        app_.about().raise();
    });
    connect(mnuColor, &QAction::triggered, this, [this] { ApplyColourPreset(); });
    connect(mnuGrey, &QAction::triggered, this, [this] { ApplyGreyPreset(); });

    connect(mnuSaveL, &QAction::triggered, this, [this] { SaveLoading(); });
    connect(mnuSaveL2, &QAction::triggered, this, [this] { SaveLoading(); });
    connect(mnuSaveS, &QAction::triggered, this, [this] { sSaveScore(); });
    connect(mnuSaveS2, &QAction::triggered, this, [this] { sSaveScore(); });
    connect(mnuSaveF, &QAction::triggered, this, [this] { fSaveScore(); });
    connect(mnuSaveF2, &QAction::triggered, this, [this] { fSaveScore(); });

    // Right click on a plot: its pop-up menu; Copy puts that plot's picture on the clipboard.
    const std::array<std::pair<PictureBox*, QMenu*>, 4> popups{{{Picture1[0], mnuFig1L},
                                                                {Picture1[1], mnuFig1R},
                                                                {Picture2[0], mnuFig2L},
                                                                {Picture2[1], mnuFig2R}}};
    const char* const exportNames[4] = {"taxa-plot.svg", "taxa-plot-right.svg", "site-plot.svg",
                                         "site-plot-right.svg"};
    for (std::size_t i = 0; i < popups.size(); ++i) {
        AddExportPicture(*popups[i].second, *popups[i].first, app_.dialogs(), exportNames[i]);
        // The figure of both plots, on the EOFs shown.
        AddExportFigure(*popups[i].second, *this, app_.dialogs(), [this] {
            const Workspace& ws = app_.ws();
            const auto& axes = ws.moreAxes ? ws.displayAxes : ws.selectedAxes;
            return MakeWindowFigure(app_, {fig::FigureKind::ScorePlots, 0, axes[1], axes[2]});
        });
    }
    for (const auto& [picture, menu] : popups) {
        QMenu* m = menu;
        connect(picture, &PictureBox::contextMenuRequested, this,
                [m](QPoint globalPos) { m->popup(globalPos); });
    }
    connect(mnuCopy1L, &QAction::triggered, this, [this] { Picture1[0]->CopyToClipboard(); });
    connect(mnuCopy1R, &QAction::triggered, this, [this] { Picture1[1]->CopyToClipboard(); });
    connect(mnuCopy2L, &QAction::triggered, this, [this] { Picture2[0]->CopyToClipboard(); });
    connect(mnuCopy2R, &QAction::triggered, this, [this] { Picture2[1]->CopyToClipboard(); });

    ConnectViewControls();

    connect(Command14, &QPushButton::clicked, this, [this] { OpenDiagram(); });
    connect(Command8, &QPushButton::clicked, this, [this] {
        Command8->setEnabled(false);
        app_.mat().OpenFromMain();
    });
}

void frmMain::OpenDiagram()
{
    Workspace& ws = app_.ws();
    const DiagramColumns columns =
        ComputeDiagramColumns(ws.fossilProportions, ws.fossilSampleCount, ws.fossilTaxonCount);
    ws.diagramColumnLeft = columns.left;
    ws.lastColumnMax = columns.lastColumnMax;
    app_.diagram().OpenFromMain();
    Command14->setEnabled(false);
}

void frmMain::RestartRotationIfWanted()
{
    if (Option4[1]->isChecked() && !Check2->isChecked()) Timer1->start();
}

void frmMain::ImportReferenceData()
{
    Workspace& ws = app_.ws();
    Timer1->stop();

    const std::optional<std::string> path =
        app_.dialogs().OpenFile(this, "Import reference data", kDataFileFilter);
    ImportOutcome outcome;
    if (!path) {
        outcome = CancelledReferenceImport();
    } else {
        BusyPointer busy;
        outcome = ImportReferenceTable(ws, *path);
    }

    if (!outcome.ok) {
        for (const std::string& message : outcome.messages)
            app_.dialogs().Warn(this, message, "Error");
        RestartRotationIfWanted();
        return;
    }

    update();
    Command5->setEnabled(false);
    Command3->setEnabled(true);
    for (QAction* a : {mnuControl, mnuCopy1R, mnuCopy1L, mnuCopy2R, mnuCopy2L, mnuSaveS, mnuSaveS2,
                       mnuSaveL, mnuSaveL2})
        a->setEnabled(true);
    Slider4->setEnabled(true);
    LabelZoom->setEnabled(true);

    Combo3->clear();
    for (int t = 1; t <= ws.refTaxonCount; ++t)
        Combo3->addItem(QString::fromStdString(ws.refTaxonNames[t]));
    Combo3->setCurrentIndex(ws.refTaxonCount > 0 ? 0 : -1);
    Combo4->clear();
    for (int s = 1; s <= ws.refSiteCount; ++s)
        Combo4->addItem(QString::fromStdString(ws.refSiteLabels[s]));
    Combo4->setCurrentIndex(ws.refSiteCount > 0 ? 0 : -1);

    // The table is in; what the checks found is said before the pre-treatment is chosen,
    // where converting to percentages is one of the answers.
    if (!outcome.checks.empty())
        app_.dialogs().Warn(this, TableCheckMessage(outcome.checks), kTableCheckTitle);

    app_.correlVar().show();
    app_.correlVar().raise();

    RestartRotationIfWanted();
    Command6->setEnabled(true);
}

void frmMain::UpdateColourChecks()
{
    const bool grey = app_.ws().colours.greyScaleOn;
    mnuColor->setChecked(!grey);
    mnuGrey->setChecked(grey);
}

void frmMain::ApplyColourPreset()
{
    tarvex::ApplyColourPreset(app_.ws().colours);
    ApplyPresetRedraws();
    if (app_.colourLoaded() && app_.colour().isVisible()) app_.colour().Redraw();
}

void frmMain::ApplyGreyPreset()
{
    tarvex::ApplyGreyPreset(app_.ws().colours);
    ApplyPresetRedraws();
    if (app_.colourLoaded() && app_.colour().isVisible()) app_.colour().Redraw();
}

void frmMain::ApplyPresetRedraws()
{
    UpdateColourChecks();
    RedrawPlots();
    if (app_.calibLoaded()) app_.calib().ResetColour();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    app_.Quit();
}

}  // namespace tarvex
