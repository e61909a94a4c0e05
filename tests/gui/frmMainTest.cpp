#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <fstream>

#include "app/App.h"
#include "app/frmAbout1.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "data/TableReader.h"
#include "eof/frmCorrelVar.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : app(dialogs)
    {
        app.endProgram = [this] { ++quits; };
    }

    frmMain& m() { return app.main(); }

    // Every control that must not react before data are there.
    std::vector<QWidget*> ControlsDisabledAtStart()
    {
        frmMain& w = m();
        return {w.Command11,    w.Command14,    w.Command1[0], w.Command1[1],   w.Command2[0],
                w.Command2[1],  w.Command3,     w.Command4[0], w.Command4[1],   w.Command8,
                w.Command13[0], w.Command13[1], w.Command6,    w.Option2[0],    w.Option2[1],
                w.Option2[2],   w.Option3[0],   w.Option3[1],  w.Option3[2],    w.Option5[0],
                w.Option5[1],   w.Option5[2],   w.Option4[0],  w.Option4[1],    w.Option6[0],
                w.Option6[1],   w.Slider1,      w.Slider2[1],  w.Slider2[2],    w.Slider3,
                w.Slider4,      w.Slider5,      w.Combo1,      w.Combo3,        w.Combo4,
                w.Check1,       w.Check2,       w.Check3,      w.Check4,        w.LabelRotale,
                w.LabelTilt,    w.LabelTight,   w.LabelLoose,  w.LabelVelocity, w.Label7,
                w.Label4};
    }

    std::vector<QAction*> MenusDisabledAtStart()
    {
        frmMain& w = m();
        return {w.mnuControl, w.mnuCopy1L, w.mnuCopy1R, w.mnuCopy2L, w.mnuCopy2R, w.mnuSaveL,
                w.mnuSaveS,   w.mnuSaveF,  w.mnuSaveL2, w.mnuSaveS2, w.mnuSaveF2};
    }

    void ExpectStartAvailability()
    {
        for (QWidget* c : ControlsDisabledAtStart())
            EXPECT_FALSE(c->isEnabled())
                << c->objectName().toStdString() << " " << c->metaObject()->className();
        for (QAction* a : MenusDisabledAtStart())
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        EXPECT_TRUE(m().Command5->isEnabled());
        EXPECT_TRUE(m().Command7->isEnabled());
        for (QMenu* menu : {m().mnuFile, m().mnuControlPanel, m().mnuAboutTarvex})
            EXPECT_TRUE(menu->menuAction()->isEnabled());
        EXPECT_TRUE(m().mnuQuit->isEnabled());
        EXPECT_TRUE(m().mnuAbout->isEnabled());
    }

    ScriptedDialogs dialogs;
    App app;
    int quits = 0;
};

TEST_F(MainWindowTest, StartsWithDefaultsAndOnlyImportAndQuit)
{
    EXPECT_EQ(m().windowTitle(), "Tarvex 1.5");
    ExpectStartAvailability();

    const Workspace& ws = app.ws();
    EXPECT_TRUE(ws.useCorrelation);
    EXPECT_EQ(ws.matrixWidth, 200);
    EXPECT_EQ(ws.zoomFactor, 4.0);
    EXPECT_EQ(ws.envelopeTightness, 0.1f);
    EXPECT_EQ(ws.rotationStep, 0.04f);
    EXPECT_DOUBLE_EQ(ws.viewAngles[2], 15 * 3.1415926535898 / 180);
    EXPECT_EQ(ws.selectedAxisCount, 2);
    EXPECT_EQ(ws.selectedAxes, (std::vector<int16_t>{0, 1, 2, 3}));
    EXPECT_EQ(ws.displayAxes, (std::vector<int16_t>{0, 1, 2, 3}));
    EXPECT_FALSE(ws.eofDone || ws.projectionDone || ws.envelopeDone);
    EXPECT_FALSE(ws.colours.greyScaleOn);
    EXPECT_EQ(ws.colours.schemeColour3.Value(), 255);

    EXPECT_EQ(m().Slider1->value(), 1);
    EXPECT_EQ(m().Slider4->value(), 2);
    EXPECT_EQ(m().Slider5->value(), 5);
    EXPECT_EQ(m().Slider3->value(), 40);
    EXPECT_EQ(m().Slider2[2]->value(), 15);
    EXPECT_EQ(m().Label4->text(), "0.1");
    EXPECT_TRUE(m().Option4[0]->isChecked());
    EXPECT_TRUE(m().Option6[0]->isChecked());
    EXPECT_TRUE(m().Check4->isChecked());
    EXPECT_TRUE(m().mnuColor->isChecked());
    EXPECT_FALSE(m().mnuGrey->isChecked());
    EXPECT_EQ(m().Timer1->interval(), 10);
    EXPECT_EQ(m().Timer2->interval(), 5000);
    EXPECT_FALSE(m().Timer1->isActive());
    EXPECT_FALSE(m().Timer2->isActive());
    EXPECT_TRUE(m().ProgressBar1->isHidden());
    EXPECT_EQ(m().Command5->text(), "Import reference data");
    EXPECT_EQ(m().Command11->text(), "Envelop");
    EXPECT_EQ(m().mnuSaveS->text(), "Score (&Reference)");
    EXPECT_EQ(m().mnuCopy2R->text(), "Copy");
}

