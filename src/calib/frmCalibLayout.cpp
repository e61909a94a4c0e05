// Construction of the calibration window: the eight figures with their captions, the controls
// and menus, and their places at any window size.
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <algorithm>

#include "calib/frmAbout2.h"
#include "calib/frmCalib.h"
#include "calib/frmCC.h"
#include "settings/frmPrintSetup.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

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

const char* const kCaptions[8] = {"1: Vrec-Vest",   "2: Vest-Vobs",         "3: Error model",
                                  "4: Joint model", "5: Smoothed model",    "6: Row-normalised",
                                  "7: Probability", "8: Confidence regions"};

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
    const auto colLeft = [side](int c) {
        return kMargin + kRangeColumn + c * (side + 2 + kColumnGap);
    };

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

}  // namespace tarvex
