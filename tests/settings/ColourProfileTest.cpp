#include <gtest/gtest.h>

#include <vector>

#include "settings/ColourProfile.h"

namespace tarvex {
namespace {

constexpr int kWhite = 0xFFFFFF;

ColourScheme Colour()
{
    ColourScheme s;
    ApplyColourPreset(s);
    return s;
}

TEST(ColourProfile, ProfileLineThroughTheStops)
{
    const ColourScheme s = Colour();
    const auto p = ProfilePoints(s, 0, 2000, 1000);
    EXPECT_EQ(p[0], (ProfilePoint{0, 800}));
    EXPECT_NEAR(p[1].x, 600, 1e-3);  // red stop 0 = 0.3
    EXPECT_EQ(p[1].y, 800);
    EXPECT_NEAR(p[2].x, 900, 1e-3);
    EXPECT_EQ(p[2].y, 200);
    EXPECT_EQ(p[3].y, 200);
    EXPECT_NEAR(p[4].x, 1900, 1e-3);
    EXPECT_EQ(p[4].y, 800);
    EXPECT_EQ(p[5], (ProfilePoint{2000, 800}));
}

TEST(ColourProfile, PressWithinReachOfAHandle)
{
    const ColourScheme s = Colour();
    // Red handle 1 sits at (900, 200) in a 2000 x 1000 box.
    EXPECT_EQ(HandlesAt(s, 0, 950, 250, 2000, 1000), std::vector<int>{1});
    EXPECT_EQ(HandlesAt(s, 0, 850, 140, 2000, 1000), std::vector<int>{1});
    EXPECT_TRUE(HandlesAt(s, 0, 961, 200, 2000, 1000).empty());
    EXPECT_TRUE(HandlesAt(s, 0, 900, 261, 2000, 1000).empty());
    // Handle 0 lies low, at 0.8 H.
    EXPECT_EQ(HandlesAt(s, 0, 600, 800, 2000, 1000), std::vector<int>{0});
    // Grey preset: blue handles 1 and 2 both sit at (0, 200) and are taken together.
    ColourScheme g;
    ApplyGreyPreset(g);
    EXPECT_EQ(HandlesAt(g, 2, 10, 200, 2000, 1000), (std::vector<int>{1, 2}));
}

TEST(ColourProfile, DraggingAHandleToTheMiddle)
{
    ColourScheme s = Colour();
    s.coloursChanged = false;
    DragHandles(s, 0, {1}, 700, 2000);
    EXPECT_EQ(s.Stop(0, 1), 0.35f);
    EXPECT_FALSE(s.coloursChanged);  // not before the release
    ReleaseHandles(s, 0, {1}, 1000, 2000);
    EXPECT_EQ(s.Stop(0, 1), 0.5f);
    EXPECT_TRUE(s.coloursChanged);
    // Red now rises from 0.3 to 0.5: half way at 0.4.
    EXPECT_DOUBLE_EQ(ColourScale(s, 0, 0.4), 127.5);
    EXPECT_EQ(ColourOfValue(s, 0.4) & 0xFF, 128);  // the half goes to the even neighbour
    // The other components keep their stops.
    EXPECT_EQ(s.Stop(1, 1), 0.3f);
    EXPECT_EQ(s.Stop(2, 1), 0.15f);
}

TEST(ColourProfile, DragsStayInsideTheBoxAndMayPassNeighbours)
{
    ColourScheme s = Colour();
    DragHandles(s, 1, {0}, -300, 2000);
    EXPECT_EQ(s.Stop(1, 0), 0.0f);
    DragHandles(s, 1, {3}, 2600, 2000);
    EXPECT_EQ(s.Stop(1, 3), 1.0f);
    DragHandles(s, 1, {1}, 1900, 2000);  // past stop 2 (0.45)
    EXPECT_EQ(s.Stop(1, 1), 0.95f);
    EXPECT_EQ(s.Stop(1, 2), 0.45f);
}

TEST(ColourProfile, GreyModeMovesTheHiddenStopsWithBlue)
{
    ColourScheme s;
    ApplyGreyPreset(s);
    DragHandles(s, 2, {3}, 1600, 2000);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(s.Stop(c, 3), 0.8f) << c;
    ReleaseHandles(s, 2, {1, 2}, 200, 2000);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(s.Stop(c, 1), 0.1f) << c;
        EXPECT_EQ(s.Stop(c, 2), 0.1f) << c;
    }
    // In colour mode the components stay apart.
    ColourScheme col = Colour();
    DragHandles(col, 2, {3}, 1600, 2000);
    EXPECT_EQ(col.Stop(2, 3), 0.8f);
    EXPECT_EQ(col.Stop(0, 3), 0.95f);
}

TEST(ColourProfile, PresetButtonsAndCutOff)
{
    ColourScheme s = Colour();
    s.coloursChanged = false;
    ChooseGreyScale(s);
    EXPECT_TRUE(s.greyScaleOn);
    EXPECT_TRUE(s.greyScaleOnCalib);
    EXPECT_EQ(s.colourScaleSlider, 0.0f);
    EXPECT_TRUE(s.coloursChanged);
    s.coloursChanged = false;
    ResetColours(s);
    EXPECT_FALSE(s.greyScaleOn);
    EXPECT_EQ(s.Stop(0, 3), 0.95f);
    EXPECT_EQ(s.colourScaleSlider, 0.1f);
    EXPECT_TRUE(s.coloursChanged);

    s.coloursChanged = false;
    MoveCutOff(s, 30, false);
    EXPECT_EQ(s.colourScaleSlider, 0.3f);
    EXPECT_FALSE(s.coloursChanged);
    MoveCutOff(s, 30, true);
    EXPECT_TRUE(s.coloursChanged);
    // The first 30 % of a preview 200 wide stay white.
    for (int x = 0; x <= 60; ++x) EXPECT_EQ(PreviewColour(s, x, 200), kWhite) << x;
    EXPECT_EQ(PreviewColour(s, 62, 200), 17 + 256 * 255 + 65536 * 102);  // v = 0.31
}

TEST(ColourProfile, StopLabels)
{
    const ColourScheme s = Colour();
    EXPECT_EQ(StopPercentText(s.Stop(0, 1)), "45");
    EXPECT_EQ(StopPercentText(s.Stop(2, 0)), "0");
    EXPECT_EQ(StopPercentText(0.125f), "12");
}

}  // namespace
}  // namespace tarvex
