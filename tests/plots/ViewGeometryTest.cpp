#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "data/NumberText.h"
#include "plots/ViewGeometry.h"

namespace tarvex {
namespace {

constexpr double kDeg = kProgramPi / 180;
const double kCos3 = 0.9986295347545738;
const double kSin3 = 0.0523359562429438;

TEST(ViewGeometryTest, ProjectionsOfOnePoint)
{
    struct Case {
        std::vector<double> angles;
        double x, y, depth;
    };
    // The point (1, 2, 3) under rotation a1 and tilt a2.
    const Case cases[] = {
        {{0, 0, 0}, 1, 2, 3},           // at rest the view is the 2-D one
        {{}, 1, 2, 3},                  // angles not set yet count as 0
        {{0, 90 * kDeg, 0}, -3, 2, 1},  // a quarter turn brings z to the front
        {{0, 0, 90 * kDeg}, 1, -3, 2},  // tilted flat: z points down
        {{0, 30 * kDeg, 60 * kDeg}, -0.6339746, -1.6830127, 3.2810889},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angles.size() > 1 ? c.angles[1] : -1);
        EXPECT_NEAR(ViewX(c.angles, 1, 2, 3), c.x, 1e-7);
        EXPECT_NEAR(ViewY(c.angles, 1, 2, 3), c.y, 1e-7);
        EXPECT_NEAR(ViewDepth(c.angles, 1, 2, 3), c.depth, 1e-7);
    }
}

TEST(ViewGeometryTest, RightEyeTurnsThreeDegrees)
{
    struct Case {
        double p, q, expected, tolerance;
    };
    const Case cases[] = {
        {1, 0, kCos3, 1e-15},
        {-1, 0, -kCos3, 1e-7},
        {3, 4, 3 * kCos3 - 4 * kSin3, 1e-6},
        {-3, -4, -3 * kCos3 + 4 * kSin3, 1e-6},
        {0, 0, 0, 0},
        // On the vertical axis: the single-precision polar angle lies 4.4e-8 past pi/2.
        {0, 1, -0.052335999894428914, 1e-15},
        // Negative depth on the vertical axis shifts right, as it does just beside the axis.
        {0, -1, kSin3, 1e-7},
        {1e-12, -1, kSin3, 1e-7},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(RightEyeX(c.p, c.q), c.expected, c.tolerance) << c.p << ", " << c.q;
}

TEST(ViewGeometryTest, TickSteps)
{
    const double scales[] = {1, 2, 4, 8, 16, 32, 64, 128, 256, 0.5, 6, 10, 48};
    const int steps[] = {2, 1, 1, 2, 4, 4, 8, 16, 32, 1, 2, 2, 6};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(TickStep(scales[i]), steps[i]) << scales[i];
}

void ExpectSegments(const std::vector<Segment>& got, const std::vector<Segment>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x1, want[i].x1, 1e-12) << "segment " << i;
        EXPECT_NEAR(got[i].y1, want[i].y1, 1e-12) << "segment " << i;
        EXPECT_NEAR(got[i].x2, want[i].x2, 1e-12) << "segment " << i;
        EXPECT_NEAR(got[i].y2, want[i].y2, 1e-12) << "segment " << i;
    }
}

void ExpectTexts(const std::vector<TextAt>& got, const std::vector<TextAt>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, want[i].x, 1e-12) << want[i].text;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-12) << want[i].text;
        EXPECT_EQ(got[i].text, want[i].text);
    }
}

TEST(PlotFrameTest, UnitScaleTicksOnlyAtTheEnds)
{
    const PlotFrame f = BuildPlotFrame(1, false, {0, 0, 0}, 1, 2, 3, true);
    ExpectSegments(f.axes, {{-1, 0, 1, 0}, {0, -1, 0, 1}});
    ExpectTexts(f.titles, {{0.86, -0.05, "EOF-1"}, {-0.32, 1.05, "EOF-2"}});
    ExpectSegments(f.ticks,
                   {{-1, 0, -1, 0.033}, {0, -1, 0.033, -1}, {1, 0, 1, 0.033}, {0, 1, 0.033, 1}});
    ExpectTexts(f.rangeLabels,
                {{0.94, 0.17, " 1"}, {-1.06, 0.17, "-1"}, {0.06, 1.05, " 1"}, {0.08, -0.95, "-1"}});
}

TEST(PlotFrameTest, ZoomFourTicksEveryIntegerAndLabelsTheRange)
{
    const PlotFrame f = BuildPlotFrame(4, false, {0, 0, 0}, 2, 5, 1, true);
    std::vector<Segment> ticks;
    for (int t = -4; t <= 4; ++t) {
        ticks.push_back({double(t), 0, double(t), 0.132});
        ticks.push_back({0, double(t), 0.132, double(t)});
    }
    ExpectSegments(f.ticks, ticks);
    ExpectTexts(f.titles, {{3.44, -0.2, "EOF-2"}, {-1.28, 4.2, "EOF-5"}});
    ExpectTexts(f.rangeLabels,
                {{3.76, 0.68, " 4"}, {-4.24, 0.68, "-4"}, {0.24, 4.2, " 4"}, {0.32, -3.8, "-4"}});

    const PlotFrame bare = BuildPlotFrame(4, false, {0, 0, 0}, 2, 5, 1, false);
    EXPECT_EQ(bare.axes.size(), 2u);
    EXPECT_EQ(bare.titles.size(), 2u);
    EXPECT_TRUE(bare.ticks.empty());
    EXPECT_TRUE(bare.rangeLabels.empty());
}

