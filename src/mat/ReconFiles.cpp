#include "mat/ReconFiles.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "data/RecordWriter.h"
#include "mat/Analogues.h"

namespace tarvex {

namespace {

constexpr double kMissing = -9999;

bool Holds(const std::vector<std::string>& list, int last)
{
    return last >= 0 && list.size() > static_cast<std::size_t>(last);
}

template <typename T>
bool Holds(const Matrix<T>& m, int rows, int cols)
{
    return m.rows() >= rows && m.cols() >= cols;
}

bool ParametersReady(const Workspace& ws)
{
    return ws.climateParamCount >= 1 && Holds(ws.climateParamNames, ws.climateParamCount);
}

// Labels, empty-sample flags and a reconstruction of parameters 1..lastParam for every fossil
// sample: without all of them a curve file would carry made-up or shifted values.
bool CurvesReady(const Workspace& ws, int lastParam)
{
    const int samples = ws.fossilSampleCount;
    return ParametersReady(ws) && lastParam >= 1 && lastParam <= ws.climateParamCount &&
           samples >= 1 && Holds(ws.fossilSampleLabels, samples) &&
           ws.fossilSampleEmpty.size() > static_cast<std::size_t>(samples) &&
           Holds(ws.reconValues, samples, lastParam);
}

bool SitesReady(const Workspace& ws, int lastParam)
{
    const int sites = ws.refSiteCount;
    return ParametersReady(ws) && lastParam >= 1 && lastParam <= ws.climateParamCount &&
           sites >= 1 && Holds(ws.siteReconValues, sites, lastParam) &&
           Holds(ws.climateValues, sites, lastParam);
}

void Finish(const RecordWriter& w, bool* allFinite)
{
    if (allFinite && !w.AllFinite()) *allFinite = false;
}

// A sample without a result, or an empty one whose reconstruction means nothing, is left as
// an empty text field rather than a number a reader could take for a value.
void CurveValue(RecordWriter& w, const Workspace& ws, int sample, int p)
{
    const double v = ws.reconValues(sample, p);
    if (v == kMissing || ws.fossilSampleEmpty[static_cast<std::size_t>(sample)])
        w.Text("");
    else
        w.Number(v);
}

std::string CurvesText(const Workspace& ws, int firstParam, int lastParam,
                       const ProgressFn& progress, bool* allFinite)
{
    RecordWriter w;
    w.Text("Depth");
    for (int p = firstParam; p <= lastParam; ++p) w.Text(ws.climateParamNames[p]);
    w.EndRecord();
    const int samples = ws.fossilSampleCount;
    for (int i = 1; i <= samples; ++i) {
        w.Text(ws.fossilSampleLabels[i]);
        for (int p = firstParam; p <= lastParam; ++p) CurveValue(w, ws, i, p);
        w.EndRecord();
        if (progress) progress(i, samples);
    }
    Finish(w, allFinite);
    return w.Take();
}

// An undefined figure is an empty text field, as any missing value in these files is. It is
// not a number that went wrong, so it does not refuse the file as a non-finite one would.
void Figure(RecordWriter& w, double v)
{
    if (std::isnan(v))
        w.Text("");
    else
        w.Number(v);
}

bool InputsFinite(const Workspace& ws, int p)
{
    for (int s = 1; s <= ws.refSiteCount; ++s) {
        const double estimate = ws.siteReconValues(s, p);
        if (estimate == kMissing) continue;
        if (!std::isfinite(estimate) || !std::isfinite(ws.climateValues(s, p))) return false;
    }
    return true;
}

}  // namespace

std::string CurveFileText(const Workspace& ws, int p, const ProgressFn& progress, bool* allFinite)
{
    if (!CurvesReady(ws, p)) return {};
    return CurvesText(ws, p, p, progress, allFinite);
}

std::string AllCurvesFileText(const Workspace& ws, const ProgressFn& progress, bool* allFinite)
{
    if (!CurvesReady(ws, ws.climateParamCount)) return {};
    return CurvesText(ws, 1, ws.climateParamCount, progress, allFinite);
}

std::string ScatterFileText(const Workspace& ws, int p, const ProgressFn& progress, bool* allFinite)
{
    if (!SitesReady(ws, p)) return {};
    RecordWriter w;
    const std::string& name = ws.climateParamNames[p];
    w.Text(name + "(Reconstructed)").Text(name + "(Estimated)");
    w.EndRecord();
    const int sites = ws.refSiteCount;
    for (int s = 1; s <= sites; ++s) {
        const double estimate = ws.siteReconValues(s, p);
        if (estimate == kMissing)
            w.Text("");
        else
            w.Number(estimate);
        w.Number(ws.climateValues(s, p));
        w.EndRecord();
        if (progress) progress(s, sites);
    }
    Finish(w, allFinite);
    return w.Take();
}

std::string ErrorModelSummaryFileText(const Workspace& ws, bool* allFinite)
{
    if (!SitesReady(ws, ws.climateParamCount)) return {};
    RecordWriter w;
    w.Text("Parameter").Text("Sites").Text("RMSEP").Text("R2").Text("Mean bias").Text("Max bias");
    w.EndRecord();
    bool finite = true;
    for (int p = 1; p <= ws.climateParamCount; ++p) {
        // A value that is not finite would turn the figures into nan as well; that must
        // refuse the file, not pass for a figure that is merely undefined.
        if (!InputsFinite(ws, p)) finite = false;
        const ErrorModelSummary summary = SummariseErrorModel(ws, p);
        w.Text(ws.climateParamNames[p]).Integer(summary.sites);
        Figure(w, summary.rmsep);
        Figure(w, summary.r2);
        Figure(w, summary.meanBias);
        Figure(w, summary.maxBias);
        w.EndRecord();
    }
    Finish(w, allFinite);
    if (allFinite && !finite) *allFinite = false;
    return w.Take();
}

}  // namespace tarvex
