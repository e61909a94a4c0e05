#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Workspace.h"
#include "mat/Analogues.h"

// The two matrix files of the reconstruction window: the returned calibration matrix
// (Meridan matrix) and the histogram along the fossil sequence (Strativ matrix), each with a
// header that names the data files and the settings they came from.
namespace tarvex {

// The settings the headers report, as the windows show them.
struct MatrixFileSettings {
    AnalogueSettings analogue;  // analogues, threshold, weighting, enhancement, smoothing level
    int xSmoothing = 10;        // the calibration window's smoothing level
    int ySmoothing = 5;         // the calibration window's generated-model deviation
    int param = 1;              // the climate parameter of the matrices
};

// The value of axis step i of both matrices: the calibration range's lower end plus i grid
// steps, rounded to 4 decimals, in single precision.
float MatrixAxisValue(const Workspace& ws, int i);

// The level positions of the Strativ matrix: sample numbers 1..N with text labels, otherwise
// the depths from the first to the last label; rounded to 4 decimals, in single precision.
float StrativLevelPosition(const Workspace& ws, int level);

// The files' text. Empty when their data are missing (no returned calibration; no histogram);
// allFinite, when given, is cleared when a number is not finite. progress advances once per
// matrix record.
std::string MeridanMatrixFileText(const Workspace& ws, const MatrixFileSettings& settings,
                                  const std::string& dateTime, const ProgressFn& progress = {},
                                  bool* allFinite = nullptr);
std::string StrativMatrixFileText(const Workspace& ws, const MatrixFileSettings& settings,
                                  const std::string& dateTime, const ProgressFn& progress = {},
                                  bool* allFinite = nullptr);

// Writes a file's text in place of path, whole or not at all. False with the reason when the
// text is empty (nothing to save), holds a number that is not finite, or cannot be written.
bool WriteMatrixFile(const std::string& path, const std::string& text, bool allFinite,
                     std::string* reason = nullptr);

}  // namespace tarvex
