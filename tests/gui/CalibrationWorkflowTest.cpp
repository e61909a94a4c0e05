#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "settings/frmColor.h"
#include "settings/frmPrintSetup.h"
#include "support/CalibrationPath.h"
#include "support/Pdf.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// The path a user takes from the reference table to a printed chart, and back out through
// the resets, in one run of the windows.
TEST(CalibrationWorkflowTest, FromTheReferenceTableToAPrintedChartAndBack)
{
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    Workspace& ws = app.ws();

    frmMAT& r = ReachErrorModel(app, dialogs);
    ASSERT_TRUE(ws.reconShown);
    ASSERT_TRUE(ws.errorModelShown);

    r.Command6->click();
    frmCalib& c = app.calib();
    c.Check4->click();
    c.Command3->click();
    ASSERT_TRUE(c.stages().drawn[8]);
    c.Command10->click();
    ASSERT_TRUE(ws.calibReturned);
    r.Command4->click();
    ASSERT_TRUE(ws.histBuilt);

    // "More details" of figure 8: the chart in the confidence view with both paths.
    c.mnuFigDetails[1]->trigger();
    ASSERT_TRUE(app.chartLoaded());
    frmOutPut2& chart = app.chart();
    EXPECT_TRUE(ws.chartOpen);
    EXPECT_TRUE(chart.Option1[1]->isChecked());
    EXPECT_TRUE(chart.Check1->isChecked());
    const int column = chart.SectionColumn();
    chart.Slider1->setValue(70);
    EXPECT_NE(chart.SectionColumn(), column);
    EXPECT_FALSE(chart.shownTexts().intervals1.empty());

    // The colour dialog changes a picture: the probability view of the chart redrawn in grey.
    chart.Option1[0]->click();
    const QImage before = chart.Picture1->persistentPicture();
    chart.ColourSetting->trigger();
    ASSERT_TRUE(app.colour().isVisible());
    app.colour().Command1->click();
    app.colour().Command2->click();
    EXPECT_NE(chart.Picture1->persistentPicture(), before);

    // Print options, then the chart on paper.
    chart.PrintOptions->trigger();
    ASSERT_TRUE(chart.printSetup());
    chart.printSetup()->Text5->setText("Example core, Tcold");
    emit chart.printSetup()->Text5->textEdited("Example core, Tcold");
    chart.printSetup()->Command1->click();
    const std::string pdf = TempPath("workflow-chart.pdf");
    std::remove(pdf.c_str());
    dialogs.QueuePrinterPdf(pdf);
    chart.Print->trigger();
    EXPECT_TRUE(PdfText(pdf).contains("Example core, Tcold"));
    EXPECT_TRUE(dialogs.MessageTexts().empty());

    // Back out: a setting of the calibration closes the chart and takes the results back;
    // a new search setting in the reconstruction window closes the calibration window.
    c.Slider6->setValue(2);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(app.chartLoaded());
    EXPECT_FALSE(ws.chartOpen);
    EXPECT_FALSE(ws.calibReturned);
    EXPECT_FALSE(ws.histBuilt);
    EXPECT_FALSE(r.Command4->isEnabled());
    r.Slider2->setValue(r.Slider2->value() + 5);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(app.calibLoaded());
    EXPECT_FALSE(ws.calibWindowOpen);
    EXPECT_FALSE(r.Picture4->isVisible());
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

}  // namespace
}  // namespace tarvex
