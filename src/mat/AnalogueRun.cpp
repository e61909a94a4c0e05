#include "mat/AnalogueRun.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "app/ParallelFor.h"
#include "eof/Pretreatment.h"
#include "mat/AnalogueKernels.h"

namespace tarvex {
namespace analoguerun {

using analoguekernel::kPanelSites;

namespace {

// Sites per block of the distance matrix: a block of site panels (about 140 KB with 134
// taxa) and the rows of a block of targets stay in a core's cache while they meet.
constexpr int kBlockSites = 128;
static_assert(kBlockSites % kPanelSites == 0, "blocks hold whole panels");
// Rows ranked per job.
constexpr int kRankRows = 16;

double Transform(double x, MinorTaxaEnhancement enhancement)
{
    switch (enhancement) {
        case MinorTaxaEnhancement::None:
            return x;
        case MinorTaxaEnhancement::SquareRoot:
            return std::sqrt(x);
        case MinorTaxaEnhancement::Log:
            return EnhanceLog(x);
    }
    return x;
}

std::vector<double> TaxaRows(const Matrix<double>& m, int rows, int taxa,
                             MinorTaxaEnhancement enhancement)
{
    std::vector<double> out(static_cast<std::size_t>(rows + 1) * taxa, 0.0);
    for (int r = 1; r <= rows; ++r) {
        const double* in = m.row(r);
        double* dst = out.data() + static_cast<std::size_t>(r) * taxa;
        for (int t = 1; t <= taxa; ++t) dst[t - 1] = Transform(in[t], enhancement);
    }
    return out;
}

std::vector<double> AxisRows(const Matrix<double>& m, int rows, const std::vector<int>& axes)
{
    const std::size_t terms = axes.size();
    std::vector<double> out(static_cast<std::size_t>(rows + 1) * terms, 0.0);
    for (int r = 1; r <= rows; ++r)
        for (std::size_t k = 0; k < terms; ++k) out[r * terms + k] = m(r, axes[k]);
    return out;
}

// The selected axes in their order. An axis number that names no EOF of the score tables or
// of the contributions is left out rather than read past their ends.
std::vector<int> UsableAxes(const Workspace& ws, int lastAxis)
{
    std::vector<int> axes;
    const int count =
        std::min<int>(ws.selectedAxisCount, static_cast<int>(ws.selectedAxes.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        const int e = ws.selectedAxes[k];
        if (e >= 1 && e <= lastAxis && e < static_cast<int>(ws.eofContribution.size()))
            axes.push_back(e);
    }
    return axes;
}

std::vector<double> AxisWeights(const Workspace& ws, const std::vector<int>& axes)
{
    std::vector<double> w;
    for (int e : axes) w.push_back(static_cast<double>(ws.eofContribution[e]));
    return w;
}

int BasisSites(const Workspace& ws, const AnalogueSettings& settings)
{
    const Matrix<double>& m =
        settings.basis == DistanceBasis::EofValues ? ws.refScores : ws.refProportions;
    return UsableRows(m, ws.refSiteCount);
}

// Shapes a distance matrix whose rows 1..writtenRows, columns 1..writtenCols the run is
// about to write, and clears everything else. Nothing is cleared twice: the run's threads
// touch the written part first (a site-by-site matrix is 181 MB for 4,759 sites), and a
// matrix that has the shape or enough storage already keeps its storage.
void Shape(Matrix<double>& m, int rows, int cols, int writtenRows, int writtenCols)
{
    if (m.rows() != rows || m.cols() != cols) m.resizeForOverwrite(rows, cols);
    for (int r = 0; r <= rows; ++r) {
        double* row = m.row(r);
        if (r == 0 || r > writtenRows) {
            std::fill(row, row + cols + 1, 0.0);
        } else {
            row[0] = 0;
            std::fill(row + writtenCols + 1, row + cols + 1, 0.0);
        }
    }
}

void MarkWithoutValue(Matrix<double>& values, int firstRow, int params)
{
    for (int r = firstRow; r <= values.rows(); ++r) {
        values(r, 0) = 0;
        for (int p = 1; p <= params; ++p) values(r, p) = -9999;
    }
}

void ReconstructRow(const float* dist, const int16_t* site, const Recipe& recipe, double* out)
{
    const int used = UsedCount(dist, site, recipe.kmax, recipe.threshold, recipe.kmin);
    out[0] = used;
    for (int p = 1; p <= recipe.params; ++p)
        out[p] = WeightedMean(dist, site, used, *recipe.climate, p, recipe.weighting);
}

}  // namespace

int UsableSites(const Workspace& ws, const AnalogueSettings& settings)
{
    return std::min(BasisSites(ws, settings), UsableRows(ws.climateValues, ws.refSiteCount));
}

Basis FossilBasis(const Workspace& ws, const AnalogueSettings& settings, int limitSites)
{
    Basis b;
    b.sites = std::min(BasisSites(ws, settings), limitSites);
    if (settings.basis == DistanceBasis::EofValues) {
        b.targets = UsableRows(ws.fossilScores, ws.fossilSampleCount);
        const std::vector<int> axes =
            UsableAxes(ws, std::min(ws.refScores.cols(), ws.fossilScores.cols()));
        b.terms = static_cast<int>(axes.size());
        b.siteRows = AxisRows(ws.refScores, b.sites, axes);
        b.targetRows = AxisRows(ws.fossilScores, b.targets, axes);
        b.weights = AxisWeights(ws, axes);
    } else {
        b.targets = UsableRows(ws.fossilProportions, ws.fossilSampleCount);
        b.terms = std::min({static_cast<int>(ws.refTaxonCount), ws.refProportions.cols(),
                            ws.fossilProportions.cols()});
        b.terms = std::max(b.terms, 0);
        b.siteRows = TaxaRows(ws.refProportions, b.sites, b.terms, settings.enhancement);
        b.targetRows = TaxaRows(ws.fossilProportions, b.targets, b.terms, settings.enhancement);
    }
    return b;
}

Basis SiteBasis(const Workspace& ws, const AnalogueSettings& settings, int limitSites)
{
    Basis b;
    b.sites = std::min(BasisSites(ws, settings), limitSites);
    b.targets = b.sites;
    if (settings.basis == DistanceBasis::EofValues) {
        const std::vector<int> axes = UsableAxes(ws, ws.refScores.cols());
        b.terms = static_cast<int>(axes.size());
        b.siteRows = AxisRows(ws.refScores, b.sites, axes);
        b.weights = AxisWeights(ws, axes);
    } else {
        b.terms = std::max(0, std::min<int>(ws.refTaxonCount, ws.refProportions.cols()));
        b.siteRows = TaxaRows(ws.refProportions, b.sites, b.terms, settings.enhancement);
    }
    return b;
}

int UsedCount(const float* dist, const int16_t* site, int kmax, double threshold, int kmin)
{
    const float limit = static_cast<float>(threshold);
    int used = 0;
    // A rank without a site is never used: it has no climate to give (its row 0 is empty).
    while (used < kmax && site[used + 1] != 0 && limit > dist[used + 1]) ++used;
    if (kmin != 0 && used < kmin) {
        const int forced = std::min(kmin, kmax);
        while (used < forced && site[used + 1] != 0) ++used;
    }
    return used;
}

double WeightedMean(const float* dist, const int16_t* site, int used, const Matrix<double>& climate,
                    int p, Weighting weighting)
{
    double sum = 0;
    double total = 0;
    bool any = false;
    for (int a = 1; a <= used; ++a) {
        const int s = site[a];
        if (s == 0) continue;
        const double d = dist[a];
        double w = 1;
        if (weighting == Weighting::SquaredDistance)
            w = 1 / d;
        else if (weighting == Weighting::Distance)
            w = 1 / std::sqrt(d);
        sum += w * climate(s, p);
        total += w;
        any = true;
    }
    return any ? sum / total : -9999;
}

namespace {

struct Tiling {
    int blocks = 0;  // target blocks
    int siteBlocks = 0;
    int lastPanel = -1;
};

Tiling TilingOf(const Basis& basis)
{
    Tiling t;
    t.blocks = (basis.targets + kBlockSites - 1) / kBlockSites;
    t.siteBlocks = (basis.sites + kBlockSites - 1) / kBlockSites;
    t.lastPanel = (basis.sites + kPanelSites - 1) / kPanelSites - 1;
    return t;
}

// The tiles of target block i: every site block, or with symmetric targets only those from
// the diagonal on (the others were mirrored in by earlier target blocks).
int TileCount(const Tiling& tiling, bool symmetric, int i)
{
    return tiling.siteBlocks - (symmetric ? i : 0);
}

void Tile(const Basis& basis, const analoguekernel::SitePanels& panels, const Tiling& tiling,
          bool symmetric, int i, int c, analoguekernel::DistanceOutput out)
{
    constexpr int kPanelsPerBlock = kBlockSites / kPanelSites;
    const int first = i * kBlockSites + 1;
    const int last = std::min(basis.targets, first + kBlockSites - 1);
    const int j = (symmetric ? i : 0) + c;
    const int firstPanel = j * kPanelsPerBlock;
    const int lastPanel = std::min(tiling.lastPanel, firstPanel + kPanelsPerBlock - 1);
    analoguekernel::DistanceTile(symmetric ? basis.siteRows : basis.targetRows, first, last, panels,
                                 firstPanel, lastPanel, basis.Weights(), out, symmetric);
}

int RunThreads(const Basis& basis, bool symmetric)
{
    double work = static_cast<double>(basis.targets) * basis.sites * (basis.terms + 1);
    if (symmetric) work /= 2;
    return ThreadsFor(work);
}

}  // namespace

void RunFast(const Basis& basis, bool symmetric, const Recipe& recipe, int targetCount,
             int siteCount, Matrix<double>& distances, Matrix<double>& values,
             const ProgressFn& progress)
{
    Shape(distances, targetCount, siteCount, basis.targets, basis.sites);
    values.resize(targetCount, recipe.params);
    const analoguekernel::SitePanels panels =
        analoguekernel::PackSitePanels(basis.siteRows, basis.sites, basis.terms);
    const Tiling tiling = TilingOf(basis);
    const int threads = RunThreads(basis, symmetric);
    const analoguekernel::DistanceOutput out{distances.row(0),
                                             static_cast<std::size_t>(distances.cols()) + 1};
    const int kmax = std::max(recipe.kmax, 0);
    auto rankRows = [&](int first, int last) {
        std::vector<float> dist(static_cast<std::size_t>(kmax) + 1);
        std::vector<int16_t> site(static_cast<std::size_t>(kmax) + 1);
        for (int r = first; r <= last; ++r) {
            analoguekernel::RankRow(distances.row(r), basis.sites, kmax, dist.data(), site.data());
            ReconstructRow(dist.data(), site.data(), recipe, values.row(r));
        }
    };
    // Step i computes the tiles of target block i and ranks the rows of block i - 1, which
    // are complete by then (with symmetric targets the columns left of a block come in
    // mirrored from the blocks above it) and which no tile of step i writes. Sharing one
    // loop keeps both threads busy while the last tiles of a step finish.
    for (int i = 0; i <= tiling.blocks; ++i) {
        const int tiles = i < tiling.blocks ? TileCount(tiling, symmetric, i) : 0;
        const int ranked = i - 1;
        const int first = ranked * kBlockSites + 1;
        const int last = i > 0 ? std::min(basis.targets, first + kBlockSites - 1) : 0;
        const int jobs = i > 0 ? (last - first + kRankRows) / kRankRows : 0;
        ParallelFor(tiles + jobs, threads, [&](int c) {
            if (c < tiles) {
                Tile(basis, panels, tiling, symmetric, i, c, out);
                return;
            }
            const int job = c - tiles;
            rankRows(first + job * kRankRows, std::min(last, first + (job + 1) * kRankRows - 1));
        });
        if (progress && i > 0)
            for (int r = first; r <= last; ++r) progress(r, targetCount);
    }
    MarkWithoutValue(values, basis.targets + 1, recipe.params);
    if (progress)
        for (int r = basis.targets + 1; r <= targetCount; ++r) progress(r, targetCount);
}

namespace {

// The ranks of many sites side by side, kmax to a site: site s's at s * (kmax + 1), ranks
// 1..kmax, empty ones at distance 9999 without a site.
struct RankLists {
    int kmax = 0;
    std::vector<float> dist;
    std::vector<int16_t> site;

