#include "eof/ScoreFiles.h"

#include <algorithm>

#include "app/ParallelFor.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"

namespace tarvex {

namespace {

void Report(const ProgressFn& progress, int done, int total)
{
    if (progress) progress(done, total);
}

// Element i of a list, or the empty text when the list is shorter.
const std::string& LabelAt(const std::vector<std::string>& list, int i)
{
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)]
                                                               : none;
}

void NumberAt(RecordWriter& w, const Matrix<double>& m, int r, int c)
{
    if (r >= 0 && r <= m.rows() && c >= 0 && c <= m.cols())
        w.Number(m(r, c));
    else
        w.Empty();
}

void Finish(const RecordWriter& w, bool* allFinite)
{
    if (allFinite && !w.AllFinite()) *allFinite = false;
}

void EofNumbers(RecordWriter& w, int n)
{
    w.Text("EOF No.:");
    for (int k = 1; k <= n; ++k) w.Integer(k);
    w.EndRecord();
}

void Contributions(RecordWriter& w, const Workspace& ws, int n)
{
    w.Text("Contribution:");
    for (int k = 1; k <= n; ++k) {
        if (static_cast<std::size_t>(k) < ws.eofContribution.size())
            w.Single(ws.eofContribution[static_cast<std::size_t>(k)]);
        else
            w.Empty();
    }
    w.EndRecord();
}

void PretreatmentRecords(RecordWriter& w, const PretreatmentChoice& choice)
{
    w.Text("Data pre-treatment: ").Text(choice.convertToPercent ? "Proportion" : "Raw data");
    w.EndRecord();
    const char* enhancement = choice.enhancement == Enhancement::SquareRoot ? "Square root"
                              : choice.enhancement == Enhancement::Log      ? "Log"
                                                                            : "N/A";
    w.Text("Enhancing minor taxa: ").Text(enhancement);
    w.EndRecord();
    w.Text("Type of matrix: ").Text(choice.useCorrelation ? "Correlation" : "Variance/Covariance");
    w.EndRecord();
}

void Header(RecordWriter& w, const char* kind, const std::string& dateTime,
            const std::string& refFile)
{
    w.Text(kind);
    w.EndRecord();
    w.Text("Date/Time: ").Text(dateTime);
    w.EndRecord();
    w.Text("Reference data file: ").Text(refFile);
    w.EndRecord();
}

void ReferenceCounts(RecordWriter& w, const Workspace& ws)
{
    w.Text("No. of reference taxa: ").Integer(ws.refTaxonCount);
    w.EndRecord();
    w.Text("No. of reference sites: ").Integer(ws.refSiteCount);
    w.EndRecord();
}

// Records "label, value 1, ..., value n" for rows 1..rows of a result table. Rows are
// written in chunks shared among the cores, each into a text of its own, and joined in order
// (the same text one pass gives); progress follows each round of chunks on this thread.
void DataRecords(RecordWriter& w, const std::vector<std::string>& labels,
                 const Matrix<double>& values, int rows, int n, int total,
                 const ProgressFn& progress)
{
    constexpr int kChunkRows = 128;
    constexpr int kChunksPerRound = 16;
    const int chunks = (std::max(rows, 0) + kChunkRows - 1) / kChunkRows;
    // About 20 characters a number.
    w.Reserve(w.str().size() + static_cast<std::size_t>(std::max(rows, 0)) *
                                   (static_cast<std::size_t>(std::max(n, 0)) * 20 + 16));
    // Formatting a number costs about as much as a hundred arithmetic steps.
    const int threads = ThreadsFor(100.0 * std::max(rows, 0) * std::max(n, 0));
    std::vector<RecordWriter> parts(static_cast<std::size_t>(std::min(chunks, kChunksPerRound)));
    for (int round = 0; round < chunks; round += kChunksPerRound) {
        const int count = std::min(kChunksPerRound, chunks - round);
        ParallelFor(count, threads, [&](int c) {
            RecordWriter& part = parts[static_cast<std::size_t>(c)];
            part = RecordWriter();
            const int first = (round + c) * kChunkRows + 1;
            const int last = std::min(rows, first + kChunkRows - 1);
            for (int r = first; r <= last; ++r) {
                part.Text(LabelAt(labels, r));
                // The values the matrix holds, empty fields past its end.
                const int held = r <= values.rows() ? std::clamp(values.cols(), 0, n) : 0;
                if (held > 0) part.Numbers(values.row(r) + 1, held);
                for (int k = held + 1; k <= n; ++k) part.Empty();
                part.EndRecord();
            }
        });
        for (int c = 0; c < count; ++c) w.Append(parts[static_cast<std::size_t>(c)]);
        const int done = std::min(rows, (round + count) * kChunkRows);
        for (int r = round * kChunkRows + 1; r <= done; ++r) Report(progress, r, total);
    }
}

}  // namespace

