#pragma once

#include <QMainWindow>

namespace tarvex {

class App;

// "EOF-Climate correlation": the table of correlation coefficients between the EOFs of the
// reference set and the climate parameters, and the scatter of one chosen pair.
class frmECC : public QMainWindow {
    Q_OBJECT
public:
    explicit frmECC(App& app);
    ~frmECC() override;

    // The opening steps (the climate question when no table is loaded, the table, the axis,
    // the plot); shows the window.
    void Open();
    // The scatter plot with the current fossil sample's marker; other windows call it while
    // eccShown is set.
    void DrawEccScatter();

private:
    App& app_;
};

}  // namespace tarvex
