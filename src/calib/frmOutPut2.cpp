#include "calib/frmOutPut2.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/App.h"
#include "app/frmMainReport.h"
#include "calib/CommonOutput.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "mat/frmMAT.h"
#include "settings/frmPrintSetup.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/PrintPage.h"

namespace tarvex {

namespace {

// Window geometry in pixels. The sliders stand 40 pixels (600 twips) above the figures; the
// section figure keeps its width while the main figure takes what the window gives; the
// panel right of the section figure holds the interval marks and, framed, their text.
constexpr int kMargin = 8;
constexpr int kAxisColumn = 56;
constexpr int kSliderAbove = 40;
constexpr int kGap = 40;
constexpr int kSectionWidth = 120;
constexpr int kPanelWidth = 210;
constexpr int kMarks = 40;
constexpr int kLegendHeight = 16;
constexpr int kValueLabel = 64;
constexpr int kDefaultSide = 401;  // one pixel per fine cell
constexpr int kMinimumSide = 240;

constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";

}  // namespace

frmOutPut2::frmOutPut2(App& app) : app_(app)
{
    setWindowTitle("Calibration chart");
    BuildControls();
    BuildMenus();
    ConnectControls();
    const int line = fontMetrics().height() + 4;
    const int extraH = menuBar()->sizeHint().height() + kMargin + line + kSliderAbove + 2 * line +
                       8 + kLegendHeight + 8 + line + 10 + kMargin;
    const int extraW = kMargin + kAxisColumn + kGap + kSectionWidth + kPanelWidth + kMargin;
    resize(extraW + kDefaultSide, extraH + kDefaultSide);
    setMinimumSize(extraW + kMinimumSide, extraH + kMinimumSide);
}

frmOutPut2::~frmOutPut2() = default;

void frmOutPut2::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    Picture1 = new PictureBox(central);
    Picture2 = new PictureBox(central);
    Picture3 = new PictureBox(central);
    IntervalPanel = new PictureBox(central);
    Shape1 = new QFrame(IntervalPanel);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setFrameShadow(QFrame::Sunken);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);

    Option1[0] = new QRadioButton("Pobability", central);
    Option1[1] = new QRadioButton("Confidence", central);
    Option1[0]->setChecked(true);
    Check1 = new QCheckBox("Show mode", central);
    Check4 = new QCheckBox("Show average", central);
    Check2 = new QCheckBox("Show intervals", central);
    Check3 = new QCheckBox(central);
    Check3->hide();

    Slider1 = new QSlider(Qt::Horizontal, central);
    Slider1->setRange(0, 100);
    Slider1->setValue(50);
    Slider1->setPageStep(10);
    Slider2 = new QSlider(Qt::Horizontal, central);
    Slider2->setRange(0, 200);
    Slider2->setPageStep(10);
    Slider2->setToolTip("Z-axis enhancement");

    for (std::size_t k = 0; k < 2; ++k) {
        Label1[k] = new QLabel(central);
        Label2[k] = new QLabel(central);
    }
    Label1[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1[1]->setAlignment(Qt::AlignCenter);
    Label2[1]->setAlignment(Qt::AlignCenter);
    Label3 = new QLabel(central);
    Label5 = new QLabel(central);
    Label4 = new QLabel(central);
    for (QLabel* l : {Label3, Label5, Label4}) l->setAlignment(Qt::AlignCenter);

    Command1 = new QPushButton("OK", central);
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setRange(0, 500);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    const Colour ground = WindowColour(*this);
    IntervalPanel->SetBackColor(ground);
    Picture3->SetBackColor(kWhite);
    for (PictureBox* p : {Picture1, Picture2}) p->SetBackColor(kWhite);
}

void frmOutPut2::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("File(&F)");
    SaveMatrix = file->addAction("&Save Matrix");
    file->addSeparator();
    PrintOptions = file->addAction("Print Options");
    Print = file->addAction("&Print");
    file->addSeparator();
    Exit = file->addAction("E&xit");
    QMenu* edit = menuBar()->addMenu("Edit(&E)");
    ColourSetting = edit->addAction("Colour Setting");
    edit->addSeparator();
    QMenu* copy = edit->addMenu("&Copy");
    CopyFig1 = copy->addAction("&Main figure");
    CopyFig2 = copy->addAction("Section");

    Fig1 = new QMenu("Fig1", this);
    Copy1 = Fig1->addAction("Copy");
    Fig2 = new QMenu("Fig2", this);
    Copy2 = Fig2->addAction("Copy");
}

