#include <algorithm>
#include <cmath>
#include <limits>

#include "data/NumberText.h"
#include "diagram/Coniss.h"

namespace tarvex {

namespace {

double Transformed(double value, ZonationTransform transform)
{
    return transform == ZonationTransform::SquareRoot ? std::sqrt(value) : value;
}

}  // namespace

std::string ZonationDataProblem(const Matrix<double>& proportions, int samples, int taxa,
                                ZonationTransform transform)
{
    if (samples > proportions.rows() || taxa > proportions.cols())
        return "The sequence has fewer values than its sample and taxon counts say.";
    for (int i = 1; i <= samples; ++i)
        for (int u = 1; u <= taxa; ++u) {
            const double v = proportions(i, u);
            const std::string where =
                "Sample " + std::to_string(i) + ", taxon " + std::to_string(u) + ": ";
            if (!std::isfinite(v)) return where + "the value is not a finite number.";
            if (transform == ZonationTransform::SquareRoot && v < 0)
                return where + "the value " + FormatNumber(v) +
                       " has no square root; the square-root transform needs values of 0 and "
                       "above.";
        }
    return {};
}

IssZonation ClassicConiss(const Matrix<double>& proportions, int samples, int taxa,
                          ZonationTransform transform, const std::vector<float>& positions)
{
    const int n = std::max(0, std::min(samples, proportions.rows()));
    const int t = std::max(0, std::min(taxa, proportions.cols()));
    IssZonation z;
    z.samples = n;
    z.merges.resize(1);
    if (n < 2) return z;

    Matrix<double> y(n, t);
    for (int i = 1; i <= n; ++i)
        for (int u = 1; u <= t; ++u) y(i, u) = Transformed(proportions(i, u), transform);

    // Clusters are named by their first sample and chained in sample order.
    std::vector<int> next(static_cast<std::size_t>(n) + 1), prev(static_cast<std::size_t>(n) + 1);
    std::vector<int> size(static_cast<std::size_t>(n) + 1, 1);
    std::vector<float> position(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) {
        next[i] = i < n ? i + 1 : 0;
        prev[i] = i - 1;
        position[i] = i < static_cast<int>(positions.size()) ? positions[i] : static_cast<float>(i);
    }
    Matrix<double> mean = y;

    // The rise of the within-cluster sum of squares when cluster a joins the cluster below.
    auto increment = [&](int a) {
        const int b = next[a];
        const double* ma = mean.row(a);
        const double* mb = mean.row(b);
        double sq = 0;
        for (int u = 1; u <= t; ++u) {
            const double diff = ma[u] - mb[u];
            sq += diff * diff;
        }
        const double na = size[a];
        const double nb = size[b];
        return na * nb / (na + nb) * sq;
    };
    std::vector<double> rise(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i < n; ++i) rise[i] = increment(i);

    double dispersion = 0;
    for (int v = 1; v <= n - 1; ++v) {
        double smallest = std::numeric_limits<double>::infinity();
        int a = 0;
        for (int k = 1; k != 0 && next[k] != 0; k = next[k])
            if (rise[k] < smallest) {
                smallest = rise[k];
                a = k;
            }
        // Only increments that are not numbers are left: stop rather than join at random.
        if (a == 0) break;
        const int b = next[a];

        IssMerge m;
        m.upper = a;
        m.lower = b;
        m.increment = smallest;
        dispersion += smallest;
        m.dispersion = dispersion;
        m.upperPosition = position[a];
        m.lowerPosition = position[b];
        z.merges.push_back(m);
        position[a] = (position[b] + position[a]) / 2;

        size[a] += size[b];
        next[a] = next[b];
        if (next[a] != 0) prev[next[a]] = a;
        // The mean is summed afresh from the member samples rather than updated from the two
        // old means: the update would carry the rounding of every earlier merge along.
        double* ma = mean.row(a);
        for (int u = 1; u <= t; ++u) {
            double sum = 0;
            for (int i = a; i < a + size[a]; ++i) sum += y(i, u);
            ma[u] = sum / size[a];
        }
        if (next[a] != 0) rise[a] = increment(a);
        if (prev[a] != 0) rise[prev[a]] = increment(prev[a]);
    }

    z.significantZones = BrokenStickZones(z.merges, n);
    for (int j = 1; j <= z.significantZones - 1; ++j) z.zoneStarts.push_back(z.merges[n - j].lower);
    std::sort(z.zoneStarts.begin(), z.zoneStarts.end());
    return z;
}

int BrokenStickZones(const std::vector<IssMerge>& merges, int samples)
{
    const int n = samples;
    if (n <= 1 || static_cast<int>(merges.size()) < n) return 1;
    const double total = merges[n - 1].dispersion;
    if (!(total > 0) || !std::isfinite(total)) return 1;
    // tail[j] = sum over i = j..n - 1 of 1 / i.
    std::vector<double> tail(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = n - 1; i >= 1; --i) tail[i] = tail[i + 1] + 1.0 / i;
    int zones = 1;
    for (int j = 1; j <= n - 1; ++j) {
        const double share = merges[n - j].increment / total;
        const double expected = tail[j] / (n - 1);
        if (!(share > expected)) break;
        ++zones;
    }
    return zones;
}

}  // namespace tarvex
