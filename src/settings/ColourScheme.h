#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarvex {

struct RgbTriple {
    int16_t r = 0;
    int16_t g = 0;
    int16_t b = 0;
    // The 24-bit colour value used by every drawing call: red + 256 * green + 65536 * blue.
    int Value() const { return r + 256 * g + 65536 * b; }
    bool operator==(const RgbTriple& o) const { return r == o.r && g == o.g && b == o.b; }
};

// The shared colours of every plot and the scale that turns a probability into a colour.
struct ColourScheme {
    RgbTriple schemeColour1, schemeColour2, schemeColour3;
    RgbTriple schemeColour4, schemeColour5, schemeColour6;
    // Stop k of component c (0 red, 1 green, 2 blue) is element c + 3k.
    std::array<float, 12> colourScaleStops{};
    float colourScaleSlider = 0;
    // Two flags that always move together: one is read by the colour dialog and the
    // reconstruction plots, the other by the calibration plots.
    bool greyScaleOn = false;
    bool greyScaleOnCalib = false;
    bool coloursChanged = false;

    float Stop(int component, int k) const { return colourScaleStops[component + 3 * k]; }
};

struct PrintSettings {
    float printDotSize = 6;
    float printFrameThickness = 3;
    float printZoom = 1;
    float printFontSize = 10;
    std::string printTitle;
};

void ApplyColourPreset(ColourScheme& scheme);
void ApplyGreyPreset(ColourScheme& scheme);

// Component k (0 red, 1 green, 2 blue) of the colour of value v, 0..255, unrounded.
double ColourScale(const ColourScheme& scheme, int k, double v);

// The colour of value v as a 24-bit value, each component rounded half to even.
int ColourOfValue(const ColourScheme& scheme, double v);

}  // namespace tarvex
