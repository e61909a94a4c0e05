#include "data/FossilImport.h"

#include "data/NumberText.h"

namespace tarvex {

FossilReadOutcome ReadFossilTable(const Workspace& ws, const std::string& path)
{
    FossilReadOutcome out;
    TableReadResult read = ReadDataTableFile(path);
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
    if (read.table.columnCount != ws.refTaxonCount) {
        out.messages.push_back(kParameterNumberMessage);
        return out;
    }
    // Without a non-empty sample there is nothing to project or draw.
    if (!HasNonEmptySample(read.table)) {
        out.messages.push_back(kFormatErrorMessage);
        return out;
    }
    for (int t = 1; t <= read.table.columnCount; ++t)
        if (read.table.columnNames[t] != ws.refTaxonNames[t]) out.mismatchedColumns.push_back(t);
    out.table = std::move(read.table);
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
                       const PretreatmentChoice& choice)
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
                                const PretreatmentChoice& choice, const NameQuestionFn& ask)
{
    ImportOutcome outcome;
    // Without the EOF analysis nothing could be projected, so the user is not asked about
    // taxon names only to be turned away afterwards.
    if (!CanProject(ws, ws.refTaxonCount)) {
        outcome.messages.push_back(kNoEofAnalysisMessage);
        return outcome;
    }
    FossilReadOutcome read = ReadFossilTable(ws, path);
    if (!read.ok) {
        outcome.messages = std::move(read.messages);
        return outcome;
    }
    std::vector<std::string> accepted;
    for (int t : read.mismatchedColumns) {
        const std::string& fossilName = read.table.columnNames[t];
        const std::string& referenceName = ws.refTaxonNames[t];
        if (!ask || !ask(NameQuestion(fossilName, referenceName))) return outcome;
        accepted.push_back(NameMatchEntry(fossilName, referenceName));
    }
    CommitFossilTable(ws, std::move(read.table), path, accepted, choice);
    outcome.ok = true;
    return outcome;
}

}  // namespace tarvex
