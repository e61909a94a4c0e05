#pragma once

#include <memory>
#include <optional>
#include <string>

class QPrinter;
class QWidget;

namespace tarvex {

// How a figure is exported: its size in millimetres, the resolution of a PNG, and for the
// pollen diagram its drawing choices.
struct FigureOptions {
    double widthMm = 180;
    double heightMm = 120;
    double dpi = 300;
    bool diagram = false;  // the diagram's choices below are asked for
    bool bars = false;
    bool exaggeration = false;
    double minPercent = 0;
};

// Every question the program asks the user goes through here, so windows can be driven by
// scripted answers in tests. File filters are written "Description(*.ext)|*.ext", pairs of
// description and pattern separated by '|', several patterns in one pair by ';'.
//
// A dialog belongs to the window whose command asks (the opener): it stands above that
// window, and focus and stacking go back to that window when it closes. Without an opener
// it belongs to the window the user is working in.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> OpenFile(QWidget* opener, const std::string& title,
                                                const std::string& filter) = 0;
    // Asks before an existing file is overwritten; a "no" there is a cancel.
    virtual std::optional<std::string> SaveFile(QWidget* opener, const std::string& title,
                                                const std::string& filter,
                                                const std::string& suggestedName) = 0;
    // Message with a warning icon and an OK button.
    virtual void Warn(QWidget* opener, const std::string& text,
                      const std::string& title = "Error") = 0;
    // Message with an information icon and an OK button.
    virtual void Inform(QWidget* opener, const std::string& text, const std::string& title) = 0;
    // Yes/No question with a warning icon; true for Yes.
    virtual bool AskYesNo(QWidget* opener, const std::string& text,
                          const std::string& title = "Error") = 0;
    // A printer set up by the user (copies, orientation), or nullptr when cancelled.
    virtual std::unique_ptr<QPrinter> ChoosePrinter(QWidget* opener) = 0;
    // The options of a figure about to be exported, starting from those offered; nothing
    // when cancelled.
    virtual std::optional<FigureOptions> AskFigureOptions(QWidget* opener, const std::string& title,
                                                          const FigureOptions& offered) = 0;

    // The same, for the window the user is working in.
    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter)
    {
        return OpenFile(NoOpener(), title, filter);
    }
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                        const std::string& suggestedName)
    {
        return SaveFile(NoOpener(), title, filter, suggestedName);
    }
    void Warn(const std::string& text, const std::string& title = "Error")
    {
        Warn(NoOpener(), text, title);
    }
    void Inform(const std::string& text, const std::string& title)
    {
        Inform(NoOpener(), text, title);
    }
    bool AskYesNo(const std::string& text, const std::string& title = "Error")
    {
        return AskYesNo(NoOpener(), text, title);
    }
    // Out of line: the printer's type is complete only where printing is done.
    std::unique_ptr<QPrinter> ChoosePrinter();
    std::optional<FigureOptions> AskFigureOptions(const std::string& title,
                                                  const FigureOptions& offered)
    {
        return AskFigureOptions(NoOpener(), title, offered);
    }

private:
    static QWidget* NoOpener() { return nullptr; }
};

}  // namespace tarvex
