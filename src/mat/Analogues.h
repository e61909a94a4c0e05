#pragma once

#include <cstdint>
#include <vector>

#include "app/Matrix.h"
#include "app/Progress.h"
#include "app/Workspace.h"

namespace tarvex {

// What the distance between a fossil sample (or a reference site) and a reference site is
// computed on.
enum class DistanceBasis { TaxaProportions, EofValues };
enum class MinorTaxaEnhancement { None, SquareRoot, Log };
enum class Weighting { None, SquaredDistance, Distance };

// The settings of the reconstruction window that the search and the reconstruction read.
struct AnalogueSettings {
    DistanceBasis basis = DistanceBasis::TaxaProportions;
    // None when "Enhancing minor taxa" is unticked. The enhancement acts on the taxa
    // distance only, but it transforms the threshold for either basis.
    MinorTaxaEnhancement enhancement = MinorTaxaEnhancement::None;
    int kmin = 0;                                      // 0..20
    int kmax = 8;                                      // 1..20
    int thresholdSlider = 20;                          // hundredths, 0..200
    Weighting weighting = Weighting::SquaredDistance;  // None when "Inversed weighting" is off
    int smoothing = 3;                                 // 1..10
};

// The "Log" enhancement: 0 for 0, otherwise log10(100 x) / 2, and 0 where that is negative.
double EnhanceLog(double x);

// The threshold from the slider value and the enhancement (square root or L of value/100).
double DefineThreshold(int thresholdSlider, MinorTaxaEnhancement enhancement);

// The ranked analogues of a set of targets: (target, rank 1..kmax); 9999 and site 0 for a
// rank that found no site.
struct RankedAnalogues {
    Matrix<float> distance;
    Matrix<int16_t> site;
};

// The distance of every fossil sample to every reference site, (sample, site), in double
// precision, as the search compares them.
Matrix<double> FossilDistances(const Workspace& ws, const AnalogueSettings& settings);
// The distance of every reference site to every reference site (the error model's matrix).
Matrix<double> SiteDistances(const Workspace& ws, const AnalogueSettings& settings);

// Ranks kmax analogues per row of distances by one linear scan of all sites per rank:
// 32-bit comparison, strictly smaller than the best so far (which starts at 9999), ties to the
// lower site, a site already ranked never again. A distance that is 0 in 32 bits (exactly 0,
// or so small that its weight would be infinite) is never an analogue.
RankedAnalogues RankAnalogues(const Matrix<double>& distances, int targets, int sites, int kmax);

// How many leading ranks a target uses: those whose distance is below the threshold (both as
// 32-bit floats), raised to kmin when kmin is not 0 but only over ranks that found a site.
int UsedAnalogues(const RankedAnalogues& ranked, int target, int kmax, double threshold, int kmin);

// The weighted mean of the climate values of the used ranks of one target for parameter p,
// or -9999 when none is used. A rank without a site adds nothing.
double ReconstructValue(const RankedAnalogues& ranked, int target, int used,
                        const Matrix<double>& climateValues, int p, Weighting weighting);

// The fossil reconstruction: fills ws.reconValues (and ws.distanceMatrix). progress advances
// once per sample, always on the calling thread.
void ReconstructClimate(Workspace& ws, const AnalogueSettings& settings, double threshold,
                        const ProgressFn& progress = {});

// The leave-one-out error model: fills ws.siteReconValues (and ws.distanceMatrix, site by
// site). No minimum number of analogues. progress advances once per site, always on the
// calling thread. Without keepDistances the site-by-site matrix (181 MB for 4,759 sites) is
// never made and ws.distanceMatrix is left empty; ws.siteReconValues gets the same bits.
void GenerateErrorModel(Workspace& ws, const AnalogueSettings& settings, double threshold,
                        const ProgressFn& progress = {}, bool keepDistances = true);

// The same two runs done the plain way: each distance summed on its own, each rank found by
// its own scan of all sites. They give the same bits as the runs above, only slower; tests and
// benchmarks hold the fast runs to them.
void ReconstructClimateReference(Workspace& ws, const AnalogueSettings& settings, double threshold);
void GenerateErrorModelReference(Workspace& ws, const AnalogueSettings& settings, double threshold);

// The smallest and largest reconstructed value of every parameter ([1..n]), -9999 ignored,
// compared as 32-bit floats; 9999 / -9999 when a parameter has no value. hasValue tells a
// parameter without any value from one whose smallest value happens to be 9999.
struct ReconRange {
    std::vector<float> min, max;
    std::vector<bool> hasValue;
};
ReconRange ReconstructionRange(const Matrix<double>& reconValues, int samples, int params);

// The proposed display range ends.
double RoundRangeDown(double value, double other);
double RoundRangeUp(double value, double other);

// The smoothed curve of parameter p over windows of width w (none when w < 2): position and
// value per window start 1..N-w+1, value -9999 for a window with a missing value.
struct SmoothedCurve {
    std::vector<float> position;  // [0..windows]
    std::vector<float> value;     // [0..windows]
    int windows = 0;
};
SmoothedCurve SmoothCurve(const Workspace& ws, int p, int width);

// The error model's figures for parameter p over the sites with an estimate (residual =
// estimate - observed). A figure that is undefined is NaN.
struct ErrorModelSummary {
    int sites = 0;
    double rmsep = 0;
    double r2 = 0;
    double meanBias = 0;
    double maxBias = 0;
};
ErrorModelSummary SummariseErrorModel(const Workspace& ws, int p);

// The bins of the maximum bias for parameter p: the observed range of the sites with an
// estimate split into ten bins of equal width, each with its limits, its number of sites and
// its mean residual (NaN when empty). The maximum bias is the bin mean largest in magnitude.
// One bin when every observed value is the same; none without an estimate.
struct BiasBin {
    double low = 0, high = 0;
    int count = 0;
    double meanResidual = 0;
};
std::vector<BiasBin> ErrorModelBiasBins(const Workspace& ws, int p);

}  // namespace tarvex
