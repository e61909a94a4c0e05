#include "calib/frmCalib.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "app/App.h"
#include "calib/frmAbout2.h"
#include "calib/frmCC.h"
#include "calib/frmOutPut2.h"
#include "data/NumberText.h"
#include "mat/frmMAT.h"
#include "settings/frmPrintSetup.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"

namespace tarvex {

namespace {

// The figures' own scale: 0..1875 both ways, y downwards.
constexpr double kFigureScale = 1875;
// Window geometry in pixels: margins, the range column left of the figures, the gap between
// figure columns (room for the vertical sliders), the caption above each figure and the
// control strips under the three rows.
constexpr int kMargin = 8;
constexpr int kRangeColumn = 72;
constexpr int kColumnGap = 36;
constexpr int kCaption = 18;
constexpr int kStrip[3] = {44, 62, 72};
constexpr int kDefaultSide = 201;  // one screen pixel per grid cell
constexpr int kMinimumSide = 180;

const char* const kCaptions[8] = {"1: Vrec-Vest",    "2: Vest-Vobs",       "3: Error model",
                                  "4: Joint model",  "5: Smoothed model",  "6: Row-normalised",
                                  "7: Probability",  "8: Confidence regions"};

QSlider* MakeSlider(Qt::Orientation o, int lo, int hi, int value, QWidget* parent)
{
    auto* s = new QSlider(o, parent);
    s->setRange(lo, hi);
    s->setValue(value);
    return s;
}

QLabel* MakeLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setMouseTracking(true);
    return l;
}

}  // namespace

frmCalib::frmCalib(App& app) : app_(app)
{
    setWindowTitle("Meridan 3.0");
    BuildControls();
    BuildMenus();
    ConnectControls();
    const int side = kDefaultSide;
    resize(2 * kMargin + kRangeColumn + 3 * side + 3 * kColumnGap,
           menuBar()->sizeHint().height() + 2 * kMargin + 3 * (kCaption + side) + kStrip[0] +
               kStrip[1] + kStrip[2]);
    setMinimumSize(2 * kMargin + kRangeColumn + 3 * kMinimumSide + 3 * kColumnGap,
                   menuBar()->sizeHint().height() + 2 * kMargin + 3 * (kCaption + kMinimumSide) +
                       kStrip[0] + kStrip[1] + kStrip[2]);
}

frmCalib::~frmCalib() = default;

