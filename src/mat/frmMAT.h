#pragma once

#include <QMainWindow>
#include <array>
#include <string>

#include "diagram/DiagramLayout.h"
#include "mat/AnalogueQuality.h"
#include "mat/Analogues.h"
#include "mat/MatrixFiles.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;

namespace tarvex {

class App;
class PictureBox;

// "Reconstruction": the settings of the analogue search, the climate import, the curve of
// the reconstructed climate along the fossil sequence and the error model's scatter. The
// matrix panels and the calibration buttons are in place; what they do comes with the
// probability matrices.
class frmMAT : public QMainWindow {
    Q_OBJECT

public:
    explicit frmMAT(App& app);
    ~frmMAT() override;

    // Controls, named as the program names them.
    QPushButton* Command1 = nullptr;  // "Import climate data"
    QGroupBox* Frame1 = nullptr;      // " Define chord distance by: "
    std::array<QRadioButton*, 2> Option1{};
    QPushButton* Command7 = nullptr;  // "Axis settings"
    QComboBox* Combo2 = nullptr;      // first selected EOF, always disabled
    QCheckBox* Check2 = nullptr;      // "Enhancing minor taxa"
    std::array<QRadioButton*, 2> Option2{};
    QCheckBox* Check1 = nullptr;  // "Inversed weighting"
    std::array<QRadioButton*, 2> Option3{};
    QSlider* Slider1 = nullptr;  // kmax
    QSlider* Slider3 = nullptr;  // kmin
    std::array<QLabel*, 2> Label3{};
    QLabel* Label1 = nullptr;
    QSlider* Slider2 = nullptr;  // threshold in hundredths
    QLabel* Label2 = nullptr;
    QComboBox* Combo1 = nullptr;  // climate parameter
    QLineEdit* Text1 = nullptr;   // lower end of the display range
    QLineEdit* Text2 = nullptr;   // upper end
    QSlider* Slider6 = nullptr;   // smoothing level
    QLabel* Label6 = nullptr;
    QFrame* Frame5 = nullptr;  // current-sample selector, follows the cursor
    QComboBox* Combo3 = nullptr;
    QWidget* UpDown1 = nullptr;
    QToolButton* UpDown1Up = nullptr;    // previous sample
    QToolButton* UpDown1Down = nullptr;  // next sample
    QCheckBox* Check3 = nullptr;
    QPushButton* Command3 = nullptr;  // "Generate error model"
    QPushButton* Command6 = nullptr;  // "Meridan"
    QPushButton* Command4 = nullptr;  // "Strativ"
    QPushButton* Command2 = nullptr;  // "Calib"
    QPushButton* Command5 = nullptr;  // "Hist"
    QGroupBox* Frame6 = nullptr;      // matrix display
    std::array<QCheckBox*, 2> Check4{};
    std::array<QRadioButton*, 2> Option4{};
    QSlider* Slider5 = nullptr;  // Z-enhancement
    QLabel* Label5 = nullptr;
    QSlider* Slider7 = nullptr;         // panel size
    QLabel* SummaryLabel = nullptr;     // error-model figures of the current parameter
    QCheckBox* CheckQuality = nullptr;  // marks samples beyond the 5 % cut-off on the curve
    QLabel* QualityLabel = nullptr;     // closest-analogue distance of the current sample
    PictureBox* Picture1 = nullptr;     // reconstruction curve
    PictureBox* Picture2 = nullptr;     // error-model scatter
    PictureBox* Picture3 = nullptr;     // histogram matrix
    PictureBox* Picture4 = nullptr;     // calibration matrix
    QProgressBar* ProgressBar1 = nullptr;

    QAction* mnuSaveCurve = nullptr;
    QAction* mnuSaveCurveAll = nullptr;
    QAction* mnuSaveScatter = nullptr;
    QAction* mnuSaveTable = nullptr;  // "Reconstruction Table (reconstruction.csv)"
    QAction* mnuSaveMeridan = nullptr;
    QAction* mnuSaveStrativ = nullptr;
    QAction* mnuColor = nullptr;
    QAction* mnuTransfer = nullptr;  // "Transfer functions..."
    QMenu* mnuRB1 = nullptr;
    QAction* mnuCopy1 = nullptr;
    QAction* mnuSaveCurve2 = nullptr;
    QAction* mnuSaveCurveAll2 = nullptr;
    QMenu* mnuRB2 = nullptr;
    QAction* mnuCopy2 = nullptr;
    QAction* mnuSaveScatter2 = nullptr;
    QMenu* mnuRB3 = nullptr;
    QAction* mnuCopy3 = nullptr;
    QAction* mnuSaveStrativ2 = nullptr;
    QMenu* mnuRB4 = nullptr;
    QAction* mnuCopy4 = nullptr;
    QAction* mnuSaveMeridan2 = nullptr;

