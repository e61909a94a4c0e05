#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "settings/ColourProfile.h"
#include "settings/frmColor.h"
#include "support/CalibrationPath.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class ColourDialogTest : public ::testing::Test {
protected:
    ColourDialogTest() : app(dialogs)
    {
        app.endProgram = [] {};
        app.main();
    }
    ColourScheme& scheme() { return app.ws().colours; }
    frmColor& Open()
    {
        app.ShowColourSettings();
        EXPECT_TRUE(app.colourLoaded());
        return app.colour();
    }
    // Twips of profile box k at a fraction of its width and height.
    static double Tx(frmColor& c, int k, double f) { return c.Picture2[k]->width() * 15.0 * f; }
    static double Ty(frmColor& c, int k, double f) { return c.Picture2[k]->height() * 15.0 * f; }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(ColourDialogTest, OpensOnTheCurrentScale)
{
    frmColor& c = Open();
    EXPECT_TRUE(c.isVisible());
    EXPECT_EQ(c.windowTitle(), "Colour settings");
    EXPECT_EQ(c.Slider1->value(), 10);
    EXPECT_EQ(c.Label0[0]->text(), "30");
    EXPECT_EQ(c.Label0[3]->text(), "95");
    EXPECT_EQ(c.Label2[1]->text(), "15");
    for (PictureBox* p : c.Picture2) EXPECT_TRUE(p->isVisible());
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(ColourDialogTest, DraggingAHandleMovesItsStopAndMarksTheChangeOnRelease)
{
    frmColor& c = Open();
    scheme().coloursChanged = false;
    // The second red handle sits at stop 1 (0.45) and 0.2 of the height.
    c.ProfileDown(0, Tx(c, 0, 0.45), Ty(c, 0, 0.2));
    c.ProfileMove(0, Tx(c, 0, 0.48), Ty(c, 0, 0.3));
    EXPECT_NEAR(scheme().Stop(0, 1), 0.48f, 1e-6);
    EXPECT_FALSE(scheme().coloursChanged);
    c.ProfileUp(0, Tx(c, 0, 0.5), Ty(c, 0, 0.3));
    EXPECT_FLOAT_EQ(scheme().Stop(0, 1), 0.5f);
    EXPECT_TRUE(scheme().coloursChanged);
    EXPECT_EQ(c.Label0[1]->text(), "50");
    // The preview follows the new stop: red is on its plateau from 0.5 on, not before.
    const int w = c.Picture1->PixelWidth();
    const QRgb at49 = c.Picture1->picture().pixel(static_cast<int>(w * 0.49), 5);
    const QRgb at55 = c.Picture1->picture().pixel(static_cast<int>(w * 0.55), 5);
    EXPECT_LT(qRed(at49), 255);
    EXPECT_EQ(qRed(at55), 255);

    // A press away from every handle drags nothing.
    const float before = scheme().Stop(0, 2);
    c.ProfileDown(0, Tx(c, 0, 0.1), Ty(c, 0, 0.5));
    c.ProfileMove(0, Tx(c, 0, 0.9), Ty(c, 0, 0.5));
    c.ProfileUp(0, Tx(c, 0, 0.9), Ty(c, 0, 0.5));
    EXPECT_EQ(scheme().Stop(0, 2), before);
}

TEST_F(ColourDialogTest, GreyScaleHidesRedAndGreenAndBlueCarriesThem)
{
    frmColor& c = Open();
    c.Command1->click();
    EXPECT_TRUE(scheme().greyScaleOn);
    EXPECT_TRUE(scheme().greyScaleOnCalib);
    EXPECT_TRUE(scheme().coloursChanged);
    EXPECT_FALSE(c.Picture2[0]->isVisible());
    EXPECT_FALSE(c.Picture2[1]->isVisible());
    EXPECT_TRUE(c.Picture2[2]->isVisible());
    EXPECT_TRUE(app.main().mnuGrey->isChecked());
    EXPECT_EQ(c.Slider1->value(), 0);

    // The last blue handle (0.6) dragged to 0.8: red and green move with it.
    c.ProfileDown(2, Tx(c, 2, 0.6), Ty(c, 2, 0.8));
    c.ProfileUp(2, Tx(c, 2, 0.8), Ty(c, 2, 0.8));
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(scheme().Stop(k, 3), 0.8f) << k;

    c.Command3->click();
    EXPECT_FALSE(scheme().greyScaleOn);
    EXPECT_TRUE(app.main().mnuColor->isChecked());
    EXPECT_FLOAT_EQ(scheme().Stop(0, 0), 0.3f);
    EXPECT_TRUE(c.Picture2[0]->isVisible());
    EXPECT_EQ(c.Slider1->value(), 10);
}

TEST_F(ColourDialogTest, CutOffPaintsThePreviewWhiteUpToIt)
{
    frmColor& c = Open();
    scheme().coloursChanged = false;
    c.Slider1->setValue(30);  // a keyboard-like change: no slider held down
    EXPECT_FLOAT_EQ(scheme().colourScaleSlider, 0.3f);
    EXPECT_TRUE(scheme().coloursChanged);
    EXPECT_EQ(c.Label3->text(), "Cut-off: 30 %");
    const int w = c.Picture1->PixelWidth();
    EXPECT_EQ(c.Picture1->picture().pixel(static_cast<int>(w * 0.29), 5), qRgb(255, 255, 255));
    EXPECT_NE(c.Picture1->picture().pixel(static_cast<int>(w * 0.4), 5), qRgb(255, 255, 255));
}

TEST_F(ColourDialogTest, ClosingRecoloursTheCalibrationFigures)
{
    frmCalib& cal = ReachCalibration(app, dialogs);
    ASSERT_TRUE(cal.stages().drawn[8]);
    cal.mnuColour->trigger();
    frmColor& c = app.colour();
    ASSERT_TRUE(c.isVisible());
    PictureBox* fig3 = cal.Picture2[0];
    const auto pixel = [fig3] {
        return fig3->picture().pixel(static_cast<int>(fig3->MapX(frmCalib::CellX(125))),
                                     static_cast<int>(fig3->MapY(frmCalib::CellY(125))));
    };
    const QRgb before = pixel();
    c.Command1->click();  // grey scale
    c.Command2->click();
    EXPECT_FALSE(c.isVisible());
    EXPECT_NE(pixel(), before);
    EXPECT_EQ(qRed(pixel()), qGreen(pixel()));
    EXPECT_EQ(qGreen(pixel()), qBlue(pixel()));
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

}  // namespace
}  // namespace tarvex
