#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <cstdio>
#include <set>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/CalibRegions.h"
#include "calib/ChartText.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "data/NumberText.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "settings/frmPrintSetup.h"
#include "support/CalibrationPath.h"
#include "support/Pdf.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class ChartTest : public ::testing::Test {
protected:
    ChartTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    Workspace& ws() { return app.ws(); }

    // The example data up to figure 8 of the calibration window with a generated model.
    frmCalib& Calibrated()
    {
        frmCalib& c = ReachCalibration(app, dialogs);
        EXPECT_TRUE(c.stages().drawn[8]);
        return c;
    }
    // The chart opened from figure n, with neither path shown (so blue on the main figure
    // is the section line alone).
    frmOutPut2& Chart(frmCalib& c, int n, bool paths = true)
    {
        c.FigureClicked(n);
        EXPECT_TRUE(app.chartLoaded());
        frmOutPut2& ch = app.chart();
        if (!paths) {
            if (ch.Check1->isChecked()) ch.Check1->click();
            if (ch.Check4->isChecked()) ch.Check4->click();
        }
        return ch;
    }
    static void Settle()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    static QRgb Rgb(Colour c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }
    // The pixel at the middle of the cell whose corner is (x, y).
    static QRgb At(const QImage& image, PictureBox* p, double x, double y)
    {
        return image.pixel(static_cast<int>(p->MapX(x + 0.5)), static_cast<int>(p->MapY(y + 0.5)));
    }
    // Whether any pixel of a column of the figure is pure blue.
    static bool BlueColumn(PictureBox* p, double x)
    {
        const QImage image = p->picture();
        const int px = p->PixelX(x);
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(px, y) == qRgb(0, 0, 255)) return true;
        return false;
    }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(ChartTest, FiguresSevenAndEightOpenTheirViewsAndExitOrOkClose)
{
    frmCalib& c = Calibrated();
    frmOutPut2& ch = Chart(c, 7);
    EXPECT_TRUE(ch.isVisible());
    EXPECT_EQ(ch.windowTitle(), "Calibration chart");
    EXPECT_TRUE(ws().chartOpen);
    EXPECT_TRUE(ch.Option1[0]->isChecked());
    EXPECT_EQ(ch.Option1[0]->text(), "Pobability");
    EXPECT_FALSE(ch.Check1->isChecked());
    EXPECT_FALSE(ch.Check4->isChecked());
    EXPECT_TRUE(ch.Check2->isChecked());
    EXPECT_TRUE(ch.Picture3->isVisible());
    EXPECT_EQ(ch.Slider1->value(), 50);
    EXPECT_EQ(ch.Slider2->maximum(), 200);
    EXPECT_EQ(ch.Slider2->value(), 100);
    EXPECT_EQ(ch.Label4->text(), "100 %");
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(ch.Label1[static_cast<std::size_t>(k)]->text(), c.Text1->text());
        EXPECT_EQ(ch.Label2[static_cast<std::size_t>(k)]->text(), c.Text2->text());
    }
    EXPECT_TRUE(ch.mainDrawn());

    // In the probability view a cell outside both regions is white, one inside is not.
    const QImage prob = ch.Picture1->persistentPicture();
    int outside = 0, inside = 0;
    for (int i = 50; i <= 450; i += 5)
        for (int j = 50; j <= 450; j += 5) {
            const QRgb p = At(prob, ch.Picture1, frmOutPut2::ChartX(i), frmOutPut2::ChartY(j));
            if (ws().chartRegionFlags(i, j) == 0) {
                EXPECT_EQ(p, qRgb(255, 255, 255)) << i << "," << j;
                ++outside;
            } else if (ws().chartRegionFlags(i, j) >= 1) {
                EXPECT_NE(p, qRgb(255, 255, 255)) << i << "," << j;
                ++inside;
            }
        }
    EXPECT_GT(outside, 100);
    EXPECT_GT(inside, 100);

    // "More details" of figure 8 shows the same window in the confidence view with the paths.
    c.mnuFigDetails[1]->trigger();
    EXPECT_EQ(&app.chart(), &ch);
    EXPECT_TRUE(ch.Option1[1]->isChecked());
    EXPECT_TRUE(ch.Check1->isChecked());
    EXPECT_TRUE(ch.Check4->isChecked());
    EXPECT_FALSE(ch.Picture3->isVisible());
    // Only the two region colours and white: the paths and the section line are overlays.
    std::set<QRgb> colours;
    const QImage conf = ch.Picture1->persistentPicture();
    for (int y = 0; y < conf.height(); ++y)
        for (int x = 0; x < conf.width(); ++x) colours.insert(conf.pixel(x, y));
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(255, 255, 255), Rgb(calib::kRegionColourInner),
                                       Rgb(calib::kRegionColourRing)}));
    // The mode path is red on the main figure somewhere.
    const QImage shown = ch.Picture1->picture();
    bool red = false;
    for (int y = 0; y < shown.height() && !red; ++y)
        for (int x = 0; x < shown.width() && !red; ++x) red = shown.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);

    ch.Exit->trigger();
    Settle();
    EXPECT_FALSE(app.chartLoaded());
    EXPECT_FALSE(ws().chartOpen);
    Chart(c, 8).Command1->click();
    Settle();
    EXPECT_FALSE(app.chartLoaded());
    EXPECT_FALSE(ws().chartOpen);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(ChartTest, ResetsOfTheCalibrationCloseTheChart)
{
    frmCalib& c = Calibrated();
    Chart(c, 8);
    c.Slider3->setValue(c.Slider3->value() + 1);  // smoothing level
    Settle();
    EXPECT_FALSE(app.chartLoaded());
    EXPECT_FALSE(ws().chartOpen);

    c.Command3->click();
    ASSERT_TRUE(c.stages().drawn[8]);
    Chart(c, 7);
    c.CoefficientTyped(0, "50");
    Settle();
    EXPECT_FALSE(app.chartLoaded());
    EXPECT_FALSE(ws().chartOpen);

    // Closing the calibration window closes the chart too.
    ASSERT_TRUE(c.stages().drawn[8]);
    Chart(c, 8);
    c.Command2->click();
    Settle();
    EXPECT_FALSE(app.chartLoaded());
    EXPECT_FALSE(ws().chartOpen);
}

