#pragma once

#include <cstdint>
#include <vector>

#include "tf/Random.h"

namespace tarvex {
namespace tf {

// Whether a further WA-PLS component is worth its place: a randomisation t-test of the
// cross-validated residuals of model c against those of model c - 1 (van der Voet 1994).
// The per-site differences d_i = e_{c,i}^2 - e_{c-1,i}^2 are paired: a randomisation swaps the
// sign of each d_i with probability 1/2, and counts when its mean is at most the observed mean
// (at least as favourable to model c). p = (1 + count) / (1 + randomisations).
inline constexpr int kComponentRandomisations = 999;

class PairedSignTest {
public:
    // The differences of the sites that both models estimate, in site order.
    explicit PairedSignTest(std::vector<double> d);

    int Sites() const { return static_cast<int>(d_.size()); }
    // 64-bit words a sign pattern takes: bit j of word w swaps d[64 w + j].
    int Words() const { return (Sites() + 63) / 64; }

    // Whether the randomised mean with the signs swapped as `swaps` says is at most the
    // observed one. The randomised sum is the observed sum less twice the sum of the swapped
    // differences, so this asks whether that sum is at least 0; a sum within the rounding of
    // the differences' sizes of 0 counts as a tie, which counts.
    bool AtLeastAsFavourable(const std::uint64_t* swaps) const;

    // The p value of `randomisations` sign patterns drawn from random, 64 signs an output,
    // the patterns one after the other. NaN without any site.
    double P(int randomisations, Random& random) const;

private:
    std::vector<double> d_;
    // Sums of the differences of every subset of each group of eight sites: entry
    // 256 g + m is the sum of d[8 g + j] over the bits j set in m, added in site order.
    std::vector<double> partial_;
    double tie_ = 0;
};

// The differences of squared residuals of two models' estimates against the observed values
// ([1..sites], element 0 unused), over the sites where all three are numbers.
std::vector<double> SquaredResidualDifferences(const std::vector<double>& current,
                                               const std::vector<double>& previous,
                                               const std::vector<double>& observed);

// The number of the random stream (Random::Stream::ComponentTest) of the test of component c
// of climate parameter `param` (1-based numbers both).
inline std::uint64_t ComponentStream(int param, int component)
{
    return static_cast<std::uint64_t>(param) << 32 | static_cast<std::uint32_t>(component);
}

// The change of the RMSEP from `previous` to `current` in per cent of `previous`; NaN when
// either is undefined or `previous` is 0.
double ChangePercent(double previous, double current);

}  // namespace tf
}  // namespace tarvex
