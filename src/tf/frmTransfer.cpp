#include "tf/frmTransfer.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <thread>

#include "app/App.h"
#include "app/frmMainReport.h"
#include "batch/TransferOptions.h"
#include "data/AtomicFile.h"
#include "data/NumberText.h"
#include "mat/frmMAT.h"
#include "tf/LocationImport.h"
#include "tf/TransferFiles.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"

namespace tarvex {

namespace {

constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";
constexpr const char* kNoClimateMessage =
    "Import the climate table in the reconstruction window first: the transfer functions are "
    "fitted to its parameters.";

QGroupBox* Group(const char* title, QLayout* layout)
{
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

}  // namespace

frmTransfer::frmTransfer(App& app) : QMainWindow(nullptr), app_(app)
{
    setWindowTitle("Transfer functions");
    BuildControls();
    BuildMenus();
    UpdateControls();
    resize(1180, 760);
}

frmTransfer::~frmTransfer()
{
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void frmTransfer::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    CheckWa = new QCheckBox("WA (inverse and classical deshrinking)");
    CheckWa->setChecked(true);
    CheckTolerance = new QCheckBox("With tolerance down-weighting");
    CheckWaPls = new QCheckBox("WA-PLS, components:");
    CheckWaPls->setChecked(true);
    SpinComponents = new QSpinBox;
    SpinComponents->setRange(1, 20);
    SpinComponents->setValue(tf::kDefaultComponents);
    auto* methods = new QGridLayout;
    methods->addWidget(CheckWa, 0, 0, 1, 2);
    methods->addWidget(CheckTolerance, 1, 0, 1, 2);
    methods->addWidget(CheckWaPls, 2, 0);
    methods->addWidget(SpinComponents, 2, 1);

    OptionNone = new QRadioButton("None (apparent figures)");
    OptionLoo = new QRadioButton("Leave-one-out");
    OptionHBlock = new QRadioButton("h-block, km:");
    OptionBootstrap = new QRadioButton("Bootstrap");
    OptionLoo->setChecked(true);
    TextKm = new QLineEdit("200");
    CommandLocations = new QPushButton("Site locations...");
    LabelLocations = new QLabel("No location table");
    LabelLocations->setWordWrap(true);
    auto* validation = new QGridLayout;
    validation->addWidget(OptionNone, 0, 0, 1, 2);
    validation->addWidget(OptionLoo, 1, 0, 1, 2);
    validation->addWidget(OptionHBlock, 2, 0);
    validation->addWidget(TextKm, 2, 1);
    validation->addWidget(CommandLocations, 3, 0);
    validation->addWidget(LabelLocations, 3, 1);
    validation->addWidget(OptionBootstrap, 4, 0, 1, 2);

    SpinResamples = new QSpinBox;
    SpinResamples->setRange(2, 100000);
    SpinResamples->setValue(tf::kDefaultResamples);
    TextSeed = new QLineEdit(QString::number(tf::Random::kDefaultSeed));
    CheckErrors = new QCheckBox("Sample-specific errors of the fossil samples");
    auto* bootstrap = new QGridLayout;
    bootstrap->addWidget(new QLabel("Resamples:"), 0, 0);
    bootstrap->addWidget(SpinResamples, 0, 1);
    bootstrap->addWidget(new QLabel("Seed:"), 1, 0);
    bootstrap->addWidget(TextSeed, 1, 1);
    bootstrap->addWidget(CheckErrors, 2, 0, 1, 2);

    CheckSignificance = new QCheckBox("Significance test, random variables:");
    SpinRandom = new QSpinBox;
    SpinRandom->setRange(1, 99999);
    SpinRandom->setValue(tf::kDefaultRandomVariables);
    auto* significance = new QHBoxLayout;
    significance->addWidget(CheckSignificance);
    significance->addWidget(SpinRandom);

    CommandStart = new QPushButton("Start");
    CommandCancel = new QPushButton("Cancel");
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    LabelStatus = new QLabel;
    LabelStatus->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CommandStart);
    buttons->addWidget(CommandCancel);

