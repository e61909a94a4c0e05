#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <fstream>

#include "app/App.h"
#include "app/frmMain.h"
#include "eof/frmControl.h"
#include "eof/frmCorrelVar.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

const std::string kExamples = std::string(TARVEX_SOURCE_DIR) + "/examples/";

// The panel unloads itself with a deferred delete; tests run no event loop, so they let
// those deletions happen where a running program would.
void RunDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Pick(QComboBox* combo, int eof)
{
    combo->setCurrentIndex(eof - 1);
    emit combo->activated(eof - 1);
}

void Focus(QWidget* w)
{
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(w, &in);
}

void SelectEofs(QListWidget* list, std::initializer_list<int> eofs)
{
    for (int eof : eofs)
        for (int k = 0; k < list->count(); ++k)
            if (list->item(k)->text() == QString::number(eof)) list->item(k)->setSelected(true);
}

std::vector<int> Entries(const QListWidget* list)
{
    std::vector<int> out;
    for (int k = 0; k < list->count(); ++k) out.push_back(list->item(k)->text().toInt());
    return out;
}

std::vector<int> Axes(const std::vector<int16_t>& axes, int count)
{
    return std::vector<int>(axes.begin() + 1, axes.begin() + 1 + count);
}

// Whether a main-window control is on in itself; while the panel is open the whole main
// window is off.
bool OnInMain(const QWidget* w)
{
    return w->isEnabledTo(w->window());
}

bool IsBlank(const PictureBox* box)
{
    const QImage image = box->picture().convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) return false;
    return true;
}

class ControlPanelTest : public ::testing::Test {
protected:
    ControlPanelTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    ~ControlPanelTest() override { RunDeferredDeletes(); }

    frmMain& m() { return app.main(); }
    frmControl& panel() { return app.control(); }

    void ImportReference(const std::string& path = kExamples + "reference.csv")
    {
        dialogs.QueueOpenFile(path);
        m().Command5->click();
        app.correlVar().Command1->click();
        ASSERT_TRUE(app.ws().eofDone);
    }

    // "Set more axes" in the 2-D view with the selection 1, 2, 5, 7.
    void SelectMoreAxes()
    {
        panel().Check1->click();
        SelectEofs(panel().List1, {5, 7});
        Focus(panel().List1);
        panel().Command1->click();
    }

    void PressOk()
    {
        panel().Command4->click();
        RunDeferredDeletes();
    }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(ControlPanelTest, OpensWithTheWorkspaceStateAndDisablesTheMainWindow)
{
    ImportReference();
    const Workspace& ws = app.ws();
    frmControl& p = panel();
    EXPECT_EQ(p.windowTitle(), "Control panel");
    EXPECT_FALSE(m().isEnabled());

    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(p.Combo1[i]->count(), 25);
        EXPECT_EQ(p.Combo1[i]->currentText(), QString::number(i));
    }
    // 2-D view: two drawn axes, no Z axis.
    EXPECT_EQ(p.VisibleCount(), 2);
    EXPECT_FALSE(p.Combo1[3]->isEnabled());
    EXPECT_FALSE(p.Label4->isEnabled());
    EXPECT_TRUE(p.Combo1[1]->isEnabled());
    EXPECT_EQ(Entries(p.List1).size(), 25u);
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{1, 2}));
    EXPECT_EQ(ws.selectedAxisCount, 2);
    EXPECT_FALSE(p.Check1->isChecked());
    EXPECT_FALSE(p.List1->isEnabled());
    EXPECT_FALSE(p.List2->isEnabled());
    EXPECT_FALSE(p.Command1->isEnabled());
    EXPECT_FALSE(p.Command2->isEnabled());

    // The table shows what fits and scrolls over the rest.
    const int rows = p.FitRows();
    EXPECT_GE(rows, 5);
    EXPECT_LT(rows, 25);
    EXPECT_EQ(p.VScroll1->minimum(), 1);
    EXPECT_EQ(p.VScroll1->value(), 1);
    EXPECT_EQ(p.VScroll1->maximum(), 25 - rows + 4);
    EXPECT_EQ(p.VScroll1->pageStep(), rows - 1);
    EXPECT_FALSE(p.VScroll1->isHidden());
    EXPECT_FALSE(IsBlank(p.Picture1[1]));
    EXPECT_FALSE(IsBlank(p.Picture2));
    EXPECT_FALSE(IsBlank(p.Picture3));

    // Scrolled to the end, the columns hold the last EOFs and then empty rows.
    p.VScroll1->setValue(p.VScroll1->maximum());
    EXPECT_FALSE(IsBlank(p.Picture1[0]));

    PressOk();
    EXPECT_TRUE(m().isEnabled());
    EXPECT_FALSE(app.controlLoaded());
    EXPECT_FALSE(ws.moreAxes);
    EXPECT_FALSE(OnInMain(m().Option6[0]));
    EXPECT_FALSE(OnInMain(m().Command4[1]));
    EXPECT_FALSE(m().Timer2->isActive());
}

