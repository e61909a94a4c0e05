#pragma once

// Small modern sets for the transfer-function tests: pollen-like proportions, most taxa
// absent from most sites, a taxon found at one site only, a site without pollen, two sites
// that repeat each other, and a climate parameter that follows the taxa with noise.
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/Matrix.h"
#include "tf/SparseRows.h"

namespace tarvex::testing {

struct Lcg64 {
    std::uint64_t state;
    double Next()  // [0, 1)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

struct ModernSet {
    int sites = 0, taxa = 0, params = 0;
    Matrix<double> y;        // proportions
    Matrix<double> climate;  // (site, parameter)
    std::vector<double> latitude, longitude;
    tf::SparseRows rows;
    std::vector<double> X(int p) const
    {
        std::vector<double> x(static_cast<std::size_t>(sites) + 1, 0.0);
        for (int s = 1; s <= sites; ++s) x[s] = climate(s, p);
        return x;
    }
};

inline ModernSet MakeModernSet(int sites, int taxa, int params, std::uint64_t seed)
{
    Lcg64 rng{seed};
    ModernSet m;
    m.sites = sites;
    m.taxa = taxa;
    m.params = params;
    m.y.resize(sites, taxa);
    m.climate.resize(sites, params);
    m.latitude.assign(static_cast<std::size_t>(sites) + 1, 0.0);
    m.longitude.assign(static_cast<std::size_t>(sites) + 1, 0.0);
    std::vector<double> optimum(static_cast<std::size_t>(taxa) + 1);
    for (int k = 1; k <= taxa; ++k) optimum[k] = rng.Next();
    for (int s = 1; s <= sites; ++s) {
        const double where = rng.Next();
        double total = 0;
        for (int k = 1; k < taxa; ++k) {
            const double d = (where - optimum[k]) * 4;
            const double v = std::exp(-d * d) * rng.Next();
            m.y(s, k) = v < 0.25 ? 0 : v;
            total += m.y(s, k);
        }
        // The last taxon only at site 3.
        m.y(s, taxa) = s == 3 ? 0.5 : 0;
        total += m.y(s, taxa);
        if (total == 0) m.y(s, 1 + s % (taxa - 1)) = total = 1;
        for (int k = 1; k <= taxa; ++k) m.y(s, k) /= total;
        for (int p = 1; p <= params; ++p)
            m.climate(s, p) = 10 * p * where + 3 * (rng.Next() - 0.5) + (p == 2 ? 100 : 0);
        m.latitude[s] = 40 + 10 * rng.Next();
        m.longitude[s] = -100 + 20 * rng.Next();
    }
    if (sites > 8) {
        // Site 5 holds no pollen; site 8 repeats site 7 at the same place.
        for (int k = 1; k <= taxa; ++k) m.y(5, k) = 0;
        for (int k = 1; k <= taxa; ++k) m.y(8, k) = m.y(7, k);
        m.latitude[8] = m.latitude[7];
        m.longitude[8] = m.longitude[7];
    }
    m.rows = tf::SparseRows::From(m.y, sites, taxa);
    return m;
}

// Relative difference scaled by the larger magnitude and the spread of the parameter, so that
// estimates near 0 are not held to digits they never had.
inline double RelativeDifference(double a, double b, double scale)
{
    if (std::isnan(a) && std::isnan(b)) return 0;
    return std::fabs(a - b) / std::max({std::fabs(a), std::fabs(b), scale});
}

}  // namespace tarvex::testing
