#include "ui/AboutBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tarvex {

void FillAboutBox(QDialog& box, const QString& title, const QString& description,
                  const QString& credit, const QString& reference, int minimumWidth)
{
    auto* layout = new QVBoxLayout(&box);
    auto* heading = new QLabel("<b>" + title + "</b>", &box);
    heading->setObjectName("aboutTitle");
    layout->addWidget(heading);
    layout->addWidget(new QLabel(description, &box));
    auto* creditLabel = new QLabel(credit, &box);
    creditLabel->setObjectName("aboutCredit");
    layout->addWidget(creditLabel);
    auto* referenceLabel = new QLabel(reference, &box);
    referenceLabel->setObjectName("aboutReference");
    referenceLabel->setWordWrap(true);
    layout->addWidget(referenceLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.setMinimumWidth(minimumWidth);
}

}  // namespace tarvex
