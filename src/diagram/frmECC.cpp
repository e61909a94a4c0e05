#include "diagram/frmECC.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "data/TableChecks.h"
#include "diagram/frmDiagram.h"
#include "mat/ClimateImport.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"

namespace tarvex {

namespace {

constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";
constexpr Colour kChosenColour = RGB(255, 0, 0);
// Room left of the row labels, in twips.
constexpr double kLabelIndentTwips = 90;
// Widths of the fixed parts of the window, in pixels.
constexpr int kRowLabelWidth = 56;
constexpr int kLimitBoxWidth = 64;
constexpr int kPlotMaxWidth = 400;
constexpr int kPlotMaxHeight = 480;

QString ParamName(const Workspace& ws, int p)
{
    if (p < 0 || p >= static_cast<int>(ws.climateParamNames.size())) return QString();
    return QString::fromStdString(ws.climateParamNames[p]);
}

// A scroll bar that keeps its place in the layout when hidden, so showing or hiding it never
// resizes the cells and starts another round of layout.
QScrollBar* MakeScrollBar(Qt::Orientation orientation, QWidget* parent)
{
    auto* bar = new QScrollBar(orientation, parent);
    QSizePolicy policy = bar->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    bar->setSizePolicy(policy);
    bar->setRange(1, 1);
    bar->setSingleStep(1);
    bar->hide();
    return bar;
}

}  // namespace

frmECC::frmECC(App& app) : app_(app)
{
    setWindowTitle("EOF-Climate correlation");
    BuildControls();
    ConnectControls();
    resize(560, 600);
}

frmECC::~frmECC() = default;

void frmECC::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    central->setMouseTracking(true);
    central->installEventFilter(this);
    auto* outer = new QVBoxLayout(central);

    Frame1 = new QGroupBox(" Correlation coefficient (R) ", central);
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    auto* table = new QGridLayout(Frame1);
    table->setSpacing(0);
    for (auto& p : Picture0) p = new PictureBox(Frame1);
    Picture1 = new PictureBox(Frame1);
    Picture2 = new PictureBox(Frame1);
    VScroll1 = MakeScrollBar(Qt::Vertical, Frame1);
    HScroll1 = MakeScrollBar(Qt::Horizontal, Frame1);
    const int headerHeight = QFontMetrics(font()).height() + 6;
    Picture0[0]->setFixedSize(kRowLabelWidth, headerHeight);
    Picture0[1]->setFixedHeight(headerHeight);
    Picture1->setFixedWidth(kRowLabelWidth);
    Picture2->setMinimumSize(140, 60);
    table->addWidget(Picture0[0], 0, 0);
    table->addWidget(Picture0[1], 0, 1);
    table->addWidget(Picture1, 1, 0);
    table->addWidget(Picture2, 1, 1);
    table->addWidget(VScroll1, 1, 2);
    table->addWidget(HScroll1, 2, 1);
    for (PictureBox* p : {Picture0[0], Picture0[1], Picture1, Picture2}) {
        p->SetBackColor(WindowColour(*this));
        p->Cls();
        p->installEventFilter(this);
    }
    outer->addWidget(Frame1, 2);

    Frame2 = new QFrame(central);
    Frame2->setFrameShape(QFrame::NoFrame);
    auto* plot = new QGridLayout(Frame2);
    plot->setContentsMargins(0, 0, 0, 0);
    plot->setHorizontalSpacing(4);
    plot->setVerticalSpacing(2);
    for (auto& l : Label1) l = new QLabel(Frame2);
    for (auto& l : Label2) l = new QLabel(Frame2);
    for (auto& t : Text1) {
        t = new QLineEdit(Frame2);
        t->setFixedWidth(kLimitBoxWidth);
        t->setAlignment(Qt::AlignRight);
    }
    Picture3 = new PictureBox(Frame2);
    Picture3->setMinimumSize(160, 120);
    Picture3->installEventFilter(this);
    Slider1 = new QSlider(Qt::Horizontal, Frame2);
    Slider1->setRange(0, 8);
    Slider1->setPageStep(1);

