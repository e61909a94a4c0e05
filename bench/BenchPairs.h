#pragma once

// Value pairs for the calibration benchmarks: n pairs around a line, scattered by a fixed
// generator so every run sees the same data.
#include <cstdint>

#include "calib/CalibData.h"

namespace tarvex::bench {

inline calib::PairSet Pairs(int n, float slope, float intercept, float spread, uint32_t seed)
{
    calib::PairSet set;
    uint32_t state = seed;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    };
    for (int i = 0; i < n; ++i) {
        const float x = 20 * next();
        set.rows.push_back({x, slope * x + intercept + spread * (next() + next() - 1.0f)});
        ++set.pairCount;
    }
    return set;
}

}  // namespace tarvex::bench
