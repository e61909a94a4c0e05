#pragma once

#include <string>
#include <vector>

#include "data/TableReader.h"

namespace tarvex {
namespace tf {

inline constexpr const char* kLocationColumnsMessage =
    "Location table: it needs two value columns, latitude and longitude in decimal degrees.";
inline constexpr const char* kLocationRangeMessage = "Coordinates out of range.";
inline constexpr const char* kLocationSiteMessage = "Site number inconsistent.";
inline constexpr const char* kLocationNameMessage = "Name inconsistent.";

// The locations of the reference sites, matched by site label.
struct LocationOutcome {
    bool ok = false;
    std::vector<std::string> messages;  // shown in order, title "Error"
    std::string reason;                 // the particulars, for the batch and the windows
    std::vector<double> latitude;       // [0..sites] in the order of the reference sites
    std::vector<double> longitude;
    InputDigest input;  // the bytes the table was read from
};

// Reads a location table (a label per site, then latitude and longitude in decimal degrees,
// in the data-table grammar; the columns are taken in that order unless their names say
// longitude first) and matches its rows to the reference sites by label. It must hold every
// reference site exactly once and no other, latitudes within -90..90 and longitudes within
// -180..180. maxRows bounds the table.
LocationOutcome ReadSiteLocations(const std::string& path,
                                  const std::vector<std::string>& siteLabels, int sites,
                                  int maxRows);

// The same for a table already read.
LocationOutcome MatchSiteLocations(const DataTable& table,
                                   const std::vector<std::string>& siteLabels, int sites);

}  // namespace tf
}  // namespace tarvex
