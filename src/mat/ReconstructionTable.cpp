#include "mat/ReconstructionTable.h"

#include <cmath>
#include <limits>

#include "calib/CalibData.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "mat/AnalogueQuality.h"
#include "mat/Histogram.h"

namespace tarvex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMissing = -9999;

bool HasEstimate(const Workspace& ws, int i, int p)
{
    const bool empty = i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i];
    return !empty && i <= ws.reconValues.rows() && p <= ws.reconValues.cols() &&
           ws.reconValues(i, p) != kMissing && std::isfinite(ws.reconValues(i, p));
}

bool TableReady(const Workspace& ws)
{
    const int n = ws.fossilSampleCount;
    return n >= 1 && ws.climateParamCount >= 1 &&
           static_cast<int>(ws.climateParamNames.size()) > ws.climateParamCount &&
           static_cast<int>(ws.fossilSampleLabels.size()) > n && ws.reconValues.rows() >= n &&
           ws.reconValues.cols() >= ws.climateParamCount;
}

bool CalibrationHeld(const Workspace& ws)
{
    using namespace calib;
    return ws.calibMatrices.size() == 9 && ws.calibMatrices[kRegionFlags].rows() >= kGridLast &&
           ws.calibMatrices[kRegionFlags].cols() >= kGridLast &&
           static_cast<int>(ws.modeIndex.size()) > kGridLast &&
           static_cast<int>(ws.medianIndex.size()) > kGridLast && ws.gridStep != 0 &&
           std::isfinite(ws.gridStep);
}

void Value(RecordWriter& w, double v)
{
    if (std::isnan(v))
        w.Empty();
    else
        w.Number(v);
}

void Flag(RecordWriter& w, int flag)
{
    if (flag < 0)
        w.Empty();
    else
        w.Integer(flag);
}

}  // namespace

ReconstructionRow::ReconstructionRow()
    : estimate(kNaN),
      smoothed(kNaN),
      closestDistance(kNaN),
      mode(kNaN),
      median(kNaN),
      lower1(kNaN),
      upper1(kNaN),
      lower2(kNaN),
      upper2(kNaN)
{
}

CalibratedValue::CalibratedValue()
    : mode(kNaN), median(kNaN), lower1(kNaN), upper1(kNaN), lower2(kNaN), upper2(kNaN)
{
}

double CalibrationGridValue(const Workspace& ws, int index)
{
    const double value = ws.gridLow + (index - 25) * ws.gridStep;
    // A thousandth of a step is far below what the grid can tell apart, and keeps a value
    // such as 0.65 from reading 0.649999999999999.
    if (!std::isfinite(ws.gridStep) || ws.gridStep == 0) return value;
    const int decimals = 3 - static_cast<int>(std::floor(std::log10(std::fabs(ws.gridStep))));
    return decimals > 0 ? RoundTo(value, decimals) : value;
}

CalibratedValue CalibrationAt(const Workspace& ws, double estimate)
{
    using namespace calib;
    CalibratedValue out;
    if (!std::isfinite(estimate) || !CalibrationHeld(ws)) return out;
    // The column the Strativ histogram puts this value in.
    const double column = RoundHalfEven((estimate - ws.gridLow) / ws.gridStep) + 25;
    if (!(column >= 0 && column <= kGridLast)) return out;
    const int a = static_cast<int>(column);
    if (ws.modeIndex[a] == -9999) return out;
    out.mode = CalibrationGridValue(ws, ws.modeIndex[a]);
    if (ws.medianIndex[a] != -9999) out.median = CalibrationGridValue(ws, ws.medianIndex[a]);
    const Matrix<float>& flags = ws.calibMatrices[kRegionFlags];
    int low1 = -1, high1 = -1, low2 = -1, high2 = -1;
    for (int b = 0; b <= kGridLast; ++b) {
        const float f = std::fabs(flags(a, b));
        if (f >= 2) {
            if (low1 < 0) low1 = b;
            high1 = b;
        }
        if (f >= 1) {
            if (low2 < 0) low2 = b;
            high2 = b;
        }
    }
    // A grid running from a high value down to a low one has its lowest value at the top.
    auto assign = [&](int lo, int hi, double& lower, double& upper) {
        if (lo < 0) return;
        const double a1 = CalibrationGridValue(ws, lo), a2 = CalibrationGridValue(ws, hi);
        lower = std::min(a1, a2);
        upper = std::max(a1, a2);
    };
    assign(low1, high1, out.lower1, out.upper1);
    assign(low2, high2, out.lower2, out.upper2);
    return out;
}

std::vector<double> SamplePositions(const Workspace& ws)
{
    // The positions the histogram gives its windows at smoothing level 1 are those of the
    // samples themselves, by the rule the smoothed curve averages.
    const SmoothedCurve curve = HistogramCurve(ws, 1, 1);
    std::vector<double> out(curve.position.begin(), curve.position.end());
    return out;
}

