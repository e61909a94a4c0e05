#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings/ColourScheme.h"

// Editing the colour scale by its profiles: each component (0 red, 1 green, 2 blue) is drawn
// in a box of width W and height H as a line through its four stops, and the stops are moved
// by dragging those corner points (the handles). Coordinates are in twips from the box's
// top-left corner.
namespace tarvex {

// How near a press must come to a handle, horizontally and vertically.
inline constexpr double kHandleReach = 60;

struct ProfilePoint {
    double x = 0, y = 0;
    bool operator==(const ProfilePoint& o) const { return x == o.x && y == o.y; }
};

// The profile line of a component: the left edge at 0.8 H, the four handles (0 and 3 at
// 0.8 H, 1 and 2 at 0.2 H) and the right edge at 0.8 H.
std::array<ProfilePoint, 6> ProfilePoints(const ColourScheme& scheme, int component, double width,
                                          double height);

// The handles of a component within reach of (x, y); several when they lie on each other.
std::vector<int> HandlesAt(const ColourScheme& scheme, int component, double x, double y,
                           double width, double height);

// The marked handles follow the pointer: their stop becomes x / W, kept within 0..1 where the
// pointer leaves the box. Handles passing their neighbours are taken as they are. In grey mode
// the red and green stops follow the blue ones after every move.
void DragHandles(ColourScheme& scheme, int component, const std::vector<int>& handles, double x,
                 double width);

// The button is released: the handles take their final place and the scale has changed.
void ReleaseHandles(ColourScheme& scheme, int component, const std::vector<int>& handles, double x,
                    double width);

// "Grey scale" and "Reset": the presets, and the scale has changed.
void ChooseGreyScale(ColourScheme& scheme);
void ResetColours(ColourScheme& scheme);

// The cut-off slider (percent): the cut-off follows at once; only the release marks the
// scale as changed.
void MoveCutOff(ColourScheme& scheme, int percent, bool released);

// The preview's colour at x of a preview of the given width: white up to the cut-off, then
// the scale's colour of x / width.
int PreviewColour(const ColourScheme& scheme, double x, double width);

// A stop as its label shows it, in whole percent.
std::string StopPercentText(float stop);

}  // namespace tarvex
