#pragma once

#include <QMainWindow>
#include <array>
#include <string>
#include <vector>

#include "app/Matrix.h"
#include "diagram/EofClimate.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollBar;
class QSlider;

namespace tarvex {

class App;
class PictureBox;

// "EOF-Climate correlation": the table of correlation coefficients between the EOFs of the
// reference set and the climate parameters, and the scatter of one chosen pair.
class frmECC : public QMainWindow {
    Q_OBJECT
public:
    explicit frmECC(App& app);
    ~frmECC() override;

    // Controls, named as the program names them.
    QGroupBox* Frame1 = nullptr;            // " Correlation coefficient (R) "
    std::array<PictureBox*, 2> Picture0{};  // [1] column headers; [0] the empty corner
    PictureBox* Picture1 = nullptr;         // row labels
    PictureBox* Picture2 = nullptr;         // the cells
    QScrollBar* VScroll1 = nullptr;         // first row shown
    QScrollBar* HScroll1 = nullptr;         // first column shown
    QFrame* Frame2 = nullptr;               // around the scatter and its axis controls
    PictureBox* Picture3 = nullptr;         // the scatter
    std::array<QLineEdit*, 2> Text1{};      // lower and upper limit of the climate axis
    std::array<QLabel*, 2> Label1{};        // -zoomFactor and +zoomFactor under the plot
    std::array<QLabel*, 2> Label2{};        // "EOF-n" and the parameter's name
    QSlider* Slider1 = nullptr;             // zoom exponent, shared with the diagram
    QMenu* RB = nullptr;
    QAction* mnuCopy = nullptr;

    // The opening steps (the climate question when no table is loaded, the table, the axis,
    // the plot); shows the window.
    void Open();
    // The scatter plot with the current fossil sample's marker; other windows call it while
    // eccShown is set.
    void DrawEccScatter();
    // Draws the table; (x, y) in twips of the cell panel is the mouse, whose cell is
    // underlined.
    void ShowSoukan(double x, double y);
    // The zoom slider of the main window moved (directly or through the diagram): this
    // window's slider follows without answering back, and the plot takes the new scale.
    void FollowZoom(int value);

    // Mouse handlers of the cell panel, in twips; public so tests can point and click.
    void TableMouseMove(double x, double y);
    void TableMouseDown(Qt::MouseButton button, double x, double y);

    // State, for the windows that follow it and for tests.
    int EccEof() const { return eccEof_; }
    int EccParam() const { return eccParam_; }
    EccCell Hover() const { return hover_; }
    bool HasTable() const { return hasTable_; }
    const Matrix<float>& Table() const { return eofClimateR_; }
    // The cells as last drawn, with their underline and colour.
    const std::vector<EccDrawnCell>& ShownCells() const { return shownCells_; }
    // Whether the last drawing of the plot carried the current-sample line.
    bool MarkerShown() const { return markerShown_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ConnectControls();
    // The climate question and import; true when a climate table is loaded afterwards.
    bool ImportClimate();
    // The climate axis of the chosen parameter into the plot's scale and the limit boxes.
    void SetClimateAxis();
    void SetEofScale();
    void LimitEdited();
    void ZoomMoved(int value);
    // Whether the current fossil sample is marked on the plot.
    bool CurrentSampleMarked() const;
    void EndBusy();
    void Unload();

    App& app_;
    Matrix<float> eofClimateR_;
    bool hasTable_ = false;
    EccClimateAxis climateAxis_;
    int eccEof_ = 1;
    int eccParam_ = 1;
    EccCell hover_;
    std::vector<EccDrawnCell> shownCells_;
    bool markerShown_ = false;
    bool unloaded_ = false;
};

}  // namespace tarvex
