#include "mat/AnalogueKernels.h"

#include <algorithm>
#include <cassert>

#include "app/VectorKernels.h"

namespace tarvex {
namespace analoguekernel {

namespace {

using simd::Load;
using simd::Load8;
using simd::Store8;
using simd::V8;

// One panel of eight sites against kTargets targets, whose terms come target after target
// for each term (target k, term t at targets[t * kTargets + k]). One vector holds the eight
// sites; every lane adds its terms in order, starting from zero, exactly as PlainDistance does.
template <int kTargets, bool kWeighted>
[[gnu::always_inline]] inline void PanelSums(const double* targets, const double* panel, int terms,
                                             const double* weights, double (*sums)[kPanelSites])
{
    static_assert(kPanelSites == 8, "one eight-lane vector a panel");
    V8 sum[kTargets];
#pragma GCC unroll 4
    for (int k = 0; k < kTargets; ++k) sum[k] = V8{};
    for (int t = 0; t < terms; ++t) {
        const V8 x = Load8(panel + t * kPanelSites);
        double c = 0;
        if (kWeighted) c = weights[t];
#pragma GCC unroll 4
        for (int k = 0; k < kTargets; ++k) {
            V8 d = x - targets[t * kTargets + k];
            if (kWeighted) d = (d * c) / 100.0;
            sum[k] = sum[k] + d * d;
        }
    }
#pragma GCC unroll 4
    for (int k = 0; k < kTargets; ++k) Store8(sums[k], sum[k]);
}

template <int kTargets>
[[gnu::always_inline]] inline void WriteSums(const double (*sums)[kPanelSites], int firstTarget,
                                             int firstSite, int lanes, DistanceOutput out,
                                             bool mirror)
{
    for (int k = 0; k < kTargets; ++k) {
        double* row = out.base + static_cast<std::size_t>(firstTarget + k) * out.stride +
                      (firstSite - out.firstColumn);
        for (int l = 0; l < lanes; ++l) row[l] = sums[k][l];
    }
    if (!mirror) return;
    for (int l = 0; l < lanes; ++l) {
        double* row = out.base + static_cast<std::size_t>(firstSite + l) * out.stride +
                      (firstTarget - out.firstColumn);
        for (int k = 0; k < kTargets; ++k) row[k] = sums[k][l];
    }
}

// The targets' terms are laid out term by term once per group and then meet every panel of
// the tile, which stays in the core's cache.
template <int kTargets, bool kWeighted>
[[gnu::always_inline]] inline void GroupOf(const double* targets, int terms, int first,
                                           const SitePanels& panels, int firstPanel, int lastPanel,
                                           const double* weights, DistanceOutput out, bool mirror,
                                           double* group)
{
    for (int t = 0; t < terms; ++t)
        for (int k = 0; k < kTargets; ++k)
            group[t * kTargets + k] = targets[static_cast<std::size_t>(first + k) * terms + t];
    double sums[kTargets][kPanelSites];
    for (int p = firstPanel; p <= lastPanel; ++p) {
        const double* panel =
            panels.values.data() + static_cast<std::size_t>(p) * terms * kPanelSites;
        const int firstSite = p * kPanelSites + 1;
        const int lanes = std::min(kPanelSites, panels.sites - firstSite + 1);
        PanelSums<kTargets, kWeighted>(group, panel, terms, weights, sums);
        WriteSums<kTargets>(sums, first, firstSite, lanes, out, mirror);
    }
}

template <bool kWeighted>
[[gnu::always_inline]] inline void TileOf(const double* targets, int terms, int firstTarget,
                                          int lastTarget, const SitePanels& panels, int firstPanel,
                                          int lastPanel, const double* weights, DistanceOutput out,
                                          bool mirror)
{
    constexpr int kGroup = 4;
    std::vector<double> group(static_cast<std::size_t>(terms) * kGroup + 1);
    int r = firstTarget;
    for (; r + kGroup - 1 <= lastTarget; r += kGroup)
        GroupOf<kGroup, kWeighted>(targets, terms, r, panels, firstPanel, lastPanel, weights, out,
                                   mirror, group.data());
    for (; r <= lastTarget; ++r)
        GroupOf<1, kWeighted>(targets, terms, r, panels, firstPanel, lastPanel, weights, out,
                              mirror, group.data());
}

TARVEX_CLONED_KERNEL_512
void TileKernel(const double* targets, int terms, int firstTarget, int lastTarget,
                const SitePanels& panels, int firstPanel, int lastPanel, const double* weights,
                DistanceOutput out, bool mirror)
{
    if (weights)
        TileOf<true>(targets, terms, firstTarget, lastTarget, panels, firstPanel, lastPanel,
                     weights, out, mirror);
    else
        TileOf<false>(targets, terms, firstTarget, lastTarget, panels, firstPanel, lastPanel,
                      nullptr, out, mirror);
}

}  // namespace

SitePanels PackSitePanels(const std::vector<double>& rows, int sites, int terms)
{
    SitePanels p;
    p.sites = std::max(sites, 0);
    p.terms = std::max(terms, 0);
    p.values.assign(static_cast<std::size_t>(p.panels()) * p.terms * kPanelSites, 0.0);
    for (int s = 1; s <= p.sites; ++s) {
        const int panel = (s - 1) / kPanelSites;
        const int lane = (s - 1) % kPanelSites;
        const double* in = rows.data() + static_cast<std::size_t>(s) * p.terms;
        double* outPanel =
            p.values.data() + static_cast<std::size_t>(panel) * p.terms * kPanelSites;
        for (int t = 0; t < p.terms; ++t) outPanel[t * kPanelSites + lane] = in[t];
    }
    return p;
}

void DistanceTile(const std::vector<double>& targets, int firstTarget, int lastTarget,
                  const SitePanels& panels, int firstPanel, int lastPanel, const double* weights,
                  DistanceOutput out, bool mirror)
{
    if (firstTarget > lastTarget || firstPanel > lastPanel) return;
    assert(firstPanel >= 0 && lastPanel < panels.panels());
    assert(targets.size() >= static_cast<std::size_t>(lastTarget + 1) * panels.terms);
    TileKernel(targets.data(), panels.terms, firstTarget, lastTarget, panels, firstPanel, lastPanel,
               weights, out, mirror);
}

double PlainDistance(const double* target, const double* site, int terms, const double* weights)
{
    double sum = 0;
    for (int t = 0; t < terms; ++t) {
        double d = site[t] - target[t];
        if (weights) d = d * weights[t] / 100;
        sum += d * d;
    }
    return sum;
}

namespace {

typedef float V4f __attribute__((vector_size(16)));
typedef int V4i __attribute__((vector_size(16)));

// Whether any of d[0..7] comes below `last` in 32 bits (NaN never does).
[[gnu::always_inline]] inline bool AnyBelow(const double* d, float last)
{
    const V4f limit = {last, last, last, last};
    const V4i below = (__builtin_convertvector(Load(d), V4f) < limit) |
                      (__builtin_convertvector(Load(d + 4), V4f) < limit);
    return (below[0] | below[1] | below[2] | below[3]) != 0;
}

TARVEX_CLONED_KERNEL
void RankRowKernel(const double* d, int sites, int kmax, float* dist, int16_t* site)
{
    // A site enters only below the last rank; among equal distances it goes behind the ones
    // already there, whose site numbers are lower. Once the ranks are filled few sites come
    // below the last one, so eight at a time are checked for any before each is looked at.
    float last = dist[kmax];
    int s = 1;
    for (;;) {
        const int end = std::min(sites, s + 7);
        if (end - s == 7 && !AnyBelow(d + s, last)) {
            s += 8;
            continue;
        }
        for (; s <= end; ++s) {
            const float f = static_cast<float>(d[s]);
            if (!(f < last) || f == 0) continue;
            int a = kmax;
            while (a > 1 && f < dist[a - 1]) {
                dist[a] = dist[a - 1];
                site[a] = site[a - 1];
                --a;
            }
            dist[a] = f;
            site[a] = static_cast<int16_t>(s);
            last = dist[kmax];
        }
        if (s > sites) break;
    }
}

TARVEX_CLONED_KERNEL
void RankMoreKernel(const double* d, int count, int firstSite, int kmax, float* dist, int16_t* site)
{
    // As RankRowKernel, over d[0 .. count - 1] for the sites from firstSite on.
    float last = dist[kmax];
    int i = 0;
    while (i < count) {
        const int end = std::min(count, i + 8);
        if (end - i == 8 && !AnyBelow(d + i, last)) {
            i += 8;
            continue;
        }
        for (; i < end; ++i) {
            const float f = static_cast<float>(d[i]);
            if (!(f < last) || f == 0) continue;
            int a = kmax;
            while (a > 1 && f < dist[a - 1]) {
                dist[a] = dist[a - 1];
                site[a] = site[a - 1];
                --a;
            }
            dist[a] = f;
            site[a] = static_cast<int16_t>(firstSite + i);
            last = dist[kmax];
        }
    }
}

// Whether any of d[0..7] comes below its own limit limits[0..7] in 32 bits.
[[gnu::always_inline]] inline bool AnyBelowEach(const double* d, const float* limits)
{
    typedef float V4fUnaligned __attribute__((vector_size(16), aligned(4), may_alias));
    const V4f low = *reinterpret_cast<const V4fUnaligned*>(limits);
    const V4f high = *reinterpret_cast<const V4fUnaligned*>(limits + 4);
    const V4i below = (__builtin_convertvector(Load(d), V4f) < low) |
                      (__builtin_convertvector(Load(d + 4), V4f) < high);
    return (below[0] | below[1] | below[2] | below[3]) != 0;
}

TARVEX_CLONED_KERNEL
void RankColumnsKernel(const double* tile, std::size_t stride, int rows, int firstRowSite,
                       int width, int kmax, float* const* dist, int16_t* const* site,
                       const float* bound, float* last)
{
    for (int c = 0; c < width; ++c) last[c] = std::min(dist[c][kmax], bound[c]);
    for (int r = 1; r <= rows; ++r) {
        const double* row = tile + static_cast<std::size_t>(r) * stride;
        for (int c0 = 0; c0 < width; c0 += 8) {
            const int end = std::min(width, c0 + 8);
            if (end - c0 == 8 && !AnyBelowEach(row + c0, last + c0)) continue;
            for (int c = c0; c < end; ++c) {
                const float f = static_cast<float>(row[c]);
                if (!(f < last[c]) || f == 0) continue;
                float* d = dist[c];
                int16_t* s = site[c];
                int a = kmax;
                while (a > 1 && f < d[a - 1]) {
                    d[a] = d[a - 1];
                    s[a] = s[a - 1];
                    --a;
                }
                d[a] = f;
                s[a] = static_cast<int16_t>(firstRowSite + r - 1);
                last[c] = std::min(d[kmax], bound[c]);
            }
        }
    }
}

}  // namespace

void RankColumns(const double* tile, std::size_t stride, int rows, int firstRowSite, int width,
                 int kmax, float* const* dist, int16_t* const* site, const float* bound)
{
    if (kmax < 1 || rows < 1 || width < 1) return;
    std::vector<float> last(static_cast<std::size_t>(width));
    RankColumnsKernel(tile, stride, rows, firstRowSite, width, kmax, dist, site, bound,
                      last.data());
}

void RankMore(const double* d, int count, int firstSite, int kmax, float* dist, int16_t* site)
{
    if (kmax < 1 || count < 1) return;
    RankMoreKernel(d, count, firstSite, kmax, dist, site);
}

void RankRow(const double* d, int sites, int kmax, float* dist, int16_t* site)
{
    for (int a = 1; a <= kmax; ++a) {
        dist[a] = 9999;
        site[a] = 0;
    }
    if (kmax < 1 || sites < 1) return;
    RankRowKernel(d, sites, kmax, dist, site);
}

}  // namespace analoguekernel
}  // namespace tarvex
