#include "calib/frmAbout2.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tarvex {

frmAbout2::frmAbout2(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About Meridan 3.0");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("<b>Meridan 3.0</b>", this);
    title->setObjectName("aboutTitle");
    layout->addWidget(title);
    layout->addWidget(new QLabel(
        "Calibration of analogue reconstructions: the probability of the true climate value "
        "for every reconstructed value,\nwith its mode, median and two confidence regions.",
        this));
    auto* credit = new QLabel("Calibration module of Tarvex, written by the Tarvex developers.",
                              this);
    credit->setObjectName("aboutCredit");
    layout->addWidget(credit);
    auto* reference = new QLabel(
        "Method: ter Braak, C.J.F. (1995). Non-linear methods for multivariate statistical "
        "calibration and their use in palaeoecology: a comparison of inverse (k-nearest "
        "neighbours, partial least squares and weighted averaging partial least squares) and "
        "classical approaches. Chemometrics and Intelligent Laboratory Systems 28, 165-180.",
        this);
    reference->setObjectName("aboutReference");
    reference->setWordWrap(true);
    layout->addWidget(reference);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(460);
}

}  // namespace tarvex
