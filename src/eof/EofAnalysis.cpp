#include "eof/EofAnalysis.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "app/ParallelFor.h"
#include "eof/EofKernels.h"

namespace tarvex {

namespace {

// The power iteration takes this many steps for every EOF, converged or not.
constexpr int kPowerSteps = 20;

// Column means of x(1..rows, 1..cols), each summed over the rows in order, with
// ColumnMean's rule for constant columns. Index 0 is unused.
std::vector<double> ColumnMeans(const Matrix<double>& x, int rows, int cols)
{
    std::vector<double> sum(static_cast<std::size_t>(cols) + 1, 0.0);
    if (rows < 1) return sum;
    std::vector<char> constant(sum.size(), 1);
    const double* first = x.row(1);
    for (int s = 1; s <= rows; ++s) {
        const double* in = x.row(s);
        for (int c = 1; c <= cols; ++c) {
            sum[c] += in[c];
            constant[c] &= static_cast<char>(in[c] == first[c]);
        }
    }
    for (int c = 1; c <= cols; ++c) sum[c] = constant[c] ? first[c] : sum[c] / rows;
    return sum;
}

// Population standard deviations (divisor rows) about the given means.
std::vector<double> ColumnDeviations(const Matrix<double>& x, int rows, int cols,
                                     const std::vector<double>& means)
{
    std::vector<double> sum(static_cast<std::size_t>(cols) + 1, 0.0);
    if (rows < 1) return sum;
    for (int s = 1; s <= rows; ++s) {
        const double* in = x.row(s);
        for (int c = 1; c <= cols; ++c) {
            const double d = in[c] - means[c];
            sum[c] += d * d;
        }
    }
    for (int c = 1; c <= cols; ++c) sum[c] = std::sqrt(sum[c] / rows);
    return sum;
}

// (x - mean) / deviation, or 0 for a column without deviation.
double Standardize(double x, double mean, double deviation)
{
    return deviation == 0 ? 0 : (x - mean) / deviation;
}

// The dispersion of two centred columns, given their cross product and sums of squares.
double DispersionEntry(bool correlation, int sites, double sxy, double sxx, double syy)
{
    if (correlation) {
        const double z = std::sqrt(sxx * syy);
        return z == 0 ? 0 : sxy / z;
    }
    return sites <= 1 ? 0 : sxy / sites;
}

double PairEntry(const Matrix<double>& x, int sites, int p, int q, bool correlation)
{
    const double mx = ColumnMean(x, sites, p);
    const double my = ColumnMean(x, sites, q);
    double sxy = 0, sxx = 0, syy = 0;
    for (int s = 1; s <= sites; ++s) {
        const double dx = x(s, p) - mx;
        const double dy = x(s, q) - my;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    return DispersionEntry(correlation, sites, sxy, sxx, syy);
}

// The dispersion matrix and the scores take about n * n * sites multiply-adds each; the
// power iteration runs on the calling thread.
int ThreadsForAnalysis(int sites, int taxa)
{
    const double n = taxa;
    return ThreadsFor(n * n * sites);
}

// Gives m the shape [0..rows, 0..cols]. A matrix that has it already keeps its storage,
// which saves zeroing and faulting in tens of megabytes on a repeated analysis; the caller
// overwrites every data element, and row and column 0 are cleared here.
void ReuseOrResize(Matrix<double>& m, int rows, int cols)
{
    if (m.rows() != rows || m.cols() != cols) {
        m.resize(rows, cols);
        return;
    }
    std::fill(m.row(0), m.row(0) + cols + 1, 0.0);
    for (int r = 1; r <= rows; ++r) m(r, 0) = 0;
}

void StoreColumn(Matrix<double>& m, int col, const std::vector<double>& v, int n)
{
    for (int i = 1; i <= n; ++i) m(i, col) = v[i];
}

}  // namespace

double ColumnMean(const Matrix<double>& x, int rows, int col)
{
    if (rows < 1) return 0;
    const double first = x(1, col);
    double sum = 0;
    bool constant = true;
    for (int s = 1; s <= rows; ++s) {
        const double v = x(s, col);
        sum += v;
        constant = constant && v == first;
    }
    return constant ? first : sum / rows;
}

double PairCorrelation(const Matrix<double>& x, int sites, int p, int q)
{
    if (p == q) return 1;
    return PairEntry(x, sites, p, q, true);
}

double PairCovariance(const Matrix<double>& x, int sites, int p, int q)
{
    if (sites <= 1) return 0;
    return PairEntry(x, sites, p, q, false);
}

void BuildDispersionMatrix(const Matrix<double>& x, int sites, int taxa, bool correlation,
                           Matrix<double>& out)
{
    const double n = taxa;
    BuildDispersionMatrix(x, sites, taxa, correlation, out, ThreadsFor(n * n * sites / 2));
}

void BuildDispersionMatrix(const Matrix<double>& x, int sites, int taxa, bool correlation,
                           Matrix<double>& out, int threads)
{
    ReuseOrResize(out, taxa, taxa);
    if (taxa < 1) return;
    sites = std::max(sites, 0);

    // Centring once gives every pair the same deviations the pair functions compute, so
    // the sums below are theirs term for term.
    const std::vector<double> means = ColumnMeans(x, sites, taxa);
    eofkernel::CrossProductUpper(x, sites, taxa, means, out, threads);

    std::vector<double> squares(static_cast<std::size_t>(taxa) + 1);
    for (int p = 1; p <= taxa; ++p) squares[p] = out(p, p);
    for (int p = 1; p <= taxa; ++p) {
        double* row = out.row(p);
        for (int q = p + 1; q <= taxa; ++q) {
            row[q] = DispersionEntry(correlation, sites, row[q], squares[p], squares[q]);
            out(q, p) = row[q];
        }
        row[p] = correlation ? 1 : DispersionEntry(false, sites, squares[p], 0, 0);
    }
}

void SolveEigenpairs(Matrix<double>& a, int n, Matrix<double>& eofVectors,
                     const ProgressFn& progress)
{
    ReuseOrResize(eofVectors, n + 1, n);
    if (n < 1) return;
    assert(a.rows() >= n && a.cols() >= n);

    // Only the upper triangle is read and updated while iterating; the deflation
    // lambda * (v(i) * v(j)) rounds the same for (i, j) and (j, i), so the triangle stands
    // for the full matrix exactly.
    auto entry = [&a](int i, int j) { return i <= j ? a(i, j) : a(j, i); };
    const std::size_t size = static_cast<std::size_t>(n) + 1;
    std::vector<double> v(size, 0.0), w(size, 0.0), previous(size, 0.0);
    // The deflation by the previous EOF is carried out inside the next EOF's first full
    // product, which saves a pass over the matrix per EOF.
    double pendingLambda = 0;
    bool pending = false;
    // Columns before `live` are zero in the deflated matrix and stay zero: a zero column is
    // a zero row, so every later vector is 0 there and the deflation leaves it alone.
    int live = 1;
    double roundingLevel = 0;

    for (int k = 1; k <= n; ++k) {
        // The iteration starts from (1, 0, ..., 0). Once that vector lies in the null space
        // of the deflated matrix (taxon 1 without variance, or its EOF already taken out
        // exactly), every step would return 0 and each further EOF would be empty although
        // variance is left; the next unit vector the matrix does not send to 0 is used
        // instead. The first step's product is that column itself.
        bool found = false;
        for (; live <= n && !found; ++live) {
            for (int i = 1; i <= n; ++i) {
                double e = entry(live, i);
                if (pending) e = e - pendingLambda * (previous[live] * previous[i]);
                w[i] = 0.0 + e;
                found = found || e != 0;
            }
        }
        if (found) --live;

        double lambda = 0;
        double deflation = 0;
        if (!found) {
            std::fill(v.begin(), v.end(), 0.0);
            if (pending) eofkernel::DeflateUpper(a, n, pendingLambda, previous.data());
            pending = false;
        } else {
            for (int step = 1; step <= kPowerSteps; ++step) {
                if (step > 1) {
                    eofkernel::UpperProduct(a, n, v.data(), pending, pendingLambda, previous.data(),
                                            w.data());
                    pending = false;
                }
                double s = 0;
                for (int i = 1; i <= n; ++i) s += w[i] * w[i];
                lambda = std::sqrt(s);
                for (int i = 1; i <= n; ++i) v[i] = lambda == 0 ? 0 : w[i] / lambda;
            }
            deflation = lambda;
            // The length of A v cannot tell the sign of the eigenvalue. Once the rank of the
            // matrix is used up (more taxa than sites) what is left is rounding noise of both
            // signs, and a negative eigenvalue deflated as positive comes back doubled at every
            // later EOF until the sum of eigenvalues overflows. Where the curvature v'Av is not
            // positive the direction holds no variance: its eigenvalue is 0 and it is deflated
            // by the signed curvature, which takes that noise out instead of adding to it.
            eofkernel::UpperProduct(a, n, v.data(), false, 0, nullptr, w.data());
            double curvature = 0;
            for (int i = 1; i <= n; ++i) curvature += v[i] * w[i];
            if (!(curvature > 0)) {
                deflation = curvature;
                lambda = 0;
            }
            // The first EOF has the largest eigenvalue; one below the rounding error that n
            // deflations of a matrix of its size leave behind cannot be told from 0.
            if (k == 1) roundingLevel = n * std::numeric_limits<double>::epsilon() * lambda;
            if (lambda <= roundingLevel) lambda = 0;
        }
        StoreColumn(eofVectors, k, v, n);
        eofVectors(n + 1, k) = lambda;

        previous.swap(v);
        pendingLambda = deflation;
        pending = deflation != 0;
        if (progress) progress(k, n);
    }
    if (pending) eofkernel::DeflateUpper(a, n, pendingLambda, previous.data());
    for (int p = 1; p <= n; ++p)
        for (int q = p + 1; q <= n; ++q) a(q, p) = a(p, q);

    SortEofColumns(eofVectors, n);
}

void SortEofColumns(Matrix<double>& eofVectors, int n)
{
    if (n < 2) return;
    std::vector<int> order(static_cast<std::size_t>(n) + 1);
    std::iota(order.begin(), order.end(), 0);
    const double* eigenvalue = eofVectors.row(n + 1);
    // Exchanging a column with its right neighbour of strictly larger eigenvalue and then
    // rescanning from column 1 gives the same order as stepping back one column after each
    // exchange: everything left of the exchange was already in order. The stepping back
    // costs one comparison per exchange instead of a rescan.
    int f = 1;
    while (f < n) {
        if (eigenvalue[order[f]] < eigenvalue[order[f + 1]]) {
            std::swap(order[f], order[f + 1]);
            if (f > 1) --f;
        } else {
            ++f;
        }
    }
    bool moved = false;
    for (int k = 1; k <= n; ++k) moved = moved || order[k] != k;
    if (!moved) return;
    std::vector<double> found(order.size());
    for (int r = 1; r <= n + 1; ++r) {
        double* row = eofVectors.row(r);
        std::copy(row, row + n + 1, found.begin());
        for (int k = 1; k <= n; ++k) row[k] = found[order[k]];
    }
}

void ComputeContributions(const Matrix<double>& eofVectors, int n, std::vector<float>& contribution,
                          std::vector<float>& cumulative)
{
    const std::size_t size = static_cast<std::size_t>(std::max(n, 0)) + 1;
    contribution.assign(size, 0.0f);
    cumulative.assign(size, 0.0f);
    std::vector<float> share(size, 0.0f), running(size, 0.0f);
    float total = 0;
    for (int k = 1; k <= n; ++k) {
        share[k] = static_cast<float>(eofVectors(n + 1, k) * 100 / n);
        total = total + share[k];
        running[k] = total;
    }
    // No variance at all (constant data under covariance): there is nothing to share out,
    // and every EOF explains 0 % rather than an undefined amount.
    if (total == 0) return;
    for (int k = 1; k <= n; ++k) {
        contribution[k] = share[k] * 100.0f / total;
        cumulative[k] = running[k] * 100.0f / total;
    }
}

namespace {

// Loadings sqrt(lambda) * vector, standardised over the taxa of each EOF so that taxa and
// sites share one plot.
void ComputeLoadings(const Matrix<double>& eofVectors, int n, Matrix<double>& loadings)
{
    ReuseOrResize(loadings, n, n);
    std::vector<double> root(static_cast<std::size_t>(n) + 1, 0.0);
    for (int k = 1; k <= n; ++k) root[k] = std::sqrt(eofVectors(n + 1, k));
    for (int t = 1; t <= n; ++t) {
        const double* in = eofVectors.row(t);
        double* out = loadings.row(t);
        for (int k = 1; k <= n; ++k) out[k] = root[k] * in[k];
    }
    const std::vector<double> means = ColumnMeans(loadings, n, n);
    const std::vector<double> deviations = ColumnDeviations(loadings, n, n, means);
    for (int t = 1; t <= n; ++t) {
        double* row = loadings.row(t);
        for (int k = 1; k <= n; ++k) row[k] = Standardize(row[k], means[k], deviations[k]);
    }
}

// Standardised scores of rows 1..rows: (raw - mean) / deviation per EOF.
void StandardizeScores(const Matrix<double>& raw, int rows, int n, const double* means,
                       const double* deviations, Matrix<double>& scores)
{
    ReuseOrResize(scores, rows, n);
    for (int s = 1; s <= rows; ++s) {
        const double* in = raw.row(s);
        double* out = scores.row(s);
        for (int k = 1; k <= n; ++k) out[k] = Standardize(in[k], means[k], deviations[k]);
    }
}

}  // namespace

bool ComputeEofResults(Workspace& ws, const ProgressFn& progress)
{
    return ComputeEofResults(ws, progress, ThreadsForAnalysis(ws.basisRowCount, ws.taxonCount));
}

bool ComputeEofResults(Workspace& ws, const ProgressFn& progress, int threads)
{
    const int n = ws.taxonCount;
    const int sites = ws.basisRowCount;
    if (n < 1 || sites < 1 || ws.refData.rows() < sites || ws.refData.cols() < n) return false;
    const Matrix<double>& x = ws.refData;

    BuildDispersionMatrix(x, sites, n, ws.useCorrelation, ws.dispersionMatrix, threads);
    Matrix<double> work = ws.dispersionMatrix;
    SolveEigenpairs(work, n, ws.eofVectors, progress);
    ComputeContributions(ws.eofVectors, n, ws.eofContribution, ws.eofCumulative);
    ComputeLoadings(ws.eofVectors, n, ws.taxonLoadings);

    // The scores always come from the standardised data, whichever matrix was decomposed.
    ws.basisMeans.resize(4, n);
    ws.basisSDs.resize(4, n);
    const std::vector<double> means = ColumnMeans(x, sites, n);
    const std::vector<double> deviations = ColumnDeviations(x, sites, n, means);
    Matrix<double> z(sites, n);
    for (int s = 1; s <= sites; ++s) {
        const double* in = x.row(s);
        double* out = z.row(s);
        for (int t = 1; t <= n; ++t) out[t] = Standardize(in[t], means[t], deviations[t]);
    }
    const std::vector<double> zMeans = ColumnMeans(z, sites, n);
    for (int t = 1; t <= n; ++t) {
        ws.basisMeans(0, t) = means[t];
        ws.basisSDs(0, t) = deviations[t];
        ws.basisMeans(1, t) = zMeans[t];
    }
    for (int s = 1; s <= sites; ++s) {
        double* row = z.row(s);
        for (int t = 1; t <= n; ++t) row[t] = row[t] - zMeans[t];
    }
    ReuseOrResize(ws.refRawScores, sites, n);
    eofkernel::MultiplyRows(z, sites, n, ws.eofVectors, 1, n, ws.refRawScores, threads);

    const std::vector<double> scoreMeans = ColumnMeans(ws.refRawScores, sites, n);
    const std::vector<double> scoreDeviations =
        ColumnDeviations(ws.refRawScores, sites, n, scoreMeans);
    for (int k = 1; k <= n; ++k) {
        ws.basisMeans(2, k) = scoreMeans[k];
        ws.basisSDs(2, k) = scoreDeviations[k];
    }
    StandardizeScores(ws.refRawScores, sites, n, ws.basisMeans.row(2), ws.basisSDs.row(2),
                      ws.refScores);
    ws.eofDone = n > 2;
    return true;
}

bool ProjectFossil(Workspace& ws, const ProgressFn& progress)
{
    const int n = ws.taxonCount;
    const int samples = std::max<int>(ws.fossilSampleCount, 0);
    const bool analysed = n >= 1 && ws.eofVectors.rows() == n + 1 && ws.eofVectors.cols() == n &&
                          ws.basisMeans.rows() >= 2 && ws.basisMeans.cols() >= n &&
                          ws.basisSDs.rows() >= 2 && ws.basisSDs.cols() >= n;
    const bool sameTaxa =
        ws.fossilTaxonCount == n && ws.fossilData.rows() >= samples && ws.fossilData.cols() >= n;
    if (!analysed || !sameTaxa) return false;

    const double* mean0 = ws.basisMeans.row(0);
    const double* sd0 = ws.basisSDs.row(0);
    const double* mean1 = ws.basisMeans.row(1);
    Matrix<double> standardized(samples, n);
    Matrix<double> centred(samples, n);
    for (int j = 1; j <= samples; ++j) {
        const double* in = ws.fossilData.row(j);
        double* st = standardized.row(j);
        double* ce = centred.row(j);
        for (int t = 1; t <= n; ++t) {
            st[t] = Standardize(in[t], mean0[t], sd0[t]);
            ce[t] = st[t] - mean1[t];
        }
    }

    // EOFs go in blocks so the progress bar can follow; each EOF's scores are complete when
    // its block is.
    const double dn = n;
    const int threads = ThreadsFor(dn * dn * samples);
    constexpr int kEofsPerBlock = 32;
    Matrix<double> raw(samples, n);
    for (int first = 1; first <= n; first += kEofsPerBlock) {
        const int last = std::min(n, first + kEofsPerBlock - 1);
        eofkernel::MultiplyRows(centred, samples, n, ws.eofVectors, first, last, raw, threads);
        if (progress)
            for (int k = first; k <= last; ++k) progress(k, n);
    }
    Matrix<double> scores;
    StandardizeScores(raw, samples, n, ws.basisMeans.row(2), ws.basisSDs.row(2), scores);

    ws.fossilStandardized = std::move(standardized);
    ws.fossilRawScores = std::move(raw);
    ws.fossilScores = std::move(scores);
    ws.projectionDone = samples > 2;
    return true;
}

}  // namespace tarvex
