#pragma once

#include <memory>
#include <optional>
#include <string>

class QPrinter;

namespace tarvex {

// Every question the program asks the user goes through here, so windows can be driven by
// scripted answers in tests. File filters are written "Description(*.ext)|*.ext", pairs of
// description and pattern separated by '|', several patterns in one pair by ';'.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> OpenFile(const std::string& title,
                                                const std::string& filter) = 0;
    // Asks before an existing file is overwritten; a "no" there is a cancel.
    virtual std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                                const std::string& suggestedName) = 0;
    // Message with a warning icon and an OK button.
    virtual void Warn(const std::string& text, const std::string& title = "Error") = 0;
    // Message with an information icon and an OK button.
    virtual void Inform(const std::string& text, const std::string& title) = 0;
    // Yes/No question with a warning icon; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title = "Error") = 0;
    // A printer set up by the user (copies, orientation), or nullptr when cancelled.
    virtual std::unique_ptr<QPrinter> ChoosePrinter() = 0;
};

}  // namespace tarvex
