#pragma once

#include <QWidget>
#include <array>

#include "eof/Pretreatment.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tarvex {

class App;

// "Data pre-treatment for PCA": shown once after the reference import. It is hidden, not
// destroyed, by "OK" so that the fossil import can read the same choices later.
class frmCorrelVar : public QWidget {
    Q_OBJECT

public:
    explicit frmCorrelVar(App& app);

    QGroupBox* Frame2 = nullptr;
    std::array<QRadioButton*, 2> Option2{};  // convert / don't convert
    QGroupBox* Frame5 = nullptr;
    QCheckBox* Check1 = nullptr;             // enhance minor taxa
    std::array<QRadioButton*, 2> Option3{};  // square root / log
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 2> Option1{};  // correlation / covariance
    QPushButton* Command1 = nullptr;         // OK

    // The choices as the dialog shows them now.
    PretreatmentChoice CurrentChoice() const;
    // The enhancement function with the dialog's current choices.
    double Enhance(double x) const;

    void OkClicked();

protected:
    // The reference data can be imported only once and the dialog is never offered again, so
    // closing it by its title bar would leave no way to run the analysis: it stays until "OK".
    void closeEvent(QCloseEvent* event) override;

private:
    App& app_;
};

}  // namespace tarvex