void frmOutPut2::ConnectControls()
{
    AddExportPicture(*Fig1, *Picture1, app_.dialogs(), "calibration-chart.svg");
    AddExportPicture(*Fig2, *Picture2, app_.dialogs(), "calibration-section.svg");
    for (QMenu* menu : {Fig1, Fig2})
        AddExportFigure(*menu, *this, app_.dialogs(),
                        [this] { return MakeWindowFigure(app_, {fig::FigureKind::Chart}); });
    connect(Command1, &QPushButton::clicked, this, [this] { Close(); });
    connect(Exit, &QAction::triggered, this, [this] { Close(); });
    connect(SaveMatrix, &QAction::triggered, this, [this] { SaveMatrixClicked(); });
    connect(PrintOptions, &QAction::triggered, this, [this] { PrintOptionsClicked(); });
    connect(Print, &QAction::triggered, this, [this] { PrintClicked(); });
    connect(ColourSetting, &QAction::triggered, this, [this] { app_.ShowColourSettings(); });
    for (QAction* a : {CopyFig1, Copy1})
        connect(a, &QAction::triggered, this, [this] { Picture1->CopyToClipboard(); });
    for (QAction* a : {CopyFig2, Copy2})
        connect(a, &QAction::triggered, this, [this] { Picture2->CopyToClipboard(); });
    connect(Picture1, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { Fig1->popup(p); });
    connect(Picture2, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { Fig2->popup(p); });

    connect(Slider1, &QSlider::valueChanged, this, [this] { SectionChanged(); });
    connect(Slider2, &QSlider::valueChanged, this, [this](int v) { EnhancementChanged(v); });
    connect(Slider2, &QSlider::sliderReleased, this, [this] { EnhancementCommitted(); });

    for (QRadioButton* o : Option1)
        connect(o, &QRadioButton::clicked, this, [this] {
            if (!loaded_) return;
            DrawMainChart();
            if (Check2->isChecked()) {
                WipeInterval();
                DrawIntervals();
            }
            RedrawOverlays();
        });
    for (QCheckBox* c : {Check1, Check4})
        connect(c, &QCheckBox::clicked, this, [this] {
            if (loaded_) RedrawOverlays();
        });
    connect(Check2, &QCheckBox::clicked, this, [this](bool on) {
        if (!loaded_) return;
        WipeInterval();
        if (on) DrawIntervals();
    });
}

void frmOutPut2::LayoutControls()
{
    const QWidget* c = centralWidget();
    const int line = fontMetrics().height() + 4;
    const int below = 2 * line + 8 + kLegendHeight + 8 + line + 10 + kMargin;
    const int mainTop = kMargin + line + kSliderAbove;
    const int byWidth =
        c->width() - kMargin - kAxisColumn - kGap - kSectionWidth - kPanelWidth - kMargin;
    const int byHeight = c->height() - mainTop - below;
    const int side = std::max(std::min(byWidth, byHeight), 100);
    const int mainLeft = kMargin + kAxisColumn;
    const int sectionLeft = mainLeft + side + kGap;

    Picture1->setGeometry(mainLeft, mainTop, side, side);
    Picture2->setGeometry(sectionLeft, mainTop, kSectionWidth, side);
    // 100 twips left of the figure, 200 twips wider.
    Slider1->setGeometry(mainLeft - 7, mainTop - kSliderAbove, side + 13, 24);
    Slider2->setGeometry(sectionLeft, mainTop - kSliderAbove, kSectionWidth, 24);

    // The vertical axis's ends inside the figure's height, clear of the horizontal axis's.
    Label2[0]->setGeometry(kMargin, mainTop - 4, kAxisColumn - 6, line);
    Label1[0]->setGeometry(kMargin, mainTop + side - line + 4, kAxisColumn - 6, line);
    const int axisTop = mainTop + side + 2;
    Label1[1]->setGeometry(mainLeft - kValueLabel / 2, axisTop, kValueLabel, line);
    Label2[1]->setGeometry(mainLeft + side - kValueLabel / 2, axisTop, kValueLabel, line);
    Label3->setGeometry(Label3->x(), kMargin, kValueLabel, line);
    Label5->setGeometry(Label5->x(), axisTop + line, kValueLabel, line);
    Label4->setGeometry(Label4->x(), kMargin, kValueLabel, line);
    PlaceSectionLabels();
    PlaceEnhancementLabel();

    const int panelLeft = sectionLeft + kSectionWidth;
    IntervalPanel->setGeometry(panelLeft, mainTop, c->width() - panelLeft - kMargin, side);
    Shape1->setGeometry(kMarks, 0, IntervalPanel->width() - kMarks, side);

    const int legendTop = axisTop + 2 * line + 4;
    Picture3->setGeometry(mainLeft, legendTop, side, kLegendHeight);
    ProgressBar1->setGeometry(sectionLeft, axisTop + 2, kSectionWidth, line - 4);

    // The view, the overlays and "OK" on one row under the legend.
    int x = kMargin;
    const int rowTop = legendTop + kLegendHeight + 10;
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{Option1[0], Option1[1], Check1, Check4, Check2}) {
        const int w = b->sizeHint().width() + 12;
        b->setGeometry(x, rowTop, w, line);
        x += w + (b == Option1[1] ? 16 : 0);
    }
    const int okWidth = std::max(Command1->sizeHint().width(), 88);
    Command1->setGeometry(c->width() - kMargin - okWidth, rowTop - 2, okWidth, line + 4);
}

