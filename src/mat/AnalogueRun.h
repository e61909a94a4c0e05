#pragma once

#include <cstdint>
#include <vector>

#include "app/Matrix.h"
#include "app/Progress.h"
#include "app/Workspace.h"
#include "mat/Analogues.h"

// The machinery shared by the fossil reconstruction and the error model: the values the
// distances are computed on, and the runs that turn them into distances, ranks and
// reconstructed values, fast and plain.
namespace tarvex {
namespace analoguerun {

// The terms of the distance for every site and every target, already transformed (square
// root, L) where the settings ask for it: the transform of a value is the same double
// whichever loop later reads it.
struct Basis {
    int sites = 0;                   // reference sites 1..sites
    int targets = 0;                 // fossil samples (or the sites themselves) 1..targets
    int terms = 0;                   // taxa, or selected axes in their order
    std::vector<double> siteRows;    // site s, term t at s * terms + t
    std::vector<double> targetRows;  // target r, term t at r * terms + t
    std::vector<double> weights;     // EOF basis: the contribution of each axis; else empty

    const double* Weights() const { return weights.empty() ? nullptr : weights.data(); }
};

// limitSites caps the sites (the climate table may hold fewer rows than the counts say).
Basis FossilBasis(const Workspace& ws, const AnalogueSettings& settings, int limitSites);
// The reference sites against themselves; targetRows stays empty (the site rows serve).
Basis SiteBasis(const Workspace& ws, const AnalogueSettings& settings, int limitSites);

// The sites the climate table and the basis data both hold.
int UsableSites(const Workspace& ws, const AnalogueSettings& settings);

// What a run does with the ranks of a target.
struct Recipe {
    int kmax = 8;
    int kmin = 0;
    double threshold = 0;
    Weighting weighting = Weighting::SquaredDistance;
    const Matrix<double>* climate = nullptr;  // (site, parameter)
    int params = 0;
};

// Shapes distances as (targetCount, siteCount) and values as (targetCount, params), fills
// the distances of every target in basis, ranks them and writes each target's used count and
// reconstructed values. Targets past basis.targets get no value (-9999, count 0). symmetric:
// the targets are the sites (the error model). progress goes once per target in order, on the
// calling thread.
void RunFast(const Basis& basis, bool symmetric, const Recipe& recipe, int targetCount,
             int siteCount, Matrix<double>& distances, Matrix<double>& values,
             const ProgressFn& progress);
// The error model's run (the targets are the sites) without the site-by-site matrix: every
// pair is computed once, by the same tiles, and ranked as it comes, for the site of its row
// and for the site of its column. The ranks of a site are the kmax best (distance in 32 bits,
// then site number) of all its distances, which is what RunFast's ranking of the whole row
// finds, so the values come out with the same bits; only the distances are not kept.
void RunLeaveOneOut(const Basis& basis, const Recipe& recipe, int targetCount,
                    Matrix<double>& values, const ProgressFn& progress);
// The same by the plain order.
void RunPlain(const Basis& basis, bool symmetric, const Recipe& recipe, int targetCount,
              int siteCount, Matrix<double>& distances, Matrix<double>& values);

// Only the distances, (targetCount, siteCount).
Matrix<double> Distances(const Basis& basis, bool symmetric, int targetCount, int siteCount);

// For every site of the basis ([1..basis.sites]) the distance to its closest other site, a
// distance that is 0 in 32 bits not counting (as in the search); +infinity for a site without
// one. Each pair is computed once, by the tiles of the search, without keeping the
// site-by-site matrix: every job keeps the minima of its own rows and columns, and minima
// combine in any order to the same value.
std::vector<double> NearestOtherSite(const Basis& basis);

// The used count of one target's ranks dist[1..kmax], site[1..kmax].
int UsedCount(const float* dist, const int16_t* site, int kmax, double threshold, int kmin);
// The weighted mean of parameter p over ranks 1..used; -9999 when no rank has a site.
double WeightedMean(const float* dist, const int16_t* site, int used, const Matrix<double>& climate,
                    int p, Weighting weighting);

}  // namespace analoguerun
}  // namespace tarvex
