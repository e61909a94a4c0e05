#include "app/frmAbout1.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tarvex {

frmAbout1::frmAbout1()
{
    setWindowTitle("About Tarvex");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("<b>Tarvex 1.5</b>", this);
    title->setObjectName("aboutTitle");
    layout->addWidget(title);
    layout->addWidget(
        new QLabel("Pollen-based quantitative climate reconstruction:\n"
                   "EOF analysis, envelope test, modern analogues and calibration.",
                   this));
    auto* credit = new QLabel("Written by the Tarvex developers.", this);
    credit->setObjectName("aboutCredit");
    layout->addWidget(credit);
    auto* reference = new QLabel(
        "Method: Overpeck, J.T., Webb, T. III and Prentice, I.C. (1985). Quantitative "
        "interpretation of fossil pollen spectra: dissimilarity coefficients and the method "
        "of modern analogs. Quaternary Research 23, 87-108.",
        this);
    reference->setObjectName("aboutReference");
    reference->setWordWrap(true);
    layout->addWidget(reference);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

}  // namespace tarvex
