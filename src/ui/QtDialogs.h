#pragma once

#include <QPageLayout>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>

#include "ui/Dialogs.h"

namespace tarvex {

// The dialogs the user sees. Message texts are shown as plain text, never as markup.
// The folder of the last chosen file and the last printer set-up are offered again next
// time, for the length of the run.
//
// Each dialog is the child of its opener's window, so the window manager keeps it above that
// window and hands the focus back to it; when the dialog closes, that window is raised and
// activated as well, so no other window of the program comes up in its place.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    // The window that holds the dialogs when there is no visible opener and no active window
    // (the main window); it may be deleted meanwhile.
    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }
    // The window a dialog for this opener belongs to.
    QWidget* Owner(QWidget* opener) const;

    using Dialogs::AskFigureOptions;
    using Dialogs::AskYesNo;
    using Dialogs::ChoosePrinter;
    using Dialogs::Inform;
    using Dialogs::OpenFile;
    using Dialogs::SaveFile;
    using Dialogs::Warn;

    std::optional<std::string> OpenFile(QWidget* opener, const std::string& title,
                                        const std::string& filter) override;
    std::optional<std::string> SaveFile(QWidget* opener, const std::string& title,
                                        const std::string& filter,
                                        const std::string& suggestedName) override;
    void Warn(QWidget* opener, const std::string& text,
              const std::string& title = "Error") override;
    void Inform(QWidget* opener, const std::string& text, const std::string& title) override;
    bool AskYesNo(QWidget* opener, const std::string& text,
                  const std::string& title = "Error") override;
    std::unique_ptr<QPrinter> ChoosePrinter(QWidget* opener) override;
    std::optional<FigureOptions> AskFigureOptions(QWidget* opener, const std::string& title,
                                                  const FigureOptions& offered) override;

    // "Data(*.csv)|*.csv|Text|*.txt;*.dat" becomes "Data (*.csv);;Text (*.txt *.dat)".
    static QString QtFilter(const std::string& filter);

private:
    std::optional<std::string> Chosen(const QString& path);

    QPointer<QWidget> parent_;
    QString lastFolder_;
    QString printerName_;
    std::optional<QPageLayout> pageLayout_;
};

}  // namespace tarvex
