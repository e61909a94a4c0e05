#pragma once

// Workspaces and pair sets shared by the calibration tests.
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "app/Workspace.h"
#include "calib/CalibData.h"
#include "calib/CalibModel.h"

namespace tarvex::testing {

// A workspace with the calibration matrices allocated and the grid of the range low..high.
inline Workspace CalibWorkspace(const char* low = "0", const char* high = "20")
{
    Workspace ws;
    calib::AllocateCalibMatrices(ws);
    calib::ValidateRange(ws, low, high);
    return ws;
}

// n pairs scattered about y = slope * x + intercept with a deterministic spread over lo..hi.
inline calib::PairSet ScatteredPairs(int n, float slope, float intercept, float lo, float hi,
                                     float spread, uint32_t seed)
{
    calib::PairSet set;
    uint32_t state = seed;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    };
    for (int i = 0; i < n; ++i) {
        const float x = lo + (hi - lo) * next();
        const float y = slope * x + intercept + spread * (next() + next() - 1.0f);
        set.rows.push_back({x, y});
        ++set.pairCount;
    }
    set.fit = calib::FitPairs(set.rows);
    return set;
}

inline bool SameBits(const Matrix<float>& a, const Matrix<float>& b)
{
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    const std::size_t n = static_cast<std::size_t>(a.rows() + 1) * (a.cols() + 1);
    return std::memcmp(a.row(0), b.row(0), n * sizeof(float)) == 0;
}

// A column a of slot 6 made from the given values of slots 5 and 4 from firstRow on, through
// the column normalisation (thresholds off), so the median mark is the one it sets.
inline Workspace NormalisedColumn(int a, int firstRow, std::initializer_list<float> values)
{
    Workspace ws = CalibWorkspace();
    int b = firstRow;
    for (float v : values) {
        ws.calibMatrices[calib::kRowNormalised](a, b) = v;
        ws.calibMatrices[calib::kSmoothedModel](a, b) = v;
        ++b;
    }
    calib::NormalizeV(ws, calib::ThresholdUnits{}, 0);
    return ws;
}

// The chain over 0..20 of 40 pairs at (10, y1) and 40 at (10, y2) with the generated model of
// sdPercent: every non-empty column holds half its mass about y1 and half about y2, so the
// rows above the median hold the other half, and summed on their own in single precision
// they can come out a hair above it. With 9.9 and 10.0 the running sum passes one half at 9.9
// (grid index 124) and again at 12.6 (151).
inline Workspace ChainOfTwinPairs(float y1 = 9.9f, float y2 = 10.0f, int sdPercent = 5)
{
    calib::PairSet set0;
    for (int i = 0; i < 40; ++i) {
        set0.rows.push_back({10.0f, y1});
        set0.rows.push_back({10.0f, y2});
    }
    set0.pairCount = 80;
    set0.fit = calib::FitPairs(set0.rows);
    calib::PairSet set1;
    calib::ChainSettings settings;
    settings.generateModel = true;
    settings.generatedSdPercent = sdPercent;
    Workspace ws = CalibWorkspace();
    calib::RunChain(ws, set0, set1, settings, false);
    return ws;
}

}  // namespace tarvex::testing