void frmCalib::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    central->setMouseTracking(true);
    central->installEventFilter(this);

    for (int n = 0; n < 8; ++n) {
        auto* frame = new QFrame(central);
        frame->setFrameShape(QFrame::Panel);
        frame->setFrameShadow(QFrame::Raised);
        frame->setLineWidth(1);
        auto* pic = new PictureBox(frame);
        pic->setMouseTracking(true);
        pic->setFocusPolicy(Qt::StrongFocus);
        pic->installEventFilter(this);
        pic->setEnabled(false);
        if (n < 2)
            Picture1[static_cast<std::size_t>(n)] = pic;
        else
            Picture2[static_cast<std::size_t>(n - 2)] = pic;
        frames_[static_cast<std::size_t>(n)] = frame;
        auto* caption = MakeLabel(kCaptions[n], central);
        caption->setObjectName(QString("caption%1").arg(n + 1));
    }
    for (auto& p : Picture3) {
        p = new QWidget(central);
        p->hide();
    }

    Command1[0] = new QPushButton("Import Vrec-Vest file", central);
    Command1[1] = new QPushButton("Import Vest-Vobs file", central);
    Command3 = new QPushButton("Start", central);
    Command10 = new QPushButton("Return", central);
    Command2 = new QPushButton("Close", central);
    Text1 = new QLineEdit(central);
    Text2 = new QLineEdit(central);
    for (QLineEdit* t : {Text1, Text2}) t->installEventFilter(this);
    Text1->setToolTip("Lower end of the range");
    Text2->setToolTip("Upper end of the range");
    Check1 = new QCheckBox("Show fitting line", central);
    Check4 = new QCheckBox("Generate model", central);
    Check5 = new QCheckBox("Skip", central);
    Check2 = new QCheckBox("Show mode", central);
    Check6 = new QCheckBox("Show ave.", central);
    Check3 = new QCheckBox(central);
    Check7 = new QCheckBox(central);
    Check3->hide();
    Check7->hide();

    Slider4 = MakeSlider(Qt::Vertical, 1, 20, 5, central);
    Slider4->setInvertedAppearance(false);
    Label22 = MakeLabel("Std.Dev.: ", central);
    Slider3 = MakeSlider(Qt::Horizontal, 1, 20, 10, central);
    Label3 = MakeLabel("Smoothing level:", central);
    Label7 = MakeLabel("10", central);
    Label6 = MakeLabel("(Basal width: % of range)", central);
    Slider5 = MakeSlider(Qt::Vertical, 0, 10, 2, central);
    Label23 = MakeLabel("", central);
    Slider6 = MakeSlider(Qt::Horizontal, 0, 10, 1, central);
    Label24 = MakeLabel("", central);
    for (QSlider* s : {Slider3, Slider4, Slider5, Slider6}) s->setPageStep(1);
    Slider1 = MakeSlider(Qt::Horizontal, 0, 1000, 682, central);
    Slider2 = MakeSlider(Qt::Horizontal, 0, 1000, 954, central);
    for (QSlider* s : {Slider1, Slider2}) {
        s->setPageStep(50);
        s->setSingleStep(1);
        s->setMouseTracking(true);
        s->installEventFilter(this);
    }
    Slider3->setMouseTracking(true);
    Slider3->installEventFilter(this);
    Label20 = MakeLabel("Confidence coefficients (%)", central);
    for (int i = 0; i < 2; ++i) {
        Label4[static_cast<std::size_t>(i)] = MakeLabel("", central);
        Label4[static_cast<std::size_t>(i)]->setFrameShape(QFrame::StyledPanel);
        Label4[static_cast<std::size_t>(i)]->setAlignment(Qt::AlignCenter);
        Label4[static_cast<std::size_t>(i)]->setCursor(Qt::PointingHandCursor);
        Label4[static_cast<std::size_t>(i)]->setToolTip("Click to type the coefficient");
        Label4[static_cast<std::size_t>(i)]->installEventFilter(this);
    }
    for (auto& l : Label5) {
        l = MakeLabel("", central);
        l->hide();
    }
    for (auto& l : Label1) l = MakeLabel("", central);
    for (auto& l : Label2) l = MakeLabel("", central);
    Label2[0]->setAlignment(Qt::AlignRight | Qt::AlignTop);
    for (auto& l : Label21) {
        l = MakeLabel("", central);
        l->setTextFormat(Qt::PlainText);
    }
    for (auto& l : Label14) {
        l = MakeLabel("", central);
        l->hide();
    }
    for (auto& l : Label15) {
        l = MakeLabel("", central);
        l->hide();
    }

    Frame1 = new QGroupBox(central);
    auto* grid = new QGridLayout(Frame1);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    for (int ds = 0; ds < 2; ++ds) {
        Label12[static_cast<std::size_t>(ds)] = MakeLabel("0", Frame1);
        Label13[static_cast<std::size_t>(ds)] = MakeLabel("", Frame1);
    }
    Label17 = MakeLabel("", Frame1);
    Label19 = MakeLabel("", Frame1);
    grid->addWidget(MakeLabel("N1 =", Frame1), 0, 0);
    grid->addWidget(Label12[0], 0, 1);
    grid->addWidget(MakeLabel("R1 =", Frame1), 0, 2);
    grid->addWidget(Label13[0], 0, 3);
    grid->addWidget(MakeLabel("N2 =", Frame1), 1, 0);
    grid->addWidget(Label12[1], 1, 1);
    grid->addWidget(MakeLabel("R2 =", Frame1), 1, 2);
    grid->addWidget(Label13[1], 1, 3);
    grid->addWidget(MakeLabel("Fitting line:", Frame1), 2, 0, 1, 4);
    grid->addWidget(Label17, 3, 0, 1, 4);
    grid->addWidget(MakeLabel("Std.Dev. =", Frame1), 4, 0, 1, 2);
    grid->addWidget(Label19, 4, 2, 1, 2);
    grid->setColumnStretch(3, 1);

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setRange(0, 250);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
}

