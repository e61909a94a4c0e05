#include "calib/frmAbout2.h"

#include "ui/AboutBox.h"

namespace tarvex {

frmAbout2::frmAbout2(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About Meridan 3.0");
    setModal(false);
    FillAboutBox(
        *this, "Meridan 3.0",
        "Calibration of analogue reconstructions: the probability of the true climate value "
        "for every reconstructed value,\nwith its mode, median and two confidence regions.",
        "Calibration module of Tarvex, written by the Tarvex developers.",
        "Method: ter Braak, C.J.F. (1995). Non-linear methods for multivariate statistical "
        "calibration and their use in palaeoecology: a comparison of inverse (k-nearest "
        "neighbours, partial least squares and weighted averaging partial least squares) and "
        "classical approaches. Chemometrics and Intelligent Laboratory Systems 28, 165-180.",
        460);
}

}  // namespace tarvex
