#include "plots/ViewGeometry.h"

#include <algorithm>
#include <cmath>

#include "data/NumberText.h"

namespace tarvex {

namespace {

constexpr double kHalfPi = 1.5707963267949;
// 3 degrees; the right-eye image is the scene turned by this much about the vertical axis.
constexpr double kStereoTurn = 9.4247779607694 / 180;
// Tick length as a share of the scale.
constexpr double kTick = 0.033;

double Angle(const std::vector<double>& angles, std::size_t i)
{
    return i < angles.size() ? angles[i] : 0.0;
}

struct Projected {
    double x, y, depth;
};

Projected Project(const std::vector<double>& angles, double x, double y, double z)
{
    const double a0 = Angle(angles, 0), a1 = Angle(angles, 1), a2 = Angle(angles, 2);
    const double u = std::cos(a0) * x - std::sin(a0) * y;
    const double w0 = std::sin(a0) * x + std::cos(a0) * y;
    const double t = std::sin(a1) * u + std::cos(a1) * z;
    return {std::cos(a1) * u - std::sin(a1) * z, std::cos(a2) * w0 - std::sin(a2) * t,
            std::sin(a2) * w0 + std::cos(a2) * t};
}

struct Point2 {
    double x, y;
};

Point2 Screen(bool threeD, const std::vector<double>& angles, double x, double y, double z)
{
    if (!threeD) return {x, y};
    const Projected p = Project(angles, x, y, z);
    return {p.x, p.y};
}

double ValueOrZero(const Matrix<double>& values, int row, int col)
{
    if (row < 0 || row > values.rows() || col < 0 || col > values.cols()) return 0.0;
    return values(row, col);
}

}  // namespace

double ViewX(const std::vector<double>& angles, double x, double y, double z)
{
    return Project(angles, x, y, z).x;
}

double ViewY(const std::vector<double>& angles, double x, double y, double z)
{
    return Project(angles, x, y, z).y;
}

double ViewDepth(const std::vector<double>& angles, double x, double y, double z)
{
    return Project(angles, x, y, z).depth;
}

double RightEyeX(double p, double q)
{
    const double r = std::sqrt(p * p + q * q);
    double theta;
    if (p == 0) {
        // Straight behind or in front of the vertical axis; the sign of the depth decides
        // which, otherwise points with negative depth would shift the wrong way.
        theta = q < 0 ? -kHalfPi : kHalfPi;
    } else {
        theta = std::atan(q / p);
        if (p < 0) theta += kProgramPi;
    }
    theta = static_cast<double>(static_cast<float>(theta));
    return r * std::cos(theta + kStereoTurn);
}

int16_t TickStep(double s)
{
    double step;
    if (s == 1)
        step = 2;
    else if (s == 2)
        step = 1;
    else
        step = RoundHalfEven(s >= 32 ? s / 8 : s / 4);
    return static_cast<int16_t>(std::clamp(step, 1.0, 32767.0));
}

float RightEyeScreenX(const ScreenPoint& point)
{
    return static_cast<float>(RightEyeX(point.x, point.depth));
}

std::vector<ScreenPoint> PlotPositions(const Matrix<double>& values, int count, int ex, int ey,
                                       int ez, bool threeD, const std::vector<double>& angles)
{
    std::vector<ScreenPoint> out(static_cast<std::size_t>(std::max(count, 0)) + 1);
    for (int i = 1; i <= count; ++i) {
        const double a = ValueOrZero(values, i, ex);
        const double b = ValueOrZero(values, i, ey);
        const double c = ValueOrZero(values, i, ez);
        ScreenPoint& p = out[static_cast<std::size_t>(i)];
        if (threeD) {
            const Projected v = Project(angles, a, b, c);
            p = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.depth)};
        } else {
            p = {static_cast<float>(a), static_cast<float>(b), static_cast<float>(c)};
        }
    }
    return out;
}

std::string PlotNumberText(double v)
{
    const std::string text = FormatNumber(v);
    return text[0] == '-' ? text : " " + text;
}

PlotFrame BuildPlotFrame(double s, bool threeD, const std::vector<double>& angles, int ex, int ey,
                         int ez, bool ticksAndLabels)
{
    PlotFrame f;
    f.s = s;

    const Point2 endX = Screen(threeD, angles, s, 0, 0);
    const Point2 endY = Screen(threeD, angles, 0, s, 0);
    const Point2 endZ = Screen(threeD, angles, 0, 0, s);

    f.axes.push_back({-endX.x, -endX.y, endX.x, endX.y});
    f.axes.push_back({-endY.x, -endY.y, endY.x, endY.y});
    if (threeD) f.axes.push_back({-endZ.x, -endZ.y, endZ.x, endZ.y});

    f.titles.push_back({endX.x - 0.14 * s, endX.y - 0.05 * s, "EOF-" + std::to_string(ex)});
    f.titles.push_back({endY.x - 0.32 * s, endY.y + 0.05 * s, "EOF-" + std::to_string(ey)});
    if (threeD)
        f.titles.push_back({endZ.x - 0.14 * s, endZ.y - 0.05 * s, "EOF-" + std::to_string(ez)});

    if (!ticksAndLabels) return f;

    const double len = kTick * s;
    const int16_t step = TickStep(s);
    for (double t = -s; t <= s; t += step) {
        if (!threeD) {
            f.ticks.push_back({t, 0, t, len});
            f.ticks.push_back({0, t, len, t});
            continue;
        }
        const Point2 x1 = Screen(true, angles, t, 0, 0), x2 = Screen(true, angles, t, len, 0);
        f.ticks.push_back({x1.x, x1.y, x2.x, x2.y});
        // Not a slip: a y tick ends one tick length right of its projected end.
        const Point2 y1 = Screen(true, angles, 0, t, 0), y2 = Screen(true, angles, len, t, 0);
        f.ticks.push_back({y1.x, y1.y, y2.x + len, y2.y});
        const Point2 z1 = Screen(true, angles, 0, 0, t), z2 = Screen(true, angles, 0, len, t);
        f.ticks.push_back({z1.x, z1.y, z2.x, z2.y});
    }

    const std::string high = PlotNumberText(s), low = PlotNumberText(-s);
    f.rangeLabels.push_back({endX.x - 0.06 * s, endX.y + 0.17 * s, high});
    f.rangeLabels.push_back({-endX.x - 0.06 * s, -endX.y + 0.17 * s, low});
    f.rangeLabels.push_back({endY.x + 0.06 * s, endY.y + 0.05 * s, high});
    f.rangeLabels.push_back({-endY.x + 0.08 * s, -endY.y + 0.05 * s, low});
    if (threeD) {
        f.rangeLabels.push_back({endZ.x - 0.06 * s, endZ.y + 0.17 * s, high});
        f.rangeLabels.push_back({-endZ.x - 0.06 * s, -endZ.y + 0.17 * s, low});
    }
    return f;
}

RotationTick AdvanceRotation(double angle, float step, bool reverse)
{
    const double d = static_cast<double>(step);
    angle = reverse ? angle - d : angle + d;
    if (angle > kProgramPi)
        angle = -kProgramPi;
    else if (angle < -kProgramPi)
        angle = kProgramPi;
    const int degrees = static_cast<int>(Int(angle * 180 / kProgramPi));
    // The slider spans -180..180; keep a rounding slip at the ends inside it.
    return {angle, std::clamp(degrees, -180, 180)};
}

double SliderAngle(int degrees)
{
    return degrees * kProgramPi / 180;
}

}  // namespace tarvex
