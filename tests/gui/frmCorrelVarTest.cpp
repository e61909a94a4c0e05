#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/App.h"
#include "app/frmMain.h"
#include "eof/frmCorrelVar.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

class PretreatmentDialogTest : public ::testing::Test {
protected:
    PretreatmentDialogTest() : app(dialogs)
    {
        app.endProgram = [] {};
        dialogs.QueueOpenFile(std::string(TARVEX_SOURCE_DIR) + "/examples/reference.csv");
        app.main().Command5->click();
    }
    ScriptedDialogs dialogs;
    App app;
};

TEST_F(PretreatmentDialogTest, DefaultsAndEnhancementReactions)
{
    frmCorrelVar& d = app.correlVar();
    EXPECT_TRUE(d.Option2[0]->isChecked());
    EXPECT_FALSE(d.Check1->isChecked());
    EXPECT_TRUE(d.Option3[0]->isChecked());
    EXPECT_FALSE(d.Option3[0]->isEnabled());
    EXPECT_FALSE(d.Option3[1]->isEnabled());
    EXPECT_TRUE(d.Option1[1]->isChecked());

    d.Check1->click();
    EXPECT_TRUE(d.Option3[0]->isEnabled());
    EXPECT_TRUE(d.Option3[1]->isEnabled());
    d.Option3[1]->click();
    EXPECT_DOUBLE_EQ(d.Enhance(1.0), 1.0);
    EXPECT_EQ(d.Enhance(0.005), 0.0);
    d.Check1->click();
    EXPECT_TRUE(d.Option3[0]->isChecked());
    EXPECT_FALSE(d.Option3[1]->isEnabled());
    EXPECT_DOUBLE_EQ(d.Enhance(0.005), 0.005);  // enhancement off: unchanged
}

TEST_F(PretreatmentDialogTest, TitleBarCloseKeepsTheDialogUntilOk)
{
    frmCorrelVar& d = app.correlVar();
    ASSERT_TRUE(d.isVisible());
    EXPECT_FALSE(d.close());
    EXPECT_TRUE(d.isVisible());
    d.Command1->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(app.ws().eofDone);
}

TEST_F(PretreatmentDialogTest, OkHidesDialogAndPreparesReferenceData)
{
    frmCorrelVar& d = app.correlVar();
    const double firstValue = app.ws().refData(1, 1);
    d.Option1[0]->click();
    d.Command1->click();
    const Workspace& ws = app.ws();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(ws.useCorrelation);
    EXPECT_FALSE(ws.enhancementApplied);
    EXPECT_EQ(ws.refData(1, 1), firstValue);
    double total = 0;
    for (int t = 1; t <= ws.refTaxonCount; ++t) total += ws.refData(1, t);
    EXPECT_DOUBLE_EQ(ws.refProportions(1, 0), total);
    EXPECT_DOUBLE_EQ(ws.refProportions(1, 1), firstValue / total);
}

}  // namespace
}  // namespace tarvex
