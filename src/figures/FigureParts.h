#pragma once

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/Workspace.h"
#include "diagram/DiagramLayout.h"
#include "figures/Canvas.h"

// Pieces the figures share: the sample axis along the depth, the figure title, the colours.
namespace tarvex::fig {

// The vertical axis of every figure drawn against the sequence: the samples placed as the
// diagram window places them (by depth for number labels, equally spaced otherwise), with
// ticks at round depths or the sample labels.
class DepthAxis {
public:
    DepthAxis(const Workspace& ws, double top, double bottom);

    // The y (mm) of sample i, and of a position in the units the smoothed curve and the
    // clustering use (depths, or sample numbers under equal spacing).
    double SampleY(int i) const;
    double PositionY(double position) const;
    // The depth axis drawn at x: ticks and numbers, or the sample labels, and the title.
    double Draw(Canvas& c, double x) const;
    double Reach(const Canvas& c) const;
    const std::string& Title() const { return title_; }
    int samples() const { return axis_.samples(); }
    double top() const { return top_; }
    double bottom() const { return bottom_; }

private:
    Ticks MakeTicks(const Canvas& c) const;

    const Workspace& ws_;
    SampleAxis axis_;
    double top_, bottom_;
    double y0_, y1_;  // the sample axis units at top and bottom
    std::string title_;
};

// Runs of neighbouring samples 1..n whose value is known; has(i) says whether sample i has one.
template <typename Has>
std::vector<std::pair<int, int>> SampleRuns(int n, const Has& has)
{
    std::vector<std::pair<int, int>> runs;
    for (int i = 1; i <= n; ++i) {
        if (!has(i)) continue;
        if (!runs.empty() && runs.back().second == i - 1)
            runs.back().second = i;
        else
            runs.push_back({i, i});
    }
    return runs;
}

// A band from lower(i) to upper(i) down the samples, broken where either is missing; a sample
// alone is a thin bar.
template <typename Lower, typename Upper>
void DrawSampleBand(Canvas& c, const DepthAxis& axis, const Scale& x, int n, const Lower& lower,
                    const Upper& upper, Colour colour)
{
    auto has = [&](int i) { return std::isfinite(lower(i)) && std::isfinite(upper(i)); };
    for (const auto& [a, b] : SampleRuns(n, has)) {
        if (a == b) {
            const double y = axis.SampleY(a);
            c.Rect(x(lower(a)), y - 0.4, x(upper(a)), y + 0.4, colour);
            continue;
        }
        Surface::Points pts;
        for (int i = a; i <= b; ++i) pts.push_back({x(upper(i)), axis.SampleY(i)});
        for (int i = b; i >= a; --i) pts.push_back({x(lower(i)), axis.SampleY(i)});
        c.Fill(pts, colour);
    }
}

// The error model's RMSEP of parameter p; NaN without an error model of it.
double ErrorModelRmsep(const Workspace& ws, int p);

// The depth axis's title: the fossil table's corner cell, or "Depth" or "Sample".
std::string DepthTitle(const Workspace& ws);
// A file's name without its folders.
std::string BaseName(const std::string& path);

// The scheme's colours as drawing colours.
Colour SchemeColour(const RgbTriple& c);
// A colour mixed with white: share 0 keeps it, 1 gives white.
Colour Lighter(Colour c, double share);

// A climate parameter's name, its axis title.
std::string ParamName(const Workspace& ws, int p);

// The 2.5, 5 and 10 % cut-offs of the analogue quality as vertical lines over a panel
// (left..right, top..bottom), labelled above it in three rows so that close values never
// collide; withValues adds each cut-off's value to its label.
void DrawCutoffs(Canvas& c, const Workspace& ws, const Scale& x, double left, double right,
                 double top, double bottom, bool withValues);
// The height the labels of DrawCutoffs take above the panel.
double CutoffLabelsHeight(const Canvas& c);

// The figure's title line at the top; returns the height used.
double DrawTitle(Canvas& c, double x, double y, const std::string& title);

// Text broken into lines no wider than width (mm): at spaces, or inside a word that is wider
// than the line, never inside a UTF-8 character.
std::vector<std::string> Wrap(const Canvas& c, const std::string& text, double pt, double width);

// The blank margin inside every figure, mm.
inline constexpr double kMargin = 3;

}  // namespace tarvex::fig
