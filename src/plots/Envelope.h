#pragma once

#include <array>

#include "app/Matrix.h"
#include "app/Progress.h"
#include "app/Workspace.h"
#include "plots/UniformRandom.h"

// The envelope test: is a fossil sample inside the cloud of reference sites in the space of
// the selected EOFs? The cloud's convex hull, widened by the tightness, is probed along
// random directions; a sample is outside when along some direction it lies beyond every site
// by more than the tightness. Sites that are extreme along some direction bound the hull.

namespace tarvex {

inline constexpr int kEnvelopeDirections = 3000;

// Above this many dimensions a random point of the cube lands in the unit ball too rarely for
// drawing-and-rejecting to finish (1 in 400 at 10 dimensions, 1 in 40 million at 20), so
// directions are drawn from normal deviates instead; both give uniform directions.
inline constexpr int kRejectionMaxDims = 10;

// The point of the unit sphere for two uniform draws: u = 2 r1 - 1 is the sine of the
// latitude, 2 pi r2 the longitude. r1 = 0 gives the south pole (0, 0, -1).
std::array<double, 3> SphereDirection(double r1, double r2);

// Directions [1..kEnvelopeDirections, 1..dims], drawn from rng. With moreAxes, dims = k and
// every row is a unit vector of k dimensions; otherwise dims = 3 (SphereDirection), of which
// the 2-D view uses the first two as they are.
Matrix<double> EnvelopeDirections(UniformRandom& rng, bool moreAxes, int k);

// One envelope run on selectedAxes[1..selectedAxisCount] with margin tightness: fresh
// directions from rng, refSiteOnHull and fossilOutside rebuilt for [0..count], envelopeDone
// set. Fossil samples are tested only when fossilScores holds all of them; after a failed
// fossil import the count may be set without scores, and the samples then stay unmarked.
// Selected EOFs that a score table does not hold count as 0. progress(d, 3000) follows each
// direction.
void RunEnvelopeAnalysis(Workspace& ws, UniformRandom& rng, float tightness,
                         const ProgressFn& progress);

// Clears refSiteOnHull and fossilOutside over [0..count]. envelopeDone stays as it is.
void ResetEnvelopeMarks(Workspace& ws);

}  // namespace tarvex