TEST_F(ChartTest, SectionSliderMovesTheSectionItsValuesAndItsIntervals)
{
    frmCalib& c = Calibrated();
    frmOutPut2& ch = Chart(c, 8, false);
    const double low = Val(c.Text1->text().toStdString());
    const double high = Val(c.Text2->text().toStdString());
    EXPECT_TRUE(BlueColumn(ch.Picture1, 200));

    const int leftAtHalf = ch.Label3->x();
    ch.Slider1->setValue(35);
    const int s = calib::SectionColumn(35);
    EXPECT_EQ(ch.SectionColumn(), s);
    EXPECT_EQ(s, 190);
    EXPECT_TRUE(BlueColumn(ch.Picture1, 140));
    EXPECT_FALSE(BlueColumn(ch.Picture1, 200));
    const QString value =
        QString::fromStdString(FormatSingle(static_cast<float>(low + (high - low) * 0.35)));
    EXPECT_EQ(ch.Label3->text(), value);
    EXPECT_EQ(ch.Label5->text(), value);
    EXPECT_LT(ch.Label3->x(), leftAtHalf);
    EXPECT_EQ(ch.Label5->x(), ch.Label3->x());

    // The interval texts are those of the section column, and there are intervals to show.
    const calib::SectionTexts expected = calib::SectionIntervalTexts(
        ws(), s, low, high, c.Label4[0]->text().toStdString(), c.Label4[1]->text().toStdString());
    const calib::SectionTexts& shown = ch.shownTexts();
    EXPECT_EQ(shown.heading1, "68.2 %");
    EXPECT_EQ(shown.intervals1, expected.intervals1);
    EXPECT_EQ(shown.intervals2, expected.intervals2);
    EXPECT_EQ(shown.average, expected.average);
    EXPECT_EQ(shown.mode, expected.mode);
    ASSERT_FALSE(shown.intervals2.empty());

    // The section figure shows column s: a row with probability has its bar, one without none.
    int withBar = 0;
    const QImage section = ch.Picture2->picture();
    for (int j = 50; j <= 450; j += 10) {
        const bool bar = ws().chartProbability(s, j) * 100 * 20 > 1;
        const QRgb p = At(section, ch.Picture2, 0, frmOutPut2::ChartY(j));
        if (ws().chartProbability(s, j) == 0) {
            EXPECT_EQ(p, qRgb(255, 255, 255)) << j;
        }
        if (bar) {
            EXPECT_EQ(p, qRgb(0, 0, 255)) << j;
            ++withBar;
        }
    }
    EXPECT_GT(withBar, 3);

    // The intervals' marks stand beside the section figure: the wider region's line at 205
    // twips to the right of it, at the middle row of its first interval.
    const std::vector<calib::ChartInterval> wide = calib::SectionIntervals(ws(), s, 1);
    ASSERT_FALSE(wide.empty());
    PictureBox* panel = ch.IntervalPanel;
    const QImage marks = panel->picture();
    const int row = (wide[0].lowRow + wide[0].highRow) / 2;
    const int y = ch.Picture2->y() +
                  static_cast<int>(ch.Picture2->MapY(frmOutPut2::ChartY(row) + 0.5)) - panel->y();
    const int x = ch.Picture2->x() + ch.Picture2->width() - panel->x() +
                  static_cast<int>(205 / panel->TwipsPerPixelX());
    bool line = false;
    for (int dx = -1; dx <= 1; ++dx) line = line || marks.pixel(x + dx, y) == qRgb(0, 0, 0);
    EXPECT_TRUE(line);

    // "Show intervals" cleared: the panel is empty; ticked again: the marks are back.
    ch.Check2->click();
    const QImage wiped = panel->picture();
    std::set<QRgb> left;
    for (int yy = 0; yy < wiped.height(); ++yy)
        for (int xx = 0; xx < wiped.width(); ++xx) left.insert(wiped.pixel(xx, yy));
    EXPECT_EQ(left.size(), 1u);
    ch.Check2->click();
    EXPECT_EQ(panel->picture(), marks);

    // At either end there is no section line, while the section figure shows the edge column.
    ch.Slider1->setValue(0);
    for (double xx : {0.0, 100.0, 200.0}) EXPECT_FALSE(BlueColumn(ch.Picture1, xx)) << xx;
    ch.Slider1->setValue(100);
    EXPECT_FALSE(BlueColumn(ch.Picture1, 400));
    EXPECT_EQ(ch.SectionColumn(), 450);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(ChartTest, EnhancementGoesBackOnlyWhenTheSliderIsLetGo)
{
    frmCalib& c = Calibrated();
    frmMAT& r = app.mat();
    frmOutPut2& ch = Chart(c, 7);
    ASSERT_FLOAT_EQ(ws().zEnhancement, 1.0f);
    ASSERT_EQ(r.Slider5->value(), 100);
    ws().colours.coloursChanged = false;
    const QImage before = ch.Picture1->persistentPicture();
    const QImage sectionBefore = ch.Picture2->picture();

    // Dragging: the chart follows at every step, the other windows do not.
    ch.Slider2->setSliderDown(true);
    ch.Slider2->setValue(150);
    EXPECT_EQ(ch.Label4->text(), "150 %");
    EXPECT_NE(ch.Picture1->persistentPicture(), before);
    EXPECT_NE(ch.Picture2->picture(), sectionBefore);
    EXPECT_FLOAT_EQ(ws().zEnhancement, 1.0f);
    EXPECT_EQ(r.Slider5->value(), 100);
    EXPECT_FALSE(ws().colours.coloursChanged);
    const int labelAt150 = ch.Label4->x();
    ch.Slider2->setValue(160);
    EXPECT_GT(ch.Label4->x(), labelAt150);

    // Let go: the enhancement is written and the reconstruction window's slider follows.
    ch.Slider2->setSliderDown(false);
    EXPECT_FLOAT_EQ(ws().zEnhancement, 1.6f);
    EXPECT_EQ(r.Slider5->value(), 160);
    EXPECT_TRUE(ws().colours.coloursChanged);

    // A keyboard step is complete at once.
    ws().colours.coloursChanged = false;
    ch.Slider2->setValue(40);
    EXPECT_FLOAT_EQ(ws().zEnhancement, 0.4f);
    EXPECT_EQ(r.Slider5->value(), 40);
    EXPECT_TRUE(ws().colours.coloursChanged);

    // At 0 the section figure is empty.
    ch.Slider2->setValue(0);
    const QImage empty = ch.Picture2->picture();
    for (int y = 0; y < empty.height(); y += 3)
        for (int x = 0; x < empty.width(); x += 3)
            ASSERT_EQ(empty.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(ChartTest, SaveWritesTheCalibrationWindowsFile)
{
    frmCalib& c = Calibrated();
    frmOutPut2& ch = Chart(c, 8);
    const std::string fromChart = TempPath("chart-save.csv");
    const std::string fromCalib = TempPath("chart-save-calib.csv");
    std::remove(fromChart.c_str());
    std::remove(fromCalib.c_str());
    dialogs.QueueSaveFile(fromChart);
    ch.SaveMatrix->trigger();
    dialogs.QueueSaveFile(fromCalib);
    c.mnuSaveCommon->trigger();
    ASSERT_TRUE(dialogs.MessageTexts().empty());
    const std::string written = ReadAll(fromChart);
    EXPECT_GT(written.size(), 201u * 201u);
    EXPECT_EQ(written, ReadAll(fromCalib));
    ASSERT_FALSE(dialogs.records.empty());
    EXPECT_EQ(dialogs.records[0].filter, "DataFile(*.csv)|*.csv");

    // A cancelled dialog is silent; a file that cannot be written is reported.
    dialogs.QueueSaveFile(std::nullopt);
    ch.SaveMatrix->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_EQ(dialogs.unexpectedCalls, 0);
    const std::string bad = TempPath("no-such-folder/chart.csv");
    dialogs.QueueSaveFile(bad);
    ch.SaveMatrix->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.MessageTexts()[0].rfind("The file could not be written:\n" + bad + "\n\n", 0),
              0u);
    EXPECT_EQ(dialogs.records.back().title, "Error");
}

TEST_F(ChartTest, PrintedPageHoldsTheChartTheTitleAndTheIntervals)
{
    frmCalib& c = Calibrated();
    frmOutPut2& ch = Chart(c, 7);  // the probability view still prints in confidence colours
    ch.Slider1->setValue(35);
    ws().print.printTitle = "Tcold chart, example core";
    const std::string pdf = TempPath("chart-print.pdf");
    std::remove(pdf.c_str());
    dialogs.QueuePrinterPdf(pdf);
    ch.Print->trigger();
    ASSERT_TRUE(dialogs.MessageTexts().empty());

    const QString words = PdfText(pdf, true);
    EXPECT_TRUE(words.contains("Tcold chart, example core"));
    // (Text extraction joins "ffi" into one glyph.)
    EXPECT_TRUE(words.contains(QRegularExpression("1: +68.2 %")));
    EXPECT_TRUE(words.contains(QRegularExpression("Z-axis enhancement: +100 %")));
    EXPECT_TRUE(words.contains("Y: Error model"));
    EXPECT_TRUE(words.contains("Mode"));
    const calib::SectionTexts t =
        calib::SectionIntervalTexts(ws(), ch.SectionColumn(), Val(c.Text1->text().toStdString()),
                                    Val(c.Text2->text().toStdString()), "68.2", "95.4");
    ASSERT_FALSE(t.intervals2.empty());
    EXPECT_TRUE(words.contains(QString::fromStdString(t.intervals2[0]).simplified()));

    EXPECT_EQ(PdfPageCount(pdf), 1);

    // The chart in region colours, and nothing touching the page's edges.
    const QImage page = PdfFirstPage(pdf, 50, TempPath("chart-print"));
    ASSERT_FALSE(page.isNull());
    int inner = 0, ring = 0;
    int left = page.width(), right = 0, top = page.height(), bottom = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (std::abs(qRed(p) - 200) < 12 && qGreen(p) > 240 && std::abs(qBlue(p) - 200) < 12)
                ++inner;
            if (std::abs(qRed(p) - 50) < 12 && std::abs(qGreen(p) - 127) < 12 &&
                std::abs(qBlue(p) - 50) < 12)
                ++ring;
            if (qGray(p) < 250) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    EXPECT_GT(inner, 50);
    EXPECT_GT(ring, 50);
    EXPECT_GT(left, 0);
    EXPECT_GT(top, 0);
    EXPECT_LT(right, page.width() - 1);
    EXPECT_LT(bottom, page.height() - 1);

    // A large zoom still fits the page.
    ws().print.printZoom = 2;
    std::remove(pdf.c_str());
    dialogs.QueuePrinterPdf(pdf);
    ch.Print->trigger();
    const QImage zoomed = PdfFirstPage(pdf, 50, TempPath("chart-print"));
    ASSERT_FALSE(zoomed.isNull());
    int zr = 0, zb = 0;
    for (int y = 0; y < zoomed.height(); ++y)
        for (int x = 0; x < zoomed.width(); ++x)
            if (qGray(zoomed.pixel(x, y)) < 250) {
                zr = std::max(zr, x);
                zb = std::max(zb, y);
            }
    EXPECT_LT(zr, zoomed.width() - 1);
    EXPECT_LT(zb, zoomed.height() - 1);

    dialogs.QueuePrinterCancel();
    ch.Print->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_EQ(dialogs.unexpectedCalls, 0);
}

TEST_F(ChartTest, CopyPrintOptionsAndResize)
{
    frmCalib& c = Calibrated();
    frmOutPut2& ch = Chart(c, 8);
    ch.CopyFig1->trigger();
    EXPECT_EQ(QApplication::clipboard()->image(), ch.Picture1->picture());
    ch.Copy2->trigger();
    EXPECT_EQ(QApplication::clipboard()->image(), ch.Picture2->picture());

    ch.PrintOptions->trigger();
    ASSERT_TRUE(ch.printSetup());
    EXPECT_TRUE(ch.printSetup()->isVisible());
    EXPECT_TRUE(ch.Check3->isChecked());
    EXPECT_NE(ch.printSetup(), c.printSetup());
    ch.printSetup()->Command2->click();

    // A larger window: larger figures drawn anew, and no two parts of the window overlap.
    const int side = ch.Picture1->width();
    ch.resize(ch.width() + 200, ch.height() + 160);
    QApplication::processEvents();
    EXPECT_GT(ch.Picture1->width(), side);
    EXPECT_EQ(ch.Picture1->width(), ch.Picture1->height());
    const auto inner = Rgb(calib::kRegionColourInner);
    int found = 0;
    for (int i = 50; i <= 450; i += 4)
        for (int j = 50; j <= 450; j += 4)
            if (ws().chartRegionFlags(i, j) == 2 &&
                At(ch.Picture1->persistentPicture(), ch.Picture1, frmOutPut2::ChartX(i),
                   frmOutPut2::ChartY(j)) == inner)
                ++found;
    EXPECT_GT(found, 20);
    for (QSize size : {ch.size(), ch.minimumSize()}) {
        ch.resize(size);
        QApplication::processEvents();
        const std::vector<QWidget*> parts = {
            ch.Picture1,   ch.Picture2, ch.IntervalPanel, ch.Slider1, ch.Slider2,  ch.Option1[0],
            ch.Option1[1], ch.Check1,   ch.Check4,        ch.Check2,  ch.Command1, ch.Picture3};
        for (std::size_t a = 0; a < parts.size(); ++a) {
            EXPECT_TRUE(ch.centralWidget()->rect().contains(parts[a]->geometry())) << a;
            for (std::size_t b = a + 1; b < parts.size(); ++b)
                EXPECT_FALSE(parts[a]->geometry().intersects(parts[b]->geometry()))
                    << a << "," << b;
        }
    }
    ch.Command1->click();
    Settle();
    EXPECT_FALSE(ws().chartOpen);
}

}  // namespace
}  // namespace tarvex
