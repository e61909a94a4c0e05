#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

#include "ui/PictureExport.h"

namespace tarvex {

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}

QWidget* QtDialogs::Owner(QWidget* opener) const
{
    QWidget* owner = opener ? opener->window() : QApplication::activeWindow();
    // A window the program loaded without showing it cannot hold a dialog the user sees.
    if (!owner || !owner->isVisible()) owner = parent_;
    return owner;
}

namespace {

// After a dialog the window it belonged to comes back on top with the focus, whatever the
// window manager would otherwise bring up (the main window, the dialog's former parent).
class ReturnTo {
public:
    explicit ReturnTo(QWidget* owner) : owner_(owner) {}
    ~ReturnTo()
    {
        if (!owner_ || !owner_->isVisible()) return;
        owner_->raise();
        owner_->activateWindow();
    }
    ReturnTo(const ReturnTo&) = delete;
    ReturnTo& operator=(const ReturnTo&) = delete;

private:
    QPointer<QWidget> owner_;
};

}  // namespace

QString QtDialogs::QtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
        pattern = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        pattern = pattern.simplified();
        if (pattern.isEmpty()) pattern = QStringLiteral("*");
        if (description.isEmpty() && i + 1 >= parts.size()) continue;
        // The description often repeats its pattern in brackets; the toolkit reads the
        // pattern from the last brackets, so they are replaced by the real one.
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
            description = description.left(open).trimmed();
        }
        entries << (description.isEmpty()
                        ? pattern
                        : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<std::string> QtDialogs::Chosen(const QString& path)
{
    if (path.isEmpty()) return std::nullopt;
    lastFolder_ = QFileInfo(path).absolutePath();
    // The bytes the file system knows the file by, which is what the readers open.
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> QtDialogs::OpenFile(QWidget* opener, const std::string& title,
                                               const std::string& filter)
{
    QWidget* owner = Owner(opener);
    const ReturnTo back(owner);
    return Chosen(QFileDialog::getOpenFileName(owner, QString::fromStdString(title), lastFolder_,
                                               QtFilter(filter)));
}

std::optional<std::string> QtDialogs::SaveFile(QWidget* opener, const std::string& title,
                                               const std::string& filter,
                                               const std::string& suggestedName)
{
    QWidget* owner = Owner(opener);
    const ReturnTo back(owner);
    QString start = QString::fromStdString(suggestedName);
    if (!lastFolder_.isEmpty() && QFileInfo(start).isRelative()) {
        start = QDir(lastFolder_).filePath(start);
    }
    // The toolkit's save dialog asks before replacing an existing file; a name typed without a
    // suffix gets the chosen filter's, before that question is asked.
    QFileDialog dialog(owner, QString::fromStdString(title), start, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto follow = [&dialog](const QString& entry) {
        dialog.setDefaultSuffix(QString::fromStdString(DefaultSuffix(entry.toStdString())));
    };
    follow(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return Chosen(dialog.selectedFiles().front());
}

namespace {
QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const std::string& text, const std::string& title,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    const ReturnTo back(parent);
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons,
                    parent);
    // File names and data values end up in messages; none of it is markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
}  // namespace

void QtDialogs::Warn(QWidget* opener, const std::string& text, const std::string& title)
{
    ShowMessage(Owner(opener), QMessageBox::Warning, text, title, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::Inform(QWidget* opener, const std::string& text, const std::string& title)
{
    ShowMessage(Owner(opener), QMessageBox::Information, text, title, QMessageBox::Ok,
                QMessageBox::Ok);
}

bool QtDialogs::AskYesNo(QWidget* opener, const std::string& text, const std::string& title)
{
    return ShowMessage(Owner(opener), QMessageBox::Warning, text, title,
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

std::unique_ptr<QPrinter> QtDialogs::ChoosePrinter(QWidget* opener)
{
    QWidget* owner = Owner(opener);
    const ReturnTo back(owner);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!printerName_.isEmpty()) printer->setPrinterName(printerName_);
    if (pageLayout_) printer->setPageLayout(*pageLayout_);

    QPrintDialog dialog(printer.get(), owner);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    printerName_ = printer->printerName();
    pageLayout_ = printer->pageLayout();
    return printer;
}

}  // namespace tarvex
