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
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    // The window the dialogs are centred on and modal to; it may be deleted meanwhile.
    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }

    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::string& filter) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                        const std::string& suggestedName) override;
    void Warn(const std::string& text, const std::string& title = "Error") override;
    void Inform(const std::string& text, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title = "Error") override;
    std::unique_ptr<QPrinter> ChoosePrinter() override;
    std::optional<FigureOptions> AskFigureOptions(const std::string& title,
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
