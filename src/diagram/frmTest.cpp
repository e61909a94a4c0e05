#include "diagram/frmTest.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "app/frmMainReport.h"
#include "diagram/DiagramLayout.h"
#include "diagram/frmDiagram.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"

namespace tarvex {

namespace {

constexpr Colour kClusteringColour = RGB(255, 0, 0);
constexpr Colour kClassicColour = RGB(0, 0, 190);
// Merge levels times 10 on a panel from -1 to 5: one unit left of the axis, five for the tree.
constexpr double kClusteringDepth = 5;
// The narrowest the dendrogram gets when the text pane widens.
constexpr int kNarrowestDendrogram = 160;

}  // namespace

frmTest::frmTest(App& app) : app_(app)
{
    setWindowTitle("Test");
    auto* outer = new QHBoxLayout(this);
    // The printed lines and the dendrogram share the width through a splitter, so that the
    // wider lines of the classic clustering can be read whole.
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter_ = splitter;
    splitter->setChildrenCollapsible(false);
    auto* leftPane = new QWidget(splitter);
    auto* left = new QVBoxLayout(leftPane);
    left->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    Command1 = new QPushButton("1", this);
    Command2 = new QPushButton("2", this);
    Command3 = new QPushButton("3", this);
    for (QPushButton* b : {Command1, Command2, Command3}) {
        b->setFixedWidth(40);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    left->addLayout(buttons);
    Command4 = new QPushButton("Classic CONISS + broken stick", this);
    left->addWidget(Command4);
    Output = new QPlainTextEdit(this);
    Output->setReadOnly(true);
    Output->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font("DejaVu Sans Mono");
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(9);
    Output->setFont(font);
    left->addWidget(Output, 1);
    Picture1 = new PictureBox(splitter);
    Picture1->setMinimumSize(kNarrowestDendrogram, 120);
    Picture1->installEventFilter(this);
    splitter->addWidget(leftPane);
    splitter->addWidget(Picture1);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    outer->addWidget(splitter);
    const int lineWidth = QFontMetrics(font).horizontalAdvance(QString(34, QChar('0')));
    splitter->setSizes({lineWidth + 30, 400});

    // Right click on the dendrogram: copy it or export it as a picture.
    RB = new QMenu("RB", this);
    mnuCopy = RB->addAction("&Copy");
    AddExportPicture(*RB, *Picture1, app_.dialogs(), "dendrogram.svg");
    AddExportFigure(*RB, *this, app_.dialogs(),
                    [this] { return MakeWindowFigure(app_, {fig::FigureKind::Diagram}); });
    connect(mnuCopy, &QAction::triggered, this, [this] { Picture1->CopyToClipboard(); });
    connect(Picture1, &PictureBox::contextMenuRequested, this, [this](QPoint p) { RB->popup(p); });

    connect(Command1, &QPushButton::clicked, this, [this] { RunClustering(); });
    connect(Command2, &QPushButton::clicked, this, [this] { ListClusterStarts(); });
    connect(Command3, &QPushButton::clicked, this, [this] { RunSplitting(); });
    connect(Command4, &QPushButton::clicked, this, [this] { RunClassicZonation(); });

    state_ = InitialConissState(app_.ws().fossilSampleCount);
    resize(lineWidth + 430, 600);
}

frmTest::~frmTest() = default;

void frmTest::showEvent(QShowEvent* event)
{
    // The dendrogram shares the diagram's vertical scale; with panels of the same height the
    // brackets stand level with the samples they join.
    if (!sizedToDiagram_ && app_.diagramLoaded()) {
        sizedToDiagram_ = true;
        const int wanted = app_.diagram().Picture1->height();
        if (wanted > 0) resize(width(), height() + wanted - Picture1->height());
    }
    QWidget::showEvent(event);
}

void frmTest::Clear()
{
    Output->clear();
}

void frmTest::Print(const std::string& line)
{
    Output->appendPlainText(QString::fromStdString(line));
}

void frmTest::FitOutput()
{
    const QFontMetrics metrics(Output->font());
    int widest = 0;
    for (const std::string& line : PrintedLines())
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(line)));
    // The text, the document's margins and the cursor, the frame and the vertical scroll bar.
    const int margins = static_cast<int>(std::ceil(2 * Output->document()->documentMargin())) +
                        2 * Output->frameWidth() + Output->cursorWidth() + 4;
    const int need = widest + margins + Output->verticalScrollBar()->sizeHint().width();
    // As the pane's least width, the splitter never makes it narrower and the window's layout
    // widens the window when both panes do not fit.
    QWidget* pane = splitter_->widget(0);
    pane->setMinimumWidth(need);
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() == 2 && sizes[0] < need)
        splitter_->setSizes({need, std::max(sizes[0] + sizes[1] - need, kNarrowestDendrogram)});
    Output->moveCursor(QTextCursor::End);
    Output->ensureCursorVisible();
}

std::vector<std::string> frmTest::PrintedLines() const
{
    std::vector<std::string> lines;
    const QString text = Output->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& l : text.split('\n')) lines.push_back(l.toStdString());
    return lines;
}

