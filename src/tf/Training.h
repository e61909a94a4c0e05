#pragma once

#include <limits>
#include <vector>

#include "tf/SparseRows.h"

namespace tarvex {
namespace tf {

inline constexpr double kNoEstimate = std::numeric_limits<double>::quiet_NaN();

// A sample whose abundances over the taxa of a model sum to no more than this has no
// estimate: it holds nothing the model knows.
inline constexpr double kLeastAbundance = 1e-6;

// Which sites a model is fitted to and how often each counts: weights[s] for site s
// (0 = left out; a bootstrap resample counts a site as often as it was drawn). No weights
// means every site once. A site without any abundance never takes part: it says nothing
// about any taxon.
struct TrainingSet {
    const SparseRows* rows = nullptr;
    const double* x = nullptr;  // x[s], s = 1..rows->rows
    const std::vector<int>* weights = nullptr;

    int Weight(int s) const
    {
        if (!(rows->total[static_cast<std::size_t>(s)] > 0)) return 0;
        return weights ? (*weights)[static_cast<std::size_t>(s)] : 1;
    }
};

}  // namespace tf
}  // namespace tarvex