bool HasEofResults(const Workspace& ws)
{
    const int n = ws.taxonCount;
    return n >= 1 && ws.eofVectors.rows() == n + 1 && ws.eofVectors.cols() == n &&
           ws.eofContribution.size() == static_cast<std::size_t>(n) + 1 &&
           ws.taxonLoadings.rows() >= n && ws.taxonLoadings.cols() >= n &&
           ws.refScores.rows() >= ws.refSiteCount && ws.refScores.cols() >= ws.refTaxonCount;
}

const char* EnvelopeStatus(const Workspace& ws, int sample)
{
    if (!ws.envelopeDone) return "?";
    const bool outside = sample >= 0 &&
                         static_cast<std::size_t>(sample) < ws.fossilOutside.size() &&
                         ws.fossilOutside[static_cast<std::size_t>(sample)];
    return outside ? "Out" : "In";
}

std::string LoadingFileText(const Workspace& ws, const std::string& dateTime,
                            const ProgressFn& progress, bool* allFinite)
{
    const int n = ws.taxonCount;
    const int total = ws.basisRowCount + ws.taxonCount;
    RecordWriter w;
    Header(w, "Tarvex 1.0 output file (component loading)", dateTime, ws.refFileName);
    ReferenceCounts(w, ws);
    EofNumbers(w, n);
    Contributions(w, ws, n);
    DataRecords(w, ws.refTaxonNames, ws.taxonLoadings, n, n, total, progress);
    Finish(w, allFinite);
    return w.Take();
}

std::string ReferenceScoreFileText(const Workspace& ws, const PretreatmentChoice& choice,
                                   const std::string& dateTime, const ProgressFn& progress,
                                   bool* allFinite)
{
    const int n = ws.refTaxonCount;
    const int sites = ws.refSiteCount;
    const int total = ws.refSiteCount + ws.refTaxonCount;
    RecordWriter w;
    Header(w, "Tarvex 1.0 output file (component score for reference dataset)", dateTime,
           ws.refFileName);
    PretreatmentRecords(w, choice);
    ReferenceCounts(w, ws);
    EofNumbers(w, n);
    Contributions(w, ws, n);
    DataRecords(w, ws.refSiteLabels, ws.refScores, sites, n, total, progress);
    Finish(w, allFinite);
    return w.Take();
}

std::string FossilScoreFileText(const Workspace& ws, const PretreatmentChoice& choice,
                                const std::string& dateTime, const ProgressFn& progress,
                                bool* allFinite)
{
    const int n = ws.taxonCount;
    const int samples = ws.fossilSampleCount;
    RecordWriter w;
    Header(w, "Tarvex 1.0 output file (component score for fossil dataset)", dateTime,
           ws.refFileName);
    w.Text("Fossil data file: ").Text(ws.fossilFileName);
    w.EndRecord();
    PretreatmentRecords(w, choice);
    ReferenceCounts(w, ws);
    w.Text("No. of fossil taxa: ").Integer(ws.fossilTaxonCount);
    w.EndRecord();
    w.Text("No. of fossil samples: ").Integer(ws.fossilSampleCount);
    w.EndRecord();

    w.Text("Taxa name inconsistency: ");
    // [0] holds the count as text; a count beyond the entries there are (or not a number at
    // all) must not send the loop past them.
    const int entries = static_cast<int>(ws.taxonNameMatches.size()) - 1;
    const double declared = entries < 0 ? 0 : Val(ws.taxonNameMatches[0]);
    const int matches = declared > 0 ? static_cast<int>(std::min<double>(declared, entries)) : 0;
    for (int i = 1; i <= matches; ++i) w.Text(ws.taxonNameMatches[i]);
    w.EndRecord();

    w.Text("Tightness of envelope: ").Single(ws.envelopeTightness);
    w.EndRecord();
    w.Empty();
    EofNumbers(w, n);
    w.Empty();
    Contributions(w, ws, n);

    w.Text("Depth").Text("Envelope");
    const int listed = std::clamp<int>(
        ws.selectedAxisCount, 0, std::max<int>(static_cast<int>(ws.selectedAxes.size()) - 1, 0));
    for (int k = 1; k <= n; ++k) {
        const auto first = ws.selectedAxes.begin() + (listed > 0 ? 1 : 0);
        const auto last = first + listed;
        w.Text(std::find(first, last, k) != last ? "Yes" : "No");
    }
    w.EndRecord();

    for (int j = 1; j <= samples; ++j) {
        w.Text(LabelAt(ws.fossilSampleLabels, j));
        w.Text(EnvelopeStatus(ws, j));
        for (int k = 1; k <= n; ++k) NumberAt(w, ws.fossilScores, j, k);
        w.EndRecord();
        Report(progress, j, samples);
    }
    Finish(w, allFinite);
    return w.Take();
}

}  // namespace tarvex