void frmTest::DrawDendrogram(const std::vector<Bracket>& brackets, double depthScale, Colour colour)
{
    const Workspace& ws = app_.ws();
    PictureBox& p = *Picture1;
    const DiagramVerticalScale v = UsableVerticalScale(ws.diagramScaleTop, ws.diagramScaleHeight);
    // Depths 0..5 of a 6-unit wide panel with one unit left of the axis; a tree that reaches
    // the edge widens the panel's scale, keeping its root bracket a little inside.
    double deepest = 0;
    for (const Bracket& b : brackets)
        deepest = std::max(deepest, static_cast<double>(b.depth) * 5 / depthScale);
    const double reach = deepest >= 5 ? 1.05 * deepest : 5;
    const double unit = depthScale / 5;
    p.SetDrawOverlay(false);
    p.SetBackColor(kWhite);
    p.SetDrawWidth(1);
    p.Scale(-unit, v.top, unit * (reach + 1), v.height);
    p.Cls();
    p.BeginBatch();
    for (auto it = brackets.rbegin(); it != brackets.rend(); ++it)
        p.Box(0, it->upper, it->depth, it->lower, colour);
    p.Line(0, v.top, 0, v.top + v.height, kWhite);
    p.EndBatch();
    p.Refresh();
}

void frmTest::Redraw()
{
    const Workspace& ws = app_.ws();
    const SampleAxis axis(ws.fossilSampleLabels, ws.fossilSampleCount, ws.fossilTextLabels);
    std::vector<Bracket> brackets;
    if (shown_ == Shown::Clustering) {
        for (std::size_t v = 1; v < state_.merges.size(); ++v) {
            const ConissMerge& m = state_.merges[v];
            brackets.push_back({axis.YOfPosition(m.upperPosition),
                                axis.YOfPosition(m.lowerPosition), 10 * m.level});
        }
        DrawDendrogram(brackets, kClusteringDepth, kClusteringColour);
    } else if (shown_ == Shown::Classic) {
        for (std::size_t v = 1; v < zonation_.merges.size(); ++v) {
            const IssMerge& m = zonation_.merges[v];
            brackets.push_back({axis.YOfPosition(m.upperPosition),
                                axis.YOfPosition(m.lowerPosition),
                                static_cast<float>(m.dispersion)});
        }
        // The tree is scaled to its largest dispersion, that of the root, whose bracket then
        // stands a little inside the panel's right edge rather than on it.
        double largest = 0;
        for (const Bracket& b : brackets)
            if (std::isfinite(b.depth)) largest = std::max(largest, static_cast<double>(b.depth));
        DrawDendrogram(brackets, largest > 0 ? 1.05 * largest : 1, kClassicColour);
    } else {
        Picture1->SetBackColor(kWhite);
        Picture1->Cls();
    }
}

void frmTest::RunClustering()
{
    const Workspace& ws = app_.ws();
    const SampleAxis axis(ws.fossilSampleLabels, ws.fossilSampleCount, ws.fossilTextLabels);
    state_ = RunConiss(ws.fossilProportions, ws.fossilSampleCount, ws.fossilTaxonCount,
                       axis.ClusterPositions());
    Clear();
    for (std::size_t v = 1; v < state_.merges.size(); ++v) Print(ConissMergeLine(state_.merges[v]));
    FitOutput();
    shown_ = Shown::Clustering;
    Redraw();
}

void frmTest::ListClusterStarts()
{
    Clear();
    for (const std::string& line : ClusterStartLines(state_)) Print(line);
    FitOutput();
}

void frmTest::RunSplitting()
{
    const Workspace& ws = app_.ws();
    Clear();
    for (const SplitStep& step :
         SuccessiveSplits(ws.fossilProportions, ws.fossilSampleCount, ws.fossilTaxonCount))
        Print(SplitLine(step));
    FitOutput();
}

void frmTest::RunClassicZonation()
{
    Workspace& ws = app_.ws();
    const SampleAxis axis(ws.fossilSampleLabels, ws.fossilSampleCount, ws.fossilTextLabels);
    zonation_ = ClassicConiss(ws.fossilProportions, ws.fossilSampleCount, ws.fossilTaxonCount,
                              ZonationTransform::SquareRoot, axis.ClusterPositions());
    Clear();
    Print("Classic CONISS on square-rooted proportions");
    Print(QString::asprintf("%6s %6s %22s %22s", "Upper", "Lower", "Increment", "Dispersion")
              .toStdString());
    for (std::size_t v = 1; v < zonation_.merges.size(); ++v)
        Print(IssMergeLine(zonation_.merges[v]));
    Print("Significant zones (broken stick): " + std::to_string(zonation_.significantZones));
    FitOutput();
    shown_ = Shown::Classic;
    Redraw();

    ws.diagramZoneStarts = zonation_.zoneStarts;
    if (ws.diagramDrawn && app_.diagramLoaded()) app_.diagram().DrawDiagram();
}

bool frmTest::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Picture1 && event->type() == QEvent::Resize) Redraw();
    return QWidget::eventFilter(watched, event);
}

void frmTest::closeEvent(QCloseEvent* event)
{
    event->accept();
    app_.UnloadTest();
}

}  // namespace tarvex
