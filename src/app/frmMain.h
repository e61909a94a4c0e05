#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <string>

#include "app/Progress.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace tarvex {

class App;
class PictureBox;
class SquarePanels;

// The main window: the import commands, the score plots with their view controls, the
// envelope analysis and the doors to every other window.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit frmMain(App& app);
    ~frmMain() override;

    // Controls, named as the program names them. Control arrays keep the program's indexes.
    QPushButton* Command5 = nullptr;         // "Import reference data"
    QPushButton* Command6 = nullptr;         // "Import fossil data"
    QPushButton* Command3 = nullptr;         // "Axis settings"
    std::array<QPushButton*, 2> Command4{};  // "Prev.", "Next" of the displayed EOFs
    std::array<QRadioButton*, 2> Option6{};  // automatic / manual change
    QSlider* Slider5 = nullptr;              // interval of the automatic change, seconds
    QLabel* Label7 = nullptr;
    std::array<QRadioButton*, 2> Option4{};  // 2-D / 3-D
    std::array<QSlider*, 3> Slider2{};       // [1] rotation, [2] tilt
    QSlider* Slider3 = nullptr;              // velocity
    QCheckBox* Check1 = nullptr;             // Stereo
    QCheckBox* Check2 = nullptr;             // Pause
    QCheckBox* Check3 = nullptr;             // Reverse
    QCheckBox* Check4 = nullptr;             // Tick / Label
    QSlider* Slider4 = nullptr;              // zoom
    std::array<QRadioButton*, 3> Option2{};  // taxa labels
    QComboBox* Combo3 = nullptr;
    std::array<QPushButton*, 2> Command1{};
    std::array<QRadioButton*, 3> Option3{};  // reference site labels
    QComboBox* Combo4 = nullptr;
    std::array<QPushButton*, 2> Command2{};
    std::array<QRadioButton*, 3> Option5{};  // fossil sample labels
    QComboBox* Combo1 = nullptr;
    std::array<QPushButton*, 2> Command13{};
    QPushButton* Command11 = nullptr;  // "Envelop" / "Reset envelope"
    QSlider* Slider1 = nullptr;        // envelope tightness
    QLabel* Label4 = nullptr;
    QPushButton* Command14 = nullptr;       // "Diagram"
    QPushButton* Command8 = nullptr;        // "Reconstruction"
    QPushButton* Command7 = nullptr;        // "Quit"
    std::array<PictureBox*, 2> Picture1{};  // taxa plot, left and right eye
    std::array<PictureBox*, 2> Picture2{};  // site plot, left and right eye
    PictureBox* Picture3 = nullptr;         // status strip
    QProgressBar* ProgressBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

    // Labels that are enabled and disabled with their sliders.
    QLabel* LabelRotale = nullptr;
    QLabel* LabelTilt = nullptr;
    QLabel* LabelVelocity = nullptr;
    QLabel* LabelTight = nullptr;
    QLabel* LabelLoose = nullptr;
    QLabel* LabelZoom = nullptr;

    // Menus
    QMenu* mnuFile = nullptr;
    QMenu* mnuSaveMother = nullptr;
    QAction* mnuSaveL = nullptr;
    QAction* mnuSaveS = nullptr;
    QAction* mnuSaveF = nullptr;
    QAction* mnuSaveReport = nullptr;  // "Save Report..."
    QAction* mnuQuit = nullptr;
    QMenu* mnuControlPanel = nullptr;
    QAction* mnuControl = nullptr;
    QMenu* mnuColorSettings = nullptr;
    QAction* mnuColor = nullptr;
    QAction* mnuGrey = nullptr;
    QMenu* mnuAboutTarvex = nullptr;
    QAction* mnuAbout = nullptr;
    QMenu* mnuFig1L = nullptr;
    QMenu* mnuFig1R = nullptr;
    QMenu* mnuFig2L = nullptr;
    QMenu* mnuFig2R = nullptr;
    QAction* mnuCopy1L = nullptr;
    QAction* mnuCopy1R = nullptr;
    QAction* mnuCopy2L = nullptr;
    QAction* mnuCopy2R = nullptr;
    QAction* mnuSaveL2 = nullptr;
    QAction* mnuSaveS2 = nullptr;
    QAction* mnuSaveF2 = nullptr;

    // Public operations other windows call.
    void DoProjection();
    void ChangeRange();
    void SaveLoading();
    void sSaveScore();
    void fSaveScore();

    // The save-file dialog, the file text and the atomic write shared by every result file
    // the program saves; refused before the dialog when there are no EOF results, and a
    // failure is reported in a message box. makeText reports through its flag whether every
    // number of the text is finite; a file that is not is never written. The dialogs belong
    // to opener, the window whose command saves.
    void SaveText(QWidget* opener, const std::string& title, int progressMaximum,
                  const std::function<std::string(const ProgressFn&, bool*)>& makeText,
                  const std::string& suggestedName = "");

    // Runs the EOF analysis on the prepared reference data (from the pre-treatment "OK").
    void ComputeEofs();

    // Command handlers, public so that tests can press the buttons the way a user does.
    void ImportReferenceData();
    void ImportFossilData();
    void ApplyColourPreset();
    void ApplyGreyPreset();
    // After a preset (here or in the colour settings): the menu's check marks, every drawn
    // window and an open colour dialog follow.
    void ApplyPresetRedraws();
    // "Diagram": the column layout, then the diagram window shown.
    void OpenDiagram();
    // File > "Save Report...": the report of everything the windows hold, as a PDF.
    void SaveReport();

    // Score plots (EOF numbers on the x, y and third axis) and their redraw.
    void DrawTaxaPlot(int ex, int ey, int ez);
    void DrawSitePlot(int ex, int ey, int ez);
    void DrawFossilSamples(int ex, int ey, int ez);
    void RedrawPlots();
    // Redraws the diagram and reconstruction panels that have been drawn.
    void RedrawSequenceWindows();

    // Envelope analysis of the fossil samples against the reference sites.
    void RunEnvelope();
    void ResetEnvelope();

    // Axis choice: 2 in the 2-D view, 3 in the 3-D view.
    int VisibleAxisCount() const;
    // "No. of Axes: ..." in the status strip.
    void ShowAxisStatus();
    // "Next" and the axis timer rotate the displayed EOFs left, "Prev." right.
    void CycleDisplayAxes(bool next);

    // One tick of the rotation timer: turns the 3-D view by whole degrees.
    void Timer1Tick();

    // Restarts the 3-D rotation after a long command when the 3-D view is on and not paused.
    void RestartRotationIfWanted();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectControls();
    void ConnectViewControls();
    void LoadWindow();
    void SetLabelMode(std::array<QRadioButton*, 3>& options, QComboBox* list,
                      std::array<QPushButton*, 2>& prevNext);
    void UpdateColourChecks();
    // Shows ProgressBar1 with the hourglass for the length of a computation.
    void BeginProgress(int maximum);
    void EndProgress();

    App& app_;
    // Holds the four plot surfaces as equal squares, with the status strip under them.
    SquarePanels* plotArea_ = nullptr;
    // The width "Stereo" added to the window, given back exactly when it goes off.
    int stereoGrowth_ = 0;
};

}  // namespace tarvex
