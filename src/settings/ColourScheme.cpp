#include "settings/ColourScheme.h"

#include "data/NumberText.h"

namespace tarvex {

namespace {

constexpr std::array<float, 12> kColourStops{
    // stop 0 (r, g, b), stop 1, stop 2, stop 3
    0.3f, 0.15f, 0.0f, 0.45f, 0.3f, 0.15f, 0.65f, 0.45f, 0.25f, 0.95f, 0.65f, 0.35f};
constexpr std::array<float, 12> kGreyStops{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                           0.0f, 0.0f, 0.0f, 0.6f, 0.6f, 0.6f};

RgbTriple Rgb(int r, int g, int b)
{
    return RgbTriple{static_cast<int16_t>(r), static_cast<int16_t>(g), static_cast<int16_t>(b)};
}

}  // namespace

void ApplyColourPreset(ColourScheme& scheme)
{
    scheme.schemeColour1 = Rgb(0, 0, 255);
    scheme.schemeColour2 = Rgb(0, 255, 0);
    scheme.schemeColour3 = Rgb(255, 0, 0);
    scheme.schemeColour4 = Rgb(255, 150, 0);
    scheme.schemeColour5 = Rgb(0, 128, 0);
    scheme.schemeColour6 = Rgb(0, 0, 128);
    scheme.colourScaleStops = kColourStops;
    scheme.colourScaleSlider = 0.1f;
    scheme.greyScaleOn = false;
    scheme.greyScaleOnCalib = false;
}

void ApplyGreyPreset(ColourScheme& scheme)
{
    scheme.schemeColour1 = Rgb(100, 100, 100);
    scheme.schemeColour2 = Rgb(100, 100, 100);
    scheme.schemeColour3 = Rgb(0, 0, 0);
    scheme.schemeColour4 = Rgb(150, 150, 150);
    scheme.schemeColour5 = Rgb(100, 100, 100);
    scheme.schemeColour6 = Rgb(100, 100, 100);
    scheme.colourScaleStops = kGreyStops;
    scheme.colourScaleSlider = 0.0f;
    scheme.greyScaleOn = true;
    scheme.greyScaleOnCalib = true;
}

double ColourScale(const ColourScheme& scheme, int k, double v)
{
    // The value is compared and interpolated as a 32-bit number, like the stops themselves,
    // so that a value exactly on a stop lands on the same side as it does in the dialog.
    const float x = static_cast<float>(v);
    const float s1 = scheme.Stop(k, 0);
    const float s2 = scheme.Stop(k, 1);
    const float s3 = scheme.Stop(k, 2);
    const float s4 = scheme.Stop(k, 3);
    // Each band is tested on its own, so stops dragged out of order still give one answer.
    if (s1 <= x && x < s2) return 255.0 * (double{x} - s1) / (double{s2} - s1);
    if (s2 <= x && x < s3) return 255.0;
    if (s3 <= x && x < s4) return 255.0 * (double{s4} - x) / (double{s4} - s3);
    return 0.0;
}

int ColourOfValue(const ColourScheme& scheme, double v)
{
    const int r = static_cast<int>(RoundHalfEven(ColourScale(scheme, 0, v)));
    const int g = static_cast<int>(RoundHalfEven(ColourScale(scheme, 1, v)));
    const int b = static_cast<int>(RoundHalfEven(ColourScale(scheme, 2, v)));
    return r + 256 * g + 65536 * b;
}

}  // namespace tarvex
