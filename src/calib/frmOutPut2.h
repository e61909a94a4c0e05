#pragma once

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "calib/ChartData.h"
#include "calib/ChartText.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace tarvex {

class App;
class PictureBox;
class Surface;
class frmCalib;
class frmPrintSetup;

// "Calibration chart": the calibrated probability of figures 7 and 8 at half grid steps, with
// a vertical section through it, the section's confidence intervals, average and mode, and
// the Z-axis enhancement of the probability colours. It only reads the chart data the
// calibration window prepared; the enhancement is the one value it hands back.
class frmOutPut2 : public QMainWindow {
    Q_OBJECT

public:
    explicit frmOutPut2(App& app);
    ~frmOutPut2() override;

    PictureBox* Picture1 = nullptr;  // main figure
    PictureBox* Picture2 = nullptr;  // section figure
    PictureBox* Picture3 = nullptr;  // colour scale legend (probability view)
    // The interval text and the marks beside the section figure are drawn here, on a panel
    // right of the section figure that Shape1 frames a part of.
    PictureBox* IntervalPanel = nullptr;
    QFrame* Shape1 = nullptr;
    std::array<QRadioButton*, 2> Option1{};  // "Pobability", "Confidence"
    QCheckBox* Check1 = nullptr;             // "Show mode"
    QCheckBox* Check4 = nullptr;             // "Show average"
    QCheckBox* Check2 = nullptr;             // "Show intervals"
    QCheckBox* Check3 = nullptr;             // hidden: the print options are open
    QSlider* Slider1 = nullptr;              // section position, percent of the axis
    QSlider* Slider2 = nullptr;              // Z-axis enhancement, percent
    std::array<QLabel*, 2> Label1{};         // low end of the range: [0] vertical, [1] horizontal
    std::array<QLabel*, 2> Label2{};         // high end
    QLabel* Label3 = nullptr;                // value at the section, over the slider
    QLabel* Label5 = nullptr;                // value at the section, under the axis
    QLabel* Label4 = nullptr;                // enhancement text over the section figure
    QPushButton* Command1 = nullptr;         // "OK"
    QProgressBar* ProgressBar1 = nullptr;

    QAction* SaveMatrix = nullptr;
    QAction* PrintOptions = nullptr;
    QAction* Print = nullptr;
    QAction* Exit = nullptr;
    QAction* ColourSetting = nullptr;
    QAction* CopyFig1 = nullptr;
    QAction* CopyFig2 = nullptr;
    QMenu* Fig1 = nullptr;  // pop-up of the main figure
    QMenu* Fig2 = nullptr;  // pop-up of the section figure
    QAction* Copy1 = nullptr;
    QAction* Copy2 = nullptr;

    // Shows the chart of freshly prepared data in a view, with the mode and average paths
    // shown or not; the first time the load steps run.
    void Open(calib::ChartView view, bool showPaths);
    // "E&xit" and "OK": the window unloads.
    void Close();

    // Drawing operations other windows and tests call.
    void DrawPicture2();
    void WipeInterval();
    void ShowMode();
    void ShowAve();
    // Everything again, as after a change of the colours.
    void RedrawAll();

    // Commands, public so tests press them as a user does.
    void SaveMatrixClicked();
    void PrintClicked();
    void PrintOptionsClicked();

    calib::ChartView View() const;
    bool mainDrawn() const { return mainDrawn_; }
    int SectionColumn() const;
    // The top-left corner of fine cell (i, j) on the main figure, in user units of Picture1
    // (one per cell), and of row j on the section figure.
    static double ChartX(int i) { return i - calib::kChartFirstShown; }
    static double ChartY(int j) { return calib::kChartLastShown - j; }
    // The value texts of the current section, as drawn beside the section figure.
    const calib::SectionTexts& shownTexts() const { return shownTexts_; }
    frmPrintSetup* printSetup() { return printSetup_.get(); }
    // The printed page, in twips of the page.
    void PrintChart(Surface& page, double left, double top);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectControls();
    void LayoutControls();
    void Load();
    void Activate();

    void SectionChanged();
    void SectionMoved();
    void EnhancementChanged(int v);
    void EnhancementCommitted();
    void PlaceSectionLabels();
    void PlaceEnhancementLabel();
    void RedrawOverlays();

    void DrawMainChart();
    void DrawSectionLine();
    void DrawIntervals();
    void DrawColourLegend();

    frmCalib* Calib() const;
    double Low() const;
    double High() const;
    int Enhancement() const;

    App& app_;
    std::unique_ptr<frmPrintSetup> printSetup_;
    calib::SectionTexts shownTexts_;
    double section_ = 50;
    bool loaded_ = false;
    bool mainDrawn_ = false;
    bool closed_ = false;
    bool layingOut_ = false;
};

}  // namespace tarvex
