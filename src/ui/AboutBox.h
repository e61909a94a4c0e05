#pragma once

#include <QString>

class QDialog;

namespace tarvex {

// Fills an about box: the name and version in bold, what the program does, a credit line and
// the method's literature, then an OK button. The labels are named aboutTitle, aboutCredit
// and aboutReference for the tests.
void FillAboutBox(QDialog& box, const QString& title, const QString& description,
                  const QString& credit, const QString& reference, int minimumWidth);

}  // namespace tarvex
