#pragma once

#include <string>

#include "app/Workspace.h"

// The calibration result as one comma-separated file: a head note of fifteen records, the
// axis record and 201 records of the 201 x 201 matrix over the calibration range.
namespace tarvex::calib {

// What the head note says about the data and the settings, as the window shows them.
struct CommonOutputInfo {
    std::string rangeLow, rangeHigh;  // texts of the range boxes
    std::string source[2];            // file names of data sets 0 and 1
    std::string xName[2], yName[2];   // headings of data sets 0 and 1
    bool generateModel = false;
    int generatedSdPercent = 5;
    int verticalThreshold = 2;
    int horizontalThreshold = 1;
};

// matrixOut(x, y) = region flag + probability of grid cell (x + 25, y + 25).
void FillMatrixOut(Workspace& ws);

// The file's text. Empty when a value to be written is not finite, since such a file would
// not read back.
std::string CommonOutputText(const Workspace& ws, const CommonOutputInfo& info,
                             float smoothingLevel, float coefficient1, float coefficient2);

// Writes the text in place of fileName, whole or not at all; false with reason on failure.
bool WriteCommonOutput(const std::string& fileName, const Workspace& ws,
                       const CommonOutputInfo& info, float smoothingLevel, float coefficient1,
                       float coefficient2, std::string* reason = nullptr);

}  // namespace tarvex::calib
