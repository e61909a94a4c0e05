// The calibration window's life: the wiring of its controls, load, activation, the mouse and
// keys on its figures and labels, and the secondary windows it opens and closes with it.
#include "calib/frmCalib.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include "app/App.h"
#include "app/frmMainReport.h"
#include "calib/frmAbout2.h"
#include "calib/frmCC.h"
#include "calib/frmOutPut2.h"
#include "data/NumberText.h"
#include "mat/frmMAT.h"
#include "settings/frmColor.h"
#include "settings/frmPrintSetup.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"

namespace tarvex {

namespace {

// The figures' own scale: 0..1875 both ways, y downwards.
constexpr double kFigureScale = 1875;

}  // namespace

frmCalib::~frmCalib() = default;

void frmCalib::ConnectControls()
{
    for (int ds = 0; ds < 2; ++ds)
        connect(Command1[static_cast<std::size_t>(ds)], &QPushButton::clicked, this,
                [this, ds] { ImportPairs(ds); });
    connect(Command3, &QPushButton::clicked, this, [this] { Start(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Return(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Close(); });
    connect(mnuQuit, &QAction::triggered, this, [this] { Close(); });

    // textEdited comes from the user only, so putting the last texts back never re-enters.
    for (QLineEdit* t : {Text1, Text2}) {
        connect(t, &QLineEdit::textEdited, this, [this] { RangeChanged(); });
        connect(t, &QLineEdit::editingFinished, this, [this] { ValidateRange(false); });
    }
    connect(Check1, &QCheckBox::clicked, this, [this] { ShowFittingLineClicked(); });
    connect(Check4, &QCheckBox::clicked, this, [this] { GenerateModelClicked(); });
    connect(Check5, &QCheckBox::clicked, this, [this] {
        if (stages_.drawn[7]) SettingChanged(calib::Stage::RowNormalisation, 6);
    });
    connect(Check2, &QCheckBox::clicked, this, [this] { DrawLines(); });
    connect(Check6, &QCheckBox::clicked, this, [this] { DrawLines(); });
    connect(Check7, &QCheckBox::clicked, this, [this] { ResetColour(); });

    connect(Slider3, &QSlider::valueChanged, this, [this](int v) {
        if (loading_) return;
        if (stages_.drawn[5]) {
            Label7->setText(QString::number(v));
            SettingChanged(calib::Stage::Smoothing, 5);
        }
    });
    connect(Slider3, &QSlider::sliderMoved, this,
            [this](int v) { Label7->setText(QString::number(v)); });
    connect(Slider5, &QSlider::valueChanged, this, [this](int v) {
        Label23->setText(QString("Threshold: %1 sample(s)").arg(v));
        if (!loading_ && stages_.drawn[6]) SettingChanged(calib::Stage::RowNormalisation, 6);
    });
    connect(Slider6, &QSlider::valueChanged, this, [this](int v) {
        Label24->setText(QString("Threshold: %1 sample(s)").arg(v));
        if (!loading_ && stages_.drawn[7]) SettingChanged(calib::Stage::ColumnNormalisation, 7);
    });
    connect(Slider4, &QSlider::valueChanged, this, [this](int v) {
        Label22->setText(QString("Std.Dev.: %1 % of range").arg(v));
        if (loading_ || !Check4->isChecked()) return;
        ResetData(1);
        if (stages_.drawn[1]) BuildGeneratedModel();
        UpdateCommands();
        if (Command3->isEnabled()) Command3->setFocus();
    });
    for (int i = 0; i < 2; ++i) {
        QSlider* s = i == 0 ? Slider1 : Slider2;
        connect(s, &QSlider::valueChanged, this, [this, i](int v) {
            if (loading_) return;
            if (!restoring_)
                Label4[static_cast<std::size_t>(i)]->setText(
                    QString::fromStdString(FormatNumber(v / 10.0)));
            CoefficientChanged();
        });
    }

    connect(mnuSaveCommon, &QAction::triggered, this, [this] { SaveMatrix(); });
    connect(mnuSaveProb, &QAction::triggered, this, [this] { SaveMatrix(); });
    connect(mnuSaveConf, &QAction::triggered, this, [this] { SaveMatrix(); });
    for (QAction* a : mnuFigSave) connect(a, &QAction::triggered, this, [this] { SaveMatrix(); });
    for (int k = 0; k < 2; ++k)
        connect(mnuFigDetails[static_cast<std::size_t>(k)], &QAction::triggered, this,
                [this, k] { OpenChart(7 + k); });
    connect(mnuPrintOptions, &QAction::triggered, this, [this] { ShowPrintOptions(); });
    connect(mnuPrint, &QAction::triggered, this, [this] { PrintWindow(); });
    connect(mnuColour, &QAction::triggered, this, [this] { ShowColourSettings(); });
    connect(mnuAbout, &QAction::triggered, this, [this] {
        if (!about_) about_ = std::make_unique<frmAbout2>(this);
        about_->show();
        about_->raise();
    });
    connect(mnuCopy, &QMenu::aboutToShow, this, [this] {
        for (int n = 1; n <= 8; ++n)
            mnuCopyFig[static_cast<std::size_t>(n - 1)]->setEnabled(stages_.drawn[n]);
    });
    for (int n = 1; n <= 8; ++n) {
        PictureBox* pic = n <= 2 ? Picture1[static_cast<std::size_t>(n - 1)]
                                 : Picture2[static_cast<std::size_t>(n - 3)];
        const auto copy = [this, pic, n] {
            if (!stages_.drawn[n]) return;
            pic->CopyToClipboard();
        };
        connect(mnuCopyFig[static_cast<std::size_t>(n - 1)], &QAction::triggered, this, copy);
        connect(mnuFigCopy[static_cast<std::size_t>(n - 1)], &QAction::triggered, this, copy);
        QAction* exportPicture =
            AddExportPicture(*mnuFig[static_cast<std::size_t>(n - 1)], *pic, app_.dialogs(),
                             "calibration-figure-" + std::to_string(n) + ".svg");
        connect(mnuFig[static_cast<std::size_t>(n - 1)], &QMenu::aboutToShow, this,
                [this, n, exportPicture] { exportPicture->setEnabled(stages_.drawn[n]); });
        // The probability and region figures are the calibration chart's sources.
        if (n >= 7)
            AddExportFigure(*mnuFig[static_cast<std::size_t>(n - 1)], *this, app_.dialogs(),
                            [this] { return MakeWindowFigure(app_, {fig::FigureKind::Chart}); });
        connect(pic, &PictureBox::contextMenuRequested, this, [this, n](QPoint p) {
            const bool drawn = stages_.drawn[n];
            mnuFigCopy[static_cast<std::size_t>(n - 1)]->setEnabled(drawn);
            if (n >= 7) {
                mnuFigSave[static_cast<std::size_t>(n - 7)]->setEnabled(drawn);
                mnuFigDetails[static_cast<std::size_t>(n - 7)]->setEnabled(drawn);
                SetRaised(n, true);
            }
            mnuFig[static_cast<std::size_t>(n - 1)]->popup(p);
        });
        connect(pic, &PictureBox::mousePressed, this, [this, n](Qt::MouseButton b, double, double) {
            if (b == Qt::LeftButton) FigureClicked(n);
        });
        connect(pic, &PictureBox::mouseMoved, this,
                [this, n](Qt::MouseButton, double, double) { FigureHovered(n); });
    }
}

void frmCalib::Load()
{
    Workspace& ws = app_.ws();
    loading_ = true;
    frmMAT& mat = app_.mat();
    Text1->setText(mat.Text1->text());
    Text2->setText(mat.Text2->text());
    lastLow_ = Text1->text().toStdString();
    lastHigh_ = Text2->text().toStdString();
    Label4[0]->setText("68.2");
    Label4[1]->setText("95.4");
    for (QLabel* l : Label12) l->setText("0");
    for (auto* group : {&Label13, &Label14, &Label15}) {
        for (QLabel* l : *group) l->clear();
    }
    Label17->clear();
    Label19->clear();
    Label23->setText(QString("Threshold: %1 sample(s)").arg(Slider5->value()));
    Label24->setText(QString("Threshold: %1 sample(s)").arg(Slider6->value()));
    for (QLabel* l : Label5) l->setText("1");
    Slider1->setValue(static_cast<int>(RoundHalfEven(Val(Label4[0]->text().toStdString()) * 10)));
    Slider2->setValue(static_cast<int>(RoundHalfEven(Val(Label4[1]->text().toStdString()) * 10)));
    Slider4->setValue(5);
    Slider4->hide();
    for (QCheckBox* c : {Check1, Check2, Check6}) c->setEnabled(false);
    Label7->setText(QString::number(Slider3->value()));
    ProgressBar1->hide();
    ProgressBar1->setRange(0, 250);
    ProgressBar1->setValue(0);
    for (PictureBox* p : Picture1) p->setEnabled(false);
    for (PictureBox* p : Picture2) p->setEnabled(false);
    for (QWidget* p : Picture3) p->hide();
    Label22->hide();
    for (bool& d : stages_.drawn) d = false;
    stages_.generateModel = false;
    Check4->setEnabled(false);
    for (QLabel* l : Label1) l->clear();
    for (QLabel* l : Label2) l->clear();
    ws.zEnhancement = static_cast<float>(mat.Slider5->value() / 100.0);
    ws.colours.coloursChanged = false;
    ws.print.printDotSize = 6;
    ws.print.printFrameThickness = 3;
    ws.print.printZoom = 1;
    ws.print.printFontSize = 10;
    Check2->setChecked(true);
    Check6->setChecked(true);
    for (std::size_t k = 1; k < Label1.size(); ++k) {
        Label1[k]->hide();
        Label2[k]->hide();
    }
    for (int n = 1; n <= 8; ++n) {
        PictureBox* pic = n <= 2 ? Picture1[static_cast<std::size_t>(n - 1)]
                                 : Picture2[static_cast<std::size_t>(n - 3)];
        pic->Scale(0, 0, kFigureScale, kFigureScale);
        pic->SetBackColor(kWhite);
        pic->Cls();
    }
    SetFigureTips();
    LayoutControls();
    loading_ = false;
    TransferData();
    UpdateCommands();
}

void frmCalib::Activate()
{
    Workspace& ws = app_.ws();
    if (!Check3->isChecked() && ws.colours.coloursChanged) {
        ResetColour();
        ws.colours.coloursChanged = false;
    }
    Check3->setChecked(false);
    for (frmCC* d : {static_cast<frmCC*>(cc1_.get()), static_cast<frmCC*>(cc2_.get())})
        if (d) d->CloseDialog();
    ws.calibWindowOpen = true;
}

void frmCalib::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !unloaded_) Activate();
}

void frmCalib::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutControls();
    if (!loading_) RedrawFigures();
}