void frmOutPut2::PlaceSectionLabels()
{
    // The section's value moves with the slider between the two ends of the horizontal axis.
    const double section = Slider1->value();
    const int from = Label1[1]->x(), to = Label2[1]->x();
    const int left = static_cast<int>(std::lround(from + (to - from) * section / 100));
    const QString text = QString::fromStdString(
        FormatSingle(static_cast<float>(Low() + (High() - Low()) * section / 100)));
    for (QLabel* l : {Label3, Label5}) {
        l->move(left, l->y());
        l->setText(text);
    }
}

void frmOutPut2::PlaceEnhancementLabel()
{
    const int v = Slider2->value();
    const int left = static_cast<int>(
        std::lround(Picture2->x() + Picture2->width() * v / 200.0 - Label4->width() / 2.0));
    Label4->move(left, Label4->y());
    Label4->setText(QString("%1 %").arg(v));
}

// ---- Life of the window ----

void frmOutPut2::Open(calib::ChartView view, bool showPaths)
{
    {
        const QSignalBlocker b0(Option1[0]), b1(Option1[1]), c1(Check1), c4(Check4);
        Option1[view == calib::ChartView::Probability ? 0 : 1]->setChecked(true);
        Check1->setChecked(showPaths);
        Check4->setChecked(showPaths);
    }
    if (!loaded_)
        Load();
    else
        RedrawAll();
    show();
    raise();
    activateWindow();
}

void frmOutPut2::Load()
{
    Workspace& ws = app_.ws();
    ProgressBar1->hide();
    ProgressBar1->setRange(0, 500);
    // One unit per fine cell: cell (i, j) covers ChartX(i)..ChartX(i) + 1 and the same down
    // from ChartY(j).
    Picture1->Scale(0, 0, 401, 401);
    Picture2->Scale(0, 0, 101, 401);
    for (PictureBox* p : {Picture1, Picture2, Picture3, IntervalPanel}) p->SetDrawWidth(1);
    {
        const QSignalBlocker b1(Slider1), b2(Slider2);
        Slider1->setValue(50);
        Slider2->setMaximum(200);
        Slider2->setValue(
            static_cast<int>(RoundHalfEven(static_cast<double>(ws.zEnhancement) * 100)));
    }
    ws.colours.coloursChanged = false;
    if (frmCalib* c = Calib()) {
        for (QLabel* l : Label1) l->setText(c->Text1->text());
        for (QLabel* l : Label2) l->setText(c->Text2->text());
    }
    section_ = Slider1->value();
    Check2->setChecked(true);
    LayoutControls();
    loaded_ = true;
    RedrawAll();
    ws.chartOpen = true;
    if (frmCalib* c = Calib()) c->SetRaised(8, false);
}

