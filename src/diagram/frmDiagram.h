#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <string>

#include "diagram/DiagramLayout.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QScrollBar;
class QSlider;
class QStatusBar;
class QToolButton;

namespace tarvex {

class App;
class PictureBox;

// The fossil diagram: one column per taxon with its percentage in every sample, the curve of
// one EOF on the same vertical axis, and the rotated taxon names above the columns. Its
// sample slider holds the current fossil sample of the whole program: every window that
// moves the current sample moves this slider.
class frmDiagram : public QMainWindow {
    Q_OBJECT

public:
    explicit frmDiagram(App& app);
    ~frmDiagram() override;

    // Controls, named as the program names them.
    PictureBox* Picture1 = nullptr;  // taxa panel
    PictureBox* Picture2 = nullptr;  // EOF panel
    PictureBox* Picture3 = nullptr;  // background strip at the bottom
    PictureBox* Picture4 = nullptr;  // taxon label strip
    QScrollBar* HScroll1 = nullptr;
    QSlider* Slider1 = nullptr;  // the current sample, 1..N
    QGroupBox* Frame1 = nullptr;
    QComboBox* Combo1 = nullptr;  // EOF shown in the EOF panel
    QLabel* Label2 = nullptr;     // " EOF No."
    QGroupBox* Frame2 = nullptr;
    QSlider* Slider2 = nullptr;  // zoom exponent of the EOF axis
    std::array<QLabel*, 3> Label3{};
    QFrame* Frame3 = nullptr;  // the box that follows the cursor
    QCheckBox* Check1 = nullptr;
    QComboBox* Combo2 = nullptr;         // non-empty samples by label
    QWidget* UpDown1 = nullptr;          // the two arrows below
    QToolButton* UpDown1Up = nullptr;    // previous sample (the cursor moves up)
    QToolButton* UpDown1Down = nullptr;  // next sample
    QStatusBar* StatusBar1 = nullptr;

    QMenu* mnuDrawMode = nullptr;  // "Curve Style(&S)"
    QAction* mnuBar = nullptr;
    QAction* mnuCurve = nullptr;
    QAction* mnuArea = nullptr;
    QMenu* nmuTools = nullptr;  // "Tools(&T)"
    QAction* nmuConiss = nullptr;
    QAction* brake1 = nullptr;
    QAction* mnuECC = nullptr;
    QMenu* RB1 = nullptr;
    QAction* mnuCopyDiagram = nullptr;
    QMenu* RB2 = nullptr;
    QAction* mnuCopyEOF = nullptr;
    QAction* mnuSaveEOF = nullptr;
    QAction* mnuSaveAllEOF = nullptr;
    QMenu* RB3 = nullptr;
    QAction* mnuCopyTaxaName = nullptr;

    // Public operations other windows call.
    void DrawDiagram();
    void DrawEofCurve();
    void DrawDiagramCursor();
    void DrawEofCursor();
    void ShowCurrentSample();
    void DrawTaxaLabel();
    void SaveEOF();
    void SaveAllEOF();

    // The load steps: controls from the workspace, then the first drawing. App runs them
    // right after creating the window, so that what they touch can find the window.
    void Load();

    // The rest of the main window's "Diagram" once the column layout is in the workspace:
    // the scroll range, a drawing with that layout, and showing the window.
    void OpenFromMain();

    // The style chosen in "Curve Style(&S)".
    DiagramStyle Style() const;
    void SetStyle(DiagramStyle style);

    // Mouse handlers of the two panels, in user units; public so tests can drag the cursor.
    void PanelMouseMove(PictureBox& panel, Qt::MouseButton buttons, double x, double y);
    void PanelMouseDown(PictureBox& panel, Qt::MouseButton button, double x, double y);
    void PanelMouseUp(PictureBox& panel, Qt::MouseButton button, double x, double y);
    bool Dragging() const { return dragging_; }

    // The vertical axis of the current sequence.
    const SampleAxis& Axis() const { return axis_; }

    // The panel sizes below which the window is enlarged, in pixels.
    static constexpr int kMinimumPanelPixels = 500 / 15;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectControls();
    void LoadWindow();
    // Places every control for a client area of the given size; true when the window had to
    // be enlarged because the taxa panel became too small.
    void LayoutControls();
    void SetPanelScales();
    void UpdateScrollRange();
    void UpdateZoomLabels();
    void DrawZoneLines();
    // The current sample from an arrow or the list, always through Slider1.
    void StepSample(bool next);
    void Unload();
    // Where the reconstruction window and the EOF-climate correlation window follow the
    // current sample and the cursor check box; they join the program with their windows.
    void NotifyReconstructionOfSample();
    void NotifyCorrelationOfSample();
    void NotifyReconstructionOfCursorDisplay();

    App& app_;
    SampleAxis axis_;
    bool dragging_ = false;
    bool loading_ = true;
    bool unloaded_ = false;
    bool inLayout_ = false;
    int stripHeight_ = 112;
};

}  // namespace tarvex
