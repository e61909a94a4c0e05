#include "mat/ClimateImport.h"

#include <algorithm>
#include <utility>

#include "data/TableChecks.h"
#include "data/TableReader.h"
#include "data/ValueRange.h"

namespace tarvex {

namespace {

const std::string& LabelAt(const std::vector<std::string>& list, int i)
{
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)]
                                                               : none;
}

std::vector<std::string> SiteNumberMessages()
{
    return {kSiteNumberMessage, kFormatErrorMessage};
}

// The correlation window shows what went wrong in particular but never the format error, so
// a failure that has nothing more particular to say ends silently there.
std::vector<std::string> ForStyle(std::vector<std::string> messages, ClimateImportStyle style)
{
    if (style == ClimateImportStyle::Correlation)
        messages.erase(std::remove(messages.begin(), messages.end(), kFormatErrorMessage),
                       messages.end());
    return messages;
}

}  // namespace

ClimateReadOutcome ReadClimateTable(const Workspace& ws, const std::string& path)
{
    return ReadClimateTableFor(ws.refSiteCount, ws.refSiteLabels, path);
}

ClimateReadOutcome ReadClimateTableFor(int sites, const std::vector<std::string>& siteLabels,
                                       const std::string& path)
{
    ClimateReadOutcome out;

    // Capping the rows at the reference count makes the reader stop as soon as a row beyond
    // it begins, before any of that row is read, rather than reading a table of any length
    // and counting afterwards.
    TableLimits limits;
    limits.maxRows = std::max(0, sites);
    TableReadResult read = ReadDataTableFile(path, limits);

    const std::string siteCount = "the reference table has " + std::to_string(sites) + " sites.";
    if (read.status == TableStatus::TooManyRows) {
        out.messages = SiteNumberMessages();
        out.reason = "The climate table has more than " + std::to_string(limits.maxRows) +
                     " data rows; " + siteCount;
        return out;
    }
    if (read.status != TableStatus::Ok) {
        out.messages = TableFailureMessages(read.status);
        out.reason = std::move(read.reason);
        return out;
    }
    if (read.table.rowCount != sites) {
        out.messages = SiteNumberMessages();
        out.reason = "The climate table has " + std::to_string(read.table.rowCount) +
                     " data rows; " + siteCount;
        return out;
    }
    const std::string tooLarge = ValueTooLargeMessage(read.table);
    if (!tooLarge.empty()) {
        out.messages.push_back(tooLarge);
        return out;
    }

    DataTable& table = read.table;
    out.checks = TableCheckLines(table, CheckClimateTable(table), "climate", path);
    for (int s = 1; s <= sites; ++s)
        if (LabelAt(table.rowLabels, s) != LabelAt(siteLabels, s)) out.mismatchedSites.push_back(s);

    out.table.paramCount = table.columnCount;
    out.table.paramNames = std::move(table.columnNames);
    out.table.siteNames = std::move(table.rowLabels);
    out.table.values = std::move(table.values);
    out.table.path = path;
    out.input = std::move(read.input);
    out.ok = true;
    return out;
}

std::string SiteNameQuestion(const std::string& climateName, const std::string& referenceName)
{
    return "Name inconsistent.  [" + climateName + "] = [" + referenceName + "]?";
}

void CommitClimateTable(Workspace& ws, ClimateTable table)
{
    ws.climateParamCount = static_cast<int16_t>(table.paramCount);
    ws.climateParamNames = std::move(table.paramNames);
    ws.climateSiteNames = std::move(table.siteNames);
    ws.climateValues = std::move(table.values);
    ws.climateFileName = std::move(table.path);
    ws.climateLoaded = true;
}

ImportOutcome ImportClimateTable(Workspace& ws, const std::string& path, const SiteQuestionFn& ask,
                                 ClimateImportStyle style)
{
    ImportOutcome outcome;
    ClimateReadOutcome read = ReadClimateTable(ws, path);
    if (!read.ok) {
        outcome.messages = ForStyle(std::move(read.messages), style);
        outcome.reason = std::move(read.reason);
        return outcome;
    }
    // Every differing site is asked about in site order, and the first "No" ends the import;
    // without anyone to ask, a difference counts as refused.
    for (int s : read.mismatchedSites) {
        const std::string question =
            SiteNameQuestion(LabelAt(read.table.siteNames, s), LabelAt(ws.refSiteLabels, s));
        if (!ask || !ask(question)) {
            outcome.messages = ForStyle({kFormatErrorMessage}, style);
            return outcome;
        }
    }
    CommitClimateTable(ws, std::move(read.table));
    outcome.checks = std::move(read.checks);
    outcome.ok = true;
    return outcome;
}

ImportOutcome CancelledClimateImport(ClimateImportStyle style)
{
    ImportOutcome outcome;
    outcome.messages = ForStyle({kFormatErrorMessage}, style);
    return outcome;
}

}  // namespace tarvex
