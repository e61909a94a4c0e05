#include "mat/Analogues.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/NumberText.h"
#include "eof/Pretreatment.h"
#include "mat/AnalogueKernels.h"
#include "mat/AnalogueRun.h"

namespace tarvex {

double EnhanceLog(double x)
{
    return Enhance(x, Enhancement::Log);
}

double DefineThreshold(int thresholdSlider, MinorTaxaEnhancement enhancement)
{
    const double t = thresholdSlider / 100.0;
    switch (enhancement) {
        case MinorTaxaEnhancement::None:
            return t;
        case MinorTaxaEnhancement::SquareRoot:
            return std::sqrt(t);
        case MinorTaxaEnhancement::Log:
            return EnhanceLog(t);
    }
    return t;
}

Matrix<double> FossilDistances(const Workspace& ws, const AnalogueSettings& settings)
{
    const analoguerun::Basis basis =
        analoguerun::FossilBasis(ws, settings, std::numeric_limits<int>::max());
    return analoguerun::Distances(basis, false, std::max<int>(ws.fossilSampleCount, 0),
                                  std::max<int>(ws.refSiteCount, 0));
}

Matrix<double> SiteDistances(const Workspace& ws, const AnalogueSettings& settings)
{
    const analoguerun::Basis basis =
        analoguerun::SiteBasis(ws, settings, std::numeric_limits<int>::max());
    const int sites = std::max<int>(ws.refSiteCount, 0);
    return analoguerun::Distances(basis, true, sites, sites);
}

RankedAnalogues RankAnalogues(const Matrix<double>& distances, int targets, int sites, int kmax)
{
    targets = UsableRows(distances, targets);
    sites = UsableCols(distances, sites);
    kmax = std::max(kmax, 0);
    RankedAnalogues ranked;
    ranked.distance.resize(targets, kmax);
    ranked.site.resize(targets, kmax);
    std::vector<char> taken(static_cast<std::size_t>(sites) + 1);
    for (int i = 1; i <= targets; ++i) {
        std::fill(taken.begin(), taken.end(), 0);
        const double* d = distances.row(i);
        for (int a = 1; a <= kmax; ++a) {
            float best = 9999;
            int bestSite = 0;
            for (int s = 1; s <= sites; ++s) {
                const float f = static_cast<float>(d[s]);
                if (f != 0 && f < best && !taken[s]) {
                    best = f;
                    bestSite = s;
                }
            }
            ranked.distance(i, a) = best;
            ranked.site(i, a) = static_cast<int16_t>(bestSite);
            taken[bestSite] = 1;
        }
    }
    return ranked;
}

int UsedAnalogues(const RankedAnalogues& ranked, int target, int kmax, double threshold, int kmin)
{
    if (target < 1 || target > ranked.site.rows()) return 0;
    kmax = std::clamp(kmax, 0, ranked.site.cols());
    return analoguerun::UsedCount(ranked.distance.row(target), ranked.site.row(target), kmax,
                                  threshold, kmin);
}

double ReconstructValue(const RankedAnalogues& ranked, int target, int used,
                        const Matrix<double>& climateValues, int p, Weighting weighting)
{
    if (target < 1 || target > ranked.site.rows() || p < 1 || p > climateValues.cols())
        return -9999;
    used = std::clamp(used, 0, ranked.site.cols());
    // A site the climate table does not hold cannot lend its climate.
    const int16_t* site = ranked.site.row(target);
    for (int a = 1; a <= used; ++a)
        if (site[a] > climateValues.rows()) return -9999;
    return analoguerun::WeightedMean(ranked.distance.row(target), site, used, climateValues, p,
                                     weighting);
}

namespace {

analoguerun::Recipe RecipeOf(const Workspace& ws, const AnalogueSettings& settings,
                             double threshold, bool withMinimum)
{
    analoguerun::Recipe r;
    r.kmax = settings.kmax;
    r.kmin = withMinimum ? std::max(settings.kmin, 0) : 0;
    r.threshold = threshold;
    r.weighting = settings.weighting;
    r.climate = &ws.climateValues;
    r.params = UsableCols(ws.climateValues, ws.climateParamCount);
    return r;
}

}  // namespace

void ReconstructClimate(Workspace& ws, const AnalogueSettings& settings, double threshold,
                        const ProgressFn& progress)
{
    const int sites = analoguerun::UsableSites(ws, settings);
    const analoguerun::Basis basis = analoguerun::FossilBasis(ws, settings, sites);
    analoguerun::RunFast(basis, false, RecipeOf(ws, settings, threshold, true),
                         std::max<int>(ws.fossilSampleCount, 0), std::max<int>(ws.refSiteCount, 0),
                         ws.distanceMatrix, ws.reconValues, progress);
}

void ReconstructClimateReference(Workspace& ws, const AnalogueSettings& settings, double threshold)
{
    const int sites = analoguerun::UsableSites(ws, settings);
    const analoguerun::Basis basis = analoguerun::FossilBasis(ws, settings, sites);
    analoguerun::RunPlain(basis, false, RecipeOf(ws, settings, threshold, true),
                          std::max<int>(ws.fossilSampleCount, 0), std::max<int>(ws.refSiteCount, 0),
                          ws.distanceMatrix, ws.reconValues);
}

void GenerateErrorModel(Workspace& ws, const AnalogueSettings& settings, double threshold,
                        const ProgressFn& progress, bool keepDistances)
{
    const int sites = analoguerun::UsableSites(ws, settings);
    const analoguerun::Basis basis = analoguerun::SiteBasis(ws, settings, sites);
    const int count = std::max<int>(ws.refSiteCount, 0);
    if (!keepDistances) {
        ws.distanceMatrix = Matrix<double>();
        analoguerun::RunLeaveOneOut(basis, RecipeOf(ws, settings, threshold, false), count,
                                    ws.siteReconValues, progress);
        return;
    }
    analoguerun::RunFast(basis, true, RecipeOf(ws, settings, threshold, false), count, count,
                         ws.distanceMatrix, ws.siteReconValues, progress);
}

void GenerateErrorModelReference(Workspace& ws, const AnalogueSettings& settings, double threshold)
{
    const int sites = analoguerun::UsableSites(ws, settings);
    const analoguerun::Basis basis = analoguerun::SiteBasis(ws, settings, sites);
    const int count = std::max<int>(ws.refSiteCount, 0);
    analoguerun::RunPlain(basis, true, RecipeOf(ws, settings, threshold, false), count, count,
                          ws.distanceMatrix, ws.siteReconValues);
}

ReconRange ReconstructionRange(const Matrix<double>& reconValues, int samples, int params)
{
    samples = UsableRows(reconValues, samples);
    params = UsableCols(reconValues, params);
    ReconRange range;
    range.min.assign(static_cast<std::size_t>(params) + 1, 9999.0f);
    range.max.assign(static_cast<std::size_t>(params) + 1, -9999.0f);
    range.hasValue.assign(static_cast<std::size_t>(params) + 1, false);
    // The search starts beyond every value rather than at +-9999: climate values such as
    // precipitation in mm or degree-days pass 9999, and a start there would hide them.
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (int p = 1; p <= params; ++p) {
        float low = kInf;
        float high = -kInf;
        bool any = false;
        for (int i = 1; i <= samples; ++i) {
            const double v = reconValues(i, p);
            if (v == -9999) continue;
            const float f = static_cast<float>(v);
            if (std::isnan(f)) continue;
            any = true;
            if (f < low) low = f;
            if (f > high) high = f;
        }
        if (!any) continue;
        range.min[p] = low;
        range.max[p] = high;
        range.hasValue[p] = true;
    }
    return range;
}

namespace {

double RangeStep(double value, double other)
{
    const double m = std::max(std::fabs(value), std::fabs(other));
    if (m < 100) return 5;
    if (m < 1000) return 50;
    if (m < 10000) return 500;
    return value > 0 ? 1000 : 5000;
}

}  // namespace

double RoundRangeDown(double value, double other)
{
    if (value == 0) return 0;
    const double step = RangeStep(value, other);
    if (value > 0) return Int(value / step) * step;
    return (Fix(value / step) - 1) * step;
}

double RoundRangeUp(double value, double other)
{
    if (value == 0) return 0;
    const double step = RangeStep(value, other);
    if (value > 0) return (Int(value / step) + 1) * step;
    return Fix(value / step) * step;
}

SmoothedCurve SmoothCurve(const Workspace& ws, int p, int width)
{
    SmoothedCurve curve;
    curve.position.assign(1, 0.0f);
    curve.value.assign(1, 0.0f);
    const int n = std::max<int>(ws.fossilSampleCount, 0);
    if (width < 2 || n - width + 1 < 1) return curve;
    curve.windows = n - width + 1;
    curve.position.assign(static_cast<std::size_t>(curve.windows) + 1, 0.0f);
    curve.value.assign(static_cast<std::size_t>(curve.windows) + 1, 0.0f);

    const bool valuesHeld = p >= 1 && p <= ws.reconValues.cols();
    std::vector<double> position(static_cast<std::size_t>(n) + 1, 0.0);
    std::vector<bool> missing(static_cast<std::size_t>(n) + 1, true);
    for (int j = 1; j <= n; ++j) {
        if (ws.fossilTextLabels)
            position[j] = j;
        else if (j < static_cast<int>(ws.fossilSampleLabels.size()))
            position[j] = Val(ws.fossilSampleLabels[j]);
        const bool empty =
            j < static_cast<int>(ws.fossilSampleEmpty.size()) && ws.fossilSampleEmpty[j];
        // A sample the reconstruction does not hold has no value either.
        missing[j] =
            empty || !valuesHeld || j > ws.reconValues.rows() || ws.reconValues(j, p) == -9999;
    }
    for (int i = 1; i <= curve.windows; ++i) {
        double where = 0;
        double sum = 0;
        bool gap = false;
        for (int j = i; j < i + width; ++j) {
            where += position[j];
            if (gap) continue;
            if (missing[j]) {
                sum = -9999.0 * width;
                gap = true;
            } else {
                sum += ws.reconValues(j, p);
            }
        }
        curve.position[i] = static_cast<float>(where / width);
        curve.value[i] = static_cast<float>(sum / width);
    }
    return curve;
}

}  // namespace tarvex
