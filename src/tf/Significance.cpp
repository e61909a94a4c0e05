#include "tf/Significance.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvex {
namespace tf {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

FossilVariance::FossilVariance(const Matrix<double>& fossil, int taxa,
                               const std::vector<int>& samples)
    : samples_(samples), taxa_(taxa)
{
    const std::size_t n = samples.size();
    centred_.assign(n * static_cast<std::size_t>(taxa), 0.0);
    if (n == 0) return;
    for (int k = 1; k <= taxa; ++k) {
        double mean = 0;
        for (int s : samples) mean += fossil(s, k);
        mean /= static_cast<double>(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double v = fossil(samples[i], k) - mean;
            centred_[i * taxa + (k - 1)] = v;
            totalSquares_ += v * v;
        }
    }
}

double FossilVariance::Explained(const std::vector<double>& z) const
{
    const std::size_t n = samples_.size();
    if (z.size() != n || n < 2 || !(totalSquares_ > 0)) return kNaN;
    double mean = 0;
    for (double v : z) {
        if (!std::isfinite(v)) return kNaN;
        mean += v;
    }
    mean /= static_cast<double>(n);
    std::vector<double> zc(n);
    double zz = 0;
    for (std::size_t i = 0; i < n; ++i) {
        zc[i] = z[i] - mean;
        zz += zc[i] * zc[i];
    }
    if (!(zz > 0)) return kNaN;
    std::vector<double> cross(static_cast<std::size_t>(taxa_), 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double* row = centred_.data() + i * taxa_;
        for (int k = 0; k < taxa_; ++k) cross[k] += zc[i] * row[k];
    }
    double explained = 0;
    for (double c : cross) explained += c * c;
    return explained / zz / totalSquares_;
}

double FossilVariance::FirstComponent() const
{
    const int n = static_cast<int>(samples_.size());
    if (n < 2 || !(totalSquares_ > 0)) return kNaN;
    // The nonzero eigenvalues of X'X and X X' are the same; the smaller matrix is used.
    const bool bySample = n <= taxa_;
    const int size = bySample ? n : taxa_;
    std::vector<double> gram(static_cast<std::size_t>(size) * size, 0.0);
    for (int a = 0; a < size; ++a)
        for (int b = a; b < size; ++b) {
            double sum = 0;
            if (bySample) {
                for (int k = 0; k < taxa_; ++k)
                    sum += centred_[static_cast<std::size_t>(a) * taxa_ + k] *
                           centred_[static_cast<std::size_t>(b) * taxa_ + k];
            } else {
                for (int i = 0; i < n; ++i)
                    sum += centred_[static_cast<std::size_t>(i) * taxa_ + a] *
                           centred_[static_cast<std::size_t>(i) * taxa_ + b];
            }
            gram[static_cast<std::size_t>(a) * size + b] = sum;
            gram[static_cast<std::size_t>(b) * size + a] = sum;
        }
    double trace = 0;
    for (int a = 0; a < size; ++a) trace += gram[static_cast<std::size_t>(a) * size + a];
    const std::vector<double> values = SymmetricEigenvalues(std::move(gram), size);
    return *std::max_element(values.begin(), values.end()) / trace;
}

std::vector<double> SymmetricEigenvalues(std::vector<double> a, int n)
{
    auto at = [&](int i, int j) -> double& { return a[static_cast<std::size_t>(i) * n + j]; };
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0, diagonal = 0;
        for (int i = 0; i < n; ++i) {
            diagonal += at(i, i) * at(i, i);
            for (int j = i + 1; j < n; ++j) off += at(i, j) * at(i, j);
        }
        if (off <= 1e-30 * diagonal || off == 0) break;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) {
                const double apq = at(p, q);
                if (apq == 0) continue;
                const double theta = (at(q, q) - at(p, p)) / (2 * apq);
                const double t =
                    (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1);
                const double s = t * c;
                for (int k = 0; k < n; ++k) {
                    const double akp = at(k, p), akq = at(k, q);
                    at(k, p) = c * akp - s * akq;
                    at(k, q) = s * akp + c * akq;
                }
                for (int k = 0; k < n; ++k) {
                    const double apk = at(p, k), aqk = at(q, k);
                    at(p, k) = c * apk - s * aqk;
                    at(q, k) = s * apk + c * aqk;
                }
            }
    }
    std::vector<double> values(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = at(i, i);
    return values;
}

double RandomisationP(double observed, const std::vector<double>& random)
{
    if (std::isnan(observed)) return kNaN;
    int atLeast = 1, count = 1;
    for (double v : random) {
        if (std::isnan(v)) continue;
        ++count;
        if (v >= observed) ++atLeast;
    }
    return static_cast<double>(atLeast) / count;
}

}  // namespace tf
}  // namespace tarvex
