#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/InputFile.h"

// The calibration module's inputs: two data sets of value pairs, the value range and the
// grid it defines, the straight-line fits, and the hand-back of the finished result.
namespace tarvex::calib {

inline constexpr int kGridLast = 250;        // grid indexes 0..250 in both directions
inline constexpr int kMaxPairRows = 10000;   // rows a data set can hold
inline constexpr float kMissing = -9999.0f;  // a value without a result

enum Slot {
    kDiscreteModel = 0,
    kErrorModel = 1,
    kJointModel = 2,
    kSmoothingKernel = 3,
    kSmoothedModel = 4,
    kRowNormalised = 5,
    kProbability = 6,
    kRegionFlags = 7,
    kReturnedMatrix = 8,
};

struct PairRow {
    float x = kMissing;
    float y = kMissing;
    bool Complete() const { return x != kMissing && y != kMissing; }
};

struct PairFit {
    bool valid = false;           // slope and intercept hold a fit
    bool hasCorrelation = false;  // the correlation is defined (neither axis constant)
    float slope = 0;
    float intercept = 0;
    float correlation = 0;
};

// One data set: rows 1..rows.size()-1 in the order of their source (row 0 unused).
struct PairSet {
    std::vector<PairRow> rows = std::vector<PairRow>(1);
    int16_t pairCount = 0;  // complete rows
    std::string xName, yName;
    std::string source;
    PairFit fit;
    float residualSd = 0;  // data set 1 only
};

// Outcome of a command that may refuse its input or finish with a note.
struct CalibStatus {
    bool ok = true;
    std::string error;                  // shown with the title "Error" when !ok
    std::vector<std::string> warnings;  // shown after a successful load
    // What the data check of a loaded pair file found (TableCheckLines style), shown as one
    // "Data check" warning; empty for a clean file.
    std::vector<std::string> checks;
};

inline constexpr const char* kInvalidRangeMessage = "Please set valid range.";

enum class RangeStatus {
    Valid,       // the grid follows the range
    Incomplete,  // an end is empty: the grid is left as it was, no message
    Invalid,     // equal ends (or an end beyond any number): kInvalidRangeMessage
};

// The grid of a range whose two ends are read with the leading-number reading. Unless Valid,
// ws's grid is left untouched, so a grid step of 0 can never reach a later division;
// rangeWidth follows the texts in every case, as the figures' scale does. A lower end above
// the upper one is valid and makes the step negative.
RangeStatus ValidateRange(Workspace& ws, const std::string& lowText, const std::string& highText);

// Fills data set 0 from the reconstruction of the current parameter: x the value
// reconstructed for each reference site, y its climate value. A value that is missing,
// not finite or beyond single precision is stored as missing. Sites beyond 10000 are not
// stored (a warning says so). Fits the set when it has at least two complete pairs. The
// source name is kept from set: the window sets it to the file it last chose. Does nothing
// unless the calibration window is open.
CalibStatus TransferData(const Workspace& ws, PairSet& set);

// Reads a pair file: a heading record of two cells, then records of two cells. An empty cell
// and a value beyond single precision are missing; a line without exactly two cells, a cell
// spelling out an infinity or not-a-number, or UTF-16 text refuses the whole file and leaves
// set as it was. A cell that is not a number reads by its leading number (text as 0); such
// cells and the lines left out for a value beyond single precision are the data check's
// findings (checks). Records beyond 10000 are not stored (a warning says so). Data set 0 is
// fitted; data set 1 is fitted and its residual standard deviation computed, which may refuse
// the file. The file is read once whole as ReadInputFile reads it (whose reason a file that
// cannot be read gives as the error); input, when given, receives the size and digest of its
// bytes.
CalibStatus ImportPairFile(const std::string& path, int ds, PairSet& set,
                           InputDigest* input = nullptr);
CalibStatus ImportPairText(const std::string& content, const std::string& source, int ds,
                           PairSet& set);

// Least squares fit of y on x over every complete row, in single precision. With fewer than
// two complete rows, or all x equal, the result is not valid (all zero); with all y equal
// the slope is 0 and the correlation undefined.
PairFit FitPairs(const std::vector<PairRow>& rows);

// Residual standard deviation about fit over every complete row. Fails unless the result is
// a positive finite number, as the Gaussian error model divides by it.
bool ResidualSd(const std::vector<PairRow>& rows, const PairFit& fit, float& sd,
                std::string& error);

// The labels of the fitted line and of the standard deviation of data set 1.
std::string FittedLineText(const PairFit& fit);
std::string StandardDeviationText(float sd);

// Allocates the nine matrices (cleared) and the per-column results.
void AllocateCalibMatrices(Workspace& ws);

// Slot 8 = slot 7 + slot 6 cell by cell: the region flag with the probability in its fraction,
// both carrying the median mark's sign. Sets calibReturned.
void ReturnData(Workspace& ws);

// The grid index of a value, rounded half to even, or -1 when the value is missing, not
// finite or off the grid (checked in double before any conversion to an integer).
int GridIndex(const Workspace& ws, float value);

}  // namespace tarvex::calib