    RankLists(int sites, int kmax_)
        : kmax(kmax_),
          dist(static_cast<std::size_t>(sites + 1) * (kmax_ + 1), 9999.0f),
          site(static_cast<std::size_t>(sites + 1) * (kmax_ + 1), 0)
    {
    }
    float* Dist(int s) { return dist.data() + static_cast<std::size_t>(s) * (kmax + 1); }
    int16_t* Site(int s) { return site.data() + static_cast<std::size_t>(s) * (kmax + 1); }
};

// Puts (f, s) among ranks ordered by distance and then site number, if it belongs there. The
// order in which candidates come then does not matter: the lists of the same site built
// from different parts of its row combine to the ranks of the whole row.
void MergeRank(float f, int16_t s, int kmax, float* dist, int16_t* site)
{
    auto before = [&](int a) { return f < dist[a] || (f == dist[a] && s < site[a]); };
    if (!before(kmax)) return;
    int a = kmax;
    while (a > 1 && before(a - 1)) {
        dist[a] = dist[a - 1];
        site[a] = site[a - 1];
        --a;
    }
    dist[a] = f;
    site[a] = s;
}

}  // namespace

void RunLeaveOneOut(const Basis& basis, const Recipe& recipe, int targetCount,
                    Matrix<double>& values, const ProgressFn& progress)
{
    values.resize(targetCount, recipe.params);
    const int sites = basis.sites;
    const int kmax = std::max(recipe.kmax, 0);
    const analoguekernel::SitePanels panels =
        analoguekernel::PackSitePanels(basis.siteRows, sites, basis.terms);
    const Tiling tiling = TilingOf(basis);
    const std::size_t terms = static_cast<std::size_t>(basis.terms);
    constexpr int kPanelsPerBlock = kBlockSites / kPanelSites;
    constexpr std::size_t kStride = kBlockSites;

    // Job i takes the rows of block i against the sites of blocks i and later. It owns the
    // ranks of its rows and keeps its own ranks for the columns after its block, from the
    // pairs the later blocks' rows do not compute; they are merged in afterwards.
    RankLists rows(sites, kmax);
    std::vector<RankLists> columns;
    columns.reserve(static_cast<std::size_t>(tiling.blocks));
    for (int i = 0; i < tiling.blocks; ++i)
        columns.emplace_back(i + 1 < tiling.blocks ? sites - (i + 1) * kBlockSites : 0, kmax);
    // The rows of block i as targets 1..count.
    auto blockTargets = [&](int i) {
        const int first = i * kBlockSites + 1;
        const int last = std::min(sites, first + kBlockSites - 1);
        std::vector<double> targets((static_cast<std::size_t>(last - first + 1) + 1) * terms, 0.0);
        std::copy(basis.siteRows.begin() + static_cast<std::ptrdiff_t>(first * terms),
                  basis.siteRows.begin() + static_cast<std::ptrdiff_t>((last + 1) * terms),
                  targets.begin() + static_cast<std::ptrdiff_t>(terms));
        return targets;
    };
    // The tile of the rows of block i (targets) against the sites of block j.
    auto computeTile = [&](const std::vector<double>& targets, int i, int j, double* tile) {
        const int count = std::min(sites, (i + 1) * kBlockSites) - i * kBlockSites;
        const analoguekernel::DistanceOutput out{tile, kStride, j * kBlockSites + 1};
        analoguekernel::DistanceTile(
            targets, 1, count, panels, j * kPanelsPerBlock,
            std::min(tiling.lastPanel, j * kPanelsPerBlock + kPanelsPerBlock - 1), basis.Weights(),
            out, false);
    };
    // First every block against itself: each site's ranks among the sites of its own block
    // bound what another block can still bring it. A site whose ranks are full up to distance
    // D takes from the column ranks of the blocks before its own only what lies at D or below
    // (at D it can still come first, by its lower number); the rest would never be merged in.
    std::vector<float> bound(static_cast<std::size_t>(sites) + 1, 9999.0f);
    const int threads = RunThreads(basis, true);
    ParallelFor(tiling.blocks, threads, [&](int b) {
        const int first = b * kBlockSites + 1;
        const int last = std::min(sites, first + kBlockSites - 1);
        const int count = last - first + 1;
        std::vector<double> tile((static_cast<std::size_t>(count) + 1) * kStride);
        computeTile(blockTargets(b), b, b, tile.data());
        for (int r = 1; r <= count; ++r) {
            const int s = first + r - 1;
            analoguekernel::RankMore(tile.data() + r * kStride, count, first, kmax, rows.Dist(s),
                                     rows.Site(s));
            if (kmax > 0 && rows.Site(s)[kmax] != 0)
                bound[static_cast<std::size_t>(s)] =
                    std::nextafter(rows.Dist(s)[kmax], std::numeric_limits<float>::infinity());
        }
    });
    ParallelFor(tiling.blocks, threads, [&](int i) {
        const int first = i * kBlockSites + 1;
        const int last = std::min(sites, first + kBlockSites - 1);
        const int count = last - first + 1;
        const std::vector<double> targets = blockTargets(i);
        std::vector<double> tile((static_cast<std::size_t>(count) + 1) * kStride);
        RankLists& mine = columns[static_cast<std::size_t>(i)];
        std::vector<float*> columnDist(kBlockSites);
        std::vector<int16_t*> columnSite(kBlockSites);
        const int columnBase = (i + 1) * kBlockSites;  // column lists start after the block
        for (int j = i + 1; j < tiling.siteBlocks; ++j) {
            const int firstSite = j * kBlockSites + 1;
            const int lastSite = std::min(sites, firstSite + kBlockSites - 1);
            const int width = lastSite - firstSite + 1;
            computeTile(targets, i, j, tile.data());
            for (int r = 1; r <= count; ++r)
                analoguekernel::RankMore(tile.data() + r * kStride, width, firstSite, kmax,
                                         rows.Dist(first + r - 1), rows.Site(first + r - 1));
            for (int c = 0; c < width; ++c) {
                columnDist[static_cast<std::size_t>(c)] = mine.Dist(firstSite + c - columnBase);
                columnSite[static_cast<std::size_t>(c)] = mine.Site(firstSite + c - columnBase);
            }
            analoguekernel::RankColumns(tile.data(), kStride, count, first, width, kmax,
                                        columnDist.data(), columnSite.data(),
                                        bound.data() + firstSite);
        }
    });

    ParallelFor(tiling.blocks, threads, [&](int b) {
        const int first = b * kBlockSites + 1;
        const int last = std::min(sites, first + kBlockSites - 1);
        for (int s = first; s <= last; ++s) {
            float* dist = rows.Dist(s);
            int16_t* site = rows.Site(s);
            for (int i = 0; i < b; ++i) {
                RankLists& from = columns[static_cast<std::size_t>(i)];
                const int at = s - (i + 1) * kBlockSites;
                for (int a = 1; a <= kmax && from.Site(at)[a] != 0; ++a)
                    MergeRank(from.Dist(at)[a], from.Site(at)[a], kmax, dist, site);
            }
            ReconstructRow(dist, site, recipe, values.row(s));
        }
    });
    if (progress)
        for (int r = 1; r <= std::min(sites, targetCount); ++r) progress(r, targetCount);
    MarkWithoutValue(values, sites + 1, recipe.params);
    if (progress)
        for (int r = sites + 1; r <= targetCount; ++r) progress(r, targetCount);
}

void RunPlain(const Basis& basis, bool symmetric, const Recipe& recipe, int targetCount,
              int siteCount, Matrix<double>& distances, Matrix<double>& values)
{
    distances.resize(targetCount, siteCount);
    values.resize(targetCount, recipe.params);
    const std::vector<double>& targets = symmetric ? basis.siteRows : basis.targetRows;
    const std::size_t terms = basis.terms;
    for (int r = 1; r <= basis.targets; ++r)
        for (int s = 1; s <= basis.sites; ++s)
            distances(r, s) = analoguekernel::PlainDistance(targets.data() + r * terms,
                                                            basis.siteRows.data() + s * terms,
                                                            basis.terms, basis.Weights());
    const int kmax = std::max(recipe.kmax, 0);
    const RankedAnalogues ranked = RankAnalogues(distances, basis.targets, basis.sites, kmax);
    for (int r = 1; r <= basis.targets; ++r) {
        const int used = UsedAnalogues(ranked, r, kmax, recipe.threshold, recipe.kmin);
        values(r, 0) = used;
        for (int p = 1; p <= recipe.params; ++p)
            values(r, p) = ReconstructValue(ranked, r, used, *recipe.climate, p, recipe.weighting);
    }
    MarkWithoutValue(values, basis.targets + 1, recipe.params);
}

Matrix<double> Distances(const Basis& basis, bool symmetric, int targetCount, int siteCount)
{
    Matrix<double> distances;
    Shape(distances, targetCount, siteCount, basis.targets, basis.sites);
    const analoguekernel::SitePanels panels =
        analoguekernel::PackSitePanels(basis.siteRows, basis.sites, basis.terms);
    const Tiling tiling = TilingOf(basis);
    const int threads = RunThreads(basis, symmetric);
    const analoguekernel::DistanceOutput out{distances.row(0),
                                             static_cast<std::size_t>(distances.cols()) + 1};
    for (int i = 0; i < tiling.blocks; ++i)
        ParallelFor(TileCount(tiling, symmetric, i), threads,
                    [&](int c) { Tile(basis, panels, tiling, symmetric, i, c, out); });
    return distances;
}

std::vector<double> NearestOtherSite(const Basis& basis)
{
    constexpr double kNone = std::numeric_limits<double>::infinity();
    const int sites = basis.sites;
    std::vector<double> nearest(static_cast<std::size_t>(std::max(sites, 0)) + 1, kNone);
    if (sites < 2) return nearest;
    const analoguekernel::SitePanels panels =
        analoguekernel::PackSitePanels(basis.siteRows, sites, basis.terms);
    const Tiling tiling = TilingOf(basis);
    const std::size_t stride = static_cast<std::size_t>(sites) + 1;
    const std::size_t terms = static_cast<std::size_t>(basis.terms);
    // Job i: the rows of block i against the sites from block i on. Its row minima are final
    // for the columns from block i on; its column minima carry the pairs the later blocks'
    // rows do not compute.
    std::vector<std::vector<double>> columnMin(static_cast<std::size_t>(tiling.blocks));
    std::vector<double> rowMin(stride, kNone);
    const int threads = RunThreads(basis, true);
    ParallelFor(tiling.blocks, threads, [&](int i) {
        const int first = i * kBlockSites + 1;
        const int last = std::min(sites, first + kBlockSites - 1);
        const int rows = last - first + 1;
        // The block's rows as targets 1..rows, so the tile writes a block-sized buffer.
        std::vector<double> targets((static_cast<std::size_t>(rows) + 1) * terms, 0.0);
        std::copy(basis.siteRows.begin() + static_cast<std::ptrdiff_t>(first * terms),
                  basis.siteRows.begin() + static_cast<std::ptrdiff_t>((last + 1) * terms),
                  targets.begin() + static_cast<std::ptrdiff_t>(terms));
        // Only the columns from block i on are written and read, so nothing is cleared.
        std::unique_ptr<double[]> d(new double[(static_cast<std::size_t>(rows) + 1) * stride]);
        const analoguekernel::DistanceOutput out{d.get(), stride};
        constexpr int kPanelsPerBlock = kBlockSites / kPanelSites;
        for (int j = i; j < tiling.siteBlocks; ++j)
            analoguekernel::DistanceTile(
                targets, 1, rows, panels, j * kPanelsPerBlock,
                std::min(tiling.lastPanel, j * kPanelsPerBlock + kPanelsPerBlock - 1),
                basis.Weights(), out, false);
        std::vector<double>& cols = columnMin[static_cast<std::size_t>(i)];
        cols.assign(stride, kNone);
        for (int r = 1; r <= rows; ++r) {
            const int site = first + r - 1;
            const double* row = d.get() + static_cast<std::size_t>(r) * stride;
            double best = kNone;
            for (int s = first; s <= sites; ++s) {
                const double v = row[s];
                if (s == site || static_cast<float>(v) == 0) continue;
                best = std::min(best, v);
                cols[s] = std::min(cols[s], v);
            }
            rowMin[site] = best;
        }
    });
    for (int s = 1; s <= sites; ++s) {
        double best = rowMin[s];
        for (int i = 0; i <= (s - 1) / kBlockSites; ++i)
            best = std::min(best, columnMin[static_cast<std::size_t>(i)][s]);
        nearest[s] = best;
    }
    return nearest;
}

}  // namespace analoguerun
}  // namespace tarvex
