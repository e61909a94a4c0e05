#include "tf/Geo.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "data/NumberText.h"

namespace tarvex {
namespace tf {

namespace {

constexpr double kRadians = kProgramPi / 180;

}  // namespace

namespace {

// The formula with the latitudes in radians and their cosines given.
double Haversine(double phi1, double cos1, double lon1, double phi2, double cos2, double lon2)
{
    const double halfLat = std::sin((phi2 - phi1) / 2);
    const double halfLon = std::sin((lon2 - lon1) * kRadians / 2);
    const double a = halfLat * halfLat + cos1 * cos2 * (halfLon * halfLon);
    return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}

}  // namespace

double HaversineKm(double lat1, double lon1, double lat2, double lon2)
{
    const double phi1 = lat1 * kRadians;
    const double phi2 = lat2 * kRadians;
    return Haversine(phi1, std::cos(phi1), lon1, phi2, std::cos(phi2), lon2);
}

NearbySites::NearbySites(const std::vector<double>& latitude, const std::vector<double>& longitude)
    : latitude_(latitude), longitude_(longitude)
{
    const int sites = static_cast<int>(latitude.size()) - 1;
    order_.resize(static_cast<std::size_t>(std::max(sites, 0)));
    std::iota(order_.begin(), order_.end(), 1);
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return latitude_[a] < latitude_[b]; });
    sortedLat_.reserve(order_.size());
    for (int s : order_) sortedLat_.push_back(latitude_[s]);
    phi_.assign(latitude.size(), 0.0);
    cosPhi_.assign(latitude.size(), 0.0);
    for (std::size_t s = 1; s < latitude.size(); ++s) {
        phi_[s] = latitude[s] * kRadians;
        cosPhi_[s] = std::cos(phi_[s]);
    }
}

void NearbySites::Within(int site, double km, std::vector<int>& out) const
{
    out.clear();
    // Two points are at least as far apart as their latitudes; the band is widened a little
    // so that rounding in the degrees never drops a site the distance itself would keep.
    const double band = km / (kEarthRadiusKm * kRadians) * (1 + 1e-9) + 1e-9;
    const double lat = latitude_[site];
    const auto first = std::lower_bound(sortedLat_.begin(), sortedLat_.end(), lat - band);
    const auto last = std::upper_bound(sortedLat_.begin(), sortedLat_.end(), lat + band);
    for (auto it = first; it != last; ++it) {
        const int other = order_[static_cast<std::size_t>(it - sortedLat_.begin())];
        if (other == site || Haversine(phi_[site], cosPhi_[site], longitude_[site], phi_[other],
                                       cosPhi_[other], longitude_[other]) <= km)
            out.push_back(other);
    }
    std::sort(out.begin(), out.end());
}

}  // namespace tf
}  // namespace tarvex