double SmoothedAt(const SmoothedCurve& curve, double position)
{
    const float x = static_cast<float>(position);
    if (curve.windows < 1 || !std::isfinite(x)) return kNaN;
    auto has = [&](int i) { return curve.value[i] != static_cast<float>(kMissing); };
    for (int i = 1; i <= curve.windows; ++i) {
        if (curve.position[i] == x) return has(i) ? curve.value[i] : kNaN;
        if (i == curve.windows) break;
        const float p0 = curve.position[i], p1 = curve.position[i + 1];
        const bool between = (p0 < x && x < p1) || (p1 < x && x < p0);
        if (!between) continue;
        if (!has(i) || !has(i + 1)) return kNaN;
        const double t = (double{x} - p0) / (double{p1} - p0);
        return static_cast<float>(curve.value[i] +
                                  t * (double{curve.value[i + 1]} - curve.value[i]));
    }
    return kNaN;
}

std::vector<ReconstructionRow> ReconstructionRowsOf(const Workspace& ws,
                                                    const ReconstructionTableSettings& settings,
                                                    int p)
{
    std::vector<ReconstructionRow> rows;
    if (!TableReady(ws) || p < 1 || p > ws.climateParamCount) return rows;
    const int n = ws.fossilSampleCount;
    const std::vector<double> positions = SamplePositions(ws);
    const SmoothedCurve smooth = SmoothCurve(ws, p, settings.smoothing);
    const bool calibrated = settings.calibratedParam == p && CalibrationHeld(ws);
    const bool qualityKnown = static_cast<int>(ws.closestSite.size()) > n &&
                              static_cast<int>(ws.closestDistance.size()) > n;
    for (int i = 1; i <= n; ++i) {
        ReconstructionRow r;
        r.sample = i;
        r.param = p;
        const bool empty =
            i < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[i];
        if (HasEstimate(ws, i, p)) r.estimate = ws.reconValues(i, p);
        if (!empty)
            r.analogues = static_cast<int>(ws.reconValues(i, 0));
        else
            r.analogues = -1;
        if (i < static_cast<int>(positions.size())) r.smoothed = SmoothedAt(smooth, positions[i]);
        if (qualityKnown && ws.closestSite[i] > 0) {
            r.closestDistance = ws.closestDistance[i];
            if (!std::isnan(ws.analogueCutoffs[1])) r.poorAnalogue = BeyondCutoff(ws, i, 1) ? 1 : 0;
        }
        if (settings.envelopeKnown && i < static_cast<int>(ws.fossilOutside.size()))
            r.outside = ws.fossilOutside[i] ? 1 : 0;
        if (calibrated) {
            const CalibratedValue c = CalibrationAt(ws, r.estimate);
            r.mode = c.mode;
            r.median = c.median;
            r.lower1 = c.lower1;
            r.upper1 = c.upper1;
            r.lower2 = c.lower2;
            r.upper2 = c.upper2;
        }
        rows.push_back(r);
    }
    return rows;
}

std::vector<ReconstructionRow> ReconstructionTableRows(const Workspace& ws,
                                                       const ReconstructionTableSettings& settings)
{
    std::vector<ReconstructionRow> rows;
    if (!TableReady(ws)) return rows;
    for (int p = 1; p <= ws.climateParamCount; ++p)
        for (const ReconstructionRow& r : ReconstructionRowsOf(ws, settings, p)) rows.push_back(r);
    return rows;
}

std::string CoefficientText(int tenths)
{
    return FormatNumber(tenths / 10.0);
}

std::string ReconstructionTableText(const Workspace& ws,
                                    const ReconstructionTableSettings& settings, bool* allFinite)
{
    if (!TableReady(ws)) return {};
    const std::string c1 = CoefficientText(settings.coefficient1);
    const std::string c2 = CoefficientText(settings.coefficient2);
    RecordWriter w;
    for (const std::string& name :
         {std::string("Sample"), std::string("Parameter"), std::string("Estimate"),
          std::string("Smoothed"), std::string("Analogues"), std::string("Closest distance"),
          std::string("Outside envelope"), std::string("Poor analogue"), std::string("Mode"),
          std::string("Median"), "Lower " + c1, "Upper " + c1, "Lower " + c2, "Upper " + c2})
        w.Text(name);
    w.EndRecord();
    for (const ReconstructionRow& r : ReconstructionTableRows(ws, settings)) {
        w.Text(ws.fossilSampleLabels[r.sample]).Text(ws.climateParamNames[r.param]);
        Value(w, r.estimate);
        if (std::isnan(r.smoothed))
            w.Empty();
        else
            w.Single(static_cast<float>(r.smoothed));
        Flag(w, r.analogues);
        Value(w, r.closestDistance);
        Flag(w, r.outside);
        Flag(w, r.poorAnalogue);
        for (double v : {r.mode, r.median, r.lower1, r.upper1, r.lower2, r.upper2}) Value(w, v);
        w.EndRecord();
    }
    if (allFinite && !w.AllFinite()) *allFinite = false;
    return w.str();
}

}  // namespace tarvex