void frmCalib::closeEvent(QCloseEvent* event)
{
    event->accept();
    Unload();
}

bool frmCalib::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (watched == centralWidget()) {
        if (t == QEvent::MouseMove) {
            SetRaised(7, true);
            SetRaised(8, true);
        } else if (t == QEvent::MouseButtonPress) {
            BackgroundClicked();
        }
        return false;
    }
    if ((watched == Text1 || watched == Text2) && t == QEvent::MouseButtonPress) {
        RememberRange();
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (watched != Label4[static_cast<std::size_t>(i)]) continue;
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) {
            OpenCoefficientDialog(i);
            return true;
        }
    }
    if ((watched == Slider1 || watched == Slider2) && t == QEvent::MouseMove) {
        const int i = watched == Slider1 ? 0 : 1;
        const QSlider* s = i == 0 ? Slider1 : Slider2;
        restoring_ = true;
        Label4[static_cast<std::size_t>(i)]->setText(
            QString::fromStdString(FormatNumber(s->value() / 10.0)));
        restoring_ = false;
    }
    if (watched == Slider3 && t == QEvent::MouseMove)
        Label7->setText(QString::number(Slider3->value()));
    if (t == QEvent::KeyPress) {
        // A figure with the keyboard focus is computed with Enter or Space, as by a click.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            key->key() == Qt::Key_Space) {
            for (int n = 1; n <= 8; ++n) {
                const QObject* pic =
                    n <= 2 ? static_cast<QObject*>(Picture1[static_cast<std::size_t>(n - 1)])
                           : Picture2[static_cast<std::size_t>(n - 3)];
                if (watched == pic) {
                    FigureClicked(n);
                    return true;
                }
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmCalib::coefficientDialogOpen(int i) const
{
    const frmCC* d = i == 0 ? static_cast<const frmCC*>(cc1_.get()) : cc2_.get();
    return d && d->isVisible();
}

bool frmCalib::aboutOpen() const
{
    return about_ && about_->isVisible();
}

void frmCalib::OpenCoefficientDialog(int i)
{
    frmCC* d = nullptr;
    if (i == 0) {
        if (!cc1_) cc1_ = std::make_unique<frmCC1>(this);
        d = cc1_.get();
    } else {
        if (!cc2_) cc2_ = std::make_unique<frmCC2>(this);
        d = cc2_.get();
    }
    d->closed = [this, i](const std::string& text) { CoefficientTyped(i, text); };
    d->Open(Label4[static_cast<std::size_t>(i)]->text().toStdString());
}

void frmCalib::CloseSecondaryWindows()
{
    if (about_) about_->hide();
    for (frmCC* d : {static_cast<frmCC*>(cc1_.get()), static_cast<frmCC*>(cc2_.get())})
        if (d) d->CloseDialog();
    // The colour settings close as their "OK" does, keeping what was set; whichever window
    // opened them, they go with the calibration module.
    if (app_.colourLoaded() && app_.colour().isVisible()) app_.colour().accept();
    CloseChart();
}

void frmCalib::Close()
{
    CloseSecondaryWindows();
    ClosePrintOptions();
    Unload();
}

void frmCalib::Unload()
{
    if (unloaded_) return;
    unloaded_ = true;
    CloseSecondaryWindows();
    ClosePrintOptions();
    // The matrix files of a returned result still report this window's smoothing.
    if (app_.matLoaded()) app_.mat().KeepCalibrationSmoothing(Slider3->value(), Slider4->value());
    app_.ws().calibWindowOpen = false;
    app_.UnloadCalib();
}

// ---- The chart, the colour settings and the print options ----

void frmCalib::OpenChart(int figure)
{
    if (busy_ || (figure != 7 && figure != 8) || !stages_.drawn[figure]) return;
    BeginBusy();
    calib::PrepareChartData(app_.ws(), Slider1->value(), Slider2->value());
    EndBusy();
    // Figure 7 opens the probability view without paths, figure 8 the confidence view with
    // the mode and average paths.
    app_.chart().Open(figure == 7 ? calib::ChartView::Probability : calib::ChartView::Confidence,
                      figure == 8);
}

void frmCalib::CloseChart()
{
    if (app_.chartLoaded()) app_.chart().Close();
    app_.ws().chartOpen = false;
}

void frmCalib::ShowColourSettings()
{
    app_.ShowColourSettings();
}

void frmCalib::ShowPrintOptions()
{
    Check3->setChecked(true);
    if (!printSetup_) printSetup_ = std::make_unique<frmPrintSetup>(app_.ws().print, this);
    printSetup_->Open();
}

void frmCalib::ClosePrintOptions()
{
    // Closed from here, the dialog keeps what was typed, as its "OK" does.
    if (printSetup_ && printSetup_->isVisible()) printSetup_->accept();
}

}  // namespace tarvex
