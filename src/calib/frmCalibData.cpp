// The calibration window's data and range: the two pair sets as they arrive (transfer and file
// import), their scatter figures with the fitted line, and the range boxes.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <optional>

#include "app/App.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "data/TableChecks.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";
constexpr double kSide = 1875;
constexpr double kDotRadius = 30;

std::string Text(const QLineEdit* box)
{
    return box->text().toStdString();
}

}  // namespace

PictureBox* frmCalib::Figure(int n) const
{
    return n <= 2 ? Picture1[static_cast<std::size_t>(n - 1)]
                  : Picture2[static_cast<std::size_t>(n - 3)];
}

// ---- Data sets ----

void frmCalib::TransferData()
{
    Workspace& ws = app_.ws();
    if (!ws.calibWindowOpen) return;
    calib::PairSet& set = sets_[0];
    set.source = lastFileName_;
    const calib::CalibStatus status = calib::TransferData(ws, set);
    ShowPairLabels(0);
    Label13[0]->clear();
    ResetData(0);
    if (set.pairCount > 1 && set.fit.hasCorrelation)
        Label13[0]->setText(QString::fromStdString(FormatSingle(set.fit.correlation)));
    if (stages_.drawn[2]) {
        figureEnabled_[3] = true;
        UpdateCommands();
        Figure(3)->setFocus();
    }
    DrawScatter(0);
    if (stages_.drawn[1] && stages_.drawn[2]) {
        startWanted_ = true;
        UpdateCommands();
        Command3->setFocus();
    }
    for (const std::string& w : status.warnings) app_.dialogs().Warn(this, w, "Meridan 3.0");
}

void frmCalib::ShowPairLabels(int ds)
{
    const calib::PairSet& set = sets_[ds];
    const auto i = static_cast<std::size_t>(ds);
    Label12[i]->setText(QString::number(set.pairCount));
    Label14[i]->setText(QString::fromStdString(set.xName));
    Label15[i]->setText(QString::fromStdString(set.yName));
    Label21[i]->setText(QString::fromStdString(set.source));
    auto* caption = centralWidget()->findChild<QLabel*>(QString("caption%1").arg(ds + 1));
    if (caption) caption->setToolTip(QString::fromStdString(set.source));
}

void frmCalib::ShowFitLabels()
{
    const calib::PairSet& set = sets_[1];
    if (!set.fit.valid) return;
    Label17->setText(QString::fromStdString(calib::FittedLineText(set.fit)));
    Label19->setText(QString::fromStdString(calib::StandardDeviationText(set.residualSd)));
    if (set.fit.hasCorrelation)
        Label13[1]->setText(QString::fromStdString(FormatSingle(set.fit.correlation)));
}

void frmCalib::ImportPairs(int ds)
{
    if (busy_) return;
    const auto i = static_cast<std::size_t>(ds);
    const std::optional<std::string> path = app_.dialogs().OpenFile(
        this, ds == 0 ? "Import Vrec-Vest file" : "Import Vest-Vobs file", kDataFileFilter);
    if (!path) {
        if (ds == 1) Command1[1]->setFocus();
        return;
    }
    calib::PairSet next;
    const calib::CalibStatus status = calib::ImportPairFile(*path, ds, next);
    if (!status.ok) {
        // Nothing read is kept: the data set and every figure stay as they were.
        app_.dialogs().Warn(this, status.error + "\n" + *path, "Error");
        return;
    }
    lastFileName_ = *path;
    sets_[ds] = std::move(next);
    ShowPairLabels(ds);
    Label13[i]->clear();
    if (ds == 1) {
        Label17->clear();
        Label19->clear();
    }
    ResetData(ds);

    if (ds == 0) {
        if (sets_[0].pairCount > 1 && sets_[0].fit.hasCorrelation)
            Label13[0]->setText(QString::fromStdString(FormatSingle(sets_[0].fit.correlation)));
        if (stages_.drawn[2]) {
            figureEnabled_[3] = true;
            UpdateCommands();
            Figure(3)->setFocus();
        } else if (sets_[1].pairCount <= 1) {
            Command1[1]->setFocus();
        }
        DrawScatter(0);
    } else {
        DrawScatter(1);
        if (sets_[1].pairCount > 1 && sets_[1].fit.valid) {
            ShowFitLabels();
            if (!Text1->text().isEmpty() && !Text2->text().isEmpty()) {
                figureEnabled_[3] = true;
                UpdateCommands();
                Figure(3)->setFocus();
            }
        } else {
            Command1[1]->setFocus();
        }
    }
    if (stages_.drawn[1] && stages_.drawn[2]) {
        startWanted_ = true;
        UpdateCommands();
        Command3->setFocus();
    }
    for (const std::string& w : status.warnings) app_.dialogs().Warn(this, w, "Meridan 3.0");
    if (!status.checks.empty())
        app_.dialogs().Warn(this, TableCheckMessage(status.checks), kTableCheckTitle);
}

// ---- Scatter figures ----

