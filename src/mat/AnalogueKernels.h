#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The hot loops of the analogue search. A distance is one double sum over the terms in their
// order, started from zero, each term a separate subtraction, (weighting,) multiplication and
// addition; the fast loops run many such sums side by side, one vector lane per site, and
// never reorder or fuse the steps of one sum, so they give the bits of the plain loop.
namespace tarvex {
namespace analoguekernel {

// Sites per panel: the lanes of one row of the distance tile.
constexpr int kPanelSites = 8;

// The sites' values, `terms` per site, laid out for the lanes: panel p holds sites
// 8p + 1 .. 8p + 8 side by side, term after term; sites past the last are 0.
struct SitePanels {
    int sites = 0;
    int terms = 0;
    std::vector<double> values;  // panel p, term t, lane l at (p * terms + t) * 8 + l

    int panels() const { return (sites + kPanelSites - 1) / kPanelSites; }
};

// rows holds site s (1..sites) at rows[s * terms + t], t = 0..terms-1.
SitePanels PackSitePanels(const std::vector<double>& rows, int sites, int terms);

// Where a tile writes: element (r, s) at base[r * stride + s - firstColumn].
struct DistanceOutput {
    double* base = nullptr;
    std::size_t stride = 0;
    int firstColumn = 0;
};

// D(r, s) for the targets r = firstTarget..lastTarget (target r's terms at
// targets[r * terms + t]) and the sites of panels firstPanel..lastPanel (sites past
// panels.sites are left out): the sum over t of (site - target)^2, or of
// ((site - target) * weights[t] / 100)^2 when weights is given. With mirror set, D(r, s) is
// written to (s, r) as well: the difference only changes sign between the two orders, so both
// sums have the same bits.
void DistanceTile(const std::vector<double>& targets, int firstTarget, int lastTarget,
                  const SitePanels& panels, int firstPanel, int lastPanel, const double* weights,
                  DistanceOutput out, bool mirror);

// The plain sum of one pair, the definition the tiles are held to.
double PlainDistance(const double* target, const double* site, int terms, const double* weights);

// Ranks of one target from its row of distances d[1..sites]: dist[1..kmax] and
// site[1..kmax] come out as the rank-by-rank linear scans give them (32-bit comparison,
// strictly smaller than the rank before it, lower site first among equals, 9999 and site 0
// for a rank without a site), a distance of 0 never an analogue. One pass keeps the kmax best
// so far in order.
void RankRow(const double* d, int sites, int kmax, float* dist, int16_t* site);

// The same scan continued over the sites firstSite .. firstSite + count - 1, whose distances
// are d[0 .. count - 1], into ranks that already hold the sites of lower numbers.
void RankMore(const double* d, int count, int firstSite, int kmax, float* dist, int16_t* site);

// The same for the columns of a tile of distances, (r, c) at tile[r * stride + c] for the rows
// r = 1..rows (sites firstRowSite, firstRowSite + 1, ...) and the columns c = 0..width-1: the
// rows are ranked into the ranks of each column, dist[c][1..kmax] and site[c][1..kmax], which
// already hold only sites below firstRowSite. A distance enters column c only below
// bound[c] as well.
void RankColumns(const double* tile, std::size_t stride, int rows, int firstRowSite, int width,
                 int kmax, float* const* dist, int16_t* const* site, const float* bound);

}  // namespace analoguekernel
}  // namespace tarvex