TEST_F(MainWindowTest, ReferenceImportOfExampleDataEnablesTheNextSteps)
{
    const std::string path = kExamples + "reference.csv";
    const TableReadResult expected = ReadDataTableFile(path);
    ASSERT_EQ(expected.status, TableStatus::Ok);

    dialogs.QueueOpenFile(path);
    m().Command5->click();

    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_EQ(dialogs.unexpectedCalls, 0);
    const Workspace& ws = app.ws();
    EXPECT_EQ(ws.refFileName, path);
    EXPECT_EQ(ws.refSiteCount, 150);
    EXPECT_EQ(ws.refTaxonCount, expected.table.columnCount);
    EXPECT_EQ(ws.taxonCount, ws.refTaxonCount);
    EXPECT_TRUE(ws.refTextLabels);
    EXPECT_EQ(ws.refTaxonNames[0], "");
    EXPECT_EQ(ws.refSiteLabels[1], expected.table.rowLabels[1]);
    EXPECT_EQ(ws.refData(150, ws.refTaxonCount),
              expected.table.values(150, expected.table.columnCount));

    EXPECT_FALSE(m().Command5->isEnabled());
    EXPECT_TRUE(m().Command6->isEnabled());
    EXPECT_TRUE(m().Command3->isEnabled());
    EXPECT_TRUE(m().Slider4->isEnabled());
    for (QAction* a : {m().mnuControl, m().mnuCopy1L, m().mnuCopy1R, m().mnuCopy2L, m().mnuCopy2R,
                       m().mnuSaveS, m().mnuSaveS2, m().mnuSaveL, m().mnuSaveL2})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    // The fossil score file waits for fossil data; the envelope waits for the projection.
    EXPECT_FALSE(m().mnuSaveF->isEnabled());
    EXPECT_FALSE(m().Command11->isEnabled());

    EXPECT_EQ(m().Combo3->count(), ws.refTaxonCount);
    EXPECT_EQ(m().Combo3->currentText().toStdString(), ws.refTaxonNames[1]);
    EXPECT_EQ(m().Combo4->count(), 150);
    EXPECT_EQ(m().Combo4->itemText(149).toStdString(), ws.refSiteLabels[150]);

    ASSERT_TRUE(app.correlVarLoaded());
    EXPECT_TRUE(app.correlVar().isVisible());
    EXPECT_EQ(app.correlVar().windowTitle(), "Data pre-treatment for PCA");
}

struct FailureRow {
    const char* name;
    std::optional<std::string> content;  // nullopt: the dialog is cancelled
    std::vector<std::string> messages;
};

TEST_F(MainWindowTest, EveryFailedImportShowsItsMessagesAndChangesNothing)
{
    const std::vector<FailureRow> rows{
        {"blank",
         std::string(",a,b,c\nA,1,2,3\nB,1,2,3\nC,1,,3\n"),
         {kBlankCellMessage, kFormatErrorMessage}},
        {"strict", std::string(",a,b,c\nA,1,x,3\nB,1,2,3\n"), {kFormatErrorMessage}},
        {"past_end", std::string(",a,b,c\nA,1,2,3\nB,1,2\n"), {kFormatErrorMessage}},
        {"cancel", std::nullopt, {kFormatErrorMessage}},
        // The windows keep the format error where the batch program adds a reason.
        {"cell_too_long",
         ",a\n\"" + std::string(CellReader::kMaxCellBytes + 1, 'x') + "\",1\nB,2\n",
         {kFormatErrorMessage}},
        {"too_large",
         std::string(",a,b\nA,1,2\nB,1.6E+308,1\n"),
         {"Value too large: data row 2, column 1 (\"a\") holds 1.6E+308. The analysis takes "
          "values up to 1E+15 in magnitude; larger ones would overflow its sums."}},
    };
    for (const FailureRow& row : rows) {
        dialogs.records.clear();
        if (row.content)
            dialogs.QueueOpenFile(
                WriteTemp(std::string("gui_fail_") + row.name + ".csv", *row.content));
        else
            dialogs.QueueOpenFile(std::nullopt);
        m().Command5->click();

        EXPECT_EQ(dialogs.MessageTexts(), row.messages) << row.name;
        for (const DialogRecord& r : dialogs.records) {
            if (r.kind == DialogKind::Warn) {
                EXPECT_EQ(r.title, "Error") << row.name;
            }
        }
        EXPECT_EQ(app.ws().refSiteCount, 0) << row.name;
        EXPECT_EQ(app.ws().taxonCount, 0) << row.name;
        EXPECT_TRUE(app.ws().refFileName.empty()) << row.name;
        EXPECT_EQ(m().Combo3->count(), 0) << row.name;
        EXPECT_FALSE(app.correlVarLoaded()) << row.name;
        ExpectStartAvailability();
    }
    EXPECT_EQ(dialogs.unexpectedCalls, 0);

    // After all that, a good table still imports from scratch.
    dialogs.QueueOpenFile(kExamples + "reference.csv");
    m().Command5->click();
    EXPECT_EQ(app.ws().refSiteCount, 150);
}

