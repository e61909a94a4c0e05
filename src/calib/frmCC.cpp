#include "calib/frmCC.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex {

frmCC::frmCC(int index, QWidget* parent) : QDialog(parent), index_(index)
{
    setWindowTitle("New confidence coefficient (%)");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(index == 0 ? "Coefficient 1 (default = 68.2)"
                                   : "Coefficient 2 (default = 95.4)",
                        this);
    Text1 = new QLineEdit(this);
    Command1 = new QPushButton("OK", this);
    Command1->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addWidget(Text1, 1);
    row->addWidget(Command1);
    layout->addWidget(Label1);
    layout->addLayout(row);
    connect(Command1, &QPushButton::clicked, this, [this] { CloseDialog(); });
    connect(Text1, &QLineEdit::returnPressed, this, [this] { CloseDialog(); });
}

frmCC::~frmCC() = default;

void frmCC::Open(const std::string& coefficientText)
{
    Text1->setText(QString::fromStdString(coefficientText));
    Text1->selectAll();
    open_ = true;
    show();
    raise();
    activateWindow();
    Text1->setFocus();
}

void frmCC::CloseDialog()
{
    if (!open_) return;
    open_ = false;
    hide();
    if (closed) closed(Text1->text().toStdString());
}

void frmCC::closeEvent(QCloseEvent* event)
{
    CloseDialog();
    event->accept();
}

void frmCC::reject()
{
    // Escape closes the dialog like its close box: the typed text still counts.
    CloseDialog();
}

}  // namespace tarvex
