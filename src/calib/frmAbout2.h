#pragma once

#include <QDialog>

namespace tarvex {

// The calibration module's about box: name, version, credits and the method's literature.
class frmAbout2 : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout2(QWidget* parent);
};

}  // namespace tarvex
