#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

#include "support/Pdf.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// A panel drawn the way the plots are: a scale, lines, dots, text and a block of cells.
void DrawSample(PictureBox& p)
{
    p.resize(240, 180);
    p.Scale(0, 10, 10, -10);
    p.SetBackColor(kWhite);
    p.Cls();
    p.SetDrawWidth(2);
    p.Line(1, 1, 9, 9, RGB(255, 0, 0));
    p.Box(0.5, 0.5, 9.5, 9.5, RGB(0, 0, 128));
    p.SetDrawWidth(1);
    for (int i = 1; i <= 8; ++i) p.Circle(i, 9 - i, 0.2, RGB(0, 0, 128), RGB(0, 0, 128));
    Matrix<int32_t> cells(3, 3);
    for (int i = 0; i <= 3; ++i)
        for (int j = 0; j <= 3; ++j) cells(i, j) = RGB(60 * i, 200, 60 * j);
    p.Cells(6, 4, 9, 1, CellImage(cells));
    p.SetCurrentX(1);
    p.SetCurrentY(9.5);
    p.SetForeColor(kBlack);
    p.Print("Tcold 12.5");
}

// Share of pixels whose colours differ by more than a small tolerance.
double Mismatch(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return 1;
    int off = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                    std::abs(qBlue(p) - qBlue(q)) >
                120)
                ++off;
        }
    return static_cast<double>(off) / (a.width() * a.height());
}

TEST(PictureExportTest, SvgKeepsTextAndShapesAndLooksLikeTheScreen)
{
    PictureBox p;
    DrawSample(p);
    const std::string path = TempPath("export-sample.svg");
    std::string reason;
    ASSERT_TRUE(ExportPanelPicture(p, path, &reason)) << reason;
    const std::string svg = ReadAll(path);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("Tcold 12.5"), std::string::npos);  // text stays text
    EXPECT_NE(svg.find("<polyline"), std::string::npos);   // lines stay lines
    EXPECT_NE(svg.find("<image"), std::string::npos);      // the cells stay one image

    QSvgRenderer renderer(QString::fromStdString(path));
    ASSERT_TRUE(renderer.isValid());
    QImage drawn(p.picture().size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    EXPECT_LT(Mismatch(drawn, p.picture().convertToFormat(QImage::Format_RGB32)), 0.02);
}

TEST(PictureExportTest, PdfIsOnePageThePanelsSizeAndLooksLikeTheScreen)
{
    PictureBox p;
    DrawSample(p);
    const std::string path = TempPath("export-sample.pdf");
    ASSERT_TRUE(ExportPanelPicture(p, path));
    EXPECT_TRUE(PdfText(path).contains("Tcold 12.5"));
    const QImage page =
        PdfFirstPage(path, 96, TempPath("export-sample")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(page.size(), p.picture().size());
    EXPECT_LT(Mismatch(page, p.picture().convertToFormat(QImage::Format_RGB32)), 0.02);
}

TEST(PictureExportTest, ClearingThePanelClearsItsRecordAndTheKeptPictureComesBack)
{
    PictureBox p;
    DrawSample(p);
    p.KeepPicture();
    p.SetDrawOverlay(true);
    p.Line(0, 5, 10, 5, RGB(0, 0, 255));
    p.SetCurrentX(1);
    p.SetCurrentY(3);
    p.Print("cursor");
    p.SetDrawOverlay(false);
    const std::string path = TempPath("export-kept.svg");
    ASSERT_TRUE(ExportPanelPicture(p, path));
    EXPECT_NE(ReadAll(path).find("cursor"), std::string::npos);

    // Cls returns to the kept picture: its text is there, the overlay's is gone.
    p.Cls();
    ASSERT_TRUE(ExportPanelPicture(p, path));
    EXPECT_NE(ReadAll(path).find("Tcold 12.5"), std::string::npos);
    EXPECT_EQ(ReadAll(path).find("cursor"), std::string::npos);

    p.ForgetPicture();
    p.Cls();
    ASSERT_TRUE(ExportPanelPicture(p, path));
    EXPECT_EQ(ReadAll(path).find("Tcold 12.5"), std::string::npos);
}

TEST(PictureExportTest, MenuEntryAsksForTheFileAndRefusesOtherSuffixes)
{
    PictureBox p;
    DrawSample(p);
    ScriptedDialogs dialogs;
    QMenu menu;
    QAction* entry = AddExportPicture(menu, p, dialogs, "curve.svg");
    EXPECT_EQ(entry->text(), "Export Picture...");

    const std::string path = TempPath("export-menu.pdf");
    std::remove(path.c_str());
    dialogs.QueueSaveFile(path);
    entry->trigger();
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.records[0].suggestedName, "curve.svg");
    EXPECT_EQ(dialogs.records[0].filter, kPictureFilter);
    EXPECT_EQ(ReadAll(path).rfind("%PDF", 0), 0u);

    dialogs.QueueSaveFile(TempPath("export-menu.png"));
    entry->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_NE(dialogs.MessageTexts()[0].find("could not be exported"), std::string::npos);
    EXPECT_EQ(dialogs.records.back().title, "Error");

    dialogs.QueueSaveFile(std::nullopt);
    entry->trigger();
    EXPECT_EQ(dialogs.MessageTexts().size(), 1u);
}

TEST(PictureExportTest, DefaultSuffixFollowsTheChosenFilter)
{
    EXPECT_EQ(DefaultSuffix("DataFile (*.csv)"), "csv");
    EXPECT_EQ(DefaultSuffix("PDF document (*.pdf)"), "pdf");
    EXPECT_EQ(DefaultSuffix("All files (*)"), "");
}

}  // namespace
}  // namespace tarvex
