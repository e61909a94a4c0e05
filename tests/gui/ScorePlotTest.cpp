#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <fstream>

#include "app/App.h"
#include "app/frmMain.h"
#include "eof/frmCorrelVar.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

QColor ColourOf(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// How many pixels of a colour lie in the square of half-width r around a pixel.
int CountNear(const QImage& image, int px, int py, int r, const QColor& colour)
{
    int n = 0;
    for (int y = py - r; y <= py + r; ++y)
        for (int x = px - r; x <= px + r; ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour) ++n;
    return n;
}

class ScorePlotTest : public ::testing::Test {
protected:
    ScorePlotTest() : app(dialogs)
    {
        app.endProgram = [] {};
        m().resize(1400, 800);
        for (PictureBox* p : {m().Picture1[0], m().Picture1[1], m().Picture2[0], m().Picture2[1]})
            p->resize(420, 420);
    }
    frmMain& m() { return app.main(); }
    void Load(const std::string& fossil = kExamples + "fossil.csv")
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        app.correlVar().Command1->click();
        dialogs.QueueOpenFile(fossil);
        m().Command6->click();
    }
    // The 3-D view without the rotation running (the example's no-analogue stretch leaves the
    // envelope of the first three EOFs).
    void ThreeDStill()
    {
        m().Option4[1]->setChecked(true);
        m().Check2->setChecked(true);
    }
    ScriptedDialogs dialogs;
    App app;
};

TEST_F(ScorePlotTest, HullSitesDifferOnlyByTheirOutline)
{
    Load();
    ThreeDStill();
    m().Command11->click();  // Envelop
    const Workspace& ws = app.ws();
    ASSERT_TRUE(ws.envelopeDone);
    PictureBox& p = *m().Picture2[0];
    const QImage sites = p.persistentPicture();
    const QColor c1 = ColourOf(ws.colours.schemeColour1.Value());
    const QColor c2 = ColourOf(ws.colours.schemeColour2.Value());

    // A site whose neighbourhood holds no other site: its own pixels decide.
    auto isolated = [&](int i) {
        for (int j = 1; j <= ws.refSiteCount; ++j)
            if (j != i &&
                std::abs(p.MapX(ws.sitePositions[j].x) - p.MapX(ws.sitePositions[i].x)) < 9 &&
                std::abs(p.MapY(ws.sitePositions[j].y) - p.MapY(ws.sitePositions[i].y)) < 9)
                return false;
        return true;
    };
    int hull = 0, inner = 0;
    for (int i = 1; i <= ws.refSiteCount && (hull == 0 || inner == 0); ++i) {
        if (!isolated(i)) continue;
        if (ws.refSiteOnHull[i] && hull == 0) hull = i;
        if (!ws.refSiteOnHull[i] && inner == 0) inner = i;
    }
    ASSERT_GT(hull, 0);
    ASSERT_GT(inner, 0);
    for (int i : {hull, inner}) {
        const int x = p.PixelX(ws.sitePositions[i].x);
        const int y = p.PixelY(ws.sitePositions[i].y);
        EXPECT_EQ(sites.pixelColor(x, y), c2) << "fill of site " << i;
    }
    EXPECT_GT(CountNear(sites, p.PixelX(ws.sitePositions[hull].x),
                        p.PixelY(ws.sitePositions[hull].y), 4, c1),
              0);
    EXPECT_EQ(CountNear(sites, p.PixelX(ws.sitePositions[inner].x),
                        p.PixelY(ws.sitePositions[inner].y), 4, c1),
              0);
}

TEST_F(ScorePlotTest, HideStillDrawsDotsPathAndRings)
{
    Load();
    ThreeDStill();
    m().Command11->click();
    const Workspace& ws = app.ws();
    ASSERT_TRUE(m().Option2[2]->isChecked() && m().Option3[2]->isChecked() &&
                m().Option5[2]->isChecked());
    int outside = 0;
    for (int j = 1; j <= ws.fossilSampleCount; ++j)
        if (ws.fossilOutside[j] && !ws.fossilSampleEmpty[j]) outside = j;
    ASSERT_GT(outside, 0) << "the example sequence has a stretch without modern analogue";

    PictureBox& p = *m().Picture2[0];
    const QImage all = p.picture();
    const QColor c2 = ColourOf(ws.colours.schemeColour2.Value());
    const QColor c3 = ColourOf(ws.colours.schemeColour3.Value());
    const QColor c4 = ColourOf(ws.colours.schemeColour4.Value());
    EXPECT_EQ(CountNear(p.persistentPicture(), p.PixelX(ws.sitePositions[1].x),
                        p.PixelY(ws.sitePositions[1].y), 1, c2) > 0,
              true);
    EXPECT_GT(CountNear(all, p.PixelX(ws.fossilPositions[outside].x),
                        p.PixelY(ws.fossilPositions[outside].y), 6, c3),
              0);
    // The path between two consecutive non-empty samples passes its midpoint.
    for (int j = 2; j <= ws.fossilSampleCount; ++j) {
        if (ws.fossilSampleEmpty[j] || ws.fossilSampleEmpty[j - 1]) continue;
        const double mx = (ws.fossilPositions[j].x + ws.fossilPositions[j - 1].x) / 2;
        const double my = (ws.fossilPositions[j].y + ws.fossilPositions[j - 1].y) / 2;
        EXPECT_GT(CountNear(all, p.PixelX(mx), p.PixelY(my), 2, c4), 0) << "segment " << j;
        break;
    }
    // Nothing fossil is part of the persistent site picture.
    EXPECT_EQ(CountNear(p.persistentPicture(), p.PixelX(ws.fossilPositions[outside].x),
                        p.PixelY(ws.fossilPositions[outside].y), 6, c3),
              0);
}