    auto* left = new QVBoxLayout;
    left->addWidget(Group("Method", methods));
    left->addWidget(Group("Cross-validation", validation));
    left->addWidget(Group("Bootstrap", bootstrap));
    left->addLayout(significance);
    left->addLayout(buttons);
    left->addWidget(ProgressBar1);
    left->addWidget(LabelStatus);
    left->addStretch(1);
    auto* leftWidget = new QWidget;
    leftWidget->setLayout(left);
    leftWidget->setFixedWidth(330);

    ComboParameter = new QComboBox;
    ComboModel = new QComboBox;
    auto* choose = new QHBoxLayout;
    choose->addWidget(new QLabel("Parameter:"));
    choose->addWidget(ComboParameter, 1);
    choose->addWidget(new QLabel("Model:"));
    choose->addWidget(ComboModel, 1);
    TablePerformance = new QTableWidget(0, 10);
    TablePerformance->setHorizontalHeaderLabels({"Method", "Components", "Validation", "RMSE", "R2",
                                                 "Mean bias", "Max bias", "Change %", "p",
                                                 "Suggested"});
    TablePerformance->verticalHeader()->setVisible(false);
    TablePerformance->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablePerformance->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Columns as wide as their contents, the last taking what is left; a narrow window
    // scrolls the table rather than cutting its numbers.
    TablePerformance->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TablePerformance->horizontalHeader()->setStretchLastSection(true);
    PictureCurves = new PictureBox;
    PictureCurves->setMinimumHeight(220);
    PictureCurves->installEventFilter(this);
    LabelSignificance = new QLabel;
    LabelSignificance->setWordWrap(true);
    auto* right = new QVBoxLayout;
    right->addLayout(choose);
    // The table and the curves share the height; the user moves the line between them (a run
    // without a fossil table has no curves, and its table wants the room).
    SplitterResults = new QSplitter(Qt::Vertical);
    SplitterResults->addWidget(TablePerformance);
    SplitterResults->addWidget(PictureCurves);
    SplitterResults->setChildrenCollapsible(false);
    SplitterResults->setStretchFactor(0, 2);
    SplitterResults->setStretchFactor(1, 3);
    right->addWidget(SplitterResults, 1);
    right->addWidget(LabelSignificance);

    auto* all = new QHBoxLayout(central);
    all->addWidget(leftWidget);
    all->addLayout(right, 1);

    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             CheckWa, CheckWaPls, CheckErrors, CheckSignificance, OptionNone, OptionLoo,
             OptionHBlock, OptionBootstrap})
        connect(b, &QAbstractButton::toggled, this, [this] { UpdateControls(); });
    connect(CommandStart, &QPushButton::clicked, this, [this] { Start(); });
    connect(CommandCancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(CommandLocations, &QPushButton::clicked, this, [this] { ImportLocations(); });
    connect(ComboParameter, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { ShowResults(); });
    connect(ComboModel, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        DrawCurves();
        ShowSignificance();
    });
}

void frmTransfer::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("File(&F)");
    QMenu* save = file->addMenu("&Save");
    mnuSavePerformance = save->addAction("Performance (tf-performance.csv)");
    mnuSaveEstimates = save->addAction("Cross-Validated Estimates (tf-cv-estimates.csv)");
    mnuSaveCoefficients = save->addAction("Coefficients (tf-coefficients.csv)");
    mnuSaveReconstruction = save->addAction("Fossil Reconstruction (tf-reconstruction.csv)");
    mnuSaveSignificance = save->addAction("Significance (significance.csv)");
    mnuSaveComponents = save->addAction("WA-PLS Components (tf-components.csv)");
    connect(mnuSavePerformance, &QAction::triggered, this, [this] { SavePerformance(); });
    connect(mnuSaveEstimates, &QAction::triggered, this, [this] { SaveEstimates(); });
    connect(mnuSaveCoefficients, &QAction::triggered, this, [this] { SaveCoefficients(); });
    connect(mnuSaveReconstruction, &QAction::triggered, this, [this] { SaveReconstruction(); });
    connect(mnuSaveSignificance, &QAction::triggered, this, [this] { SaveSignificance(); });
    connect(mnuSaveComponents, &QAction::triggered, this, [this] { SaveComponents(); });

    mnuRB = new QMenu("RB", this);
    mnuCopy = mnuRB->addAction("&Copy");
    mnuRB->addSeparator();
    connect(mnuCopy, &QAction::triggered, this, [this] { PictureCurves->CopyToClipboard(); });
    connect(PictureCurves, &PictureBox::contextMenuRequested, this,
            [this](QPoint p) { mnuRB->popup(p); });
    AddExportPicture(*mnuRB, *PictureCurves, app_.dialogs(), "transfer-curves.svg");
    AddExportFigure(*mnuRB, *this, app_.dialogs(),
                    [this] { return CurrentFigure(fig::FigureKind::Transfer); });
    AddExportFigure(
        *mnuRB, *this, app_.dialogs(),
        [this] { return CurrentFigure(fig::FigureKind::TransferTable); },
        "Export Figures-of-Merit Figure...");
}

