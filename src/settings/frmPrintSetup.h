#pragma once

#include <QDialog>

#include "settings/ColourScheme.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

// "Print options": the five settings of the printed pages. Every edit takes effect at once;
// "Cancel" (and the close box) puts back what the settings were when the dialog opened.
class frmPrintSetup : public QDialog {
    Q_OBJECT

public:
    frmPrintSetup(PrintSettings& settings, QWidget* parent);
    ~frmPrintSetup() override;

    QLineEdit* Text1 = nullptr;  // dot size
    QLineEdit* Text2 = nullptr;  // picture frame thickness
    QLineEdit* Text3 = nullptr;  // zoom in percent
    QLineEdit* Text4 = nullptr;  // font size
    QLineEdit* Text5 = nullptr;  // title
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

    // Keeps the current settings, fills the boxes from them and shows the dialog.
    void Open();

protected:
    void reject() override;

private:
    void Store();

    PrintSettings& settings_;
    PrintSettings saved_;
};

}  // namespace tarvex
