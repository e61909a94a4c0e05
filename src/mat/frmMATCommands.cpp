// The reconstruction window's commands: the climate import, the reconstruction and error-model
// runs, the result files and the opening and closing of the calibration module.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <ctime>
#include <optional>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/CalibData.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "data/TableChecks.h"
#include "mat/ClimateImport.h"
#include "mat/Histogram.h"
#include "mat/MatrixFiles.h"
#include "mat/ReconFiles.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/Pointer.h"

namespace tarvex {

void frmMAT::Inport_climate_data()
{
    Workspace& ws = app_.ws();
    if (!ws.climateLoaded) {
        const std::optional<std::string> path =
            app_.dialogs().OpenFile(this, "Import climate data", "DataFile(*.csv)|*.csv");
        SetScreenPointer(Pointer::Hourglass);
        const ImportOutcome outcome =
            path
                ? ImportClimateTable(ws, *path,
                                     [this](const std::string& q) {
                                         SetScreenPointer(Pointer::Default);
                                         const bool yes = app_.dialogs().AskYesNo(this, q, "Error");
                                         SetScreenPointer(Pointer::Hourglass);
                                         return yes;
                                     })
                : CancelledClimateImport(ClimateImportStyle::Reconstruction);
        SetScreenPointer(Pointer::Default);
        if (!outcome.ok) {
            for (const std::string& m : outcome.messages) app_.dialogs().Warn(this, m, "Error");
            return;
        }
        ClimateImported();
        // Said before the reconstruction runs on the values the checks are about.
        if (!outcome.checks.empty())
            app_.dialogs().Warn(this, TableCheckMessage(outcome.checks), kTableCheckTitle);
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

void frmMAT::DoClimateReconstruction()
{
    Workspace& ws = app_.ws();
    if (!ws.climateLoaded) return;
    const int n = ws.fossilSampleCount;
    BeginProgress(n);
    const AnalogueSettings settings = Settings();
    ReconstructClimate(ws, settings, threshold_,
                       [this](int done, int) { ProgressBar1->setValue(done); });
    // The modern distances change only with the distance itself, not with the threshold,
    // the numbers of analogues or the weighting.
    AssessAnalogueQuality(ws, modernClosest_.Get(ws, settings));
    range_ = ReconstructionRange(ws.reconValues, n, ws.climateParamCount);
    ProgressBar1->setValue(0);

    const int p = std::max(ListedParameter(), 1);
    ws.currentClimateParam = static_cast<int16_t>(p);
    const bool none = range_.hasValue.size() <= static_cast<std::size_t>(p) || !range_.hasValue[p];
    // Without any value the range of 9999 and -9999 still gives the curve a scale, so the
    // window counts as showing a reconstruction and a changed setting runs it again.
    const double lo = none ? 9999 : range_.min[p];
    const double hi = none ? -9999 : range_.max[p];
    Text1->setText(QString::fromStdString(FormatNumber(RoundRangeDown(lo, hi))));
    Text2->setText(QString::fromStdString(FormatNumber(RoundRangeUp(hi, lo))));
    SetCurveScales();
    DrawReconCurve();
    ShowReconSample();
    if (none) ShowNoAnaloguesNotice();
    EndProgress();
    for (QWidget* w : std::initializer_list<QWidget*>{Check3, Combo1, Combo3, Text1, Text2, UpDown1,
                                                      Command3, CheckQuality})
        w->setEnabled(true);
    Command3->setFocus();
}

void frmMAT::ShowNoAnaloguesNotice()
{
    Text1->clear();
    Text2->clear();
    Picture1->ResetScale();
    Picture1->SetBackColor(kWhite);
    Picture1->Cls();
    Picture1->SetForeColor(kBlack);
    for (const char* line : {" No analogues through", " the whole sequence.", " Change threshold."})
        Picture1->Print(line);
    Picture1->Refresh();
}

void frmMAT::Reset()
{
    Workspace& ws = app_.ws();
    if (loading_) return;
    for (PictureBox* p : {Picture1, Picture2}) {
        p->SetBackColor(kWhite);
        p->Cls();
    }
    ClearMatrixPanels();
    ws.errorModelShown = false;
    EnableScatterMenus(false);
    Command3->setEnabled(false);
    Command6->setEnabled(false);
    if (extraPanelsShown_) ShowExtraPanels(false);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame6, Picture2, Command6, Picture4,
                                                      Command4, Picture3, Slider7, SummaryLabel})
        w->hide();
    Command4->setEnabled(false);
    DefineThreshold();
    if (ws.reconShown) DoClimateReconstruction();
    // The calibration window closes: its pairs no longer match.
    CloseCalibration();
}

void frmMAT::GenerateErrorModel()
{
    Workspace& ws = app_.ws();
    if (!ws.climateLoaded || ws.reconValues.rows() < ws.fossilSampleCount) return;
    for (QWidget* w : std::initializer_list<QWidget*>{Picture2, Picture3, Slider7, Command4})
        w->show();
    Command3->setEnabled(false);
    ShowExtraPanels(true);

    BeginProgress(ws.refSiteCount);
    tarvex::GenerateErrorModel(ws, Settings(), threshold_,
                               [this](int done, int) { ProgressBar1->setValue(done); });
    ProgressBar1->setValue(0);
    const int p = std::max(ListedParameter(), 1);
    ws.currentClimateParam = static_cast<int16_t>(p);
    Picture2->SetBackColor(kWhite);
    Picture2->Cls();
    DrawErrorScatter();
    ShowReconSample();

    Command6->show();
    Command6->setEnabled(true);
    Command6->setFocus();
    Frame6->show();
    Slider7->show();
    Picture3->show();
    EndProgress();
}

void frmMAT::SaveCurve()
{
    const Workspace& ws = app_.ws();
    const int p = ws.currentClimateParam;
    if (CurveFileText(ws, p).empty()) {
        app_.dialogs().Warn(this, "There is no reconstruction to save yet.", "Error");
        return;
    }
    app_.main().SaveText(
        this, "Save climate curve", ws.fossilSampleCount,
        [&ws, p](const ProgressFn& progress, bool* allFinite) {
            return CurveFileText(ws, p, progress, allFinite);
        },
        "climate-curve-" + std::to_string(p) + ".csv");
}

void frmMAT::SaveCurveAll()
{
    const Workspace& ws = app_.ws();
    if (AllCurvesFileText(ws).empty()) {
        app_.dialogs().Warn(this, "There is no reconstruction to save yet.", "Error");
        return;
    }
    app_.main().SaveText(
        this, "Save all climate curves", ws.fossilSampleCount,
        [&ws](const ProgressFn& progress, bool* allFinite) {
            return AllCurvesFileText(ws, progress, allFinite);
        },
        "climate-curves.csv");
}

void frmMAT::SaveScatter()
{
    const Workspace& ws = app_.ws();
    const int p = ws.currentClimateParam;
    if (ScatterFileText(ws, p).empty()) {
        app_.dialogs().Warn(this, "There is no error model to save yet.", "Error");
        return;
    }
    app_.main().SaveText(
        this, "Save scatter diagram", ws.refSiteCount,
        [&ws, p](const ProgressFn& progress, bool* allFinite) {
            return ScatterFileText(ws, p, progress, allFinite);
        },
        "scatter-" + std::to_string(ws.currentClimateParam) + ".csv");
}

MatrixFileSettings frmMAT::MatrixSettings() const
{
    MatrixFileSettings s;
    s.analogue = Settings();
    // The calibration window's sliders as they stand when the file is written; once that
    // window is closed, as they stood when it closed (reading a closed window's sliders would
    // load it afresh, with its defaults and a reset of the very result being saved).
    if (app_.calibLoaded()) {
        s.xSmoothing = app_.calib().Slider3->value();
        s.ySmoothing = app_.calib().Slider4->value();
    } else {
        s.xSmoothing = keptXSmoothing_;
        s.ySmoothing = keptYSmoothing_;
    }
    s.param = app_.ws().currentClimateParam;
    return s;
}

void frmMAT::SaveMeridan()
{
    const Workspace& ws = app_.ws();
    if (!ws.calibReturned) {
        app_.dialogs().Warn(this, "There is no calibration matrix to save yet.", "Error");
        return;
    }
    const MatrixFileSettings settings = MatrixSettings();
    app_.main().SaveText(
        this, "Save Meridan matrix", kMatrixResolution,
        [&ws, settings](const ProgressFn& progress, bool* allFinite) {
            return MeridanMatrixFileText(ws, settings, DateTimeText(std::time(nullptr)), progress,
                                         allFinite);
        },
        "meridan-matrix.csv");
}

void frmMAT::SaveStrativ()
{
    const Workspace& ws = app_.ws();
    if (!ws.histBuilt) {
        app_.dialogs().Warn(
            this, "There is no histogram matrix to save yet: press \"Strativ\" first.", "Error");
        return;
    }
    const MatrixFileSettings settings = MatrixSettings();
    app_.main().SaveText(
        this, "Save Strativ matrix", ws.histLevels,
        [&ws, settings](const ProgressFn& progress, bool* allFinite) {
            return StrativMatrixFileText(ws, settings, DateTimeText(std::time(nullptr)), progress,
                                         allFinite);
        },
        "strativ-matrix.csv");
}

void frmMAT::OpenCalibration()
{
    Workspace& ws = app_.ws();
    if (!ws.errorModelShown) return;
    if (!ws.calibWindowOpen || ws.calibMatrices.size() != 9) calib::AllocateCalibMatrices(ws);
    ws.calibWindowOpen = true;
    const bool existed = app_.calibLoaded();
    frmCalib& c = app_.calib();
    if (existed && (c.Text1->text() != Text1->text() || c.Text2->text() != Text2->text()))
        c.TakeRange(Text1->text(), Text2->text());
    c.show();
    c.raise();
    c.activateWindow();
    c.Activate();
}

void frmMAT::CloseCalibration()
{
    if (app_.calibLoaded()) app_.calib().Close();
    app_.ws().calibWindowOpen = false;
}

void frmMAT::ShowColourSettings()
{
    app_.ShowColourSettings();
}

}  // namespace tarvex
