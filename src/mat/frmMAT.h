#pragma once

#include <QMainWindow>

namespace tarvex {

class App;

// "Reconstruction": the settings of the analogue search, the climate import, the curve of
// the reconstructed climate along the fossil sequence and the error model's scatter.
class frmMAT : public QMainWindow {
    Q_OBJECT

public:
    explicit frmMAT(App& app);
    ~frmMAT() override;

    void Load();

private:
    App& app_;
};

}  // namespace tarvex