    // The parameter's name stands over the climate axis with the upper limit below it; the
    // EOF axis's ends and title sit under the plot.
    plot->addWidget(Label2[1], 0, 0, 1, 2);
    auto* limits = new QVBoxLayout;
    limits->addWidget(Text1[1]);
    limits->addStretch(1);
    limits->addWidget(Text1[0]);
    plot->addLayout(limits, 1, 0);
    plot->addWidget(Picture3, 1, 1);
    auto* ends = new QHBoxLayout;
    ends->addWidget(Label1[0]);
    ends->addStretch(1);
    ends->addWidget(Label2[0]);
    ends->addStretch(1);
    ends->addWidget(Label1[1]);
    plot->addLayout(ends, 2, 1);
    plot->addWidget(Slider1, 3, 1);
    plot->setColumnStretch(1, 1);
    plot->setRowStretch(1, 1);
    // The dots are a fixed share of the plot's width, so the plot stops growing where they
    // would turn into blots; a larger window gives the table the room.
    Frame2->setMaximumSize(kLimitBoxWidth + 4 + kPlotMaxWidth, kPlotMaxHeight);
    Frame2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* plotRow = new QHBoxLayout;
    plotRow->addWidget(Frame2, 1);
    plotRow->addStretch(0);
    outer->addLayout(plotRow, 3);

    RB = new QMenu("RB", this);
    mnuCopy = RB->addAction("&Copy");
}