WindowFigure frmTransfer::CurrentFigure(fig::FigureKind kind) const
{
    const int p = ParameterIndex();
    const int c = ModelColumn();
    const int param = p >= 0 ? results_->params[static_cast<std::size_t>(p)].param : 0;
    WindowFigure f = MakeWindowFigure(app_, {kind, param});
    if (p < 0) return f;
    f.settings.transfer.inputs = inputs_;
    f.settings.transfer.results = results_;
    if (c >= 0) {
        f.settings.transfer.model.suggested = false;
        f.settings.transfer.model.column = results_->columns[static_cast<std::size_t>(c)];
    }
    return f;
}

void frmTransfer::Open()
{
    show();
    raise();
    activateWindow();
    if (!results_) DrawCurves();
}

void frmTransfer::UpdateControls()
{
    const bool idle = !Running();
    const bool bootstrap = OptionBootstrap->isChecked() || CheckErrors->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             CheckWa, CheckWaPls, OptionNone, OptionLoo, OptionHBlock, OptionBootstrap,
             CommandLocations, CheckErrors, CheckSignificance, CommandStart})
        w->setEnabled(idle);
    CheckTolerance->setEnabled(idle && CheckWa->isChecked());
    SpinComponents->setEnabled(idle && CheckWaPls->isChecked());
    TextKm->setEnabled(idle && OptionHBlock->isChecked());
    SpinResamples->setEnabled(idle && bootstrap);
    TextSeed->setEnabled(idle && (bootstrap || CheckSignificance->isChecked()));
    SpinRandom->setEnabled(idle && CheckSignificance->isChecked());
    CommandCancel->setEnabled(!idle);
    const bool results = results_ != nullptr;
    mnuSavePerformance->setEnabled(results);
    mnuSaveEstimates->setEnabled(results);
    mnuSaveCoefficients->setEnabled(results);
    mnuSaveReconstruction->setEnabled(results && inputs_->samples > 0);
    mnuSaveSignificance->setEnabled(results && results_->settings.randomVariables > 0);
    mnuSaveComponents->setEnabled(results && ComponentsTested());
}

tf::Settings frmTransfer::CurrentSettings() const
{
    tf::Settings s;
    s.wa = CheckWa->isChecked();
    s.waTolerance = s.wa && CheckTolerance->isChecked();
    s.wapls = CheckWaPls->isChecked();
    s.components = SpinComponents->value();
    s.validation = OptionLoo->isChecked()         ? tf::Validation::LeaveOneOut
                   : OptionHBlock->isChecked()    ? tf::Validation::HBlock
                   : OptionBootstrap->isChecked() ? tf::Validation::Bootstrap
                                                  : tf::Validation::None;
    double km = 0;
    s.hblockKm = StrictVal(TextKm->text().trimmed().toStdString(), km) ? km : -1;
    const bool bootstrap = OptionBootstrap->isChecked() || CheckErrors->isChecked();
    s.resamples = bootstrap ? SpinResamples->value() : 0;
    const std::string seed = TextSeed->text().trimmed().toStdString();
    bool digits = !seed.empty() && seed.size() <= 20;
    for (char c : seed) digits = digits && c >= '0' && c <= '9';
    errno = 0;
    s.seed = digits ? std::strtoull(seed.c_str(), nullptr, 10) : tf::Random::kDefaultSeed;
    s.randomVariables = CheckSignificance->isChecked() ? SpinRandom->value() : 0;
    return s;
}

