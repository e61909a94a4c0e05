#include "diagram/frmTest.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

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

}  // namespace

frmTest::frmTest(App& app) : app_(app)
{
    setWindowTitle("Test");
    auto* outer = new QHBoxLayout(this);
    // The printed lines and the dendrogram share the width through a splitter, so that the
    // wider lines of the classic clustering can be read whole.
    auto* splitter = new QSplitter(Qt::Horizontal, this);
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
    Picture1->setMinimumSize(160, 120);
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
    for (const Bracket& b : brackets) deepest = std::max(deepest, b.depth * 5 / depthScale);
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
        DrawDendrogram(brackets, 0.5, kClusteringColour);
    } else if (shown_ == Shown::Classic) {
        for (std::size_t v = 1; v < zonation_.merges.size(); ++v) {
            const IssMerge& m = zonation_.merges[v];
            brackets.push_back({axis.YOfPosition(m.upperPosition),
                                axis.YOfPosition(m.lowerPosition),
                                static_cast<float>(m.dispersion)});
        }
        const double total = zonation_.merges.size() > 1 ? zonation_.merges.back().dispersion : 0;
        DrawDendrogram(brackets, total > 0 ? total : 1, kClassicColour);
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
    shown_ = Shown::Clustering;
    Redraw();
}

void frmTest::ListClusterStarts()
{
    Clear();
    for (const std::string& line : ClusterStartLines(state_)) Print(line);
}

void frmTest::RunSplitting()
{
    const Workspace& ws = app_.ws();
    Clear();
    for (const SplitStep& step :
         SuccessiveSplits(ws.fossilProportions, ws.fossilSampleCount, ws.fossilTaxonCount))
        Print(SplitLine(step));
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
    shown_ = Shown::Classic;
    Redraw();

    ws.diagramZoneStarts = zonation_.zoneStarts;
    if (ws.diagramDrawn && app_.diagramLoaded()) app_.diagram().DrawDiagram();
}

void frmTest::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Redraw();
}

void frmTest::closeEvent(QCloseEvent* event)
{
    event->accept();
    app_.UnloadTest();
}

}  // namespace tarvex
