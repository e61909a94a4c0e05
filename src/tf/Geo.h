#pragma once

#include <vector>

namespace tarvex {
namespace tf {

inline constexpr double kEarthRadiusKm = 6371;

// Great-circle distance in km between two points given in decimal degrees, by the haversine
// formula on a sphere of radius kEarthRadiusKm.
double HaversineKm(double lat1, double lon1, double lat2, double lon2);

// Finds the sites within a distance of each site. Sites are kept in order of latitude, so the
// search for one site looks only at the band of latitudes that can be that close.
class NearbySites {
public:
    // latitude[s], longitude[s] for s = 1..sites (element 0 unused).
    NearbySites(const std::vector<double>& latitude, const std::vector<double>& longitude);

    // Every site s' (site itself included) with HaversineKm(site, s') <= km, in ascending
    // order of site number, into out.
    void Within(int site, double km, std::vector<int>& out) const;

    int Sites() const { return static_cast<int>(order_.size()); }

private:
    std::vector<double> latitude_, longitude_;
    std::vector<double> phi_, cosPhi_;  // latitude in radians and its cosine
    std::vector<int> order_;            // sites by latitude, ties by number
    std::vector<double> sortedLat_;     // latitude_ in that order
};

}  // namespace tf
}  // namespace tarvex
