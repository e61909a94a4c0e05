#include "settings/ColourProfile.h"

#include <algorithm>
#include <cmath>

#include "data/NumberText.h"

namespace tarvex {

namespace {

constexpr int kWhite = 255 + 256 * 255 + 65536 * 255;

double HandleHeight(int handle, double height)
{
    return (handle == 1 || handle == 2 ? 0.2 : 0.8) * height;
}

void SetStop(ColourScheme& scheme, int component, int handle, float value)
{
    scheme.colourScaleStops[static_cast<std::size_t>(component + 3 * handle)] = value;
}

// In grey mode only the blue profile is shown; the hidden ones must give the same grey.
void FollowBlue(ColourScheme& scheme)
{
    if (!scheme.greyScaleOn) return;
    for (int k = 0; k < 4; ++k) {
        const float blue = scheme.Stop(2, k);
        SetStop(scheme, 0, k, blue);
        SetStop(scheme, 1, k, blue);
    }
}

bool ValidComponent(int component)
{
    return component >= 0 && component <= 2;
}

}  // namespace

std::array<ProfilePoint, 6> ProfilePoints(const ColourScheme& scheme, int component, double width,
                                          double height)
{
    std::array<ProfilePoint, 6> p{};
    if (!ValidComponent(component)) return p;
    p[0] = {0, 0.8 * height};
    for (int k = 0; k < 4; ++k)
        p[static_cast<std::size_t>(k) + 1] = {width * scheme.Stop(component, k),
                                              HandleHeight(k, height)};
    p[5] = {width, 0.8 * height};
    return p;
}

std::vector<int> HandlesAt(const ColourScheme& scheme, int component, double x, double y,
                           double width, double height)
{
    std::vector<int> handles;
    if (!ValidComponent(component)) return handles;
    for (int k = 0; k < 4; ++k) {
        const double hx = width * scheme.Stop(component, k);
        const double hy = HandleHeight(k, height);
        if (std::fabs(x - hx) <= kHandleReach && std::fabs(y - hy) <= kHandleReach)
            handles.push_back(k);
    }
    return handles;
}

void DragHandles(ColourScheme& scheme, int component, const std::vector<int>& handles, double x,
                 double width)
{
    if (!ValidComponent(component) || !(width > 0)) return;
    const float stop = static_cast<float>(std::clamp(x / width, 0.0, 1.0));
    for (int k : handles)
        if (k >= 0 && k <= 3) SetStop(scheme, component, k, stop);
    FollowBlue(scheme);
}

void ReleaseHandles(ColourScheme& scheme, int component, const std::vector<int>& handles, double x,
                    double width)
{
    DragHandles(scheme, component, handles, x, width);
    scheme.coloursChanged = true;
}

void ChooseGreyScale(ColourScheme& scheme)
{
    ApplyGreyPreset(scheme);
    scheme.coloursChanged = true;
}

void ResetColours(ColourScheme& scheme)
{
    ApplyColourPreset(scheme);
    scheme.coloursChanged = true;
}

void MoveCutOff(ColourScheme& scheme, int percent, bool released)
{
    scheme.colourScaleSlider = static_cast<float>(percent) / 100.0f;
    if (released) scheme.coloursChanged = true;
}

int PreviewColour(const ColourScheme& scheme, double x, double width)
{
    if (!(width > 0)) return kWhite;
    const double v = x / width;
    if (!(static_cast<float>(v) > scheme.colourScaleSlider)) return kWhite;
    return ColourOfValue(scheme, v);
}

std::string StopPercentText(float stop)
{
    return FormatNumber(RoundHalfEven(static_cast<double>(stop) * 100));
}

}  // namespace tarvex
