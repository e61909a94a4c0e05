// The figure-options dialog of "Export Figure...": size, PNG resolution and, for the pollen
// diagram, its drawing choices.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/QtDialogs.h"

namespace tarvex {

std::optional<FigureOptions> QtDialogs::AskFigureOptions(QWidget* opener, const std::string& title,
                                                         const FigureOptions& offered)
{
    QDialog dialog(Owner(opener));
    dialog.setWindowTitle(QString::fromStdString(title));
    auto* form = new QFormLayout;
    auto length = [&](double value) {
        auto* box = new QDoubleSpinBox(&dialog);
        box->setRange(20, 2000);
        box->setDecimals(0);
        box->setSuffix(" mm");
        box->setValue(value);
        return box;
    };
    QDoubleSpinBox* width = length(offered.widthMm);
    QDoubleSpinBox* height = length(offered.heightMm);
    auto* dpi = new QSpinBox(&dialog);
    dpi->setRange(72, 1200);
    dpi->setSingleStep(50);
    dpi->setSuffix(" dpi");
    dpi->setValue(static_cast<int>(offered.dpi));
    form->addRow("Width:", width);
    form->addRow("Height:", height);
    form->addRow("Resolution of a PNG image:", dpi);

    QCheckBox* bars = nullptr;
    QCheckBox* exaggeration = nullptr;
    QDoubleSpinBox* minPercent = nullptr;
    if (offered.diagram) {
        bars = new QCheckBox("Bars instead of silhouettes", &dialog);
        bars->setChecked(offered.bars);
        exaggeration = new QCheckBox("Hollow ×10 exaggeration curve", &dialog);
        exaggeration->setChecked(offered.exaggeration);
        minPercent = new QDoubleSpinBox(&dialog);
        minPercent->setRange(0, 100);
        minPercent->setDecimals(1);
        minPercent->setSuffix(" %");
        minPercent->setValue(offered.minPercent);
        form->addRow(bars);
        form->addRow(exaggeration);
        form->addRow("Leave out taxa whose largest value is below:", minPercent);
    }
    auto* note = new QLabel(
        "SVG and PDF keep text and lines as they are; the file name's "
        "suffix chooses the format in the next dialog.",
        &dialog);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;

    FigureOptions chosen = offered;
    chosen.widthMm = width->value();
    chosen.heightMm = height->value();
    chosen.dpi = dpi->value();
    if (offered.diagram) {
        chosen.bars = bars->isChecked();
        chosen.exaggeration = exaggeration->isChecked();
        chosen.minPercent = minPercent->value();
    }
    return chosen;
}

}  // namespace tarvex
