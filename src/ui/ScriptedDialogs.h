#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/Dialogs.h"

class QWidget;

namespace tarvex {

enum class DialogKind { Open, Save, Warn, Inform, YesNo, Printer, Figure };
enum class DialogIcon { None, Warning, Information };

struct DialogRecord {
    DialogKind kind = DialogKind::Warn;
    std::string text;   // message text; empty for file and printer dialogs
    std::string title;  // dialog title; empty for the printer dialog
    DialogIcon icon = DialogIcon::None;
    std::string filter;               // file dialogs only
    std::string suggestedName;        // save dialog only
    const QWidget* opener = nullptr;  // the window that asked; null when none was named
};

// Dialogs for tests: every question is answered from a queue of its own kind, in the order
// the answers were queued, and every dialog shown is recorded. A question nobody scripted
// is answered with a cancel (or No) and counted in unexpectedCalls, so a test can tell a
// silent cancel from a question it did not expect.
class ScriptedDialogs : public Dialogs {
public:
    void QueueOpenFile(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
    void QueueSaveFile(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
    void QueueAnswer(bool yes) { yesNoAnswers_.push_back(yes); }
    // The next printer dialog returns a printer writing a PDF file to pdfPath.
    void QueuePrinterPdf(std::string pdfPath, bool landscape = false, int copies = 1);
    void QueuePrinterCancel() { printerAnswers_.push_back(std::nullopt); }
    // The next figure-options dialog keeps what it offers, answers with these, or is cancelled.
    void QueueFigureOffered() { figureAnswers_.push_back(FigureAnswer{false, true, {}}); }
    void QueueFigureOptions(const FigureOptions& o) { figureAnswers_.push_back({false, false, o}); }
    void QueueFigureCancel() { figureAnswers_.push_back(FigureAnswer{true, false, {}}); }

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
    // What the last figure-options dialog offered.
    FigureOptions lastOfferedFigure;

    // Texts of the message boxes and questions, in the order they were shown.
    std::vector<std::string> MessageTexts() const;
    // Answers queued but not asked for yet.
    std::size_t PendingAnswers() const;

    std::vector<DialogRecord> records;
    int unexpectedCalls = 0;

private:
    struct PdfPrinter {
        std::string path;
        bool landscape = false;
        int copies = 1;
    };

    std::deque<std::optional<std::string>> openAnswers_;
    std::deque<std::optional<std::string>> saveAnswers_;
    std::deque<bool> yesNoAnswers_;
    std::deque<std::optional<PdfPrinter>> printerAnswers_;
    struct FigureAnswer {
        bool cancel = false;
        bool offered = false;
        FigureOptions options;
    };
    std::deque<FigureAnswer> figureAnswers_;
};

}  // namespace tarvex
