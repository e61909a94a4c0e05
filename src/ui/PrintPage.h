#pragma once

#include <QPainter>
#include <functional>

#include "ui/Surface.h"

class QPrinter;
class QWidget;

namespace tarvex {

// The drawing calls on a printer. The document starts when the page is made (copies,
// orientation and output must be set on the printer before that) and ends with EndDoc.
// The default scale is printer dots over the printable area, as for a panel it is pixels;
// ScaleTwips() gives the twip positions printouts are laid out in. Pen widths are printer
// dots.
class Dialogs;
class PrintPage;

// The whole of a print command of the window opener: the printer dialog (a cancel ends it
// silently), one page drawn by draw with the busy pointer, and a message with the title
// "Error" when the page could not be delivered.
void PrintOnePage(Dialogs& dialogs, QWidget* opener, const std::function<void(PrintPage&)>& draw);

class PrintPage : public Surface {
public:
    explicit PrintPage(QPrinter& printer);
    // A document still open is finished, so a page drawn without EndDoc is not lost.
    ~PrintPage() override;

    // False when the printer could not be started (no such printer, an output file that
    // cannot be written); drawing is then ignored and EndDoc reports the failure.
    bool IsActive() const { return painter_.isActive(); }
    bool NewPage();
    // Finishes the document; true only when it was delivered.
    bool EndDoc();
    // Abandons the document.
    void KillDoc();

    QPrinter& Printer() { return printer_; }

    int PixelWidth() const override;
    int PixelHeight() const override;

protected:
    QPainter* BeginDraw() override;
    void EndDraw(QPainter* painter) override;
    double DpiX() const override;
    double DpiY() const override;
    QPaintDevice* MetricsDevice() const override;

private:
    QPrinter& printer_;
    QPainter painter_;
};

}  // namespace tarvex