TEST_F(ScorePlotTest, ZoomZeroPutsTicksAtMinusOneAndOneOnly)
{
    Load();
    m().Slider4->setValue(0);
    const Workspace& ws = app.ws();
    ASSERT_EQ(ws.zoomFactor, 1.0);
    PictureBox& p = *m().Picture2[0];
    const QImage image = p.persistentPicture();
    const QColor black(0, 0, 0);
    // Ticks rise 0.033 above the x axis; test half-way up them.
    const int y = p.PixelY(0.02);
    EXPECT_EQ(image.pixelColor(p.PixelX(1.0), y), black);
    EXPECT_EQ(image.pixelColor(p.PixelX(-1.0), y), black);
    EXPECT_NE(image.pixelColor(p.PixelX(0.5), y), black);
    EXPECT_NE(image.pixelColor(p.PixelX(-0.5), y), black);
}

TEST_F(ScorePlotTest, OneOrTwoFossilSamplesAreNeverDrawn)
{
    const std::string path = std::string(TARVEX_BINARY_DIR) + "/plot_two_samples.csv";
    {
        std::ifstream in(kExamples + "fossil.csv");
        std::ofstream out(path);
        std::string line;
        for (int i = 0; i < 3 && std::getline(in, line); ++i) out << line << "\n";
    }
    Load(path);
    ASSERT_EQ(app.ws().fossilSampleCount, 2);
    EXPECT_FALSE(app.ws().projectionDone);
    m().Slider4->setValue(3);
    m().Option4[1]->setChecked(true);
    PictureBox& p = *m().Picture2[0];
    EXPECT_EQ(p.picture(), p.persistentPicture());
    EXPECT_FALSE(m().Command8->isEnabled());
}

TEST_F(ScorePlotTest, RotationMovesInWholeDegrees)
{
    Load();
    m().Option4[1]->setChecked(true);
    m().Check2->setChecked(true);  // paused: only the test's ticks turn the view
    m().Check2->setChecked(false);
    m().Timer1->stop();
    std::vector<int> forward;
    for (int i = 0; i < 3; ++i) {
        m().Timer1Tick();
        forward.push_back(m().Slider2[1]->value());
    }
    EXPECT_EQ(forward, (std::vector<int>{2, 4, 6}));
    m().Slider2[1]->setValue(0);
    m().Check3->setChecked(true);
    std::vector<int> reverse;
    for (int i = 0; i < 3; ++i) {
        m().Timer1Tick();
        reverse.push_back(m().Slider2[1]->value());
    }
    EXPECT_EQ(reverse, (std::vector<int>{-3, -6, -9}));

    // Past 180 degrees the view jumps to -180.
    m().Check3->setChecked(false);
    m().Slider2[1]->setValue(179);
    m().Timer1Tick();
    EXPECT_EQ(m().Slider2[1]->value(), -180);
    EXPECT_NEAR(app.ws().viewAngles[1], -3.1415926535898, 1e-12);
}

TEST_F(ScorePlotTest, NextAndPrevCycleTheDisplayedEofsOfMoreAxes)
{
    Load();
    Workspace& ws = app.ws();
    ws.moreAxes = true;
    ws.selectedAxisCount = 4;
    ws.displayAxes = {0, 1, 2, 5, 7};
    ws.selectedAxes = {0, 1, 2, 5, 7};
    m().Option6[1]->setChecked(true);  // manual change
    ASSERT_TRUE(m().Command4[1]->isEnabled());
    m().Command4[1]->click();
    EXPECT_EQ(ws.displayAxes[1], 2);
    EXPECT_EQ(ws.displayAxes[2], 5);
    m().Command4[1]->click();
    EXPECT_EQ(ws.displayAxes[1], 5);
    EXPECT_EQ(ws.displayAxes[2], 7);
    m().Command4[0]->click();
    m().Command4[0]->click();
    EXPECT_EQ(ws.displayAxes, (std::vector<int16_t>{0, 1, 2, 5, 7}));
    // Automatic change: the timer runs and Prev./Next step aside.
    m().Option6[0]->setChecked(true);
    EXPECT_TRUE(m().Timer2->isActive());
    EXPECT_FALSE(m().Command4[1]->isEnabled());
    m().Timer2->stop();
}

TEST_F(ScorePlotTest, StatusStripCountsTheAxes)
{
    Load();
    const QImage strip = m().Picture3->picture();
    int black = 0;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            if (strip.pixelColor(x, y).lightness() < 80) ++black;
    EXPECT_GT(black, 20) << "the status strip shows its text";
}

// Pixels of a strongly coloured hue: anti-aliased text on white keeps its hue but rarely its
// exact colour.
int CountHue(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = std::abs(c.hsvHue() - colour.hsvHue());
            if (c.hsvSaturation() > 80 && std::min(d, 360 - d) < 20) ++n;
        }
    return n;
}

TEST_F(ScorePlotTest, StatusStripHighlightsMoreAxesEvenWithNothingHidden)
{
    Load();
    Workspace& ws = app.ws();
    const QColor c3 = ColourOf(ws.colours.schemeColour3.Value());
    ThreeDStill();
    ws.moreAxes = false;
    ws.selectedAxisCount = 3;
    m().ShowAxisStatus();
    EXPECT_EQ(CountHue(m().Picture3->picture(), c3), 0) << "without more axes all is black";

    ws.moreAxes = true;
    m().ShowAxisStatus();
    EXPECT_GT(CountHue(m().Picture3->picture(), c3), 20)
        << "more axes with all three drawn still reads in the third colour";
}

}  // namespace
}  // namespace tarvex
