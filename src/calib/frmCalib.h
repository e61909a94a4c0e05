#pragma once

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "calib/CalibData.h"
#include "calib/CalibModel.h"
#include "calib/CalibStages.h"
#include "calib/CommonOutput.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;

namespace tarvex {

class App;
class PictureBox;
class frmCC1;
class frmCC2;
class frmAbout2;
class frmPrintSetup;
class Surface;

// "Meridan 3.0": the calibration of one reconstructed climate parameter. Eight figures in
// three rows follow the chain from the two data sets of value pairs to the probability of
// the true value and its confidence regions; "Return" hands the result to the
// reconstruction window.
class frmCalib : public QMainWindow {
    Q_OBJECT

public:
    explicit frmCalib(App& app);
    ~frmCalib() override;

    // Figures: Picture1[0..1] are figures 1 and 2 (the scatters), Picture2[0..5] figures 3..8.
    std::array<PictureBox*, 2> Picture1{};
    std::array<PictureBox*, 6> Picture2{};
    // The two places "Start" can stand: beside the results (0), or in figure 2's column while
    // the error model is generated (1). Never drawn on.
    std::array<QWidget*, 2> Picture3{};

    std::array<QPushButton*, 2> Command1{};  // "Import Vrec-Vest file", "Import Vest-Vobs file"
    QPushButton* Command3 = nullptr;         // "Start"
    QPushButton* Command10 = nullptr;        // "Return"
    QPushButton* Command2 = nullptr;         // "Close"
    QLineEdit* Text1 = nullptr;              // lower end of the range
    QLineEdit* Text2 = nullptr;              // upper end
    QCheckBox* Check1 = nullptr;             // "Show fitting line"
    QCheckBox* Check2 = nullptr;             // "Show mode"
    QCheckBox* Check4 = nullptr;             // "Generate model"
    QCheckBox* Check5 = nullptr;             // "Skip"
    QCheckBox* Check6 = nullptr;             // "Show ave."
    QSlider* Slider1 = nullptr;              // confidence coefficient 1, tenths of a percent
    QSlider* Slider2 = nullptr;              // confidence coefficient 2
    QSlider* Slider3 = nullptr;              // smoothing level
    QSlider* Slider4 = nullptr;              // generated model's standard deviation
    QSlider* Slider5 = nullptr;              // vertical threshold
    QSlider* Slider6 = nullptr;              // horizontal threshold
    QLabel* Label3 = nullptr;                // "Smoothing level:"
    std::array<QLabel*, 2> Label4{};         // the coefficients in percent (click: dialog)
    std::array<QLabel*, 4> Label5{};         // four counters kept at "1"
    QLabel* Label6 = nullptr;                // "(Basal width: % of range)"
    QLabel* Label7 = nullptr;                // the smoothing level
    std::array<QLabel*, 2> Label12{};        // pair counts
    std::array<QLabel*, 2> Label13{};        // correlations
    std::array<QLabel*, 2> Label14{};        // x headings
    std::array<QLabel*, 2> Label15{};        // y headings
    QLabel* Label17 = nullptr;               // fitted line of data set 1
    QLabel* Label19 = nullptr;               // its standard deviation
    QLabel* Label20 = nullptr;               // "Confidence coefficients (%)"
    std::array<QLabel*, 2> Label21{};        // sources
    QLabel* Label22 = nullptr;               // "Std.Dev.: 5 % of range"
    QLabel* Label23 = nullptr;               // vertical threshold caption
    QLabel* Label24 = nullptr;               // horizontal threshold caption
    std::array<QLabel*, 14> Label1{};        // axis-end values, low; only [0] is shown
    std::array<QLabel*, 14> Label2{};        // axis-end values, high; only [0] is shown
    QGroupBox* Frame1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QCheckBox* Check3 = nullptr;  // hidden: the print options are open
    QCheckBox* Check7 = nullptr;  // hidden: clicked by the reconstruction window to recolour

    QAction* mnuSaveCommon = nullptr;  // "Meridan common output format"
    QAction* mnuSave20 = nullptr;      // "Meridan 2.0 output format" (no action)
    QAction* mnuSaveProb = nullptr;    // "Probability Distribution"
    QAction* mnuSaveConf = nullptr;    // "Confidence Regions"
    QAction* mnuPrintOptions = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuQuit = nullptr;
    QAction* mnuColour = nullptr;
    QMenu* mnuCopy = nullptr;
    std::array<QAction*, 8> mnuCopyFig{};
    QAction* mnuAbout = nullptr;
    std::array<QMenu*, 8> mnuFig{};  // pop-up menus "Fig1".."Fig8"
    std::array<QAction*, 8> mnuFigCopy{};
    std::array<QAction*, 2> mnuFigSave{};     // figures 7, 8: "&Save matrix"
    std::array<QAction*, 2> mnuFigDetails{};  // figures 7, 8: "More details"