TEST_F(ControlPanelTest, ActivatingThePanelDisablesTheMainWindowAgain)
{
    ImportReference();
    frmControl& p = panel();
    p.show();
    m().setEnabled(true);
    QApplication::setActiveWindow(&p);
    QApplication::processEvents();
    ASSERT_TRUE(p.isActiveWindow());
    EXPECT_FALSE(m().isEnabled());
}

TEST_F(ControlPanelTest, ClosingTheWindowUnloadsItToo)
{
    ImportReference();
    QPointer<frmControl> p = &panel();
    p->close();
    RunDeferredDeletes();
    EXPECT_TRUE(p.isNull());
    EXPECT_TRUE(m().isEnabled());
    // The next use loads a fresh panel, which disables the main window again.
    EXPECT_EQ(Entries(panel().List2), (std::vector<int>{1, 2}));
    EXPECT_FALSE(m().isEnabled());
}

TEST_F(ControlPanelTest, AxisChoiceKeepsThreeDifferentEofsAndRelistsThem)
{
    ImportReference();
    Workspace& ws = app.ws();
    frmControl& p = panel();

    Pick(p.Combo1[1], 2);  // X takes Y's EOF: Y moves on to 3, which pushes Z on to 4
    EXPECT_EQ(p.Combo1[2]->currentText(), "3");
    EXPECT_EQ(p.Combo1[3]->currentText(), "4");
    EXPECT_EQ(Axes(ws.selectedAxes, 3), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Axes(ws.displayAxes, 3), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{2, 3, 4}));

    Pick(p.Combo1[2], 25);
    Pick(p.Combo1[1], 25);  // Y wraps round to 1
    EXPECT_EQ(Axes(ws.selectedAxes, 3), (std::vector<int>{25, 1, 4}));
}

TEST_F(ControlPanelTest, MoreAxesAddAndDeleteNeverRemoveTheDrawnAxes)
{
    ImportReference();
    Workspace& ws = app.ws();
    frmControl& p = panel();

    p.Check1->click();
    EXPECT_TRUE(ws.moreAxes);
    EXPECT_TRUE(p.List1->isEnabled());
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(p.Combo1[i]->isEnabled());
    // Automatic change is the default: the timer runs and "Prev."/"Next" wait.
    EXPECT_TRUE(OnInMain(m().Option6[1]));
    EXPECT_TRUE(OnInMain(m().Slider5));
    EXPECT_TRUE(m().Timer2->isActive());
    EXPECT_FALSE(OnInMain(m().Command4[1]));

    Focus(p.List1);
    EXPECT_TRUE(p.Command1->isEnabled());
    SelectEofs(p.List1, {1, 5, 7});  // 1 is listed already and is not added twice
    p.Command1->click();
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{1, 2, 5, 7}));
    EXPECT_TRUE(p.List1->selectedItems().isEmpty());
    EXPECT_FALSE(p.Command1->isEnabled());
    EXPECT_EQ(ws.selectedAxisCount, 4);

    // Everything selected, yet the two drawn axes stay.
    p.List2->selectAll();
    Focus(p.List2);
    EXPECT_TRUE(p.Command2->isEnabled());
    p.Command2->click();
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{1, 2}));
    EXPECT_FALSE(p.Command2->isEnabled());
    EXPECT_EQ(ws.selectedAxisCount, 2);

    SelectEofs(p.List1, {5, 7});
    Focus(p.List1);
    p.Command1->click();
    PressOk();
    EXPECT_TRUE(ws.moreAxes);
    EXPECT_EQ(ws.selectedAxisCount, 4);
    EXPECT_EQ(Axes(ws.selectedAxes, 4), (std::vector<int>{1, 2, 5, 7}));
    EXPECT_EQ(Axes(ws.displayAxes, 4), (std::vector<int>{1, 2, 5, 7}));
    EXPECT_TRUE(m().isEnabled());
    EXPECT_TRUE(m().Timer2->isActive());
}