void frmOutPut2::Close()
{
    if (closed_) return;
    closed_ = true;
    app_.ws().chartOpen = false;
    if (printSetup_ && printSetup_->isVisible()) printSetup_->accept();
    if (frmCalib* c = Calib()) c->SetRaised(8, true);
    app_.UnloadChart();
}

void frmOutPut2::closeEvent(QCloseEvent* event)
{
    event->accept();
    Close();
}

void frmOutPut2::Activate()
{
    Workspace& ws = app_.ws();
    if (frmCalib* c = Calib()) c->ProgressBar1->hide();
    if (!Check3->isChecked() && ws.colours.coloursChanged) RedrawAll();
    Check3->setChecked(false);
}

void frmOutPut2::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && loaded_ && !closed_)
        Activate();
}

void frmOutPut2::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutControls();
    if (loaded_) RedrawAll();
}

// ---- Sliders ----

void frmOutPut2::SectionChanged()
{
    if (!loaded_) return;
    if (mainDrawn_) Command1->setFocus();
    try {
        PlaceSectionLabels();
        DrawPicture2();
        if (Check2->isChecked()) {
            WipeInterval();
            DrawIntervals();
        }
        RedrawOverlays();
        DrawColourLegend();
    } catch (const std::exception&) {
        app_.dialogs().Warn(this, "Interpolation failed", "Error");
        {
            const QSignalBlocker b(Slider1);
            Slider1->setValue(0);
        }
        PlaceSectionLabels();
        DrawMainChart();
    }
}

void frmOutPut2::EnhancementChanged(int)
{
    PlaceEnhancementLabel();
    if (!loaded_) return;
    if (mainDrawn_) {
        DrawPicture2();
        DrawMainChart();
    }
    RedrawOverlays();
    // The enhancement goes back to the other windows when the knob is let go; a change by
    // keyboard or a click on the groove is complete at once.
    if (!Slider2->isSliderDown()) EnhancementCommitted();
}

void frmOutPut2::EnhancementCommitted()
{
    Workspace& ws = app_.ws();
    const int v = Slider2->value();
    app_.mat().Slider5->setValue(v);
    ws.zEnhancement = static_cast<float>(v / 100.0);
    ws.colours.coloursChanged = true;
}

// ---- Commands ----

void frmOutPut2::SaveMatrixClicked()
{
    frmCalib* c = Calib();
    if (!c) return;
    const std::optional<std::string> path =
        app_.dialogs().SaveFile(this, "Save Matrix", kDataFileFilter, "calibration.csv");
    if (!path) return;
    Workspace& ws = app_.ws();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    calib::FillMatrixOut(ws);
    std::string reason;
    const bool written = calib::WriteCommonOutput(
        *path, ws, c->OutputInfo(), static_cast<float>(Val(c->Label7->text().toStdString())),
        static_cast<float>(Val(c->Label4[0]->text().toStdString())),
        static_cast<float>(Val(c->Label4[1]->text().toStdString())), &reason);
    QApplication::restoreOverrideCursor();
    if (!written)
        app_.dialogs().Warn(this, "The file could not be written:\n" + *path + "\n\n" + reason,
                            "Error");
}

void frmOutPut2::PrintOptionsClicked()
{
    Check3->setChecked(true);
    if (!printSetup_) printSetup_ = std::make_unique<frmPrintSetup>(app_.ws().print, this);
    printSetup_->Open();
}

void frmOutPut2::PrintClicked()
{
    PrintOnePage(app_.dialogs(), this, [this](PrintPage& page) { PrintChart(page, 500, 1000); });
}

// ---- What the chart reads ----

frmCalib* frmOutPut2::Calib() const
{
    return app_.calibLoaded() ? &app_.calib() : nullptr;
}

double frmOutPut2::Low() const
{
    return Val(Label1[1]->text().toStdString());
}

double frmOutPut2::High() const
{
    return Val(Label2[1]->text().toStdString());
}

int frmOutPut2::Enhancement() const
{
    return Slider2->value();
}

calib::ChartView frmOutPut2::View() const
{
    return Option1[1]->isChecked() ? calib::ChartView::Confidence : calib::ChartView::Probability;
}

int frmOutPut2::SectionColumn() const
{
    return calib::SectionColumn(Slider1->value());
}

}  // namespace tarvex
