#include "diagram/EofSequenceFiles.h"

#include <string>

#include "data/RecordWriter.h"

namespace tarvex {

bool EofSequenceReady(const Workspace& ws, int lastEof)
{
    const int n = ws.fossilSampleCount;
    if (n < 0 || lastEof < 1) return false;
    if (static_cast<int>(ws.fossilSampleLabels.size()) <= n) return false;
    if (static_cast<int>(ws.fossilSampleEmpty.size()) <= n) return false;
    return n == 0 || (ws.fossilScores.rows() >= n && ws.fossilScores.cols() >= lastEof);
}

namespace {

std::string SequenceText(const Workspace& ws, int firstEof, int lastEof,
                         const std::vector<std::string>& header, const ProgressFn& progress,
                         bool* allFinite)
{
    RecordWriter w;
    for (const std::string& h : header) w.Text(h);
    w.EndRecord();
    const int n = ws.fossilSampleCount;
    for (int i = 1; i <= n; ++i) {
        w.Text(ws.fossilSampleLabels[i]);
        if (!ws.fossilSampleEmpty[i])
            for (int e = firstEof; e <= lastEof; ++e) w.Number(ws.fossilScores(i, e));
        w.EndRecord();
        if (progress) progress(i, n);
    }
    if (allFinite && !w.AllFinite()) *allFinite = false;
    return w.str();
}

}  // namespace

std::string EofSequenceFileText(const Workspace& ws, int eof, const ProgressFn& progress,
                                bool* allFinite)
{
    if (!EofSequenceReady(ws, eof)) return {};
    return SequenceText(ws, eof, eof, {"Depth", "EOF-" + std::to_string(eof)}, progress,
                        allFinite);
}

std::string AllEofSequenceFileText(const Workspace& ws, const ProgressFn& progress,
                                   bool* allFinite)
{
    const int t = ws.fossilTaxonCount;
    if (!EofSequenceReady(ws, t)) return {};
    std::vector<std::string> header{"Depth"};
    for (int k = 1; k < t; ++k) header.push_back("EOF-" + std::to_string(k));
    header.push_back("EOF - " + std::to_string(t));
    return SequenceText(ws, 1, t, header, progress, allFinite);
}

}  // namespace tarvex
