#include "ui/PrintPage.h"

#include <QApplication>
#include <QPrinter>
#include <memory>

#include "ui/Dialogs.h"

namespace tarvex {

PrintPage::PrintPage(QPrinter& printer) : printer_(printer)
{
    painter_.begin(&printer_);
    ResetCurrentPosition();
}

PrintPage::~PrintPage()
{
    if (painter_.isActive()) painter_.end();
}

bool PrintPage::NewPage()
{
    if (!painter_.isActive()) return false;
    if (!printer_.newPage()) return false;
    ResetCurrentPosition();
    return true;
}

bool PrintPage::EndDoc()
{
    if (!painter_.isActive()) return false;
    return painter_.end() && printer_.printerState() != QPrinter::Error;
}

void PrintPage::KillDoc()
{
    if (!painter_.isActive()) return;
    printer_.abort();
    painter_.end();
}

int PrintPage::PixelWidth() const
{
    return printer_.width();
}
int PrintPage::PixelHeight() const
{
    return printer_.height();
}

double PrintPage::DpiX() const
{
    return printer_.logicalDpiX();
}
double PrintPage::DpiY() const
{
    return printer_.logicalDpiY();
}

QPaintDevice* PrintPage::MetricsDevice() const
{
    return &printer_;
}

QPainter* PrintPage::BeginDraw()
{
    if (!painter_.isActive()) return nullptr;
    // Each call sets its own pen, font and hints; the page's painter state is left as found.
    painter_.save();
    return &painter_;
}

void PrintPage::EndDraw(QPainter* painter)
{
    painter->restore();
}

void PrintOnePage(Dialogs& dialogs, QWidget* opener, const std::function<void(PrintPage&)>& draw)
{
    std::unique_ptr<QPrinter> printer = dialogs.ChoosePrinter(opener);
    if (!printer) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool printed = false;
    {
        PrintPage page(*printer);
        if (page.IsActive()) {
            draw(page);
            printed = page.EndDoc();
        }
    }
    QApplication::restoreOverrideCursor();
    if (!printed) dialogs.Warn(opener, "The page could not be printed.", "Error");
}

}  // namespace tarvex
