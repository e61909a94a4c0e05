#include <gtest/gtest.h>

#include "settings/ColourScheme.h"

namespace tarvex {
namespace {

struct ScaleCase {
    bool grey;
    double v;
    int r, g, b;
};

class ColourOfValueTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ColourOfValueTest, GivesRoundedComponents)
{
    const ScaleCase& c = GetParam();
    ColourScheme scheme;
    if (c.grey)
        ApplyGreyPreset(scheme);
    else
        ApplyColourPreset(scheme);
    const int colour = ColourOfValue(scheme, c.v);
    EXPECT_EQ(colour & 0xFF, c.r) << "v=" << c.v;
    EXPECT_EQ((colour >> 8) & 0xFF, c.g) << "v=" << c.v;
    EXPECT_EQ((colour >> 16) & 0xFF, c.b) << "v=" << c.v;
}

INSTANTIATE_TEST_SUITE_P(
    Presets, ColourOfValueTest,
    ::testing::Values(
        // Red on its plateau, green on its falling ramp (191.25), blue past its last stop.
        ScaleCase{false, 0.5, 255, 191, 0},
        // Below every first stop but blue's: blue rises from 0 to 0.15.
        ScaleCase{false, 0.0, 0, 0, 0}, ScaleCase{false, 0.075, 0, 0, 128},
        ScaleCase{false, 0.2, 0, 85, 255}, ScaleCase{false, 0.95, 0, 0, 0},
        ScaleCase{false, 1.0, 0, 0, 0},
        // Grey: 127.5 rounds to the even 128; from 0.6 on everything is black.
        ScaleCase{true, 0.3, 128, 128, 128}, ScaleCase{true, 0.0, 255, 255, 255},
        ScaleCase{true, 0.6, 0, 0, 0}, ScaleCase{true, 0.9, 0, 0, 0}));

TEST(ColourScaleTest, RedComponentOfColourPresetAtItsStops)
{
    ColourScheme scheme;
    ApplyColourPreset(scheme);
    EXPECT_DOUBLE_EQ(ColourScale(scheme, 0, 0.2), 0.0);
    EXPECT_DOUBLE_EQ(ColourScale(scheme, 0, 0.5), 255.0);
    EXPECT_DOUBLE_EQ(ColourScale(scheme, 0, 0.95), 0.0);
    // Exactly on the rising stop: the ramp starts at 0.
    EXPECT_DOUBLE_EQ(ColourScale(scheme, 0, 0.3), 0.0);
    EXPECT_NEAR(ColourScale(scheme, 0, 0.375), 127.5, 1e-4);
}

TEST(ColourScaleTest, OutOfOrderStopsStillGiveOneAnswer)
{
    ColourScheme scheme;
    ApplyColourPreset(scheme);
    // Red stops dragged to 0.6, 0.4, 0.5, 0.3: both ramps are empty, only the plateau
    // between the middle stops remains.
    scheme.colourScaleStops[0] = 0.6f;
    scheme.colourScaleStops[3] = 0.4f;
    scheme.colourScaleStops[6] = 0.5f;
    scheme.colourScaleStops[9] = 0.3f;
    for (double v : {0.0, 0.35, 0.55, 0.7}) EXPECT_EQ(ColourScale(scheme, 0, v), 0.0) << v;
    EXPECT_EQ(ColourScale(scheme, 0, 0.45), 255.0);
    // Equal neighbouring stops make the rising ramp empty: 0.4, 0.4, 0.5, 0.6.
    scheme.colourScaleStops[0] = 0.4f;
    scheme.colourScaleStops[3] = 0.4f;
    scheme.colourScaleStops[6] = 0.5f;
    scheme.colourScaleStops[9] = 0.6f;
    EXPECT_EQ(ColourScale(scheme, 0, 0.4), 255.0);
    EXPECT_EQ(ColourScale(scheme, 0, 0.39), 0.0);
}

TEST(ColourPresetTest, SetsSchemeSliderAndBothGreyFlags)
{
    ColourScheme scheme;
    ApplyGreyPreset(scheme);
    EXPECT_TRUE(scheme.greyScaleOn);
    EXPECT_TRUE(scheme.greyScaleOnCalib);
    EXPECT_EQ(scheme.colourScaleSlider, 0.0f);
    EXPECT_EQ(scheme.schemeColour3.Value(), 0);
    EXPECT_EQ(scheme.schemeColour4.Value(), 150 + 256 * 150 + 65536 * 150);

    ApplyColourPreset(scheme);
    EXPECT_FALSE(scheme.greyScaleOn);
    EXPECT_FALSE(scheme.greyScaleOnCalib);
    EXPECT_EQ(scheme.colourScaleSlider, 0.1f);
    EXPECT_EQ(scheme.schemeColour1.Value(), 255 * 65536);
    EXPECT_EQ(scheme.schemeColour3.Value(), 255);
    EXPECT_EQ(scheme.schemeColour4.Value(), 255 + 256 * 150);
    EXPECT_EQ(scheme.schemeColour5.Value(), 128 * 256);
    EXPECT_EQ(scheme.schemeColour6.Value(), 128 * 65536);
}

}  // namespace
}  // namespace tarvex