TEST_F(ControlPanelTest, ReopeningWithMoreAxesKeepsTheInvisibleEofs)
{
    ImportReference();
    SelectMoreAxes();
    PressOk();
    ASSERT_EQ(app.ws().selectedAxisCount, 4);

    frmControl& p = panel();
    EXPECT_TRUE(p.Check1->isChecked());
    EXPECT_TRUE(p.List2->isEnabled());
    EXPECT_FALSE(p.Combo1[1]->isEnabled());
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{1, 2, 5, 7}));
    EXPECT_EQ(app.ws().selectedAxisCount, 4);
    PressOk();
    EXPECT_TRUE(app.ws().moreAxes);
    EXPECT_EQ(Axes(app.ws().selectedAxes, 4), (std::vector<int>{1, 2, 5, 7}));

    // Unticking the box keeps only the drawn entries.
    frmControl& again = panel();
    again.Check1->click();
    EXPECT_FALSE(app.ws().moreAxes);
    EXPECT_EQ(Entries(again.List2), (std::vector<int>{1, 2}));
    EXPECT_EQ(app.ws().selectedAxisCount, 2);
    EXPECT_TRUE(again.Combo1[1]->isEnabled());
}

TEST_F(ControlPanelTest, OnlyTheDrawnAxesSwitchMoreAxesOff)
{
    ImportReference();
    Workspace& ws = app.ws();
    frmControl& p = panel();
    p.Check1->click();
    ASSERT_TRUE(m().Timer2->isActive());

    // "Reflect" keeps the panel open and shows the mode as off.
    p.Command3->click();
    EXPECT_FALSE(ws.moreAxes);
    EXPECT_FALSE(p.Check1->isChecked());
    EXPECT_FALSE(p.List1->isEnabled());
    EXPECT_TRUE(p.Combo1[1]->isEnabled());
    EXPECT_FALSE(p.Combo1[3]->isEnabled());
    EXPECT_FALSE(m().Timer2->isActive());
    EXPECT_FALSE(OnInMain(m().Option6[0]));
    EXPECT_FALSE(m().isEnabled());
    EXPECT_TRUE(app.controlLoaded());

    p.Check1->click();
    PressOk();
    EXPECT_FALSE(ws.moreAxes);
    EXPECT_EQ(ws.selectedAxisCount, 2);
    EXPECT_FALSE(m().Timer2->isActive());
    EXPECT_FALSE(OnInMain(m().Slider5));
    EXPECT_TRUE(m().isEnabled());
}

TEST_F(ControlPanelTest, ManualChangeEnablesPrevAndNextInstead)
{
    ImportReference();
    m().Option6[1]->setChecked(true);
    SelectMoreAxes();
    PressOk();
    EXPECT_TRUE(OnInMain(m().Command4[0]));
    EXPECT_TRUE(OnInMain(m().Command4[1]));
    EXPECT_FALSE(OnInMain(m().Slider5));
    EXPECT_FALSE(OnInMain(m().Label7));
    EXPECT_FALSE(m().Timer2->isActive());
}

