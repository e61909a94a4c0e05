#include "tf/LocationImport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_map>

#include "data/NumberText.h"
#include "data/ValueRange.h"

namespace tarvex {
namespace tf {

namespace {

// Labels listed in a message at most.
constexpr std::size_t kListed = 5;

bool StartsWith(const std::string& name, const char* prefix)
{
    std::string lower;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.rfind(prefix, 0) == 0;
}

std::string List(const std::vector<std::string>& items, std::size_t total)
{
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kListed; ++i)
        text += (i ? ", " : "") + ("\"" + items[i] + "\"");
    if (total > kListed) text += " and " + std::to_string(total - kListed) + " more";
    return text;
}

LocationOutcome Failure(std::vector<std::string> messages, std::string reason)
{
    LocationOutcome out;
    out.messages = std::move(messages);
    out.reason = std::move(reason);
    return out;
}

}  // namespace

LocationOutcome MatchSiteLocations(const DataTable& table,
                                   const std::vector<std::string>& siteLabels, int sites)
{
    if (table.columnCount != 2)
        return Failure(
            {kLocationColumnsMessage},
            "The location table has " + std::to_string(table.columnCount) + " value columns.");
    const std::string tooLarge = ValueTooLargeMessage(table);
    if (!tooLarge.empty()) return Failure({tooLarge}, "");
    // Longitude first only when the names say so.
    const bool swapped =
        StartsWith(table.columnNames[1], "lon") && StartsWith(table.columnNames[2], "lat");
    const int latColumn = swapped ? 2 : 1;
    const int lonColumn = swapped ? 1 : 2;

    if (table.rowCount != sites)
        return Failure({kLocationSiteMessage}, "The location table has " +
                                                   std::to_string(table.rowCount) +
                                                   " data rows; the reference table has " +
                                                   std::to_string(sites) + " sites.");

    std::vector<std::string> outside;
    std::size_t outsideCount = 0;
    for (int r = 1; r <= table.rowCount; ++r) {
        const double lat = table.values(r, latColumn), lon = table.values(r, lonColumn);
        if (std::fabs(lat) <= 90 && std::fabs(lon) <= 180) continue;
        if (outside.size() < kListed)
            outside.push_back(table.rowLabels[r] + "\" (" + FormatNumber(lat) + ", " +
                              FormatNumber(lon) + ")");
        ++outsideCount;
    }
    if (outsideCount > 0) {
        std::string text = std::to_string(outsideCount) +
                           (outsideCount == 1 ? " site lies" : " sites lie") +
                           " outside latitudes -90..90 or longitudes -180..180: ";
        for (std::size_t i = 0; i < outside.size(); ++i) text += (i ? ", \"" : "\"") + outside[i];
        if (outsideCount > kListed)
            text += " and " + std::to_string(outsideCount - kListed) + " more";
        return Failure({kLocationRangeMessage}, text + ".");
    }

    std::unordered_map<std::string, int> row;
    std::vector<std::string> repeated;
    std::size_t repeatedCount = 0;
    for (int r = 1; r <= table.rowCount; ++r)
        if (!row.emplace(table.rowLabels[r], r).second) {
            if (repeated.size() < kListed) repeated.push_back(table.rowLabels[r]);
            ++repeatedCount;
        }
    if (repeatedCount > 0)
        return Failure(
            {kLocationNameMessage},
            "The location table names " + List(repeated, repeatedCount) + " more than once.");

    // Labels that repeat among the reference sites cannot tell their sites apart.
    std::unordered_map<std::string, int> seen;
    for (int s = 1; s <= sites; ++s)
        if (!seen.emplace(siteLabels[static_cast<std::size_t>(s)], s).second) {
            repeated.push_back(siteLabels[static_cast<std::size_t>(s)]);
            ++repeatedCount;
        }
    if (repeatedCount > 0)
        return Failure(
            {kLocationNameMessage},
            "The reference table names " + List(repeated, repeatedCount) +
                " more than once, so its sites cannot be matched to locations by label.");

    LocationOutcome out;
    out.latitude.assign(static_cast<std::size_t>(sites) + 1, 0.0);
    out.longitude.assign(out.latitude.size(), 0.0);
    std::vector<std::string> missing;
    std::size_t missingCount = 0;
    for (int s = 1; s <= sites; ++s) {
        const auto it = row.find(siteLabels[static_cast<std::size_t>(s)]);
        if (it == row.end()) {
            if (missing.size() < kListed)
                missing.push_back(siteLabels[static_cast<std::size_t>(s)]);
            ++missingCount;
            continue;
        }
        out.latitude[s] = table.values(it->second, latColumn);
        out.longitude[s] = table.values(it->second, lonColumn);
    }
    if (missingCount > 0)
        return Failure({kLocationNameMessage},
                       "The location table has no row for the reference " +
                           std::string(missingCount == 1 ? "site " : "sites ") +
                           List(missing, missingCount) + ".");
    out.ok = true;
    return out;
}

LocationOutcome ReadSiteLocations(const std::string& path,
                                  const std::vector<std::string>& siteLabels, int sites,
                                  int maxRows)
{
    TableLimits limits;
    limits.maxRows = std::max(1, maxRows);
    TableReadResult read = ReadDataTableFile(path, limits);
    if (read.status != TableStatus::Ok)
        return Failure(TableFailureMessages(read.status), read.reason);
    LocationOutcome out = MatchSiteLocations(read.table, siteLabels, sites);
    out.input = std::move(read.input);
    return out;
}

}  // namespace tf
}  // namespace tarvex