void frmCalib::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("File(&F)");
    QMenu* save = file->addMenu("&Save Matrix");
    mnuSaveCommon = save->addAction("Meridan common output format");
    mnuSave20 = save->addAction("Meridan 2.0 output format");
    mnuSave20->setEnabled(false);
    mnuSave20->setToolTip("This format is not written by this version.");
    mnuSaveProb = file->addAction("Probability Distribution");
    mnuSaveConf = file->addAction("Confidence Regions");
    file->addSeparator();
    mnuPrintOptions = file->addAction("Print Options");
    mnuPrint = file->addAction("&Print");
    file->addSeparator();
    mnuQuit = file->addAction("&Quit");
    QMenu* edit = menuBar()->addMenu("Edit(&E)");
    mnuColour = edit->addAction("Colour Settings");
    mnuCopy = edit->addMenu("&Copy");
    for (int n = 0; n < 8; ++n)
        mnuCopyFig[static_cast<std::size_t>(n)] = mnuCopy->addAction(QString("Fig.&%1").arg(n + 1));
    QMenu* about = menuBar()->addMenu("About(&A)");
    mnuAbout = about->addAction("&About Meridan 3.0");

    for (int n = 0; n < 8; ++n) {
        auto* menu = new QMenu(QString("Fig%1").arg(n + 1), this);
        mnuFig[static_cast<std::size_t>(n)] = menu;
        mnuFigCopy[static_cast<std::size_t>(n)] = menu->addAction(n >= 6 ? "&Copy" : "Copy");
        if (n >= 6) {
            mnuFigSave[static_cast<std::size_t>(n - 6)] = menu->addAction("&Save matrix");
            mnuFigDetails[static_cast<std::size_t>(n - 6)] = menu->addAction("More details");
        }
    }
}

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

int frmCalib::FigureSide() const
{
    const QWidget* c = centralWidget();
    const int byWidth = (c->width() - 2 * kMargin - kRangeColumn - 3 * kColumnGap) / 3;
    const int byHeight =
        (c->height() - 2 * kMargin - 3 * kCaption - kStrip[0] - kStrip[1] - kStrip[2]) / 3;
    return std::max(std::min(byWidth, byHeight), 40);
}

