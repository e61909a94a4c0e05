#pragma once

#include <QDialog>
#include <array>
#include <vector>

class QLabel;
class QPushButton;
class QSlider;

namespace tarvex {

class App;
class PictureBox;

// "Colour settings": the colour scale edited by dragging the corner points of its red, green
// and blue profiles, the cut-off below which values stay white, and the two presets. Every
// change marks the colours as changed, so that the windows with probability pictures redraw
// when they are activated again.
class frmColor : public QDialog {
    Q_OBJECT

public:
    explicit frmColor(App& app);
    ~frmColor() override;

    std::array<PictureBox*, 3> Picture2{};  // profiles of red, green and blue
    std::array<QLabel*, 4> Label0{};        // red stops in percent
    std::array<QLabel*, 4> Label1{};        // green stops
    std::array<QLabel*, 4> Label2{};        // blue stops
    PictureBox* Picture1 = nullptr;         // preview of the scale
    QLabel* Label3 = nullptr;               // the cut-off in percent
    QSlider* Slider1 = nullptr;             // the cut-off
    QPushButton* Command1 = nullptr;        // "Grey scale"
    QPushButton* Command3 = nullptr;        // "Reset"
    QPushButton* Command2 = nullptr;        // "OK"

    // Shows the dialog (without blocking) and draws it from the current scale.
    void Open();
    // Draws the profiles, the preview and the labels again (after a preset elsewhere).
    void Redraw();

    // Mouse handling of profile box k, in twips from the box's top-left corner; public so
    // that tests drag as a user does.
    void ProfileDown(int k, double x, double y);
    void ProfileMove(int k, double x, double y);
    void ProfileUp(int k, double x, double y);

    // Closing (OK or the close box) recolours the open windows' probability pictures at once,
    // rather than only when each is activated again.
    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawProfiles();
    void DrawPreview();
    void PlaceLabels();
    void ShowComponents();
    void ApplyPresetChange();
    double BoxWidth(int k) const;
    double BoxHeight(int k) const;

    App& app_;
    std::array<float, 12> keptStops_{};
    int dragComponent_ = -1;
    std::vector<int> dragHandles_;
};

}  // namespace tarvex
