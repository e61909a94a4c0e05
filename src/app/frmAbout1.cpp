#include "app/frmAbout1.h"

#include "ui/AboutBox.h"

namespace tarvex {

frmAbout1::frmAbout1()
{
    setWindowTitle("About Tarvex");
    FillAboutBox(*this, "Tarvex 1.5",
                 "Pollen-based quantitative climate reconstruction:\n"
                 "EOF analysis, envelope test, modern analogues and calibration.",
                 "Written by the Tarvex developers.",
                 "Method: Overpeck, J.T., Webb, T. III and Prentice, I.C. (1985). Quantitative "
                 "interpretation of fossil pollen spectra: dissimilarity coefficients and the "
                 "method of modern analogs. Quaternary Research 23, 87-108.",
                 420);
}

}  // namespace tarvex