void frmTransfer::ImportLocations()
{
    const Workspace& ws = app_.ws();
    if (ws.refSiteCount < 1) {
        app_.dialogs().Warn(this,
                            "Import the reference data first: the locations belong to its sites.");
        return;
    }
    const std::optional<std::string> path =
        app_.dialogs().OpenFile(this, "Import site locations", kDataFileFilter);
    if (!path) return;
    tf::LocationOutcome read =
        tf::ReadSiteLocations(*path, ws.refSiteLabels, ws.refSiteCount, kTransferMaxSites);
    if (!read.ok) {
        std::string text;
        for (const std::string& m : read.messages) text += (text.empty() ? "" : "\n") + m;
        if (!read.reason.empty()) text += "\n" + read.reason;
        app_.dialogs().Warn(this, text, "Error");
        return;
    }
    latitude_ = std::move(read.latitude);
    longitude_ = std::move(read.longitude);
    locationsPath_ = *path;
    LabelLocations->setText(QString::fromStdString(*path));
}

void frmTransfer::Start()
{
    if (Running()) return;
    const Workspace& ws = app_.ws();
    if (!ws.climateLoaded) {
        app_.dialogs().Warn(this, kNoClimateMessage);
        return;
    }
    const tf::Settings settings = CurrentSettings();
    const std::string seed = TextSeed->text().trimmed().toStdString();
    bool seedOk = !seed.empty() && seed.size() <= 20;
    for (char c : seed) seedOk = seedOk && c >= '0' && c <= '9';
    if (seedOk) {
        errno = 0;
        std::strtoull(seed.c_str(), nullptr, 10);
        seedOk = errno == 0;
    }
    if (!seedOk) {
        app_.dialogs().Warn(this,
                            "The seed must be a whole number from 0 to 18446744073709551615.");
        return;
    }
    if (settings.validation == tf::Validation::HBlock &&
        !(settings.hblockKm >= 0 && settings.hblockKm <= 1e5)) {
        app_.dialogs().Warn(this, "The h-block distance must be a number of km from 0 to 100000.");
        return;
    }
    // The analogue method runs with the reconstruction window's settings.
    const AnalogueSettings analogue = app_.mat().Settings();
    const bool located = latitude_.size() == static_cast<std::size_t>(ws.refSiteCount) + 1;
    auto inputs = std::make_shared<tf::Inputs>(
        tf::InputsFromWorkspace(ws, &analogue, located ? latitude_ : std::vector<double>{},
                                located ? longitude_ : std::vector<double>{}));
    const std::string problem = tf::CheckInputs(*inputs, settings);
    if (!problem.empty()) {
        app_.dialogs().Warn(this, problem);
        return;
    }
    running_ = inputs;
    runningLocations_ = locationsPath_;
    numericLabels_ = !ws.fossilTextLabels;
    depthTitle_ = ws.fossilTaxonNames.empty() ? "" : ws.fossilTaxonNames[0];
    if (depthTitle_.empty()) depthTitle_ = numericLabels_ ? "Depth or age" : "Sample";
    preferredParam_ = ws.currentClimateParam;
    cancel_ = false;
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    LabelStatus->setText("Running...");
    worker_ = std::thread([this, inputs, settings] {
        tf::Control control;
        control.cancelled = [this] { return cancel_.load(); };
        control.progress = [this](int done, int total) {
            QMetaObject::invokeMethod(
                this,
                [this, done, total] {
                    ProgressBar1->setRange(0, total);
                    ProgressBar1->setValue(done);
                },
                Qt::QueuedConnection);
        };
        auto results =
            std::make_shared<tf::Results>(tf::RunTransferFunctions(*inputs, settings, control));
        QMetaObject::invokeMethod(
            this, [this, results] { Finished(results); }, Qt::QueuedConnection);
    });
    UpdateControls();
    if (!results_) DrawCurves();
}

void frmTransfer::Cancel()
{
    if (!Running()) return;
    cancel_ = true;
    LabelStatus->setText("Cancelling...");
}

