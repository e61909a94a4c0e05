// The calibration window's stages: what each command computes, which figures it draws, what
// each change takes back, and the result that is saved or returned.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <optional>

#include "app/App.h"
#include "calib/CalibRegions.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

namespace tarvex {

using calib::Stage;

namespace {

constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";

std::string Text(const QLineEdit* box)
{
    return box->text().toStdString();
}

std::string Text(const QLabel* label)
{
    return label->text().toStdString();
}

// The figure a stage draws.
int FigureOf(Stage s)
{
    return 3 + static_cast<int>(s);
}

}  // namespace

// ---- Invalidation ----

void frmCalib::ClearFigure(int n, bool toBackground)
{
    PictureBox& pic = *Figure(n);
    pic.ForgetPicture();
    // The colour stays the figure's ground, so a figure that grows later keeps it.
    pic.SetBackColor(toBackground ? WindowColour(*this) : kWhite);
    pic.Cls();
}

void frmCalib::ClearReturnedResult()
{
    calib::ClearReturnedResult(app_.ws());
    if (app_.matLoaded()) app_.mat().ClearCalibrationResult();
}

void frmCalib::ResetData(int ds)
{
    if (ds == 1) {
        Check1->setChecked(false);
        ClearFigure(2, true);
        figureEnabled_[2] = false;
        Label13[1]->clear();
        Label17->clear();
        Label19->clear();
    } else {
        if (!stages_.drawn[2]) Check1->setChecked(false);
        ClearFigure(1, true);
        figureEnabled_[1] = false;
        if (stages_.generateModel) {
            // Leaving the generated model with data set 0: "Start" goes back to its place and
            // data set 1 can be imported again.
            Check4->setChecked(false);
            ResetModel();
            RedrawDataSet1();
        }
        Check4->setChecked(false);
        Label13[0]->clear();
        Slider4->hide();
        Label22->setText("Std.Dev.: ");
        Label22->hide();
    }
    stages_.ResetData(app_.ws(), ds);
    for (int n = 3; n <= 8; ++n) ClearFigure(n, n == 8);
    for (int n : {3, 4, 5, 6, 8}) figureEnabled_[n] = false;
    SetFigureTips();
    CloseChart();
    ClearReturnedResult();
    UpdateCommands();
}

void frmCalib::ResetRange()
{
    if (Check1->isChecked()) {
        Check1->setChecked(false);
        if (stages_.drawn[2]) DrawScatterPoints(1);
    }
    for (int n = 3; n <= 8; ++n) ClearFigure(n, n == 8);
    stages_.ResetRange(app_.ws());
    if (stages_.drawn[1] && stages_.CanStart()) {
        startWanted_ = true;
        UpdateCommands();
        Command3->setFocus();
    }
    for (int n : {4, 5, 6, 8}) figureEnabled_[n] = false;
    CloseChart();
    ClearReturnedResult();
    UpdateCommands();
}

void frmCalib::ResetModel()
{
    Check4->setChecked(false);
    stages_.generateModel = false;
    LayoutControls();
    if (stages_.drawn[1]) Command1[1]->setFocus();
    Slider4->hide();
    Label12[1]->setText(QString::fromStdString(savedPairCount_.empty() ? "0" : savedPairCount_));
    for (QLabel* l : {Label14[1], Label15[1], Label17, Label19, Label21[1]}) l->clear();
    Label22->setText("Std.Dev.: ");
    Label22->hide();
    CloseChart();
    ClearReturnedResult();
    UpdateCommands();
}

void frmCalib::RedrawDataSet1()
{
    // Data set 1 comes back with its own fitting line: the generated model's line and
    // standard deviation must not outlive the mode.
    if (sets_[1].pairCount < 1) return;
    const calib::CalibStatus status = calib::RefitVestVobs(sets_[1]);
    ShowPairLabels(1);
    if (status.ok) ShowFitLabels();
    DrawScatterPoints(1);
    stages_.drawn[2] = true;
    figureEnabled_[2] = true;
    if (status.ok && sets_[1].fit.valid) figureEnabled_[3] = true;
    UpdateCommands();
}

void frmCalib::InvalidateFrom(int figure)
{
    for (int n = figure; n <= 8; ++n) ClearFigure(n, n == 8);
    stages_.InvalidateFrom(app_.ws(), figure);
    for (int n = figure + 1; n <= 8; ++n) figureEnabled_[n] = false;
    CloseChart();
    ClearReturnedResult();
    UpdateCommands();
}

void frmCalib::ResetCoefficient()
{
    if (!stages_.drawn[8]) return;
    ClearFigure(8, true);
    stages_.ResetCoefficient(app_.ws());
    CloseChart();
    ClearReturnedResult();
    UpdateCommands();
}

void frmCalib::SetFigureEnabled(int n, bool on)
{
    figureEnabled_[n] = on;
    UpdateCommands();
}

void frmCalib::UpdateCommands()
{
    const bool idle = !busy_;
    Command3->setEnabled(idle && startWanted_ && rangeValid_ && stages_.CanStart());
    Check4->setEnabled(idle && stages_.drawn[1] && (rangeValid_ || Check4->isChecked()));
    Check1->setEnabled(stages_.drawn[2] && !stages_.generateModel);
    Command1[0]->setEnabled(idle);
    Command1[1]->setEnabled(idle && !stages_.generateModel);
    Slider4->setEnabled(stages_.generateModel);
    for (int n = 1; n <= 8; ++n)
        Figure(n)->setEnabled(figureEnabled_[n] && (n <= 2 || (rangeValid_ && idle)));
    const bool result = stages_.drawn[8];
    Command10->setEnabled(idle && result);
    Check2->setEnabled(result);
    Check6->setEnabled(result);
    // Every save writes region flags and probabilities together, so it waits for both.
    for (QAction* a : {mnuSaveCommon, mnuSaveProb, mnuSaveConf}) a->setEnabled(result);
}

// ---- Stages ----

calib::ChainSettings frmCalib::Settings() const
{
    calib::ChainSettings s;
    s.smoothingLevel = Slider3->value();
    s.generatedSdPercent = Slider4->value();
    s.verticalThreshold = Slider5->value();
    s.horizontalThreshold = Slider6->value();
    s.skipRowNormalisation = Check5->isChecked();
    s.generateModel = Check4->isChecked();
    s.coefficient1 = Slider1->value();
    s.coefficient2 = Slider2->value();
    return s;
}

void frmCalib::Refuse(const std::string& message)
{
    app_.dialogs().Warn(this, message, "Error");
}

void frmCalib::BeginBusy()
{
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar1->setRange(0, 250);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    UpdateCommands();
}

void frmCalib::EndBusy()
{
    ProgressBar1->setValue(0);
    ProgressBar1->hide();
    QApplication::restoreOverrideCursor();
    busy_ = false;
    UpdateCommands();
}

void frmCalib::BuildGeneratedModel()
{
    Workspace& ws = app_.ws();
    if (!ValidateRange(true)) {
        Refuse(calib::kInvalidRangeMessage);
        return;
    }
    const calib::CalibStatus status =
        calib::GeneratedModel(ws, sets_[1], Slider4->value(), calib::Path::Fast);
    if (!status.ok) {
        Refuse(status.error);
        return;
    }
    Label17->setText("y = x");
    Label19->setText(QString::fromStdString(FormatSingle(sets_[1].residualSd)));
    stages_.drawn[3] = true;
    figureEnabled_[3] = true;
    DrawModelFigure(3);
    if (stages_.drawn[1]) {
        figureEnabled_[4] = true;
        UpdateCommands();
        Figure(4)->setFocus();
    }
    UpdateCommands();
}

void frmCalib::RunStages(Stage from)
{
    if (busy_) return;
    Workspace& ws = app_.ws();
    if (ws.calibMatrices.size() != 9) calib::AllocateCalibMatrices(ws);
    // The grid always follows the range boxes as they read now.
    if (!ValidateRange(true)) {
        Refuse(calib::kInvalidRangeMessage);
        return;
    }
    BeginBusy();
    const bool skip = Check5->isChecked();
    const calib::CalibStatus status = calib::RunFrom(
        ws, sets_[0], sets_[1], Settings(), from, units_, calib::Path::Fast, [&](Stage s) {
            const int n = FigureOf(s);
            stages_.drawn[n] = !(n == 6 && skip);
            figureEnabled_[n] = true;
            if (n < 8) figureEnabled_[n + 1] = true;
            if (n < 8) DrawModelFigure(n);
            // Only the bar is repainted: no event is handled while the chain runs.
            ProgressBar1->setValue(std::min(250, 50 * (n - 3)));
            ProgressBar1->repaint();
        });
    if (!status.ok) {
        EndBusy();
        InvalidateFrom(FigureOf(from));
        Refuse(status.error);
        return;
    }
    DrawRegions();
    FitSusono();
    EndBusy();
    Command10->setFocus();
}

void frmCalib::SettingChanged(Stage from, int figure)
{
    if (busy_) return;
    InvalidateFrom(figure);
    RunStages(from);
}

void frmCalib::CoefficientChanged()
{
    if (!stages_.drawn[8] || busy_) return;
    ResetCoefficient();
    RunStages(Stage::Regions);
}

void frmCalib::Start()
{
    if (busy_ || !Command3->isEnabled()) return;
    startWanted_ = false;
    UpdateCommands();
    RunStages(stages_.drawn[3] ? Stage::DiscreteModel : Stage::ErrorModel);
}

void frmCalib::FigureClicked(int n)
{
    if (busy_ || n < 3 || n > 8 || !Figure(n)->isEnabled()) return;
    if (stages_.drawn[n]) {
        if (n >= 7) OpenChart(n);
        return;
    }
    switch (n) {
        case 3:
            RunStages(Stage::ErrorModel);
            break;
        case 4:
            RunStages(Stage::DiscreteModel);
            break;
        case 5:
            RunStages(Stage::Smoothing);
            break;
        case 6:
            RunStages(Stage::RowNormalisation);
            break;
        case 7:
            RunStages(Stage::ColumnNormalisation);
            break;
        default:
            RunStages(Stage::Regions);
            break;
    }
}

void frmCalib::GenerateModelClicked()
{
    if (busy_) return;
    if (Check4->isChecked()) {
        if (!rangeValid_) {
            Check4->setChecked(false);
            Refuse(calib::kInvalidRangeMessage);
            return;
        }
        ResetData(1);
        Check4->setChecked(true);
        stages_.generateModel = true;
        LayoutControls();
        Slider4->show();
        savedPairCount_ = Text(Label12[1]);
        Label12[1]->clear();
        Label13[1]->clear();
        Label14[1]->setText(QString::fromStdString(sets_[0].yName));
        Label15[1]->setText("Error model");
        Label21[1]->setText("Generated error model");
        Label22->setText(QString("Std.Dev.: %1 % of range").arg(Slider4->value()));
        Label22->show();
        stages_.drawn[2] = false;
        figureEnabled_[2] = false;
        BuildGeneratedModel();
        startWanted_ = true;
        UpdateCommands();
        Command3->setFocus();
    } else {
        ResetData(1);
        ResetModel();
        RedrawDataSet1();
        startWanted_ = true;
        UpdateCommands();
        if (Command3->isEnabled()) Command3->setFocus();
    }
    SetFigureTips();
}

// ---- Coefficients ----

void frmCalib::CoefficientTyped(int i, const std::string& text)
{
    // The accepted range is 0 to 100 %: a typed value outside it is taken as the nearer end.
    double v = Val(text);
    if (!std::isfinite(v)) v = 0;
    v = std::clamp(v, 0.0, 100.0);
    const auto k = static_cast<std::size_t>(i);
    restoring_ = true;
    Label4[k]->setText(QString::fromStdString(FormatNumber(v)));
    QSlider* s = i == 0 ? Slider1 : Slider2;
    const int value = std::clamp(static_cast<int>(RoundHalfEven(v * 10)), 0, 1000);
    if (s->value() != value) s->setValue(value);
    restoring_ = false;
}

// ---- Result ----

calib::CommonOutputInfo frmCalib::OutputInfo() const
{
    calib::CommonOutputInfo info;
    info.rangeLow = Text(Text1);
    info.rangeHigh = Text(Text2);
    for (int ds = 0; ds < 2; ++ds) {
        const auto i = static_cast<std::size_t>(ds);
        info.source[ds] = Text(Label21[i]);
        info.xName[ds] = Text(Label14[i]);
        info.yName[ds] = Text(Label15[i]);
    }
    info.generateModel = Check4->isChecked();
    info.generatedSdPercent = Slider4->value();
    info.verticalThreshold = Slider5->value();
    info.horizontalThreshold = Slider6->value();
    return info;
}

void frmCalib::SaveMatrix()
{
    if (busy_) return;
    if (!stages_.drawn[8]) {
        app_.dialogs().Warn(
            this, "There is no calibration result to save yet: press \"Start\" first.", "Error");
        return;
    }
    const std::optional<std::string> path =
        app_.dialogs().SaveFile(this, "Save matrix", kDataFileFilter, "calibration.csv");
    if (!path) return;
    Workspace& ws = app_.ws();
    BeginBusy();
    ProgressBar1->setRange(0, 200);
    calib::FillMatrixOut(ws);
    std::string reason;
    const bool written =
        calib::WriteCommonOutput(*path, ws, OutputInfo(), static_cast<float>(Val(Text(Label7))),
                                 static_cast<float>(Val(Text(Label4[0]))),
                                 static_cast<float>(Val(Text(Label4[1]))), &reason);
    EndBusy();
    if (!written)
        app_.dialogs().Warn(this, "The file could not be written:\n" + *path + "\n\n" + reason,
                            "Error");
}

void frmCalib::Return()
{
    if (busy_ || !stages_.drawn[8]) return;
    // The reconstruction window draws the result over its own display range: a calibration
    // over another range would stand beside the curve on a different axis.
    if (app_.matLoaded()) {
        const frmMAT& mat = app_.mat();
        if (Val(Text(Text1)) != Val(mat.Text1->text().toStdString()) ||
            Val(Text(Text2)) != Val(mat.Text2->text().toStdString())) {
            Refuse("The calibration range (" + Text(Text1) + " to " + Text(Text2) +
                   ") differs from the reconstruction window's display range (" +
                   mat.Text1->text().toStdString() + " to " + mat.Text2->text().toStdString() +
                   "). Set the same range in both windows before \"Return\".");
            return;
        }
    }
    CloseSecondaryWindows();
    Workspace& ws = app_.ws();
    BeginBusy();
    calib::ReturnData(ws);
    EndBusy();
    if (app_.matLoaded()) app_.mat().ShowCalibrationResult();
}

}  // namespace tarvex
