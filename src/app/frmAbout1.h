#pragma once

#include <QDialog>

namespace tarvex {

// The program's about box: name, version, credits and the method's literature.
class frmAbout1 : public QDialog {
    Q_OBJECT

public:
    frmAbout1();
};

}  // namespace tarvex
