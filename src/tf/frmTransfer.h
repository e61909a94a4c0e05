#pragma once

#include <QMainWindow>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "batch/TransferOptions.h"
#include "figures/Figures.h"
#include "tf/TransferRun.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTableWidget;

namespace tarvex {

class App;
class PictureBox;
struct WindowFigure;

// "Transfer functions": WA and WA-PLS fitted to the reference sites and climate of the
// reconstruction window, cross-validated beside its analogue method, with the sample-specific
// errors of the fossil samples and the significance test. The run goes on a worker thread
// with a copy of its inputs, so the window stays responsive and Cancel can stop it between
// steps; the results stay as they were computed until the next run.
class frmTransfer : public QMainWindow {
    Q_OBJECT

public:
    explicit frmTransfer(App& app);
    ~frmTransfer() override;

    // Method.
    QCheckBox* CheckWa = nullptr;         // "WA (inverse and classical deshrinking)"
    QCheckBox* CheckTolerance = nullptr;  // "With tolerance down-weighting"
    QCheckBox* CheckWaPls = nullptr;      // "WA-PLS"
    QSpinBox* SpinComponents = nullptr;   // components 1..20
    // Cross-validation: none, leave-one-out, h-block, bootstrap.
    QRadioButton* OptionNone = nullptr;
    QRadioButton* OptionLoo = nullptr;
    QRadioButton* OptionHBlock = nullptr;
    QRadioButton* OptionBootstrap = nullptr;
    QLineEdit* TextKm = nullptr;              // h-block distance
    QPushButton* CommandLocations = nullptr;  // "Site locations..."
    QLabel* LabelLocations = nullptr;
    QSpinBox* SpinResamples = nullptr;
    QLineEdit* TextSeed = nullptr;
    QCheckBox* CheckErrors = nullptr;  // "Sample-specific errors (bootstrap)"
    QCheckBox* CheckSignificance = nullptr;
    QSpinBox* SpinRandom = nullptr;  // random variables
    QPushButton* CommandStart = nullptr;
    QPushButton* CommandCancel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* LabelStatus = nullptr;
    // Results.
    QComboBox* ComboParameter = nullptr;
    QComboBox* ComboModel = nullptr;
    QTableWidget* TablePerformance = nullptr;
    QSplitter* SplitterResults = nullptr;  // the table above, the curves below
    PictureBox* PictureCurves = nullptr;
    QLabel* LabelSignificance = nullptr;
    QAction* mnuSavePerformance = nullptr;
    QAction* mnuSaveEstimates = nullptr;
    QAction* mnuSaveCoefficients = nullptr;
    QAction* mnuSaveReconstruction = nullptr;
    QAction* mnuSaveSignificance = nullptr;
    QAction* mnuSaveComponents = nullptr;
    // The picture's pop-up menu: Copy, Export Picture..., Export Figure... (the analogues and
    // the chosen model) and Export Figures-of-Merit Figure... (the table of the parameter).
    QMenu* mnuRB = nullptr;
    QAction* mnuCopy = nullptr;

    // Shows the window (from the reconstruction window's menu).
    void Open();
    // "Start": checks the settings and the data, then runs on the worker thread.
    void Start();
    // "Cancel": asks the running work to stop; it ends at its next step.
    void Cancel();
    // "Site locations...": the location table of the reference sites.
    void ImportLocations();
    // The File menu's saves: the tables the batch program writes, byte for byte.
    void SavePerformance();
    void SaveEstimates();
    void SaveCoefficients();
    void SaveReconstruction();
    void SaveSignificance();
    // The change of the RMSEP and the t-test of each WA-PLS component; needs WA-PLS and a
    // cross-validation in the run.
    void SaveComponents();

    bool Running() const { return worker_.joinable(); }
    // The results of the last finished run, null before one.
    const tf::Results* LastResults() const { return results_.get(); }
    const tf::Inputs* LastInputs() const { return inputs_.get(); }
    // The settings the controls give.
    tf::Settings CurrentSettings() const;
    // The figure of the parameter and model shown, drawn as tarvex-batch draws it.
    WindowFigure CurrentFigure(fig::FigureKind kind) const;
    // What a report takes of the last finished run: its results with the model shown (the
    // suggested one, unless another is chosen), and the tarvex-batch options that repeat the
    // run. False before a run.
    bool ReportTransfer(TransferFigureData& figure, TransferOptions& options) const;
    // Waits for a running job and takes its results, as its completion on the window's
    // thread does (tests, and closing the window).
    void WaitForRun();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The run ended (finished, cancelled or refused); for tests and the status line.
    void runEnded();

private:
    void BuildControls();
    void BuildMenus();
    void UpdateControls();
    void Finished(std::shared_ptr<tf::Results> results);
    void ShowResults();
    void FillTable();
    void FillModels();
    void DrawCurves();
    void ShowSignificance();
    bool ComponentsTested() const;
    int ParameterIndex() const;  // index into results_->params, or -1
    int ModelColumn() const;     // column of the chosen model, or -1
    void Save(const char* title, const char* name,
              std::string (*text)(const tf::Inputs&, const tf::Results&), bool needsFossil,
              bool needsTest);

    App& app_;
    std::vector<double> latitude_, longitude_;
    std::string locationsPath_;
    std::string runningLocations_, resultsLocations_;  // the location table of each run
    // Of the results shown; shared with the figures being exported.
    std::shared_ptr<const tf::Inputs> inputs_;
    std::shared_ptr<const tf::Results> results_;
    bool numericLabels_ = false;
    int preferredParam_ = 1;
    std::string depthTitle_;  // the title of the fossil samples' axis  // the reconstruction
                              // window's parameter at the start
    // The running job.
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::shared_ptr<tf::Inputs> running_;
    std::shared_ptr<tf::Results> finished_;
};

}  // namespace tarvex
