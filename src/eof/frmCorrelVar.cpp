#include "eof/frmCorrelVar.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/App.h"
#include "app/frmMain.h"

namespace tarvex {

// The dialog is the main window's own: the window manager keeps it above the main window, so
// a click on the main window does not bury it before its "OK".
frmCorrelVar::frmCorrelVar(App& app) : QWidget(&app.main(), Qt::Dialog), app_(app)
{
    setWindowTitle("Data pre-treatment for PCA");
    auto* layout = new QVBoxLayout(this);

    Frame2 = new QGroupBox(" Percentage conversion ", this);
    auto* f2 = new QVBoxLayout(Frame2);
    Option2[0] = new QRadioButton("Convert to % values", Frame2);
    Option2[1] = new QRadioButton("Don't convert", Frame2);
    f2->addWidget(Option2[0]);
    f2->addWidget(Option2[1]);
    Option2[0]->setChecked(true);
    layout->addWidget(Frame2);

    Frame5 = new QGroupBox(" Enhancement ", this);
    auto* f5 = new QVBoxLayout(Frame5);
    Check1 = new QCheckBox("Enhance minor taxa", Frame5);
    Option3[0] = new QRadioButton("Square root", Frame5);
    Option3[1] = new QRadioButton("Log", Frame5);
    f5->addWidget(Check1);
    f5->addWidget(Option3[0]);
    f5->addWidget(Option3[1]);
    Option3[0]->setChecked(true);
    Option3[0]->setEnabled(false);
    Option3[1]->setEnabled(false);
    layout->addWidget(Frame5);

    Frame1 = new QGroupBox(" Select matrix type for PCA ", this);
    auto* f1 = new QVBoxLayout(Frame1);
    Option1[0] = new QRadioButton("Correlation", Frame1);
    Option1[1] = new QRadioButton("Variance / Covariance", Frame1);
    f1->addWidget(Option1[0]);
    f1->addWidget(Option1[1]);
    Option1[1]->setChecked(true);
    layout->addWidget(Frame1);

    Command1 = new QPushButton("OK", this);
    layout->addWidget(Command1);

    connect(Check1, &QCheckBox::toggled, this, [this](bool on) {
        Option3[0]->setEnabled(on);
        Option3[1]->setEnabled(on);
        Option3[0]->setChecked(true);
    });
    // Any choice moves the focus to "OK", so Enter confirms.
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             Option2[0], Option2[1], Check1, Option3[0], Option3[1], Option1[0], Option1[1]})
        connect(b, &QAbstractButton::clicked, this, [this] { Command1->setFocus(); });
    connect(Command1, &QPushButton::clicked, this, [this] { OkClicked(); });
}

PretreatmentChoice frmCorrelVar::CurrentChoice() const
{
    PretreatmentChoice choice;
    choice.convertToPercent = Option2[0]->isChecked();
    if (Check1->isChecked())
        choice.enhancement = Option3[1]->isChecked() ? Enhancement::Log : Enhancement::SquareRoot;
    choice.useCorrelation = Option1[0]->isChecked();
    return choice;
}

double frmCorrelVar::Enhance(double x) const
{
    return tarvex::Enhance(x, CurrentChoice().enhancement);
}

void frmCorrelVar::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void frmCorrelVar::OkClicked()
{
    const PretreatmentChoice choice = CurrentChoice();
    hide();
    PretreatReference(app_.ws(), choice);
    app_.main().update();
    app_.main().ComputeEofs();
}

}  // namespace tarvex
