// The parts of a transfer-function run that are not the run itself: names, the inputs taken
// from the workspace and their checks, the suggested number of WA-PLS components.
#include <algorithm>
#include <cmath>

#include "data/NumberText.h"
#include "tf/TransferRun.h"

namespace tarvex {
namespace tf {

const char* MethodName(Method method)
{
    switch (method) {
        case Method::Mat:
            return "MAT";
        case Method::WaInverse:
            return "WA inverse";
        case Method::WaClassical:
            return "WA classical";
        case Method::WaInverseTolerance:
            return "WA inverse tolerance";
        case Method::WaClassicalTolerance:
            return "WA classical tolerance";
        case Method::WaPls:
            return "WA-PLS";
    }
    return "";
}

std::string ValidationText(const Settings& settings)
{
    switch (settings.validation) {
        case Validation::LeaveOneOut:
            return "leave-one-out";
        case Validation::HBlock:
            return "h-block " + FormatNumber(settings.hblockKm) + " km";
        case Validation::Bootstrap:
            return "bootstrap " + std::to_string(settings.resamples);
        case Validation::None:
            break;
    }
    return "";
}

int SuggestComponents(const std::vector<double>& rmsep)
{
    if (rmsep.size() < 2 || !std::isfinite(rmsep[1])) return 0;
    int c = 1;
    while (c + 1 < static_cast<int>(rmsep.size()) && std::isfinite(rmsep[c + 1]) &&
           rmsep[c + 1] <= 0.95 * rmsep[c])
        ++c;
    return c;
}

Inputs InputsFromWorkspace(const Workspace& ws, const AnalogueSettings* settings,
                           const std::vector<double>& latitude,
                           const std::vector<double>& longitude)
{
    Inputs in;
    in.sites = std::min(UsableRows(ws.refProportions, ws.refSiteCount),
                        UsableRows(ws.climateValues, ws.refSiteCount));
    in.taxa = UsableCols(ws.refProportions, ws.refTaxonCount);
    in.siteLabels = ws.refSiteLabels;
    in.siteLabels.resize(static_cast<std::size_t>(in.sites) + 1);
    in.taxonNames = ws.refTaxonNames;
    in.taxonNames.resize(static_cast<std::size_t>(in.taxa) + 1);
    in.modern.resize(in.sites, in.taxa);
    for (int s = 1; s <= in.sites; ++s)
        for (int k = 1; k <= in.taxa; ++k) in.modern(s, k) = ws.refProportions(s, k);
    in.params = std::min<int>(ws.climateParamCount, ws.climateValues.cols());
    in.paramNames = ws.climateParamNames;
    in.paramNames.resize(static_cast<std::size_t>(in.params) + 1);
    in.climate.resize(in.sites, in.params);
    for (int s = 1; s <= in.sites; ++s)
        for (int p = 1; p <= in.params; ++p) in.climate(s, p) = ws.climateValues(s, p);
    if (ws.fossilProportions.cols() >= in.taxa && ws.fossilSampleEmpty.size() > 0) {
        in.samples = std::min<int>(UsableRows(ws.fossilProportions, ws.fossilSampleCount),
                                   static_cast<int>(ws.fossilSampleEmpty.size()) - 1);
        in.sampleLabels = ws.fossilSampleLabels;
        in.sampleLabels.resize(static_cast<std::size_t>(in.samples) + 1);
        in.fossil.resize(in.samples, in.taxa);
        in.sampleEmpty.assign(static_cast<std::size_t>(in.samples) + 1, false);
        for (int r = 1; r <= in.samples; ++r) {
            in.sampleEmpty[r] = ws.fossilSampleEmpty[r];
            for (int k = 1; k <= in.taxa; ++k) in.fossil(r, k) = ws.fossilProportions(r, k);
        }
    }
    if (latitude.size() == static_cast<std::size_t>(in.sites) + 1 &&
        longitude.size() == latitude.size()) {
        in.latitude = latitude;
        in.longitude = longitude;
    }
    if (settings) {
        in.analogue = AnalogueSetupFrom(ws, *settings);
        // The analogue method runs on the same sites and samples as the others, or not at all.
        if (in.analogue.sites != in.sites || in.analogue.samples > in.samples)
            in.analogue = AnalogueSetup{};
    }
    return in;
}

std::string CheckInputs(const Inputs& in, const Settings& settings)
{
    if (!settings.wa && !settings.wapls)
        return "No transfer function is chosen: choose WA, WA-PLS or both.";
    if (in.sites < 2 || in.taxa < 1 || in.params < 1)
        return "The transfer functions need at least 2 modern sites, 1 taxon and 1 climate "
               "parameter.";
    if (settings.components < 1 || settings.components > 20)
        return "The number of WA-PLS components must be from 1 to 20.";
    for (int s = 1; s <= in.sites; ++s)
        for (int k = 1; k <= in.taxa; ++k)
            if (in.modern(s, k) < 0)
                return "The transfer functions need abundances of 0 or more; modern site " +
                       in.siteLabels[s] + " holds " + FormatNumber(in.modern(s, k)) + " for " +
                       in.taxonNames[k] + ".";
    for (int r = 1; r <= in.samples; ++r)
        for (int k = 1; k <= in.taxa; ++k)
            if (in.fossil(r, k) < 0)
                return "The transfer functions need abundances of 0 or more; fossil sample " +
                       in.sampleLabels[r] + " holds " + FormatNumber(in.fossil(r, k)) + " for " +
                       in.taxonNames[k] + ".";
    if (settings.validation == Validation::HBlock) {
        if (in.latitude.size() != static_cast<std::size_t>(in.sites) + 1)
            return "The h-block cross-validation needs the locations of the modern sites.";
        if (!(settings.hblockKm >= 0) || !std::isfinite(settings.hblockKm))
            return "The h-block distance must be 0 km or more.";
    }
    if (settings.validation == Validation::Bootstrap && settings.resamples < 2)
        return "The bootstrap needs at least 2 resamples.";
    if (settings.resamples < 0 || settings.randomVariables < 0)
        return "The numbers of resamples and of random variables cannot be negative.";
    if (settings.randomVariables > 0 && in.samples < 2)
        return "The significance test needs a fossil sequence of at least 2 samples.";
    return "";
}

namespace {

// Labels 1..count of a run's inputs equal those of the workspace.
bool SameLabels(const std::vector<std::string>& run, const std::vector<std::string>& now, int count)
{
    if (count < 0 || run.size() < static_cast<std::size_t>(count) + 1 ||
        now.size() < static_cast<std::size_t>(count) + 1)
        return false;
    return std::equal(run.begin() + 1, run.begin() + count + 1, now.begin() + 1);
}

}  // namespace

bool InputsOfWorkspace(const Inputs& in, const Workspace& ws)
{
    return ws.climateLoaded && in.sites <= ws.refSiteCount &&
           SameLabels(in.siteLabels, ws.refSiteLabels, in.sites) &&
           SameLabels(in.paramNames, ws.climateParamNames, in.params) &&
           (in.samples == 0 || (in.samples <= ws.fossilSampleCount &&
                                SameLabels(in.sampleLabels, ws.fossilSampleLabels, in.samples)));
}

}  // namespace tf
}  // namespace tarvex
