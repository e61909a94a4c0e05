#include "plots/Envelope.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "data/NumberText.h"

namespace tarvex {

namespace {

// Start values of the support scan, beyond any standardised score.
constexpr double kScanLow = -99999999;
constexpr double kScanHigh = 99999999;

// Divides c[1..k] by the length whose square is sumOfSquares. The sum is accumulated and its
// root taken in single precision, so the rows are unit vectors to float accuracy.
void Normalise(double* c, int k, float sumOfSquares)
{
    const float root = static_cast<float>(std::sqrt(static_cast<double>(sumOfSquares)));
    for (int l = 1; l <= k; ++l) c[l] /= static_cast<double>(root);
}

// A point of the cube [-1, 1)^k accepted only inside the unit ball (and away from its centre,
// where the direction would be dominated by rounding) has a uniformly random direction.
void RejectionDirection(UniformRandom& rng, int k, double* c)
{
    for (;;) {
        float s = 0;
        for (int l = 1; l <= k; ++l) {
            c[l] = 2 * rng.Next() - 1;
            s = static_cast<float>(static_cast<double>(s) + c[l] * c[l]);
        }
        if (s > 0.01 && s <= 1) {
            Normalise(c, k, s);
            return;
        }
    }
}

// k independent normal deviates (Box-Muller, both deviates of a pair used) point in a
// uniformly random direction in any number of dimensions.
void GaussianDirection(UniformRandom& rng, int k, double* c)
{
    for (;;) {
        float s = 0;
        for (int l = 1; l <= k; l += 2) {
            const double radius = std::sqrt(-2 * std::log(1 - rng.Next()));  // 1 - u > 0
            const double angle = 2 * kProgramPi * rng.Next();
            c[l] = radius * std::cos(angle);
            s = static_cast<float>(static_cast<double>(s) + c[l] * c[l]);
            if (l + 1 <= k) {
                c[l + 1] = radius * std::sin(angle);
                s = static_cast<float>(static_cast<double>(s) + c[l + 1] * c[l + 1]);
            }
        }
        if (s > 0) {
            Normalise(c, k, s);
            return;
        }
    }
}

double ValueOrZero(const Matrix<double>& values, int row, int col)
{
    if (row < 0 || row > values.rows() || col < 0 || col > values.cols()) return 0.0;
    return values(row, col);
}

// Rows 1..rows of values on the given EOFs, one contiguous column per EOF, so that each
// direction streams through them and the compiler can vectorise the projections.
std::vector<double> GatherColumns(const Matrix<double>& values, int rows,
                                  const std::vector<int>& axes)
{
    const std::size_t n = static_cast<std::size_t>(rows);
    std::vector<double> out(n * axes.size());
    for (std::size_t l = 0; l < axes.size(); ++l)
        for (int i = 1; i <= rows; ++i)
            out[l * n + static_cast<std::size_t>(i - 1)] = ValueOrZero(values, i, axes[l]);
    return out;
}

// projection[i] = sum over l of direction[l] * column l, row i; the terms are added in EOF
// order for every row, as a row-by-row dot product would.
void Project(const double* direction, const std::vector<double>& columns, int k,
             std::vector<double>& projection)
{
    const std::size_t n = projection.size();
    std::fill(projection.begin(), projection.end(), 0.0);
    for (int l = 0; l < k; ++l) {
        const double dl = direction[l];
        const double* column = columns.data() + static_cast<std::size_t>(l) * n;
        for (std::size_t i = 0; i < n; ++i) projection[i] += dl * column[i];
    }
}

}  // namespace

std::array<double, 3> SphereDirection(double r1, double r2)
{
    const double u = 2 * r1 - 1;
    // At the poles u / sqrt(1 - u^2) has no value; its limits are the poles themselves.
    if (u <= -1) return {0, 0, -1};
    if (u >= 1) return {0, 0, 1};
    const double phi = 2 * kProgramPi * r2;
    const double theta = std::atan(u / std::sqrt(1 - u * u));
    return {std::cos(phi) * std::cos(theta), std::sin(phi) * std::cos(theta), std::sin(theta)};
}

Matrix<double> EnvelopeDirections(UniformRandom& rng, bool moreAxes, int k)
{
    if (!moreAxes) {
        Matrix<double> d(kEnvelopeDirections, 3);
        for (int i = 1; i <= kEnvelopeDirections; ++i) {
            const double r1 = rng.Next();
            const double r2 = rng.Next();
            const std::array<double, 3> v = SphereDirection(r1, r2);
            d(i, 1) = v[0];
            d(i, 2) = v[1];
            d(i, 3) = v[2];
        }
        return d;
    }

    k = std::max(k, 0);
    Matrix<double> d(kEnvelopeDirections, k);
    if (k == 0) return d;
    for (int i = 1; i <= kEnvelopeDirections; ++i) {
        if (k <= kRejectionMaxDims)
            RejectionDirection(rng, k, d.row(i));
        else
            GaussianDirection(rng, k, d.row(i));
    }
    return d;
}

void RunEnvelopeAnalysis(Workspace& ws, UniformRandom& rng, float tightness,
                         const ProgressFn& progress)
{
    const int siteCount = std::max<int>(ws.refSiteCount, 0);
    const int sampleCount = std::max<int>(ws.fossilSampleCount, 0);
    ws.refSiteOnHull.assign(static_cast<std::size_t>(siteCount) + 1, false);
    ws.fossilOutside.assign(static_cast<std::size_t>(sampleCount) + 1, false);

    const int listed = static_cast<int>(ws.selectedAxes.size()) - 1;
    const int k = std::clamp<int>(ws.selectedAxisCount, 0, std::max(listed, 0));
    // Without more axes the table has three components; the 2-D view uses two of them.
    const int used = ws.moreAxes ? k : std::min(k, 3);
    std::vector<int> axes;
    for (int l = 1; l <= used; ++l) axes.push_back(ws.selectedAxes[static_cast<std::size_t>(l)]);

    const Matrix<double> directions = EnvelopeDirections(rng, ws.moreAxes, k);

    const int siteRows = std::min(siteCount, ws.refScores.rows());
    const bool testSamples = sampleCount > 0 && ws.fossilScores.rows() >= sampleCount;
    const std::vector<double> sites = GatherColumns(ws.refScores, siteRows, axes);
    const std::vector<double> samples =
        testSamples ? GatherColumns(ws.fossilScores, sampleCount, axes) : std::vector<double>{};
    std::vector<double> siteProjection(static_cast<std::size_t>(siteRows));
    std::vector<double> sampleProjection(testSamples ? static_cast<std::size_t>(sampleCount) : 0);

    const double margin = static_cast<double>(tightness);
    for (int d = 1; d <= kEnvelopeDirections; ++d) {
        const double* dir = directions.row(d) + 1;

        Project(dir, sites, used, siteProjection);
        double high = kScanLow, low = kScanHigh;
        int highSite = 0, lowSite = 0;
        for (int s = 1; s <= siteRows; ++s) {
            const double p = siteProjection[static_cast<std::size_t>(s - 1)];
            // Strict comparisons: of equal sites the first one found bounds the hull.
            if (p > high) {
                high = p;
                highSite = s;
            }
            if (p < low) {
                low = p;
                lowSite = s;
            }
        }
        if (highSite > 0) ws.refSiteOnHull[static_cast<std::size_t>(highSite)] = true;
        if (lowSite > 0) ws.refSiteOnHull[static_cast<std::size_t>(lowSite)] = true;

        if (testSamples) {
            Project(dir, samples, used, sampleProjection);
            const double upper = high + margin, lower = low - margin;
            for (int j = 1; j <= sampleCount; ++j) {
                const double q = sampleProjection[static_cast<std::size_t>(j - 1)];
                // A sample once outside stays outside.
                if (q > upper || q < lower) ws.fossilOutside[static_cast<std::size_t>(j)] = true;
            }
        }
        if (progress) progress(d, kEnvelopeDirections);
    }
    ws.envelopeDone = true;
}

void ResetEnvelopeMarks(Workspace& ws)
{
    // Every count, one included: a reset that left a single site's or sample's mark
    // standing would show an envelope that is no longer there.
    ws.refSiteOnHull.assign(static_cast<std::size_t>(std::max<int>(ws.refSiteCount, 0)) + 1, false);
    ws.fossilOutside.assign(static_cast<std::size_t>(std::max<int>(ws.fossilSampleCount, 0)) + 1,
                            false);
}

}  // namespace tarvex
