#include "tf/ComponentTest.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace tarvex {
namespace tf {

PairedSignTest::PairedSignTest(std::vector<double> d) : d_(std::move(d))
{
    const std::size_t n = d_.size();
    const std::size_t groups = (n + 7) / 8;
    partial_.assign(groups * 256, 0.0);
    double size = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        double* t = partial_.data() + 256 * g;
        for (unsigned m = 1; m < 256; ++m) {
            // The subset without its highest member, then that member: site order.
            unsigned high = 7;
            while (!(m >> high & 1u)) --high;
            const std::size_t site = 8 * g + high;
            t[m] = t[m & ~(1u << high)] + (site < n ? d_[site] : 0.0);
        }
    }
    for (double v : d_) size += std::fabs(v);
    // Two sums of the same differences in another order differ by less than this.
    tie_ = static_cast<double>(n + 1) * DBL_EPSILON * size;
}

bool PairedSignTest::AtLeastAsFavourable(const std::uint64_t* swaps) const
{
    const std::size_t groups = partial_.size() / 256;
    double swapped = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        const unsigned m = static_cast<unsigned>(swaps[g / 8] >> (8 * (g % 8)) & 0xffu);
        swapped += partial_[256 * g + m];
    }
    return swapped >= -tie_;
}

double PairedSignTest::P(int randomisations, Random& random) const
{
    if (d_.empty() || randomisations < 0) return std::numeric_limits<double>::quiet_NaN();
    const int words = Words();
    const std::size_t n = d_.size();
    std::vector<std::uint64_t> swaps(static_cast<std::size_t>(words));
    long long count = 0;
    for (int r = 0; r < randomisations; ++r) {
        for (std::uint64_t& w : swaps) w = random.Next();
        // Bits beyond the last site swap nothing; clear them so the tables see zeros.
        if (n % 64) swaps.back() &= (std::uint64_t(1) << (n % 64)) - 1;
        count += AtLeastAsFavourable(swaps.data()) ? 1 : 0;
    }
    return static_cast<double>(1 + count) / static_cast<double>(1 + randomisations);
}

std::vector<double> SquaredResidualDifferences(const std::vector<double>& current,
                                               const std::vector<double>& previous,
                                               const std::vector<double>& observed)
{
    std::vector<double> d;
    for (std::size_t s = 1; s < observed.size(); ++s) {
        const double a = current[s] - observed[s], b = previous[s] - observed[s];
        if (std::isnan(a) || std::isnan(b)) continue;
        d.push_back(a * a - b * b);
    }
    return d;
}

double ChangePercent(double previous, double current)
{
    if (!std::isfinite(previous) || !std::isfinite(current) || previous == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return 100 * (current - previous) / previous;
}

}  // namespace tf
}  // namespace tarvex