void frmCalib::LayoutControls()
{
    const int side = FigureSide();
    const int frameSide = side + 2;
    const int line = fontMetrics().height() + 4;
    int rowTop[3];
    rowTop[0] = kMargin;
    rowTop[1] = rowTop[0] + kCaption + frameSide + kStrip[0];
    rowTop[2] = rowTop[1] + kCaption + frameSide + kStrip[1];
    const auto colLeft = [side](int c) { return kMargin + kRangeColumn + c * (side + 2 + kColumnGap); };

    for (int n = 0; n < 8; ++n) {
        const int row = n / 3, col = n % 3;
        const int x = colLeft(col), y = rowTop[row] + kCaption;
        frames_[static_cast<std::size_t>(n)]->setGeometry(x, y, frameSide, frameSide);
        PictureBox* pic = n < 2 ? Picture1[static_cast<std::size_t>(n)]
                                : Picture2[static_cast<std::size_t>(n - 2)];
        pic->setGeometry(1, 1, side, side);
        auto* caption = centralWidget()->findChild<QLabel*>(QString("caption%1").arg(n + 1));
        if (caption) caption->setGeometry(x, rowTop[row], frameSide, kCaption);
    }

    // Row 1: range boxes beside figure 1, the imports and the model switch above the strip.
    const int fig1Top = rowTop[0] + kCaption;
    Text2->setGeometry(kMargin, fig1Top, kRangeColumn - 8, line + 2);
    Text1->setGeometry(kMargin, fig1Top + frameSide - line - 2, kRangeColumn - 8, line + 2);
    const int strip1 = fig1Top + frameSide + 2;
    Label1[0]->setGeometry(colLeft(0), strip1, frameSide / 2, line);
    Label2[0]->setGeometry(colLeft(0) + frameSide / 2, strip1, frameSide / 2, line);
    Command1[0]->setGeometry(colLeft(0), strip1 + line, frameSide, line + 4);
    Check1->setGeometry(colLeft(1), strip1, frameSide, line);
    Command1[1]->setGeometry(colLeft(1), strip1 + line, frameSide, line + 4);
    Check4->setGeometry(colLeft(2), strip1, frameSide, line);
    Label22->setGeometry(colLeft(2), strip1 + line, frameSide, line);
    Slider4->setGeometry(colLeft(2) + frameSide + 4, fig1Top, 24, frameSide);
    Label21[0]->setGeometry(colLeft(0), rowTop[0], 0, 0);
    Label21[1]->setGeometry(colLeft(1), rowTop[0], 0, 0);
    Label21[0]->hide();
    Label21[1]->hide();

    // Row 2: smoothing under figure 5, the vertical threshold beside figure 6.
    const int fig2Top = rowTop[1] + kCaption;
    const int strip2 = fig2Top + frameSide + 2;
    Label3->setGeometry(colLeft(1), strip2, frameSide * 2 / 3, line);
    Label7->setGeometry(colLeft(1) + frameSide * 2 / 3, strip2, frameSide / 3, line);
    Slider3->setGeometry(colLeft(1), strip2 + line, frameSide, line);
    Label6->setGeometry(colLeft(1), strip2 + 2 * line, frameSide + kColumnGap, line);
    Slider5->setGeometry(colLeft(2) + frameSide + 4, fig2Top, 24, frameSide);
    Label23->setGeometry(colLeft(2), strip2, frameSide, line);
    Check5->setGeometry(colLeft(2), strip2 + line, frameSide, line);

    // Row 3: the horizontal threshold under figure 7, the coefficients under figure 8, the
    // figures of the fit and the commands in the third column.
    const int fig3Top = rowTop[2] + kCaption;
    const int strip3 = fig3Top + frameSide + 2;
    Slider6->setGeometry(colLeft(0), strip3, frameSide, line);
    Label24->setGeometry(colLeft(0), strip3 + line, frameSide, line);
    Label20->setGeometry(colLeft(1), strip3, frameSide + kColumnGap, line);
    const int labelWidth = 52;
    Slider1->setGeometry(colLeft(1), strip3 + line, frameSide - labelWidth - 4, line);
    Label4[0]->setGeometry(colLeft(1) + frameSide - labelWidth, strip3 + line, labelWidth, line);
    Slider2->setGeometry(colLeft(1), strip3 + 2 * line, frameSide - labelWidth - 4, line);
    Label4[1]->setGeometry(colLeft(1) + frameSide - labelWidth, strip3 + 2 * line, labelWidth,
                           line);

    const int right = colLeft(2);
    const int frameHeight = Frame1->sizeHint().height();
    const int rightWidth = frameSide + kColumnGap - 4;
    Frame1->setGeometry(right, fig3Top, rightWidth, frameHeight);
    // The two check boxes share a line when it holds both.
    const int checks = Check2->sizeHint().width() + Check6->sizeHint().width() + 8;
    int below = fig3Top + frameHeight + 2;
    if (checks <= rightWidth) {
        Check2->setGeometry(right, below, rightWidth / 2, line);
        Check6->setGeometry(right + rightWidth / 2, below, rightWidth / 2, line);
        below += line;
    } else {
        Check2->setGeometry(right, below, rightWidth, line);
        Check6->setGeometry(right, below + line, rightWidth, line);
        below += 2 * line;
    }
    const int buttons = std::max(below + 4, fig3Top + frameSide - 3 * (line + 8));
    Picture3[0]->setGeometry(right, buttons, frameSide, line + 6);
    Command10->setGeometry(right, buttons + line + 8, frameSide, line + 6);
    Command2->setGeometry(right, buttons + 2 * (line + 8), frameSide, line + 6);
    ProgressBar1->setGeometry(right, strip3, frameSide, line);
    // In generated-model mode "Start" takes the middle of figure 2, which shows nothing then.
    const QRect f2 = frames_[1]->geometry();
    Picture3[1]->setGeometry(f2.center().x() - frameSide / 3, f2.center().y() - (line + 6) / 2,
                             2 * frameSide / 3, line + 6);
    const QWidget* place = Picture3[stages_.generateModel ? 1 : 0];
    Command3->setGeometry(place->geometry());
    Command3->raise();
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
                const QObject* pic = n <= 2 ? static_cast<QObject*>(Picture1[static_cast<std::size_t>(n - 1)])
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
