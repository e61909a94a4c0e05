#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace tarvex {

class App;
class PictureBox;
class frmMain;

// The control panel: which EOFs are drawn and which take part in the envelope analysis.
// While it is open the main window is disabled; "OK" or closing the window unloads it.
class frmControl : public QWidget {
    Q_OBJECT

public:
    explicit frmControl(App& app);
    ~frmControl() override;

    // Controls, named as the program names them; Combo1 uses [1..3].
    QGroupBox* Frame2 = nullptr;  // " Selected EOFs for default display "
    std::array<QComboBox*, 4> Combo1{};
    QLabel* Label2 = nullptr;         // "X-Axis"
    QLabel* Label3 = nullptr;         // "Y-Axis"
    QLabel* Label4 = nullptr;         // "Z-Axis"
    QGroupBox* Frame1 = nullptr;      // EOFs for the envelope analysis
    QListWidget* List1 = nullptr;     // every EOF
    QListWidget* List2 = nullptr;     // the selection; the first v entries are drawn
    QPushButton* Command1 = nullptr;  // "Add >>"
    QPushButton* Command2 = nullptr;  // "<< Delete"
    QCheckBox* Check1 = nullptr;      // "Set more axes"
    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;  // column headings
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    std::array<PictureBox*, 3> Picture1{};  // EOF number, contribution, cumulative
    QScrollBar* VScroll1 = nullptr;
    PictureBox* Picture2 = nullptr;   // totals over all EOFs
    PictureBox* Picture3 = nullptr;   // totals over the selection
    QPushButton* Command3 = nullptr;  // "Reflect"
    QPushButton* Command4 = nullptr;  // "OK"

    // Redraws the contribution table and the totals; the selection count follows List2.
    void ShowKiyo();
    // Applies the panel's selection to the workspace and the main window's cycling controls.
    void ApplyAxisChoice();
    // The main window switched between 2-D (2) and 3-D (3).
    void ViewChanged(int visibleCount);

    // Handlers, public so tests can drive the panel the way the user does.
    void AxisChosen(int axis);
    void MoreAxesClicked();
    void AddClicked();
    void DeleteClicked();
    void ReflectClicked();
    void OkClicked();

    // The EOF numbers List2 holds, in order.
    std::vector<int> SelectedEofs() const;
    // The axes the panel counts as drawn: 2 or 3.
    int VisibleCount() const { return visibleCount_; }
    // Rows of the contribution table that fit beside the scroll bar.
    int FitRows() const;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void LoadPanel();
    void Reflect();
    // What unloading does whichever way it happens: the main window comes back and shows
    // the selection in its status strip.
    void Unload();
    void SetMoreAxesControls(bool on);
    int ComboEof(int axis) const;
    void ShowComboEof(int axis, int eof);

    App& app_;
    // Null once the main window is gone: the App that owns it is then gone too.
    QPointer<frmMain> main_;
    int visibleCount_ = 2;
    double rowHeight_ = 1;
    bool unloaded_ = false;
};

}  // namespace tarvex
