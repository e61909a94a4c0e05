#include "ui/ScriptedDialogs.h"

#include <QPageLayout>
#include <QPrinter>
#include <QString>

namespace tarvex {

namespace {
// Takes the next answer of a queue, or counts the question as unexpected.
template <typename T>
std::optional<T> Next(std::deque<T>& queue, int& unexpected)
{
    if (queue.empty()) {
        ++unexpected;
        return std::nullopt;
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}
}  // namespace

void ScriptedDialogs::QueuePrinterPdf(std::string pdfPath, bool landscape, int copies)
{
    printerAnswers_.push_back(PdfPrinter{std::move(pdfPath), landscape, copies});
}

std::optional<std::string> ScriptedDialogs::OpenFile(QWidget* opener, const std::string& title,
                                                     const std::string& filter)
{
    records.push_back({DialogKind::Open, "", title, DialogIcon::None, filter, "", opener});
    return Next(openAnswers_, unexpectedCalls).value_or(std::nullopt);
}

std::optional<std::string> ScriptedDialogs::SaveFile(QWidget* opener, const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& suggestedName)
{
    records.push_back(
        {DialogKind::Save, "", title, DialogIcon::None, filter, suggestedName, opener});
    return Next(saveAnswers_, unexpectedCalls).value_or(std::nullopt);
}

void ScriptedDialogs::Warn(QWidget* opener, const std::string& text, const std::string& title)
{
    records.push_back({DialogKind::Warn, text, title, DialogIcon::Warning, "", "", opener});
}

void ScriptedDialogs::Inform(QWidget* opener, const std::string& text, const std::string& title)
{
    records.push_back({DialogKind::Inform, text, title, DialogIcon::Information, "", "", opener});
}

bool ScriptedDialogs::AskYesNo(QWidget* opener, const std::string& text, const std::string& title)
{
    records.push_back({DialogKind::YesNo, text, title, DialogIcon::Warning, "", "", opener});
    return Next(yesNoAnswers_, unexpectedCalls).value_or(false);
}

std::unique_ptr<QPrinter> ScriptedDialogs::ChoosePrinter(QWidget* opener)
{
    records.push_back({DialogKind::Printer, "", "", DialogIcon::None, "", "", opener});
    const std::optional<PdfPrinter> answer =
        Next(printerAnswers_, unexpectedCalls).value_or(std::nullopt);
    if (!answer) return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(answer->path));
    printer->setPageOrientation(answer->landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer->setCopyCount(answer->copies);
    return printer;
}

std::optional<FigureOptions> ScriptedDialogs::AskFigureOptions(QWidget*, const std::string& title,
                                                               const FigureOptions& offered)
{
    records.push_back({DialogKind::Figure, "", title, DialogIcon::None, "", ""});
    lastOfferedFigure = offered;
    const std::optional<FigureAnswer> answer = Next(figureAnswers_, unexpectedCalls);
    if (!answer || answer->cancel) return std::nullopt;
    return answer->offered ? offered : answer->options;
}

std::vector<std::string> ScriptedDialogs::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const DialogRecord& r : records) {
        if (r.kind == DialogKind::Warn || r.kind == DialogKind::Inform ||
            r.kind == DialogKind::YesNo) {
            texts.push_back(r.text);
        }
    }
    return texts;
}

std::size_t ScriptedDialogs::PendingAnswers() const
{
    return openAnswers_.size() + saveAnswers_.size() + yesNoAnswers_.size() +
           printerAnswers_.size() + figureAnswers_.size();
}

}  // namespace tarvex