void frmCalib::DrawScatter(int ds)
{
    ValidateRange(false);
    if (ds == 0 || Text1->text().isEmpty() || Text2->text().isEmpty()) {
        if (app_.matLoaded()) {
            Text2->setText(app_.mat().Text2->text());
            Text1->setText(app_.mat().Text1->text());
        }
        Label1[0]->setText(Text1->text());
        Label2[0]->setText(Text2->text());
    }
    DrawScatterPoints(ds);
    if (ds == 1) {
        stages_.drawn[2] = true;
        Check1->setChecked(false);
    } else {
        stages_.drawn[1] = true;
    }
    figureEnabled_[ds + 1] = true;
    Workspace& ws = app_.ws();
    ws.rangeWidth = static_cast<float>(std::fabs(Val(Text(Text1)) - Val(Text(Text2))));
    if (Check4->isChecked() && ds == 1) ResetModel();
    ValidateRange(false);
    UpdateCommands();
}

void frmCalib::DrawScatterPoints(int ds)
{
    const Workspace& ws = app_.ws();
    PictureBox& pic = *Figure(ds + 1);
    pic.SetBackColor(kWhite);
    pic.Cls();
    pic.SetDrawWidth(1);
    const double low = Val(Text(Text1)), high = Val(Text(Text2));
    if (!(high != low) || !std::isfinite(high - low)) return;
    const Colour colour = ws.colours.schemeColour6.Value();
    const calib::PairSet& set = sets_[ds];
    pic.BeginBatch();
    // Every complete row is drawn wherever it stands among the rows of the source.
    for (std::size_t r = 1; r < set.rows.size(); ++r) {
        const calib::PairRow& row = set.rows[r];
        if (!row.Complete()) continue;
        const double x = (row.x - low) * kSide / (high - low);
        const double y = (row.y - low) * kSide / (high - low);
        pic.Circle(x, kSide - y, kDotRadius, colour, colour);
    }
    pic.EndBatch();
    pic.Refresh();
}

void frmCalib::DrawFittedLine()
{
    const Workspace& ws = app_.ws();
    const calib::PairSet& set = sets_[1];
    if (!set.fit.valid || ws.rangeWidth == 0) return;
    const double low = Val(Text(Text1)), high = Val(Text(Text2));
    const double k = set.fit.slope, d = set.fit.intercept;
    const double y1 = (1 - (k * low + d - low) / ws.rangeWidth) * kSide;
    const double y2 = (1 - (k * high + d - low) / ws.rangeWidth) * kSide;
    PictureBox& pic = *Figure(2);
    pic.SetDrawWidth(1);
    pic.Line(0, y1, kSide, y2, ws.colours.greyScaleOnCalib ? kBlack : RGB(255, 0, 0));
    pic.Refresh();
}

void frmCalib::ShowFittingLineClicked()
{
    if (Check1->isChecked()) {
        DrawFittedLine();
        if (Figure(3)->isEnabled()) Figure(3)->setFocus();
    } else {
        DrawScatterPoints(1);
        if (!stages_.drawn[3]) Figure(3)->setFocus();
    }
}

// ---- Range ----

bool frmCalib::ValidateRange(bool quiet)
{
    if (validating_) return rangeValid_;
    validating_ = true;
    Workspace& ws = app_.ws();
    calib::RangeStatus status = calib::ValidateRange(ws, Text(Text1), Text(Text2));
    if (status == calib::RangeStatus::Invalid && !quiet) {
        app_.dialogs().Warn(this, calib::kInvalidRangeMessage, "Error");
        RestoreRange();
        status = calib::ValidateRange(ws, Text(Text1), Text(Text2));
    }
    if (status != calib::RangeStatus::Invalid) {
        for (QLabel* l : Label1) l->setText(Text1->text());
        for (QLabel* l : Label2) l->setText(Text2->text());
        RememberRange();
    }
    rangeValid_ = status == calib::RangeStatus::Valid;
    validating_ = false;
    UpdateCommands();
    return rangeValid_;
}

void frmCalib::RememberRange()
{
    lastLow_ = Text(Text1);
    lastHigh_ = Text(Text2);
}

void frmCalib::RestoreRange()
{
    // setText does not count as an edit, so this never comes back into the change handler.
    Text1->setText(QString::fromStdString(lastLow_));
    Text2->setText(QString::fromStdString(lastHigh_));
}

void frmCalib::RangeChanged()
{
    Workspace& ws = app_.ws();
    const double low = Val(Text(Text1)), high = Val(Text(Text2));
    ws.rangeWidth = static_cast<float>(std::fabs(low - high));
    if (stages_.drawn[1]) {
        if (low == high) RestoreRange();
        DrawScatterPoints(0);
        for (QLabel* l : Label1) l->setText(Text1->text());
    }
    if (stages_.drawn[2] && !stages_.generateModel) {
        DrawScatterPoints(1);
        for (QLabel* l : Label2) l->setText(Text2->text());
    }
    if (Check4->isChecked()) {
        ResetData(1);
        ResetModel();
        RedrawDataSet1();
    }
    ResetRange();
    // Start and the figures wait for a usable range: an empty end or equal ends give no grid.
    const double l2 = Val(Text(Text1)), h2 = Val(Text(Text2));
    rangeValid_ =
        !Text1->text().isEmpty() && !Text2->text().isEmpty() && l2 != h2 && std::isfinite(h2 - l2);
    UpdateCommands();
}

void frmCalib::TakeRange(const QString& low, const QString& high)
{
    Text1->setText(low);
    Text2->setText(high);
    RangeChanged();
    ValidateRange(true);
}

void frmCalib::BackgroundClicked()
{
    if (busy_) return;
    if (Val(Text(Text1)) != Val(lastLow_) || Val(Text(Text2)) != Val(lastHigh_)) ResetRange();
    ValidateRange(false);
}

}  // namespace tarvex
