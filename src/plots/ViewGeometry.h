#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Matrix.h"

// Geometry of the taxa and site plots: where points, axes, ticks and labels go in the plot's
// user coordinates. Drawing them is the window's job; everything here can be checked without
// a surface.

namespace tarvex {

// The 3-D view. angles is the workspace's viewAngles: [0] stays 0, [1] is the rotation about
// the vertical axis and [2] the tilt towards the viewer, in radians. Missing entries count as 0.
double ViewX(const std::vector<double>& angles, double x, double y, double z);
double ViewY(const std::vector<double>& angles, double x, double y, double z);
double ViewDepth(const std::vector<double>& angles, double x, double y, double z);

// Screen x of the right-eye image of a point at screen x p and depth q: the point turned by
// 3 degrees about the vertical axis. The polar angle is kept in single precision, as the
// stored positions are.
double RightEyeX(double p, double q);

// Spacing of the axis ticks for a plot of scale s (s = 1, 2, 4, ..., 256 in practice). Never
// below 1, so a tick loop always advances.
int16_t TickStep(double s);

// A point as drawn, in single precision like the positions the plots keep between drawings.
struct ScreenPoint {
    float x = 0, y = 0, depth = 0;
};

// Right-eye x of a drawn point, kept in single precision.
float RightEyeScreenX(const ScreenPoint& point);

// Positions of rows 1..count of values on EOFs ex (x), ey (y) and ez (third axis); element 0
// is unused. The 2-D view places a row at (a, b) with depth c, the 3-D view at the projection
// of (a, b, c). The result always has count + 1 entries; rows or EOF columns that values does
// not hold read as 0, so a half-filled score table cannot be read past its end.
std::vector<ScreenPoint> PlotPositions(const Matrix<double>& values, int count, int ex, int ey,
                                       int ez, bool threeD, const std::vector<double>& angles);

struct Segment {
    double x1, y1, x2, y2;
};

struct TextAt {
    double x, y;
    std::string text;
};

// Everything of a plot frame except the colours: the surface's user scale is
// (-1.2 s, 1.2 s, 2.4 s, -2.4 s), origin in the centre, y growing upwards.
struct PlotFrame {
    double s;                         // scale
    std::vector<Segment> axes;        // x, y and in 3-D z, each from -E to E
    std::vector<TextAt> titles;       // "EOF-<n>" for x, y and in 3-D z
    std::vector<Segment> ticks;       // per tick position: x tick, y tick, in 3-D z tick
    std::vector<TextAt> rangeLabels;  // s and -s at the ends of x, y and in 3-D z
};

// The frame of a plot of scale s showing EOFs ex, ey and (3-D) ez. Ticks and range labels
// only when ticksAndLabels.
PlotFrame BuildPlotFrame(double s, bool threeD, const std::vector<double>& angles, int ex, int ey,
                         int ez, bool ticksAndLabels);

// A number as the plots print it: positive numbers and 0 with a leading blank (" 4", "-4").
std::string PlotNumberText(double v);

// One tick of the rotation timer. angle is the current rotation; the result holds the new
// rotation, wrapped into [-pi, pi], and the whole-degree value the rotation slider shows for
// it (rounded down). When that value differs from the slider's current one the caller sets
// the rotation to SliderAngle(sliderValue); otherwise it keeps angle. That is what makes the
// view turn in whole degrees.
struct RotationTick {
    double angle;
    int sliderValue;
};
RotationTick AdvanceRotation(double angle, float step, bool reverse);

// The view angle a rotation or tilt slider value in degrees stands for.
double SliderAngle(int degrees);

}  // namespace tarvex
