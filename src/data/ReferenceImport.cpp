#include "data/ReferenceImport.h"

#include "data/TableChecks.h"
#include "data/TableReader.h"
#include "data/ValueRange.h"

namespace tarvex {

namespace {

ImportOutcome FailureFor(TableStatus status, std::string reason = {})
{
    ImportOutcome outcome;
    outcome.messages = TableFailureMessages(status);
    outcome.reason = std::move(reason);
    return outcome;
}

}  // namespace

ImportOutcome CancelledReferenceImport()
{
    return FailureFor(TableStatus::FormatError);
}

ImportOutcome ImportReferenceTable(Workspace& ws, const std::string& path)
{
    return ImportReferenceTableFrom(ws, ReadDataTableFile(path), path);
}

ImportOutcome ImportReferenceTableFrom(Workspace& ws, TableReadResult read, const std::string& path)
{
    if (read.status != TableStatus::Ok) return FailureFor(read.status, std::move(read.reason));

    DataTable& table = read.table;
    ImportOutcome outcome;
    const std::string tooLarge = ValueTooLargeMessage(table);
    if (!tooLarge.empty()) {
        outcome.messages.push_back(tooLarge);
        return outcome;
    }
    outcome.checks = TableCheckLines(table, CheckTable(table), "reference", path);
    const int n = table.columnCount;
    const int sites = table.rowCount;

    ws.refFileName = path;
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.refTaxonCount = static_cast<int16_t>(n);
    ws.taxonCount = static_cast<int16_t>(n);
    ws.basisRowCount = static_cast<int16_t>(sites);
    ws.refTextLabels = table.textLabels;
    ws.refTaxonNames = std::move(table.columnNames);
    ws.refSiteLabels = std::move(table.rowLabels);
    ws.refData = std::move(table.values);
    ws.refSiteOnHull.assign(static_cast<std::size_t>(sites) + 1, false);
    ws.refRawScores.resize(sites, n);
    ws.refScores.resize(sites, n);
    ws.ResizeAxisLists(n);

    outcome.input = std::move(read.input);
    outcome.ok = true;
    return outcome;
}

}  // namespace tarvex