    // The load steps, then the transfer of the reconstruction window's pairs.
    void Load();
    // Shows the window and runs the activation steps.
    void Activate();

    // Commands, public so tests press them as a user does.
    void ImportPairs(int ds);
    void Start();
    void Return();
    void Close();
    // A click on figure n (1..8).
    void FigureClicked(int n);
    void GenerateModelClicked();
    void ShowFittingLineClicked();
    // A save command of the result (all of them write the common output format).
    void SaveMatrix();
    // A click on the window's background: a range typed but not yet accepted is taken.
    void BackgroundClicked();
    // A click on coefficient label i: its dialog.
    void OpenCoefficientDialog(int i);
    // Coefficient dialog i closed with the text typed in it.
    void CoefficientTyped(int i, const std::string& text);
    // The reconstruction window's range changed while this window is open.
    void TakeRange(const QString& low, const QString& high);
    // Redraws every drawn figure with the current colours and enhancement.
    void ResetColour();
    // The trimmed repaint of figure 7.
    void FitSusono();

    // What the figures and stages stand at, for the windows that follow and for tests.
    const calib::CalibStages& stages() const { return stages_; }
    const calib::PairSet& pairs(int ds) const { return sets_[ds == 0 ? 0 : 1]; }
    bool coefficientDialogOpen(int i) const;
    bool aboutOpen() const;
    // The module's secondary windows, for tests.
    frmCC1* cc1() { return cc1_.get(); }
    frmCC2* cc2() { return cc2_.get(); }
    frmAbout2* about() { return about_.get(); }
    // Closes the about box and both coefficient dialogs (and, once they exist, the colour
    // settings and the chart).
    void CloseSecondaryWindows();

    // The calibration chart of figure 7 or 8 ("More details", or a click on the drawn figure).
    void OpenChart(int figure);
    // Figure n's frame: raised, or flat while the chart of figure 8 is open.
    void SetRaised(int n, bool raised);
    // What the common output file says about the data and the settings.
    calib::CommonOutputInfo OutputInfo() const;
    // The colour settings, the print options and printing of the window.
    void ShowColourSettings();
    void ShowPrintOptions();
    void PrintWindow();
    // The printed page of the window, in twips of the page.
    void DrawPrintout(Surface& page);
    frmPrintSetup* printSetup() { return printSetup_.get(); }

    // Where a grid cell (a, b) and a value pair lie on a figure, in the figures' user units.
    static double CellX(int a) { return (a - 25) * 1875.0 / 200.0; }
    static double CellY(int b) { return (1.0 - (b - 25) / 200.0) * 1875.0; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectControls();
    void LayoutControls();
    int FigureSide() const;
    PictureBox* Figure(int n) const;
    void CloseChart();
    void ClosePrintOptions();

    // Data and range.
    void TransferData();
    void ShowPairLabels(int ds);
    void DrawScatter(int ds);
    void DrawScatterPoints(int ds);
    void DrawFittedLine();
    bool ValidateRange(bool quiet);
    void RangeChanged();
    void RememberRange();
    void RestoreRange();

    // Stages and their invalidation.
    void ResetData(int ds);
    void ResetRange();
    void ResetModel();
    void ResetCoefficient();
    void InvalidateFrom(int figure);
    void ClearFigure(int n, bool toBackground);
    void ClearReturnedResult();
    void UpdateCommands();
    void BuildGeneratedModel();
    void RunStages(calib::Stage from);
    void DrawModelFigures(int from, int to);
    void DrawModelFigure(int n);
    void DrawRegions();
    void DrawLines();
    void RedrawFigures();
    void FigureHovered(int n);
    void SetFigureEnabled(int n, bool on);
    void ShowFitLabels();
    void RedrawDataSet1();
    void CoefficientChanged();
    void SettingChanged(calib::Stage from, int figure);
    void Refuse(const std::string& message);
    calib::ChainSettings Settings() const;

    void BeginBusy();
    void EndBusy();
    void SetFigureTips();
    void Unload();

    App& app_;
    calib::PairSet sets_[2];
    calib::CalibStages stages_;
    calib::ThresholdUnits units_;
    std::string lastLow_, lastHigh_;
    std::string savedPairCount_;
    std::string lastFileName_;
    std::array<QFrame*, 8> frames_{};
    std::unique_ptr<frmCC1> cc1_;
    std::unique_ptr<frmCC2> cc2_;
    std::unique_ptr<frmAbout2> about_;
    std::unique_ptr<frmPrintSetup> printSetup_;
    bool loading_ = false;
    bool busy_ = false;
    bool restoring_ = false;
    bool validating_ = false;
    bool rangeValid_ = false;
    bool startWanted_ = false;
    bool figureEnabled_[9] = {};  // [1..8], before the range's veto
    bool unloaded_ = false;
};

}  // namespace tarvex