TEST_F(ControlPanelTest, ThreeEofsPrintNoTotals)
{
    const std::string path = std::string(TARVEX_BINARY_DIR) + "/control_three_taxa.csv";
    std::ofstream(path, std::ios::binary) << ",A,B,C\n"
                                             "S1,10,20,70\nS2,30,30,40\nS3,50,10,40\n"
                                             "S4,20,60,20\nS5,45,25,30\nS6,5,15,80\n";
    ImportReference(path);
    frmControl& p = panel();
    EXPECT_FALSE(IsBlank(p.Picture1[0]));
    EXPECT_FALSE(IsBlank(p.Picture1[2]));
    EXPECT_TRUE(IsBlank(p.Picture2));
    EXPECT_TRUE(IsBlank(p.Picture3));
    EXPECT_TRUE(p.VScroll1->isHidden());
    EXPECT_EQ(app.ws().selectedAxisCount, 2);

    // Three EOFs: X = 3 chosen while Y shows 3 moves Y round to 1.
    Pick(p.Combo1[2], 3);
    Pick(p.Combo1[1], 3);
    EXPECT_EQ(p.Combo1[2]->currentText(), "1");
    EXPECT_EQ(Axes(app.ws().selectedAxes, 3), (std::vector<int>{3, 1, 2}));
}

TEST_F(ControlPanelTest, ThreeDViewDrawsAndProtectsThreeAxes)
{
    ImportReference();
    m().Option4[1]->click();
    ASSERT_EQ(m().VisibleAxisCount(), 3);
    frmControl& p = panel();
    EXPECT_EQ(p.VisibleCount(), 3);
    EXPECT_TRUE(p.Combo1[3]->isEnabled());
    EXPECT_TRUE(p.Label4->isEnabled());
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(app.ws().selectedAxisCount, 3);

    p.Check1->click();
    SelectEofs(p.List1, {8});
    Focus(p.List1);
    p.Command1->click();
    p.List2->selectAll();
    Focus(p.List2);
    p.Command2->click();
    EXPECT_EQ(Entries(p.List2), (std::vector<int>{1, 2, 3}));

    // The view follows the main window while the panel is open.
    p.ViewChanged(2);
    EXPECT_FALSE(p.Combo1[3]->isEnabled());
    EXPECT_FALSE(p.Label4->isEnabled());
    EXPECT_EQ(p.VisibleCount(), 2);
}

TEST_F(ControlPanelTest, QuitAppliesThePanelOnceMore)
{
    ImportReference();
    frmControl& p = panel();
    p.Check1->click();
    SelectEofs(p.List1, {5, 7});
    Focus(p.List1);
    p.Command1->click();
    ASSERT_EQ(app.ws().selectedAxes[3], 3);  // not applied before the panel goes

    app.Quit();
    EXPECT_FALSE(app.controlLoaded());
    EXPECT_EQ(Axes(app.ws().selectedAxes, 4), (std::vector<int>{1, 2, 5, 7}));
    EXPECT_TRUE(m().isEnabled());
}

TEST_F(ControlPanelTest, AReplacedPanelLeavesTheNewChoiceAlone)
{
    ImportReference();
    SelectMoreAxes();
    panel().Command4->click();  // unloaded, deletion still pending

    frmControl& fresh = panel();
    SelectEofs(fresh.List2, {5});
    Focus(fresh.List2);
    fresh.Command2->click();
    fresh.Command3->click();
    ASSERT_EQ(Axes(app.ws().selectedAxes, 3), (std::vector<int>{1, 2, 7}));

    RunDeferredDeletes();
    EXPECT_EQ(Axes(app.ws().selectedAxes, 3), (std::vector<int>{1, 2, 7}));
    EXPECT_EQ(app.ws().selectedAxisCount, 3);
}

}  // namespace
}  // namespace tarvex
