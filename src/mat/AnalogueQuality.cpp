#include "mat/AnalogueQuality.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "data/RecordWriter.h"
#include "mat/AnalogueRun.h"

namespace tarvex {

namespace {

// FNV-1a over whole 64-bit words: the key only has to tell one set of reference values from
// another, and a word at a time keeps it to a few milliseconds for thousands of sites.
std::uint64_t Mix(std::uint64_t h, std::uint64_t word)
{
    h ^= word;
    return h * 1099511628211ull;
}

std::uint64_t MixDoubles(std::uint64_t h, const std::vector<double>& values)
{
    for (double v : values) {
        std::uint64_t word;
        std::memcpy(&word, &v, sizeof word);
        h = Mix(h, word);
    }
    return h;
}

// Everything the modern distances depend on is in the basis: the sites' terms after the
// enhancement, the axes and their weights.
std::uint64_t BasisKey(const analoguerun::Basis& b)
{
    std::uint64_t h = 14695981039346656037ull;
    h = Mix(h, static_cast<std::uint64_t>(b.sites));
    h = Mix(h, static_cast<std::uint64_t>(b.terms));
    h = MixDoubles(h, b.siteRows);
    return MixDoubles(h, b.weights);
}

analoguerun::Basis ModernBasis(const Workspace& ws, const AnalogueSettings& settings)
{
    return analoguerun::SiteBasis(ws, settings, analoguerun::UsableSites(ws, settings));
}

}  // namespace

double Percentile(std::vector<double> values, double percent)
{
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const double h = (static_cast<double>(values.size()) - 1) * percent / 100;
    const std::size_t low = static_cast<std::size_t>(std::floor(h));
    if (low + 1 >= values.size()) return values.back();
    return values[low] + (h - static_cast<double>(low)) * (values[low + 1] - values[low]);
}

std::vector<double> ModernClosestDistances(const Workspace& ws, const AnalogueSettings& settings)
{
    return analoguerun::NearestOtherSite(ModernBasis(ws, settings));
}

std::array<double, 3> QualityCutoffs(const std::vector<double>& modernClosest)
{
    std::vector<double> finite;
    for (std::size_t s = 1; s < modernClosest.size(); ++s)
        if (std::isfinite(modernClosest[s])) finite.push_back(modernClosest[s]);
    std::array<double, 3> cutoffs{};
    for (std::size_t k = 0; k < cutoffs.size(); ++k)
        cutoffs[k] = Percentile(finite, kQualityPercents[k]);
    return cutoffs;
}

const std::vector<double>& ModernClosestCache::Get(const Workspace& ws,
                                                   const AnalogueSettings& settings)
{
    const analoguerun::Basis basis = ModernBasis(ws, settings);
    const std::uint64_t key = BasisKey(basis);
    if (!valid_ || key != key_) {
        distances_ = analoguerun::NearestOtherSite(basis);
        key_ = key;
        valid_ = true;
        ++computations_;
    }
    return distances_;
}

void AssessAnalogueQuality(Workspace& ws, const std::vector<double>& modernClosest)
{
    const int samples = std::max<int>(ws.fossilSampleCount, 0);
    ws.closestDistance.assign(static_cast<std::size_t>(samples) + 1, -9999);
    ws.closestSite.assign(static_cast<std::size_t>(samples) + 1, 0);
    const int rows = UsableRows(ws.distanceMatrix, samples);
    const int sites = UsableCols(ws.distanceMatrix, ws.refSiteCount);
    for (int i = 1; i <= rows; ++i) {
        const double* d = ws.distanceMatrix.row(i);
        double best = std::numeric_limits<double>::infinity();
        int site = 0;
        for (int s = 1; s <= sites; ++s)
            if (static_cast<float>(d[s]) != 0 && d[s] < best) {
                best = d[s];
                site = s;
            }
        if (site == 0) continue;
        ws.closestDistance[i] = best;
        ws.closestSite[i] = site;
    }
    ws.analogueCutoffs = QualityCutoffs(modernClosest);
}

bool BeyondCutoff(const Workspace& ws, int sample, int k)
{
    if (sample < 1 || sample >= static_cast<int>(ws.closestSite.size()) || k < 0 || k > 2)
        return false;
    const double cutoff = ws.analogueCutoffs[static_cast<std::size_t>(k)];
    // Without a closest site there is no analogue at all, good or bad to say.
    return ws.closestSite[sample] != 0 && !std::isnan(cutoff) &&
           ws.closestDistance[sample] > cutoff;
}

std::string AnalogueQualityFileText(const Workspace& ws, bool* allFinite)
{
    const int samples = ws.fossilSampleCount;
    if (samples < 1 || static_cast<int>(ws.closestSite.size()) != samples + 1 ||
        static_cast<int>(ws.fossilSampleLabels.size()) <= samples)
        return {};
    RecordWriter w;
    w.Text("Sample").Text("Closest distance").Text("Closest site");
    w.EndRecord();
    for (int i = 1; i <= samples; ++i) {
        w.Text(ws.fossilSampleLabels[i]);
        const int s = ws.closestSite[i];
        if (s > 0 && s < static_cast<int>(ws.refSiteLabels.size()))
            w.Number(ws.closestDistance[i]).Text(ws.refSiteLabels[s]);
        else
            w.Empty().Empty();
        w.EndRecord();
    }
    const char* names[] = {"Cut-off 2.5 %", "Cut-off 5 %", "Cut-off 10 %"};
    for (std::size_t k = 0; k < 3; ++k) {
        w.Text(names[k]);
        if (std::isnan(ws.analogueCutoffs[k]))
            w.Empty();
        else
            w.Number(ws.analogueCutoffs[k]);
        w.EndRecord();
    }
    if (allFinite && !w.AllFinite()) *allFinite = false;
    return w.str();
}

}  // namespace tarvex