void frmTransfer::Finished(std::shared_ptr<tf::Results> results)
{
    if (worker_.joinable()) worker_.join();
    if (results->cancelled) {
        LabelStatus->setText(results_ ? "Cancelled; the results shown are those of the run before."
                                      : "Cancelled.");
    } else {
        inputs_ = std::make_shared<const tf::Inputs>(std::move(*running_));
        results_ = std::make_shared<const tf::Results>(std::move(*results));
        resultsLocations_ = runningLocations_;
        const std::string validation = tf::ValidationText(results_->settings);
        LabelStatus->setText(QString::fromStdString(
            "Finished: " + std::to_string(inputs_->sites) + " sites, " +
            (validation.empty() ? std::string("apparent figures only") : validation) + "."));
        // Without fossil samples there are no curves: the table takes the height they leave.
        const QList<int> sizes = SplitterResults->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        const int curves = inputs_->samples > 0 ? total * 3 / 5 : 0;
        SplitterResults->setSizes({total - curves, curves});
        ShowResults();
    }
    running_.reset();
    ProgressBar1->setValue(ProgressBar1->maximum());
    UpdateControls();
    emit runEnded();
}

void frmTransfer::WaitForRun()
{
    while (Running()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    QCoreApplication::processEvents();
}

void frmTransfer::closeEvent(QCloseEvent* event)
{
    // Work still running on a window the user closed has no one to report to.
    if (Running()) {
        cancel_ = true;
        WaitForRun();
    }
    event->accept();
}

bool frmTransfer::eventFilter(QObject* watched, QEvent* event)
{
    // The curves are drawn for the panel's size: once it has settled after a resize, again.
    if (watched == PictureCurves && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, [this] { DrawCurves(); });
    return QMainWindow::eventFilter(watched, event);
}

void frmTransfer::Save(const char* title, const char* name,
                       std::string (*text)(const tf::Inputs&, const tf::Results&), bool needsFossil,
                       bool needsTest)
{
    if (!results_) {
        app_.dialogs().Warn(this, "There are no results to save yet: press Start first.");
        return;
    }
    if (needsFossil && inputs_->samples < 1) {
        app_.dialogs().Warn(this, "The run had no fossil sequence to reconstruct.");
        return;
    }
    if (needsTest && results_->settings.randomVariables < 1) {
        app_.dialogs().Warn(this, "The run had no significance test.");
        return;
    }
    const std::optional<std::string> path =
        app_.dialogs().SaveFile(this, title, kDataFileFilter, name);
    if (!path) return;
    std::string reason;
    if (!WriteFileAtomically(*path, text(*inputs_, *results_), &reason))
        app_.dialogs().Warn(this, "The file could not be written:\n" + *path + "\n\n" + reason,
                            "Error");
}

void frmTransfer::SavePerformance()
{
    Save("Save performance", tf::kPerformanceFile, &tf::PerformanceText, false, false);
}

void frmTransfer::SaveEstimates()
{
    Save("Save cross-validated estimates", tf::kCrossValidationFile, &tf::CrossValidationText,
         false, false);
}

void frmTransfer::SaveCoefficients()
{
    Save("Save coefficients", tf::kCoefficientsFile, &tf::CoefficientsText, false, false);
}

void frmTransfer::SaveReconstruction()
{
    Save("Save fossil reconstruction", tf::kReconstructionFile, &tf::ReconstructionText, true,
         false);
}

void frmTransfer::SaveSignificance()
{
    Save("Save significance", tf::kSignificanceFile, &tf::SignificanceText, true, true);
}

bool frmTransfer::ComponentsTested() const
{
    return results_ && results_->settings.wapls &&
           results_->settings.validation != tf::Validation::None;
}

void frmTransfer::SaveComponents()
{
    if (results_ && !ComponentsTested()) {
        app_.dialogs().Warn(this,
                            "The components are compared on cross-validated estimates: the run "
                            "had no WA-PLS or no cross-validation.");
        return;
    }
    Save("Save WA-PLS components", tf::kComponentsFile, &tf::ComponentsText, false, false);
}

}  // namespace tarvex
