#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Matrix.h"
#include "app/Workspace.h"
#include "mat/Analogues.h"

namespace tarvex {

// How good the best modern analogue of each fossil sample is: its distance to the closest
// reference site, set against the distances between neighbouring reference sites. A sample
// farther from every site than all but the closest few per cent of modern neighbours are from
// each other has no good modern analogue at that level. This works on the search's own
// distances, beside the envelope test that works in EOF space.

inline constexpr std::array<double, 3> kQualityPercents = {2.5, 5, 10};

// The value below which `percent` % of the values lie: linear interpolation between the order
// statistics, at position (n - 1) * percent / 100 counted from 0 in ascending order. NaN for no
// values.
double Percentile(std::vector<double> values, double percent);

// The distances of every reference site to its closest other site, with the search's settings
// (a distance that is 0 in 32 bits does not count), [1..sites]; +infinity for a site whose
// every other site lies at distance 0. Only the sites the climate table also holds take part,
// as in the search.
std::vector<double> ModernClosestDistances(const Workspace& ws, const AnalogueSettings& settings);

// The cut-offs at kQualityPercents of the finite distances; NaN without any.
std::array<double, 3> QualityCutoffs(const std::vector<double>& modernClosest);

// Keeps the modern distances of the last settings and reference values, so that a rerun of the
// reconstruction with the same distance (threshold, numbers of analogues, weighting,
// smoothing) does not compute them again.
class ModernClosestCache {
public:
    const std::vector<double>& Get(const Workspace& ws, const AnalogueSettings& settings);
    int computations() const { return computations_; }

private:
    bool valid_ = false;
    std::uint64_t key_ = 0;
    std::vector<double> distances_;
    int computations_ = 0;
};

// Fills ws.closestDistance, ws.closestSite and ws.analogueCutoffs from the fossil distances of
// the reconstruction just run (ws.distanceMatrix, sample by site) and the modern distances.
// The closest site is the one with the smallest distance that is not 0 in 32 bits, the
// lower-numbered among equals; a sample without one gets distance -9999 and site 0.
void AssessAnalogueQuality(Workspace& ws, const std::vector<double>& modernClosest);

// The "Closest distance" of sample i is above cut-off k (0: 2.5 %, 1: 5 %, 2: 10 %).
bool BeyondCutoff(const Workspace& ws, int sample, int k);

// "Sample","Closest distance","Closest site"; one record per fossil sample (label, distance,
// label of the site; empty fields without a closest site); then "Cut-off 2.5 %", "Cut-off 5 %"
// and "Cut-off 10 %" with their values (empty when undefined). Empty text without a
// reconstruction.
std::string AnalogueQualityFileText(const Workspace& ws, bool* allFinite = nullptr);

}  // namespace tarvex
