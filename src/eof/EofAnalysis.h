#pragma once

#include <functional>
#include <vector>

#include "app/Matrix.h"
#include "app/Workspace.h"

namespace tarvex {

// Reports progress as `done` out of `total`; may be empty.
using ProgressFn = std::function<void(int done, int total)>;

// Mean of x(1..rows, col). A column whose values are all equal gets that value exactly:
// summing and dividing can be off by an ulp (0.1 at three sites), and a constant taxon
// must have deviations of exactly 0 for its zero guards to apply.
double ColumnMean(const Matrix<double>& x, int rows, int col);

// The dispersion entry of taxa p and q over sites 1..sites. Correlation: 1 on the diagonal,
// 0 when either taxon has no variance. Covariance: population covariance (divisor sites),
// 0 when there is only one site.
double PairCorrelation(const Matrix<double>& x, int sites, int p, int q);
double PairCovariance(const Matrix<double>& x, int sites, int p, int q);

// The whole matrix out[0..taxa, 0..taxa], exactly symmetric. Each entry is the one of the
// pair functions, computed from data centred once.
void BuildDispersionMatrix(const Matrix<double>& x, int sites, int taxa, bool correlation,
                           Matrix<double>& out);
// The same on up to `threads` threads; the entries do not depend on the count.
void BuildDispersionMatrix(const Matrix<double>& x, int sites, int taxa, bool correlation,
                           Matrix<double>& out, int threads);

// Power iteration with deflation on the symmetric a[1..n, 1..n] (its upper triangle is the
// matrix; a is left deflated). Column k of eofVectors [0..n+1, 0..n] receives EOF k in rows
// 1..n and its eigenvalue in row n+1, sorted by eigenvalue, largest first; ties keep the
// order in which the vectors were found. Progress once per EOF.
void SolveEigenpairs(Matrix<double>& a, int n, Matrix<double>& eofVectors,
                     const ProgressFn& progress);

// Orders columns 1..n of eofVectors (rows 1..n+1) by the eigenvalue in row n+1, largest
// first, moving a column only past a strictly smaller eigenvalue.
void SortEofColumns(Matrix<double>& eofVectors, int n);

// Each eigenvalue's share of their sum and the running total, in percent (single
// precision); [0] = 0. When the eigenvalues sum to 0 every share is 0.
void ComputeContributions(const Matrix<double>& eofVectors, int n, std::vector<float>& contribution,
                          std::vector<float>& cumulative);

// Fills dispersionMatrix, eofVectors, eofContribution, eofCumulative, taxonLoadings,
// basisMeans, basisSDs, refRawScores and refScores from refData, useCorrelation,
// taxonCount and basisRowCount, and sets eofDone when there are more than two taxa.
// Returns false, changing nothing, when there are no taxa or sites or refData is smaller
// than the counts say.
bool ComputeEofResults(Workspace& ws, const ProgressFn& progress);
// The same on up to `threads` threads; the results do not depend on the count.
bool ComputeEofResults(Workspace& ws, const ProgressFn& progress, int threads);

// Places fossilData [1..M, 1..n] in the EOF space with the reference statistics: fills
// fossilStandardized, fossilRawScores and fossilScores, and sets projectionDone when
// M > 2. Progress once per EOF. Returns false, changing nothing, when there is no EOF
// analysis of the same taxa to project onto.
bool ProjectFossil(Workspace& ws, const ProgressFn& progress);

}  // namespace tarvex
