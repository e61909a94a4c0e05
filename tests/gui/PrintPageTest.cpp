#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ui/PrintPage.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

// Pages of a PDF file: page objects, not the page tree ("/Type /Pages").
int PdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = file.readAll();
    if (!data.startsWith("%PDF")) return -1;
    return static_cast<int>(QString::fromLatin1(data).count(
        QRegularExpression(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"))));
}

void DrawSample(PrintPage& page)
{
    page.ScaleTwips();
    page.SetDrawWidth(3);
    page.Box(1000, 1000, 5000, 4000, RGB(127, 127, 127));
    page.Line(1000, 1000, 5000, 4000, RGB(255, 0, 0));
    page.Circle(3000, 2500, 500, RGB(0, 0, 255), RGB(0, 255, 0));
    page.SetCurrentX(1000);
    page.SetCurrentY(500);
    page.Print("Sample 7");
    page.RotatedText(200, 3000, "Depth", 60, 25, 900, true, RGB(0, 0, 0));
}

class PrintPageTest : public ::testing::Test {
protected:
    std::unique_ptr<QPrinter> Printer(bool landscape = false, const QString& name = "page.pdf")
    {
        path = dir.filePath(name);
        dialogs.QueuePrinterPdf(path.toStdString(), landscape);
        return dialogs.ChoosePrinter();
    }
    QTemporaryDir dir;
    QString path;
    ScriptedDialogs dialogs;
};

TEST_F(PrintPageTest, PagesEndUpInThePdf)
{
    for (int pages : {1, 2}) {
        auto printer = Printer();
        ASSERT_TRUE(printer);
        PrintPage page(*printer);
        ASSERT_TRUE(page.IsActive());
        DrawSample(page);
        if (pages == 2) {
            ASSERT_TRUE(page.NewPage());
            DrawSample(page);
        }
        EXPECT_TRUE(page.EndDoc());
        EXPECT_EQ(PdfPageCount(path), pages);
    }
}

TEST_F(PrintPageTest, SizesFollowOrientationAndResolution)
{
    auto portrait = Printer(false);
    PrintPage upright(*portrait);
    auto landscape = Printer(true, "wide.pdf");
    PrintPage wide(*landscape);
    EXPECT_LT(upright.PixelWidth(), upright.PixelHeight());
    EXPECT_GT(wide.PixelWidth(), wide.PixelHeight());
    EXPECT_DOUBLE_EQ(upright.TwipsPerPixelX(), 1440.0 / portrait->resolution());
    // A printable A4 or Letter page is a little under 8.5 inches wide.
    EXPECT_NEAR(upright.TwipsWidth() / 1440.0, 8, 0.6);
}

TEST_F(PrintPageTest, FontsKeepTheirPhysicalSizeOnPaper)
{
    auto printer = Printer();
    PrintPage page(*printer);
    page.ScaleTwips();
    page.SetFontSize(12);
    // 12 points are 240 twips; the line adds its spacing but not a factor of the resolution.
    const double h = page.TextHeight("A");
    EXPECT_GE(h, 240);
    EXPECT_LE(h, 360);
    page.SetCurrentY(1000);
    page.Print("A");
    EXPECT_DOUBLE_EQ(page.CurrentY(), 1000 + h);
}

TEST_F(PrintPageTest, UnwritableOutputIsReportedNotHidden)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("no-such-folder/page.pdf"));
    PrintPage page(printer);
    EXPECT_FALSE(page.IsActive());
    DrawSample(page);
    EXPECT_FALSE(page.NewPage());
    EXPECT_FALSE(page.EndDoc());
}

}  // namespace
}  // namespace tarvex