TEST_F(MainWindowTest, RotationRestartsAfterImportOnlyIn3DWithoutPause)
{
    m().Option4[1]->setChecked(true);
    m().Timer1->start();
    dialogs.QueueOpenFile(std::nullopt);
    m().Command5->click();
    EXPECT_TRUE(m().Timer1->isActive());

    m().Check2->setChecked(true);
    dialogs.QueueOpenFile(std::nullopt);
    m().Command5->click();
    EXPECT_FALSE(m().Timer1->isActive());
}

TEST_F(MainWindowTest, QuitButtonMenuAndTitleBarAllQuitTheSameWay)
{
    m().mnuAbout->trigger();
    ASSERT_TRUE(app.aboutLoaded());
    m().Command7->click();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(app.aboutLoaded());

    m().mnuAbout->trigger();
    m().mnuQuit->trigger();
    EXPECT_EQ(quits, 2);
    EXPECT_FALSE(app.aboutLoaded());

    m().show();
    m().mnuAbout->trigger();
    m().close();
    EXPECT_EQ(quits, 3);
    EXPECT_FALSE(app.aboutLoaded());
    EXPECT_FALSE(m().isVisible());
}

TEST_F(MainWindowTest, ColourAndGreyMenusApplyPresetsAndMoveChecks)
{
    m().mnuGrey->trigger();
    EXPECT_TRUE(app.ws().colours.greyScaleOn);
    EXPECT_TRUE(m().mnuGrey->isChecked());
    EXPECT_FALSE(m().mnuColor->isChecked());
    EXPECT_EQ(app.ws().colours.schemeColour3.Value(), 0);

    m().mnuColor->trigger();
    EXPECT_FALSE(app.ws().colours.greyScaleOn);
    EXPECT_TRUE(m().mnuColor->isChecked());
    EXPECT_FALSE(m().mnuGrey->isChecked());
    EXPECT_EQ(app.ws().colours.schemeColour3.Value(), 255);
}

TEST_F(MainWindowTest, CopyPutsThatPlotsPictureOnTheClipboard)
{
    dialogs.QueueOpenFile(kExamples + "reference.csv");
    m().Command5->click();
    PictureBox* plot = m().Picture2[0];
    plot->resize(320, 250);
    plot->SetBackColor(0xFFFFFF);
    plot->Cls();
    plot->BoxFill(10, 10, 50, 40, 0x0000FF);  // red in 0xBBGGRR
    m().mnuCopy2L->trigger();
    const QImage copied = QApplication::clipboard()->image();
    if (copied.isNull()) GTEST_SKIP() << "this platform plugin offers no clipboard";
    EXPECT_EQ(copied.size(), QSize(320, 250));
    EXPECT_EQ(copied.pixelColor(30, 25), QColor(255, 0, 0));
    EXPECT_EQ(copied.pixelColor(300, 200), QColor(255, 255, 255));
}

TEST_F(MainWindowTest, SlidersDriveTheirWorkspaceFields)
{
    m().Slider1->setValue(7);
    EXPECT_EQ(m().Label4->text(), "0.7");
    EXPECT_EQ(app.ws().envelopeTightness, 0.7f);
    m().Slider4->setValue(5);
    EXPECT_EQ(app.ws().zoomFactor, 32.0);
    m().Slider3->setValue(100);
    EXPECT_EQ(app.ws().rotationStep, 0.1f);
    m().Slider5->setValue(12);
    EXPECT_EQ(m().Timer2->interval(), 12000);
}

TEST_F(MainWindowTest, SequentialModeMakesAFramesListAvailable)
{
    m().Option2[1]->setChecked(true);
    EXPECT_TRUE(m().Combo3->isEnabled());
    EXPECT_TRUE(m().Command1[0]->isEnabled());
    EXPECT_TRUE(m().Command1[1]->isEnabled());
    EXPECT_FALSE(m().Combo4->isEnabled());
    m().Option2[0]->setChecked(true);
    EXPECT_FALSE(m().Combo3->isEnabled());
    EXPECT_FALSE(m().Command1[1]->isEnabled());
}

TEST_F(MainWindowTest, AboutBoxNamesProgramCreditAndReference)
{
    m().mnuAbout->trigger();
    frmAbout1& about = app.about();
    EXPECT_TRUE(about.isVisible());
    auto* title = about.findChild<QLabel*>("aboutTitle");
    auto* reference = about.findChild<QLabel*>("aboutReference");
    ASSERT_NE(title, nullptr);
    ASSERT_NE(reference, nullptr);
    EXPECT_TRUE(title->text().contains("Tarvex 1.5"));
    EXPECT_TRUE(reference->text().contains("1985"));
}

}  // namespace
}  // namespace tarvex
