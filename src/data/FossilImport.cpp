#include "data/FossilImport.h"

#include <map>

#include "data/NumberText.h"
#include "data/TableChecks.h"
#include "data/ValueRange.h"

namespace tarvex {

std::string TaxonKey(const std::string& name)
{
    std::size_t first = 0, last = name.size();
    while (first < last && (name[first] == ' ' || name[first] == '\t')) ++first;
    while (last > first && (name[last - 1] == ' ' || name[last - 1] == '\t')) --last;
    std::string key = name.substr(first, last - first);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

std::vector<int> MatchTaxaByName(const std::vector<std::string>& refNames, int refCount,
                                 const std::vector<std::string>& fossilNames, int fossilCount)
{
    if (fossilCount < 1 || fossilCount > refCount ||
        static_cast<int>(refNames.size()) <= refCount ||
        static_cast<int>(fossilNames.size()) <= fossilCount)
        return {};
    // Every reference name must be one taxon only, or a fossil name could not say which.
    std::map<std::string, int> refColumn;
    for (int t = 1; t <= refCount; ++t)
        if (!refColumn.emplace(TaxonKey(refNames[t]), t).second) return {};
    std::vector<int> columnOf(static_cast<std::size_t>(refCount) + 1, 0);
    bool byPosition = fossilCount == refCount;
    for (int c = 1; c <= fossilCount; ++c) {
        const auto found = refColumn.find(TaxonKey(fossilNames[c]));
        if (found == refColumn.end() || columnOf[found->second] != 0) return {};
        columnOf[found->second] = c;
        if (found->second != c) byPosition = false;
    }
    if (byPosition) return {};
    return columnOf;
}

std::vector<std::string> ReorderByName(DataTable& table, const std::vector<int>& columnOfTaxon,
                                       const std::vector<std::string>& refNames)
{
    const int n = static_cast<int>(columnOfTaxon.size()) - 1;
    Matrix<double> values(table.rowCount, n);
    std::vector<std::string> names(static_cast<std::size_t>(n) + 1);
    names[0] = table.columnNames[0];
    std::vector<std::string> entries;
    for (int t = 1; t <= n; ++t) {
        const int c = columnOfTaxon[t];
        names[t] = c > 0 ? table.columnNames[c] : refNames[t];
        if (c == 0 || names[t] != refNames[t])
            entries.push_back(NameMatchEntry(c > 0 ? names[t] : "", refNames[t]));
        if (c > 0)
            for (int s = 1; s <= table.rowCount; ++s) values(s, t) = table.values(s, c);
    }
    table.values = std::move(values);
    table.columnNames = std::move(names);
    table.columnCount = n;
    return entries;
}

FossilReadOutcome ReadFossilTable(const Workspace& ws, const std::string& path,
                                  const NameQuestionFn& askByName)
{
    FossilReadOutcome out;
    TableReadResult read = ReadDataTableFile(path);
    out.reason = std::move(read.reason);
    if (read.status == TableStatus::BlankCell) {
        // The fossil import names the blank cell and nothing more: the format error's
        // questions about site labels belong to the reference and climate tables.
        out.messages.push_back(kBlankCellMessage);
        return out;
    }
    if (read.status != TableStatus::Ok) {
        out.messages = TableFailureMessages(read.status);
        return out;
    }
    // Before any question to the user: such a table cannot be analysed whatever the answer.
    const std::string tooLarge = ValueTooLargeMessage(read.table);
    if (!tooLarge.empty()) {
        out.messages.push_back(tooLarge);
        return out;
    }
    // The data checks see the table as the file has it, before any reordering.
    out.checks = TableCheckLines(read.table, CheckTable(read.table, false), "fossil", path);
    if (askByName) {
        std::vector<int> columnOf = MatchTaxaByName(ws.refTaxonNames, ws.refTaxonCount,
                                                    read.table.columnNames, read.table.columnCount);
        if (!columnOf.empty() && askByName(kMatchByNameQuestion)) {
            out.nameEntries = ReorderByName(read.table, columnOf, ws.refTaxonNames);
            out.columnOfTaxon = std::move(columnOf);
        }
    }
    if (read.table.columnCount != ws.refTaxonCount) {
        out.messages.push_back(kParameterNumberMessage);
        out.reason = "The fossil table has " + std::to_string(read.table.columnCount) +
                     " taxon columns; the reference table has " + std::to_string(ws.refTaxonCount) +
                     " taxa.";
        return out;
    }
    // Without a non-empty sample there is nothing to project or draw.
    if (!HasNonEmptySample(read.table)) {
        out.messages.push_back(kFormatErrorMessage);
        return out;
    }
    // Matched by name, the names were settled by that one answer.
    if (out.columnOfTaxon.empty())
        for (int t = 1; t <= read.table.columnCount; ++t)
            if (read.table.columnNames[t] != ws.refTaxonNames[t])
                out.mismatchedColumns.push_back(t);
    out.table = std::move(read.table);
    out.input = std::move(read.input);
    out.ok = true;
    return out;
}

std::string NameQuestion(const std::string& fossilName, const std::string& referenceName)
{
    return "Name inconsistent.  [" + fossilName + "] = [" + referenceName + "]?";
}

std::string NameMatchEntry(const std::string& fossilName, const std::string& referenceName)
{
    return "[" + fossilName + "]/[" + referenceName + "]";
}

namespace {

bool SampleEmpty(const Matrix<double>& values, int sample, int taxa)
{
    // The sum of squares is taken in single precision, so values too small to register there
    // count as nothing.
    float sum = 0;
    for (int t = 1; t <= taxa; ++t) {
        const float v = static_cast<float>(values(sample, t));
        sum += v * v;
    }
    return sum == 0;
}

}  // namespace

bool HasNonEmptySample(const DataTable& table)
{
    for (int s = 1; s <= table.rowCount; ++s)
        if (!SampleEmpty(table.values, s, table.columnCount)) return true;
    return false;
}

void CommitFossilTable(Workspace& ws, DataTable table, const std::string& path,
                       const std::vector<std::string>& acceptedMatches,
                       const PretreatmentChoice& choice, const std::vector<int>& columnOfTaxon)
{
    const int m = table.rowCount;
    const int n = table.columnCount;

    ws.fossilFileName = path;
    ws.fossilSampleCount = static_cast<int16_t>(m);
    ws.fossilTaxonCount = static_cast<int16_t>(n);
    ws.taxonCount = static_cast<int16_t>(n);
    ws.fossilTextLabels = table.textLabels;
    ws.fossilOutside.assign(static_cast<std::size_t>(m) + 1, false);

    ws.taxonNameMatches.assign(1, std::to_string(acceptedMatches.size()));
    ws.taxonNameMatches.insert(ws.taxonNameMatches.end(), acceptedMatches.begin(),
                               acceptedMatches.end());

    ws.fossilColumnOfTaxon = columnOfTaxon;

    ws.fossilStandardized.resize(m, n);
    ws.fossilRawScores.resize(m, n);
    ws.fossilScores.resize(m, n);
    ws.diagramColumnLeft.assign(static_cast<std::size_t>(n) + 2, 0.0f);

    ws.fossilSampleEmpty.assign(static_cast<std::size_t>(m) + 1, false);
    for (int s = 1; s <= m; ++s) ws.fossilSampleEmpty[s] = SampleEmpty(table.values, s, n);
    ws.currentFossilSample = 1;
    for (int s = 1; s <= m; ++s)
        if (!ws.fossilSampleEmpty[s]) {
            ws.currentFossilSample = static_cast<int16_t>(s);
            break;
        }

    ws.fossilSampleLabels = std::move(table.rowLabels);
    ws.fossilTaxonNames = std::move(table.columnNames);
    ws.fossilData = std::move(table.values);
    ws.fossilProportions = ComputeProportions(ws.fossilData, m, n, choice.convertToPercent);
    if (choice.enhancement != Enhancement::None)
        for (int s = 1; s <= m; ++s)
            for (int t = 1; t <= n; ++t)
                ws.fossilData(s, t) = Enhance(ws.fossilProportions(s, t), choice.enhancement);

    const float quarter = static_cast<float>(Int(m * 0.25));
    ws.diagramScaleTop = 10 - quarter;
    ws.diagramScaleHeight = 2 * quarter + 10.0f * m - 10;
}

bool CanProject(const Workspace& ws, int n)
{
    return n > 0 && ws.taxonCount == n && ws.eofVectors.rows() == n + 1 &&
           ws.eofVectors.cols() == n && ws.basisMeans.rows() >= 2 && ws.basisSDs.rows() >= 2 &&
           ws.basisMeans.cols() == n && ws.basisSDs.cols() == n;
}

ImportOutcome ImportFossilTable(Workspace& ws, const std::string& path,
                                const PretreatmentChoice& choice, const NameQuestionFn& ask,
                                const NameQuestionFn& askByName)
{
    ImportOutcome outcome;
    // Without the EOF analysis nothing could be projected, so the user is not asked about
    // taxon names only to be turned away afterwards.
    if (!CanProject(ws, ws.refTaxonCount)) {
        outcome.messages.push_back(kNoEofAnalysisMessage);
        return outcome;
    }
    FossilReadOutcome read = ReadFossilTable(ws, path, askByName);
    if (!read.ok) {
        outcome.messages = std::move(read.messages);
        outcome.reason = std::move(read.reason);
        return outcome;
    }
    std::vector<std::string> accepted = std::move(read.nameEntries);
    for (int t : read.mismatchedColumns) {
        const std::string& fossilName = read.table.columnNames[t];
        const std::string& referenceName = ws.refTaxonNames[t];
        if (!ask || !ask(NameQuestion(fossilName, referenceName))) return outcome;
        accepted.push_back(NameMatchEntry(fossilName, referenceName));
    }
    CommitFossilTable(ws, std::move(read.table), path, accepted, choice, read.columnOfTaxon);
    outcome.ok = true;
    outcome.checks = std::move(read.checks);
    outcome.input = std::move(read.input);
    return outcome;
}

}  // namespace tarvex