void frmECC::ConnectControls()
{
    connect(Picture2, &PictureBox::mouseMoved, this,
            [this](Qt::MouseButton, double x, double y) { TableMouseMove(x, y); });
    connect(Picture2, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton b, double x, double y) { TableMouseDown(b, x, y); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { ShowSoukan(-1, -1); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { ShowSoukan(-1, -1); });
    for (QLineEdit* t : Text1) connect(t, &QLineEdit::textChanged, this, [this] { LimitEdited(); });
    connect(Slider1, &QSlider::valueChanged, this, [this](int v) { ZoomMoved(v); });
    connect(Picture3, &PictureBox::contextMenuRequested, this, [this](QPoint p) { RB->popup(p); });
    connect(mnuCopy, &QAction::triggered, this, [this] { Picture3->CopyToClipboard(); });
    AddExportPicture(*RB, *Picture3, app_.dialogs(), "eof-climate.svg");
}

void frmECC::Open()
{
    Workspace& ws = app_.ws();
    frmMain& main = app_.main();
    eccParam_ = 1;
    eccEof_ = 1;
    app_.diagram().mnuECC->setEnabled(false);
    for (QLabel* l : Label1) l->clear();
    for (QLabel* l : Label2) l->clear();
    {
        const QSignalBlocker quiet(Slider1);
        Slider1->setValue(main.Slider4->value());
    }
    ws.eccShown = false;
    main.ProgressBar1->setRange(0, std::max<int>(ws.refTaxonCount, 1));
    main.ProgressBar1->setValue(0);
    main.ProgressBar1->show();
    SetScreenPointer(Pointer::Hourglass);

    if (!ws.climateLoaded && !ImportClimate()) {
        // Without a climate table the window stays open and empty.
        EndBusy();
        show();
        return;
    }

    eofClimateR_ = EofClimateTable(ws, [&main](int e, int) { main.ProgressBar1->setValue(e); });
    hasTable_ = true;

    const int eofs = std::max<int>(ws.refTaxonCount, 1);
    eccEof_ = std::clamp(app_.diagram().Combo1->currentText().toInt(), 1, eofs);
    ws.diagramEof = static_cast<int16_t>(eccEof_);
    SetClimateAxis();
    Label2[1]->setText(ParamName(ws, eccParam_));

    // The table's layout follows the panels' real sizes, which exist once the window is shown.
    show();
    centralWidget()->layout()->activate();
    ShowSoukan(-1, -1);
    DrawEccScatter();
    EndBusy();
}

bool frmECC::ImportClimate()
{
    Workspace& ws = app_.ws();
    Dialogs& dialogs = app_.dialogs();
    SetScreenPointer(Pointer::Default);
    if (!dialogs.AskYesNo(this, "Please import climate file.", "Tarvex")) return false;
    const std::optional<std::string> path =
        dialogs.OpenFile(this, "Import climate data", kDataFileFilter);
    ImportOutcome outcome;
    if (!path) {
        outcome = CancelledClimateImport(ClimateImportStyle::Correlation);
    } else {
        SetScreenPointer(Pointer::Hourglass);
        outcome = ImportClimateTable(
            ws, *path,
            [this, &dialogs](const std::string& question) {
                SetScreenPointer(Pointer::Default);
                const bool yes = dialogs.AskYesNo(this, question, "Error");
                SetScreenPointer(Pointer::Hourglass);
                return yes;
            },
            ClimateImportStyle::Correlation);
    }
    if (!outcome.ok) {
        SetScreenPointer(Pointer::Default);
        for (const std::string& message : outcome.messages) dialogs.Warn(this, message, "Error");
        return false;
    }
    if (!outcome.checks.empty()) {
        SetScreenPointer(Pointer::Default);
        dialogs.Warn(this, TableCheckMessage(outcome.checks), kTableCheckTitle);
    }
    // The reconstruction window takes the new parameters as after its own import; it starts
    // no reconstruction from here.
    app_.NotifyClimateImported();
    SetScreenPointer(Pointer::Hourglass);
    return true;
}

void frmECC::EndBusy()
{
    frmMain& main = app_.main();
    main.ProgressBar1->hide();
    main.ProgressBar1->setValue(0);
    SetScreenPointer(Pointer::Default);
}

void frmECC::SetClimateAxis()
{
    climateAxis_ = EccAxisOfParameter(app_.ws(), eccParam_);
    // The program's own writes are not edits of the user.
    const QSignalBlocker quietUpper(Text1[1]);
    const QSignalBlocker quietLower(Text1[0]);
    Text1[1]->setText(QString::fromStdString(EccLimitText(climateAxis_.upper)));
    Text1[0]->setText(QString::fromStdString(EccLimitText(climateAxis_.lower)));
}

void frmECC::LimitEdited()
{
    if (!hasTable_) return;
    const std::optional<EccClimateAxis> axis =
        EccAxisFromLimits(Text1[0]->text().toStdString(), Text1[1]->text().toStdString());
    // Equal limits would give the axis no height: the plot keeps the axis it has.
    if (!axis) return;
    climateAxis_ = *axis;
    DrawEccScatter();
}

void frmECC::ZoomMoved(int value)
{
    // The diagram hands the value on to the main window, whose zoom change comes back here
    // through FollowZoom, so the plot is drawn once.
    frmDiagram& diagram = app_.diagram();
    if (diagram.Slider2->value() != value)
        diagram.Slider2->setValue(value);
    else
        FollowZoom(value);
}

void frmECC::FollowZoom(int value)
{
    {
        const QSignalBlocker quiet(Slider1);
        Slider1->setValue(value);
    }
    if (app_.ws().eccShown && hasTable_) DrawEccScatter();
}

bool frmECC::CurrentSampleMarked() const
{
    // The reconstruction window's current-sample box decides; while that window is not open
    // the diagram's cursor box, which it follows, stands in for it.
    if (!app_.diagramLoaded()) return false;
    frmDiagram& diagram = app_.diagram();
    const bool dragging = diagram.Dragging() ||
                          diagram.Picture1->MousePointer() == Pointer::SizeNS ||
                          diagram.Picture2->MousePointer() == Pointer::SizeNS;
    const bool shown =
        app_.matLoaded() ? app_.mat().Check3->isChecked() : diagram.Check1->isChecked();
    return dragging || shown;
}

void frmECC::DrawEccScatter()
{
    Workspace& ws = app_.ws();
    // Nothing to plot until the table exists (the climate question was answered No).
    if (!hasTable_) return;
    PictureBox& p = *Picture3;
    p.SetDrawOverlay(false);
    p.SetBackColor(kWhite);
    const EccEofScale h = EccEofAxis(ws.zoomFactor);
    p.Scale(h.left, climateAxis_.upper, h.width, climateAxis_.lower - climateAxis_.upper);
    p.Cls();

    const int e = eccEof_;
    const int q = eccParam_;
    const double top = p.ScaleTop();
    const double height = p.ScaleHeight();
    p.BeginBatch();
    markerShown_ = false;
    const int s = ws.currentFossilSample;
    const bool sampleUsable =
        s >= 1 && s <= ws.fossilScores.rows() && e <= ws.fossilScores.cols() &&
        s < static_cast<int>(ws.fossilSampleEmpty.size()) && !ws.fossilSampleEmpty[s];
    if (sampleUsable && CurrentSampleMarked()) {
        const double x = ws.fossilScores(s, e);
        p.Line(x, top, x, top + height, ws.colours.schemeColour1.Value());
        markerShown_ = true;
    }
    const Colour dot = ws.colours.schemeColour6.Value();
    const double radius = EccDotRadius(p.ScaleWidth());
    if (e <= ws.refScores.cols() && q <= ws.climateValues.cols()) {
        const int sites = std::min(UsableRows(ws.refScores, ws.refSiteCount),
                                   UsableRows(ws.climateValues, ws.refSiteCount));
        for (int i = 1; i <= sites; ++i)
            p.Circle(ws.refScores(i, e), ws.climateValues(i, q), radius, dot, dot);
    }
    p.EndBatch();
    p.Refresh();

    Label1[0]->setText(QString::fromStdString(FormatNumber(-ws.zoomFactor)));
    Label1[1]->setText(QString::fromStdString(FormatNumber(ws.zoomFactor)));
    Label2[0]->setText(QString::fromStdString("EOF-" + FormatNumber(e)));
    ws.eccShown = true;
}

void frmECC::ShowSoukan(double x, double y)
{
    const Workspace& ws = app_.ws();
    for (PictureBox* p : {Picture0[1], Picture1, Picture2}) {
        p->SetDrawOverlay(false);
        p->ScaleTwips();
        p->Cls();
    }
    shownCells_.clear();
    if (!hasTable_) return;

    const int eofs = std::min<int>(ws.refTaxonCount, eofClimateR_.rows());
    const int params = std::min<int>(ws.climateParamCount, eofClimateR_.cols());
    const EccTableLayout layout =
        EccLayout(Picture2->ScaleWidth(), Picture2->ScaleHeight(), eofs, params);
    {
        // Setting a range may move the value; that is part of this drawing, not a scroll.
        const QSignalBlocker quietRows(VScroll1);
        const QSignalBlocker quietColumns(HScroll1);
        VScroll1->setRange(1, layout.rows.max);
        VScroll1->setPageStep(layout.rows.largeChange);
        HScroll1->setRange(1, layout.columns.max);
        HScroll1->setPageStep(layout.columns.largeChange);
        // A bar that goes away takes the table back to its start: nothing could scroll there
        // any more.
        if (!layout.rows.visible) VScroll1->setValue(1);
        if (!layout.columns.visible) HScroll1->setValue(1);
    }
    VScroll1->setVisible(layout.rows.visible);
    HScroll1->setVisible(layout.columns.visible);
    const int firstRow = VScroll1->value();
    const int firstColumn = HScroll1->value();
    hover_ = EccCellAt(x, y, firstRow, firstColumn);

    PictureBox& labels = *Picture1;
    labels.BeginBatch();
    for (int k : EccShownRows(layout, firstRow, eofs)) {
        labels.SetCurrentX(kLabelIndentTwips);
        labels.SetCurrentY(EccRowTop(k, firstRow));
        labels.Print("EOF-" + FormatNumber(k));
    }
    labels.EndBatch();

    PictureBox& header = *Picture0[1];
    header.BeginBatch();
    const double headerTop = std::max(0.0, (header.ScaleHeight() - header.TextHeight("Ag")) / 2);
    for (int j : EccShownColumns(layout, firstColumn, params)) {
        const double x0 = header.ScaleLeft() + EccColumnLeft(j, firstColumn);
        // Each name starts by wiping what a longer name before it left over.
        header.BoxFill(x0 - 100, 0, header.ScaleWidth(), header.ScaleHeight(), header.BackColor());
        header.SetCurrentX(x0);
        header.SetCurrentY(headerTop);
        header.Print(ParamName(ws, j).toStdString());
    }
    header.EndBatch();

    PictureBox& cells = *Picture2;
    shownCells_ = EccShownCells(eofClimateR_, layout, firstRow, firstColumn, eofs, params, hover_,
                                EccCell{eccEof_, eccParam_});
    cells.BeginBatch();
    for (const EccDrawnCell& c : shownCells_) {
        cells.SetFontUnderline(c.underline);
        cells.SetForeColor(c.chosen ? kChosenColour : kBlack);
        cells.SetCurrentX(EccColumnLeft(c.cell.column, firstColumn));
        cells.SetCurrentY(EccRowTop(c.cell.row, firstRow));
        cells.Print(c.text);
    }
    cells.SetFontUnderline(false);
    cells.SetForeColor(kBlack);
    cells.EndBatch();
    for (PictureBox* p : {Picture0[1], Picture1, Picture2}) p->Refresh();
}

void frmECC::TableMouseMove(double x, double y)
{
    if (!hasTable_) return;
    if (EccCellAt(x, y, VScroll1->value(), HScroll1->value()) == hover_) return;
    ShowSoukan(x, y);
}

void frmECC::TableMouseDown(Qt::MouseButton, double x, double y)
{
    Workspace& ws = app_.ws();
    if (!hasTable_) return;
    const int eofs = std::min<int>(ws.refTaxonCount, eofClimateR_.rows());
    const int params = std::min<int>(ws.climateParamCount, eofClimateR_.cols());
    const std::optional<EccCell> cell =
        EccClickedCell(x, y, VScroll1->value(), HScroll1->value(), eofs, params);
    if (!cell) return;
    eccEof_ = cell->row;
    eccParam_ = cell->column;

    frmDiagram& diagram = app_.diagram();
    diagram.Combo1->setCurrentIndex(diagram.Combo1->findText(QString::number(eccEof_)));
    ws.diagramEof = static_cast<int16_t>(eccEof_);
    SetClimateAxis();
    Label2[1]->setText(ParamName(ws, eccParam_));
    diagram.DrawEofCurve();
    DrawEccScatter();
    // The chosen cell turns red at once, not only when the mouse moves on.
    ShowSoukan(x, y);
}

bool frmECC::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool outsideCells =
        (type == QEvent::MouseMove && (watched == centralWidget() || watched == Frame1)) ||
        (type == QEvent::Leave && watched == Picture2);
    if (outsideCells) {
        SetWidgetPointer(*this, Pointer::Default);
        if (hasTable_ && EccCellAt(0, 0, VScroll1->value(), HScroll1->value()) != hover_)
            ShowSoukan(0, 0);
    }
    if (type == QEvent::Resize) {
        if (watched == Picture2 || watched == Picture0[1] || watched == Picture1) {
            if (hasTable_) ShowSoukan(-1, -1);
        } else if (watched == Picture3) {
            if (hasTable_ && app_.ws().eccShown) DrawEccScatter();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmECC::closeEvent(QCloseEvent* event)
{
    event->accept();
    Unload();
}

void frmECC::Unload()
{
    if (unloaded_) return;
    unloaded_ = true;
    // Nothing of this window is on screen any more: no other window may ask it to redraw.
    app_.ws().eccShown = false;
    if (app_.diagramLoaded()) app_.diagram().mnuECC->setEnabled(true);
    app_.UnloadEcc();
}

}  // namespace tarvex
