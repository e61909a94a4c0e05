#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

// "New confidence coefficient (%)": a small window that edits one confidence coefficient of
// the calibration window. It keeps nothing of its own: it opens with the coefficient's text
// and, however it closes, hands back the text typed in it.
class frmCC : public QDialog {
    Q_OBJECT

public:
    // index 0 edits coefficient 1 (default 68.2), index 1 coefficient 2 (default 95.4).
    frmCC(int index, QWidget* parent);
    ~frmCC() override;

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;  // "OK"

    // Loads the dialog with the coefficient's current text and shows it without blocking.
    void Open(const std::string& coefficientText);
    // Closes the dialog (if open) and hands the typed text to `closed`.
    void CloseDialog();
    int index() const { return index_; }

    // Called once per closing with the text of Text1.
    std::function<void(const std::string&)> closed;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    int index_;
    bool open_ = false;
};

class frmCC1 : public frmCC {
    Q_OBJECT
public:
    explicit frmCC1(QWidget* parent) : frmCC(0, parent) {}
};

class frmCC2 : public frmCC {
    Q_OBJECT
public:
    explicit frmCC2(QWidget* parent) : frmCC(1, parent) {}
};

}  // namespace tarvex