    // The load steps; App runs them when it creates the window.
    void Load();
    // "Reconstruction" in the main window: shows the window and runs the activation steps.
    void OpenFromMain();

    // The window operations other windows and tests call.
    void Inport_climate_data();
    void DefineThreshold();
    void DoClimateReconstruction();
    void Reset();
    void DrawReconCurve();
    void ShowReconSample();
    void GenerateErrorModel();
    void DrawErrorScatter();
    void HistResize();
    void SaveCurve();
    void SaveCurveAll();
    void SaveScatter();
    // reconstruction.csv: every sample and parameter with its error columns.
    void SaveReconstructionTable();
    // "Export Figure..." of the panels: the figure of the current parameter.
    void AddExportFigures();
    void SaveMeridan();
    void SaveStrativ();

    // "Meridan": opens the calibration window for the current parameter (or brings it up).
    void OpenCalibration();
    // Closes the calibration module's windows; the calibration window counts as closed.
    void CloseCalibration();
    // "Return" of the calibration window: the calibrated result in Picture4, "Strativ" enabled.
    void ShowCalibrationResult();
    // Repaints the returned result in the display mode chosen with Option4.
    void RedrawMatrices();
    // Takes back the returned result (a reset in the calibration module).
    void ClearCalibrationResult();
    // The calibration window closes: its smoothing sliders as they stand then.
    void KeepCalibrationSmoothing(int xSmoothing, int ySmoothing);
    // "Strativ": the probability histogram along the sequence.
    void BuildHistogram();
    void ShowColourSettings();

    // A climate table was imported (here or by the correlation window): the parameter list
    // and the search settings become available.
    void ClimateImported();
    // The diagram's current sample changed (its slider moved).
    void CurrentSampleChanged();
    // The diagram's cursor box changed; Check3 follows it.
    void SetCursorShown(bool on);

    // The settings as the search reads them.
    AnalogueSettings Settings() const;
    double threshold() const { return threshold_; }
    bool extraPanelsShown() const { return extraPanelsShown_; }
    bool cursorDragging() const { return cursorDragging_; }
    const ReconRange& reconRange() const { return range_; }

    // Mouse handling of the curve panel, public so tests can drag as a user does.
    void CurveMouseMove(double y, bool onHistogram = false);
    void CurveMouseDown(Qt::MouseButton button);
    void CurveMouseUp();

    // Closes the window with its unload steps.
    void Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The room the error-model panels take: the histogram and the scatter column of up to
    // 137 px each, with the scatter's figure line beside it. The window widens by it and the
    // sample box moves right by it (Picture0 and Picture99 have this width).
    static constexpr int kExtraPanelsWidth = 2 * (137 + 8) + 48;

    void BuildControls();
    void BuildMenus();
    void ConnectControls();
    void LayoutControls();
    void Activate();
    void SetCurveScales();
    void EnableCurveMenus(bool on);
    void EnableScatterMenus(bool on);
    void ClearMatrixPanels();
    void PaintCalibrationPanel(bool afterReturn);
    void PaintHistogramPanel();
    void DrawMatrixOverlays();
    // Marks the histogram levels whose probability the display range cuts off.
    void DrawHistogramEdges();
    void ClearHistogramPanel();
    MatrixFileSettings MatrixSettings() const;
    void UpdateAnalogueLabel(const char* prefix);
    void ShowSummary();
    void ShowAnalogueQuality();
    void RangeEdited(bool changed);
    void ChooseParameter();
    void StepSample(bool next);
    void ShowExtraPanels(bool on);
    void ShowNoAnaloguesNotice();
    void BeginProgress(int maximum);
    void EndProgress();
    int PanelSize() const;
    double TextValue(const QLineEdit* box) const;
    // The last parameter whose name equals the parameter list's text, or 0.
    int ListedParameter() const;
    int CurrentSample() const;

    App& app_;
    SampleAxis axis_;
    ModernClosestCache modernClosest_;
    double threshold_ = 0;
    ReconRange range_;
    bool cursorDragging_ = false;
    bool extraPanelsShown_ = false;
    bool loading_ = false;
    bool unloaded_ = false;
    bool adjusting_ = false;  // the program itself moves a slider
    bool activated_ = false;
    float curveScaleTop_ = 0, curveScaleHeight_ = 20;
    int controlsHeight_ = 0;
    // The calibration window's smoothing level and generated-model deviation as they last
    // stood (at the return, or when that window closed), which the matrix files report while
    // the window is closed.
    int keptXSmoothing_ = 10;
    int keptYSmoothing_ = 5;
};

}  // namespace tarvex
