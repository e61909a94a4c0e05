#include "tf/Analogue.h"

#include <algorithm>
#include <cmath>

#include "mat/AnalogueRun.h"
#include "tf/Training.h"

namespace tarvex {
namespace tf {

AnalogueSetup AnalogueSetupFrom(const Workspace& ws, const AnalogueSettings& settings)
{
    const int sites = analoguerun::UsableSites(ws, settings);
    const analoguerun::Basis basis = analoguerun::SiteBasis(ws, settings, sites);
    AnalogueSetup setup;
    setup.sites = basis.sites;
    setup.terms = basis.terms;
    setup.siteRows = basis.siteRows;
    setup.weights = basis.weights;
    // The fossil samples' terms as the fossil reconstruction takes them, when there are any.
    const analoguerun::Basis fossil = analoguerun::FossilBasis(ws, settings, sites);
    if (fossil.terms == basis.terms && fossil.targets > 0) {
        setup.samples = fossil.targets;
        setup.sampleRows = fossil.targetRows;
    }
    setup.kmin = settings.kmin;
    setup.kmax = std::clamp(settings.kmax, 0, kMaxAnalogues);
    setup.threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    setup.weighting = settings.weighting;
    return setup;
}

AnalogueSetup TaxaAnalogueSetup(const Matrix<double>& sites, int siteCount,
                                const Matrix<double>& samples, int sampleCount, int taxa,
                                const AnalogueSettings& settings)
{
    auto transform = [&](double v) {
        switch (settings.enhancement) {
            case MinorTaxaEnhancement::SquareRoot:
                return std::sqrt(v);
            case MinorTaxaEnhancement::Log:
                return EnhanceLog(v);
            default:
                return v;
        }
    };
    auto rows = [&](const Matrix<double>& m, int count) {
        std::vector<double> out(static_cast<std::size_t>(count + 1) * taxa, 0.0);
        for (int r = 1; r <= count; ++r)
            for (int t = 1; t <= taxa; ++t)
                out[static_cast<std::size_t>(r) * taxa + (t - 1)] = transform(m(r, t));
        return out;
    };
    AnalogueSetup setup;
    setup.sites = siteCount;
    setup.samples = sampleCount;
    setup.terms = taxa;
    setup.siteRows = rows(sites, siteCount);
    setup.sampleRows = rows(samples, sampleCount);
    setup.kmin = settings.kmin;
    setup.kmax = std::clamp(settings.kmax, 0, kMaxAnalogues);
    setup.threshold = DefineThreshold(settings.thresholdSlider, settings.enhancement);
    setup.weighting = settings.weighting;
    return setup;
}

AnalogueSearch::AnalogueSearch(const AnalogueSetup& setup)
    : setup_(setup),
      panels_(analoguekernel::PackSitePanels(setup.siteRows, setup.sites, setup.terms))
{
}

void AnalogueSearch::Distances(bool sitesAsTargets, int first, int last,
                               std::vector<double>& out) const
{
    const int rows = last - first + 1;
    const int terms = setup_.terms;
    const std::size_t stride = static_cast<std::size_t>(setup_.sites) + 1;
    out.assign(static_cast<std::size_t>(rows) * stride, 0.0);
    if (rows <= 0 || panels_.panels() == 0) return;
    // The tile writes target r at row r; the targets are copied to rows 1..rows so that the
    // output holds only them (row 0 of the tile's output is never written).
    const std::vector<double>& from = sitesAsTargets ? setup_.siteRows : setup_.sampleRows;
    std::vector<double> targets(static_cast<std::size_t>(rows + 1) * terms, 0.0);
    std::copy(from.begin() + static_cast<std::ptrdiff_t>(first) * terms,
              from.begin() + static_cast<std::ptrdiff_t>(last + 1) * terms,
              targets.begin() + terms);
    std::vector<double> tile(static_cast<std::size_t>(rows + 1) * stride, 0.0);
    analoguekernel::DistanceTile(targets, 1, rows, panels_, 0, panels_.panels() - 1,
                                 setup_.weights.empty() ? nullptr : setup_.weights.data(),
                                 {tile.data(), stride}, false);
    std::copy(tile.begin() + static_cast<std::ptrdiff_t>(stride), tile.end(), out.begin());
}

template <typename Distance>
void AnalogueSearch::Rank(const Distance* d, const std::vector<int>* counts, Ranks& ranks) const
{
    const int kmax = setup_.kmax;
    for (int a = 0; a <= kMaxAnalogues; ++a) {
        ranks.dist[a] = 9999;
        ranks.site[a] = 0;
    }
    for (int s = 1; s <= setup_.sites; ++s) {
        const int copies = counts ? (*counts)[static_cast<std::size_t>(s)] : 1;
        if (copies == 0) continue;
        const float f = static_cast<float>(d[s]);
        if (f == 0) continue;
        // Equal distances go behind the ranks already there, whose sites come first.
        for (int c = 0; c < copies && f < ranks.dist[kmax]; ++c) {
            int a = kmax;
            while (a > 1 && f < ranks.dist[a - 1]) {
                ranks.dist[a] = ranks.dist[a - 1];
                ranks.site[a] = ranks.site[a - 1];
                --a;
            }
            ranks.dist[a] = f;
            ranks.site[a] = s;
        }
    }
    const float limit = static_cast<float>(setup_.threshold);
    int used = 0;
    while (used < kmax && ranks.site[used + 1] != 0 && limit > ranks.dist[used + 1]) ++used;
    if (setup_.kmin != 0 && used < setup_.kmin) {
        const int forced = std::min(setup_.kmin, kmax);
        while (used < forced && ranks.site[used + 1] != 0) ++used;
    }
    ranks.used = used;
}

template void AnalogueSearch::Rank(const double*, const std::vector<int>*, Ranks&) const;
template void AnalogueSearch::Rank(const float*, const std::vector<int>*, Ranks&) const;

double AnalogueSearch::Estimate(const Ranks& ranks, const Matrix<double>& climate, int p) const
{
    double sum = 0, total = 0;
    for (int a = 1; a <= ranks.used; ++a) {
        const double d = ranks.dist[a];
        double w = 1;
        if (setup_.weighting == Weighting::SquaredDistance)
            w = 1 / d;
        else if (setup_.weighting == Weighting::Distance)
            w = 1 / std::sqrt(d);
        sum += w * climate(ranks.site[a], p);
        total += w;
    }
    return ranks.used > 0 ? sum / total : kNoEstimate;
}

}  // namespace tf
}  // namespace tarvex