TEST(PlotFrameTest, TicksRunFromMinusScaleToScaleInclusive)
{
    const double scales[] = {2, 8, 16, 32, 256};
    const std::size_t perAxis[] = {5, 9, 9, 17, 17};
    for (int i = 0; i < 5; ++i) {
        const PlotFrame f = BuildPlotFrame(scales[i], false, {0, 0, 0}, 1, 2, 3, true);
        ASSERT_EQ(f.ticks.size(), 2 * perAxis[i]) << scales[i];
        EXPECT_EQ(f.ticks.front().x1, -scales[i]);
        EXPECT_EQ(f.ticks[f.ticks.size() - 2].x1, scales[i]);
    }
}

TEST(PlotFrameTest, ThreeDAtRestMatchesTwoDAndCollapsesTheThirdAxis)
{
    const PlotFrame f = BuildPlotFrame(2, true, {0, 0, 0}, 1, 2, 3, true);
    ExpectSegments(f.axes, {{-2, 0, 2, 0}, {0, -2, 0, 2}, {0, 0, 0, 0}});
    EXPECT_EQ(f.titles.size(), 3u);
    ExpectTexts({f.titles[2]}, {{-0.28, -0.1, "EOF-3"}});
    ASSERT_EQ(f.ticks.size(), 15u);  // t = -2..2 on three axes
    // x, y and z tick at t = -2; the y tick reaches one tick length further.
    ExpectSegments({f.ticks[0], f.ticks[1], f.ticks[2]},
                   {{-2, 0, -2, 0.066}, {0, -2, 0.132, -2}, {0, 0, 0, 0.066}});
    ASSERT_EQ(f.rangeLabels.size(), 6u);
    ExpectTexts({f.rangeLabels[4], f.rangeLabels[5]}, {{-0.12, 0.34, " 2"}, {-0.12, 0.34, "-2"}});

    // A quarter turn lays the third axis along the screen's x and hides the first.
    const PlotFrame turned = BuildPlotFrame(2, true, {0, 90 * kDeg, 0}, 1, 2, 3, false);
    ExpectSegments(turned.axes, {{0, 0, 0, 0}, {0, -2, 0, 2}, {2, 0, -2, 0}});
    ExpectTexts({turned.titles[2]}, {{-2.28, -0.1, "EOF-3"}});
}

TEST(PlotPositionsTest, PicksTheEofsAndKeepsSinglePrecision)
{
    Matrix<double> v(2, 3);
    v(1, 1) = 3;
    v(1, 2) = 0.1;
    v(1, 3) = 2;
    v(2, 1) = -1;
    v(2, 2) = 0.7;
    v(2, 3) = 5;

    const auto flat = PlotPositions(v, 2, 2, 3, 1, false, {0, 0, 0});
    ASSERT_EQ(flat.size(), 3u);
    EXPECT_EQ(flat[1].x, 0.1f);
    EXPECT_EQ(flat[1].y, 2.0f);
    EXPECT_EQ(flat[1].depth, 3.0f);
    EXPECT_EQ(flat[2].x, 0.7f);
    EXPECT_EQ(flat[2].depth, -1.0f);

    // (a, b, c) = (0.1, 2, 3) turned a quarter: x = -c, depth = a.
    const auto turned = PlotPositions(v, 2, 2, 3, 1, true, {0, 90 * kDeg, 0});
    EXPECT_NEAR(turned[1].x, -3.0f, 1e-6);
    EXPECT_NEAR(turned[1].y, 2.0f, 1e-6);
    EXPECT_NEAR(turned[1].depth, 0.1f, 1e-6);

    // Rows and EOFs the table does not hold stay at the origin instead of being read.
    const auto beyond = PlotPositions(v, 4, 2, 3, 7, false, {0, 0, 0});
    ASSERT_EQ(beyond.size(), 5u);
    EXPECT_EQ(beyond[2].depth, 0.0f);
    EXPECT_EQ(beyond[4].x, 0.0f);
    EXPECT_EQ(beyond[4].y, 0.0f);
}

// Plays the rotation timer as the window does: a new slider value snaps the rotation to it.
std::vector<int> SliderReadings(int startDegrees, float step, bool reverse, int ticks)
{
    int slider = startDegrees;
    double angle = SliderAngle(startDegrees);
    std::vector<int> out;
    for (int i = 0; i < ticks; ++i) {
        const RotationTick t = AdvanceRotation(angle, step, reverse);
        angle = t.angle;
        if (t.sliderValue != slider) {
            slider = t.sliderValue;
            angle = SliderAngle(slider);
        }
        out.push_back(slider);
    }
    return out;
}

TEST(RotationTest, TurnsInWholeDegrees)
{
    struct Case {
        int start;
        bool reverse;
        std::vector<int> readings;
    };
    const Case cases[] = {
        {0, false, {2, 4, 6, 8, 10}},
        {0, true, {-3, -6, -9, -12, -15}},
        {176, false, {178, -180, -178, -176}},  // past 180 degrees it jumps to -180
        {-178, true, {180, 177, 174}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SliderReadings(c.start, 0.04f, c.reverse, static_cast<int>(c.readings.size())),
                  c.readings)
            << c.start << (c.reverse ? " reverse" : " forward");
    }

    // A step below a degree adds up until the next whole degree is reached.
    std::vector<int> slow(17, 0);
    slow.push_back(1);
    EXPECT_EQ(SliderReadings(0, 0.001f, false, 18), slow);
}

}  // namespace
}  // namespace tarvex
