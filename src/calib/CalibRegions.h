#pragma once

#include "app/Workspace.h"

// Mode, median and the two confidence regions of every column of the probability matrix.
namespace tarvex::calib {

// Region colours (0xBBGGRR) of the colour and the grey-scale display: inner region, outer ring.
inline constexpr uint32_t kRegionColourInner = 200 + 256 * 255 + 65536 * 200;
inline constexpr uint32_t kRegionColourRing = 50 + 256 * 127 + 65536 * 50;
inline constexpr uint32_t kRegionGreyInner = 200 + 256 * 200 + 65536 * 200;
inline constexpr uint32_t kRegionGreyRing = 100 + 256 * 100 + 65536 * 100;

// Fills slot 7 (region flags), modeIndex, regionLevel and regionColour from slot 6 and
// medianIndex; coefficients are tenths of a percent (0..1000). For each column the two levels
// are found by ten halving steps from the peak; a cell above a level belongs to that region,
// so a region may hold slightly less than its coefficient. Empty columns get -9999 as mode
// and median and no flags.
void ComputeRegions(Workspace& ws, int coefficient1, int coefficient2, bool greyScale = false);

}  // namespace tarvex::calib
