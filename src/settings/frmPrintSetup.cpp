#include "settings/frmPrintSetup.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/NumberText.h"

namespace tarvex {

namespace {

QString Number(float v)
{
    return QString::fromStdString(FormatSingle(v));
}

float Value(const QLineEdit* box)
{
    return static_cast<float>(Val(box->text().toStdString()));
}

}  // namespace

frmPrintSetup::frmPrintSetup(PrintSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle("Print options");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    Text5 = new QLineEdit(this);
    Text4 = new QLineEdit(this);
    Text3 = new QLineEdit(this);
    Text2 = new QLineEdit(this);
    Text1 = new QLineEdit(this);
    form->addRow("Title:", Text5);
    form->addRow("Font Size:", Text4);
    form->addRow("Zoom (%):", Text3);
    form->addRow("Picture Frame Thickness:", Text2);
    form->addRow("Dot Size:", Text1);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    Command1 = new QPushButton("OK", this);
    Command2 = new QPushButton("Cancel", this);
    Command1->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);
    Text5->setMinimumWidth(260);

    for (QLineEdit* t : {Text1, Text2, Text3, Text4, Text5})
        connect(t, &QLineEdit::textEdited, this, [this] { Store(); });
    connect(Command1, &QPushButton::clicked, this, [this] { accept(); });
    connect(Command2, &QPushButton::clicked, this, [this] { reject(); });
}

frmPrintSetup::~frmPrintSetup() = default;

void frmPrintSetup::Open()
{
    saved_ = settings_;
    Text5->setText(QString::fromStdString(settings_.printTitle));
    Text4->setText(Number(settings_.printFontSize));
    Text3->setText(Number(settings_.printZoom * 100.0f));
    Text2->setText(Number(settings_.printFrameThickness));
    Text1->setText(Number(settings_.printDotSize));
    show();
    raise();
    activateWindow();
}

void frmPrintSetup::Store()
{
    settings_.printTitle = Text5->text().toStdString();
    settings_.printFontSize = Value(Text4);
    settings_.printZoom = Value(Text3) / 100.0f;
    settings_.printFrameThickness = Value(Text2);
    settings_.printDotSize = Value(Text1);
}

void frmPrintSetup::reject()
{
    settings_ = saved_;
    QDialog::reject();
}

}  // namespace tarvex
