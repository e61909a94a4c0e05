#pragma once

#include <string>
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
