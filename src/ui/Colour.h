#pragma once

// Colours travel through the program as 24-bit integers laid out 0xBBGGRR, the form the
// colour scheme, the colour scale and every drawing call use. This header stays free of Qt
// so the core can compute colours too; the one conversion to a toolkit colour lives in
// Surface.cpp (ToQColor).

#include <algorithm>

namespace tarvex {

using Colour = int;

// Components outside 0..255 are clamped: letting 256 spill into the next byte would turn a
// slightly overshooting red into a green.
constexpr Colour RGB(int r, int g, int b)
{
    return std::clamp(r, 0, 255) + 256 * std::clamp(g, 0, 255) + 65536 * std::clamp(b, 0, 255);
}

constexpr int RedOf(Colour c)
{
    return c & 0xFF;
}
constexpr int GreenOf(Colour c)
{
    return (c >> 8) & 0xFF;
}
constexpr int BlueOf(Colour c)
{
    return (c >> 16) & 0xFF;
}

constexpr Colour kBlack = RGB(0, 0, 0);
constexpr Colour kWhite = RGB(255, 255, 255);

}  // namespace tarvex
