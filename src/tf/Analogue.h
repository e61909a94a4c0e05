#pragma once

#include <cstdint>
#include <vector>

#include "app/Matrix.h"
#include "mat/AnalogueKernels.h"
#include "mat/Analogues.h"

namespace tarvex {
namespace tf {

// The modern-analogue method beside the transfer functions, with the reconstruction window's
// settings and rules: the same distance terms, the same ranking (32-bit comparison, ties to
// the lower site, a distance that is 0 in 32 bits never an analogue), the same threshold,
// minimum and weighting. Here the candidate analogues can be any subset of the sites, a site
// drawn several times into a bootstrap resample counting as often, and site numbers are not
// bound to 16 bits.
struct AnalogueSetup {
    int sites = 0;    // reference sites 1..sites
    int samples = 0;  // fossil samples 1..samples
    int terms = 0;
    std::vector<double> siteRows;    // site s, term t at s * terms + t
    std::vector<double> sampleRows;  // sample r, term t at r * terms + t
    std::vector<double> weights;     // EOF basis: the contribution of each axis; else empty
    int kmin = 0;
    int kmax = 8;
    double threshold = 0.2;
    Weighting weighting = Weighting::SquaredDistance;

    bool Enabled() const { return sites > 0 && terms > 0 && kmax >= 1; }
};

// The setup of a workspace and the window's settings: the terms the window's search uses.
AnalogueSetup AnalogueSetupFrom(const Workspace& ws, const AnalogueSettings& settings);

// The setup on taxa proportions (sites x taxa and samples x taxa, as the window transforms
// them for the chosen enhancement), for sets the workspace cannot hold.
AnalogueSetup TaxaAnalogueSetup(const Matrix<double>& sites, int siteCount,
                                const Matrix<double>& samples, int sampleCount, int taxa,
                                const AnalogueSettings& settings);

inline constexpr int kMaxAnalogues = 20;

// The ranked analogues of one target.
struct Ranks {
    float dist[kMaxAnalogues + 1];
    int site[kMaxAnalogues + 1];
    int used = 0;  // leading ranks used
};

class AnalogueSearch {
public:
    explicit AnalogueSearch(const AnalogueSetup& setup);

    // Distances of targets first..last (sites, or fossil samples) to every site: row
    // (target - first) of out, site s at [row * (sites + 1) + s].
    void Distances(bool sitesAsTargets, int first, int last, std::vector<double>& out) const;

    // Ranks a row of distances d[1..sites] over the sites whose count is not 0 (counts null:
    // every site once), a site counted c times taking c consecutive ranks, and sets the used
    // ranks by the threshold and the minimum.
    template <typename Distance>
    void Rank(const Distance* d, const std::vector<int>* counts, Ranks& ranks) const;

    // The weighted mean of column p of climate over the used ranks; NaN without one.
    double Estimate(const Ranks& ranks, const Matrix<double>& climate, int p) const;

    const AnalogueSetup& Setup() const { return setup_; }

private:
    const AnalogueSetup& setup_;
    analoguekernel::SitePanels panels_;
};

}  // namespace tf
}  // namespace tarvex
