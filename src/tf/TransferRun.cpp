#include "tf/TransferRun.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>

#include "app/ParallelFor.h"
#include "data/NumberText.h"
#include "mat/AnalogueRun.h"
#include "tf/ComponentTest.h"
#include "tf/Geo.h"
#include "tf/Significance.h"
#include "tf/SparseRows.h"
#include "tf/WaLeaveOut.h"
#include "tf/WaPlsLeaveOut.h"

namespace tarvex {
namespace tf {

namespace {

// Cells of the per-resample buffers of one group of bootstrap resamples, and of a
// precomputed analogue distance matrix, at most.
constexpr std::size_t kResampleBufferBytes = std::size_t(256) << 20;
constexpr std::size_t kDistanceMatrixBytes = std::size_t(1) << 30;
// The site-by-site distances of a leave-out validation in double precision, at most.
constexpr std::size_t kSiteMatrixBytes = std::size_t(512) << 20;
// Sites of all h-blocks together that are kept for the methods to share, at most.
constexpr std::size_t kBlockEntries = std::size_t(32) << 20;

class Progress {
public:
    explicit Progress(const Control& control) : control_(control) {}
    void Add(int steps) { total_ += steps; }
    void Step()
    {
        ++done_;
        if (control_.progress) control_.progress(std::min(done_, total_), total_);
    }
    bool Cancelled() const { return control_.cancelled && control_.cancelled(); }

private:
    const Control& control_;
    int total_ = 0;
    int done_ = 0;
};

int ChunkOf(int count, int steps)
{
    return std::max(1, (count + steps - 1) / steps);
}

int StepsOf(int count, int chunk)
{
    return count <= 0 ? 0 : (count + chunk - 1) / chunk;
}

// Runs job(i) for i = 0..count-1 chunk by chunk, each chunk shared among threads, with a
// progress step after each. False when cancelled.
template <typename Job>
bool Chunked(int count, int chunk, double operationsPerItem, Progress& progress, Job&& job)
{
    for (int first = 0; first < count; first += chunk) {
        if (progress.Cancelled()) return false;
        const int n = std::min(chunk, count - first);
        ParallelFor(n, ThreadsFor(operationsPerItem * n), [&](int i) { job(first + i); });
        progress.Step();
    }
    return true;
}

struct Layout {
    std::vector<Column> columns;
    int mat = -1;
    int wa[4] = {-1, -1, -1, -1};  // inverse, classical, inverse tolerance, classical tolerance
    int wapls = -1;                // column of component 1
};

Layout MakeLayout(const Inputs& in, const Settings& settings)
{
    Layout l;
    auto add = [&](Method m, int c) {
        l.columns.push_back({m, c});
        return static_cast<int>(l.columns.size()) - 1;
    };
    if (in.analogue.Enabled()) l.mat = add(Method::Mat, 0);
    if (settings.wa) {
        l.wa[0] = add(Method::WaInverse, 0);
        l.wa[1] = add(Method::WaClassical, 0);
        if (settings.waTolerance) {
            l.wa[2] = add(Method::WaInverseTolerance, 0);
            l.wa[3] = add(Method::WaClassicalTolerance, 0);
        }
    }
    if (settings.wapls) {
        l.wapls = add(Method::WaPls, 1);
        for (int c = 2; c <= settings.components; ++c) add(Method::WaPls, c);
    }
    return l;
}

Matrix<double> Missing(int rows, int cols)
{
    Matrix<double> m(rows, cols);
    m.fill(kNoEstimate);
    return m;
}

// The estimates of row r of rows by a WA model into the WA columns of out.
void WaEstimates(const WaModel& model, const SparseRows& rows, int r, const Layout& l, double* out)
{
    const double w = WaRaw(model, rows, r, false);
    out[l.wa[0]] = model.plain.Inverse(w);
    out[l.wa[1]] = model.plain.Classical(w);
    if (l.wa[2] >= 0) {
        const double wt = WaRaw(model, rows, r, true);
        out[l.wa[2]] = model.downWeighted.Inverse(wt);
        out[l.wa[3]] = model.downWeighted.Classical(wt);
    }
}

void WaPlsEstimates(const WaPlsModel& model, const SparseRows& rows, int r, const Layout& l,
                    int components, double* out)
{
    for (int c = 1; c <= components; ++c) out[l.wapls + c - 1] = WaPlsEstimate(model, rows, r, c);
}

class Runner {
public:
    Runner(const Inputs& in, const Settings& settings, const Control& control)
        : in_(in), settings_(settings), progress_(control), layout_(MakeLayout(in, settings))
    {
        y_ = SparseRows::From(in.modern, in.sites, in.taxa);
        fossil_ = SparseRows::From(in.fossil, in.samples, in.taxa);
        x_.resize(static_cast<std::size_t>(in.params) + 1);
        for (int p = 1; p <= in.params; ++p) {
            x_[p].assign(static_cast<std::size_t>(in.sites) + 1, 0.0);
            for (int s = 1; s <= in.sites; ++s) x_[p][s] = in.climate(s, p);
        }
        for (int p = 1; p <= in.params; ++p) params_.push_back(p);
        if (in.analogue.Enabled()) search_ = std::make_unique<AnalogueSearch>(in.analogue);
    }

    Results Run()
    {
        Results results;
        results.settings = settings_;
        results.columns = layout_.columns;
        const int cols = static_cast<int>(layout_.columns.size());
        for (int p = 1; p <= in_.params; ++p) {
            ParamResult r;
            r.param = p;
            r.apparent = Missing(in_.sites, cols);
            r.fossil = Missing(in_.samples, cols);
            if (settings_.validation != Validation::None) r.validated = Missing(in_.sites, cols);
            r.s2.assign(static_cast<std::size_t>(cols), kNoEstimate);
            r.explained.assign(static_cast<std::size_t>(cols), kNoEstimate);
            r.pValue.assign(static_cast<std::size_t>(cols), kNoEstimate);
            r.firstComponent.assign(static_cast<std::size_t>(cols), kNoEstimate);
            results.params.push_back(std::move(r));
        }
        results_ = &results;
        PlanProgress();

        if (!Apparent() || !Validate() || !Bootstrap() || !Significance()) {
            results.cancelled = true;
            return results;
        }
        for (ParamResult& r : results.params) Summarise(r);
        ComponentTests();
        return results;
    }

private:
    bool Validating() const
    {
        return settings_.validation == Validation::LeaveOneOut ||
               settings_.validation == Validation::HBlock;
    }
    int SiteChunk() const { return ChunkOf(in_.sites, 40); }
    int MatBlocks() const { return (in_.sites + 15) / 16; }
    // Sites whose WA-PLS columns share one block of products.
    int SitesPerBlock() const { return std::max(1, WaPlsLeaveOut::kBlock / in_.params); }

    void PlanProgress()
    {
        progress_.Add(1);  // the fits to all sites
        if (Validating()) {
            if (search_) progress_.Add(StepsOf(MatBlocks(), ChunkOf(MatBlocks(), 40)));
            if (settings_.wa) progress_.Add(StepsOf(in_.sites, SiteChunk()));
            if (settings_.wapls) {
                const int blocks = (in_.sites + SitesPerBlock() - 1) / SitesPerBlock();
                progress_.Add(StepsOf(blocks, ChunkOf(blocks, 40)));
            }
        }
        if (settings_.resamples > 0) progress_.Add(ResampleGroups() + (search_ ? 1 : 0));
        if (settings_.randomVariables > 0 && in_.samples > 0) progress_.Add(1);
    }

    // The removal set of a site: itself, or every site within the h-block distance.
    void Removed(int site, std::vector<int>& out) const
    {
        if (settings_.validation != Validation::HBlock) {
            out.assign(1, site);
        } else if (!blocks_.empty()) {
            out = blocks_[static_cast<std::size_t>(site)];
        } else {
            nearby_->Within(site, settings_.hblockKm, out);
        }
    }

    // The h-block of every site once for all methods, unless they hold more sites than
    // kBlockEntries together.
    void FindBlocks()
    {
        nearby_ = std::make_unique<NearbySites>(in_.latitude, in_.longitude);
        blocks_.resize(static_cast<std::size_t>(in_.sites) + 1);
        std::atomic<std::size_t> entries{0};
        ParallelFor(in_.sites, ThreadsFor(200.0 * in_.sites * in_.sites), [&](int i) {
            if (entries.load() > kBlockEntries) return;
            nearby_->Within(i + 1, settings_.hblockKm, blocks_[static_cast<std::size_t>(i) + 1]);
            entries += blocks_[static_cast<std::size_t>(i) + 1].size();
        });
        if (entries.load() > kBlockEntries) blocks_.clear();
    }

    bool Apparent()
    {
        if (progress_.Cancelled()) return false;
        const TrainingSet all{&y_, nullptr, nullptr};
        const int paramCount = in_.params;
        const int cols = static_cast<int>(layout_.columns.size());
        ParallelFor(paramCount, ThreadsFor(10.0 * y_.value.size() * paramCount), [&](int i) {
            ParamResult& r = results_->params[static_cast<std::size_t>(i)];
            TrainingSet t = all;
            t.x = x_[r.param].data();
            std::vector<double> row(static_cast<std::size_t>(cols));
            if (settings_.wa) {
                r.wa = FitWa(t, settings_.waTolerance);
                for (int s = 1; s <= in_.sites; ++s) {
                    if (t.Weight(s) == 0) continue;
                    WaEstimates(r.wa, y_, s, layout_, row.data());
                    for (int k = 0; k < 4; ++k)
                        if (layout_.wa[k] >= 0) r.apparent(s, layout_.wa[k]) = row[layout_.wa[k]];
                }
                for (int f = 1; f <= in_.samples; ++f) {
                    if (in_.sampleEmpty[f]) continue;
                    WaEstimates(r.wa, fossil_, f, layout_, row.data());
                    for (int k = 0; k < 4; ++k)
                        if (layout_.wa[k] >= 0) r.fossil(f, layout_.wa[k]) = row[layout_.wa[k]];
                }
            }
            if (settings_.wapls) {
                r.wapls = FitWaPls(t, settings_.components);
                for (int s = 1; s <= in_.sites; ++s)
                    for (int c = 1; c <= settings_.components; ++c)
                        if (t.Weight(s) > 0)
                            r.apparent(s, layout_.wapls + c - 1) = WaPlsEstimate(r.wapls, y_, s, c);
                for (int f = 1; f <= in_.samples; ++f)
                    for (int c = 1; c <= settings_.components; ++c)
                        if (!in_.sampleEmpty[f])
                            r.fossil(f, layout_.wapls + c - 1) =
                                WaPlsEstimate(r.wapls, fossil_, f, c);
            }
        });
        if (search_) {
            // The fossil reconstruction of the analogue method; its ranks serve the
            // significance test as well.
            fossilRanks_.resize(static_cast<std::size_t>(in_.samples) + 1);
            const int samples = in_.analogue.samples;
            ParallelFor((samples + 15) / 16, ThreadsFor(double(samples) * in_.sites * in_.taxa),
                        [&](int block) {
                            const int first = block * 16 + 1;
                            const int last = std::min(samples, first + 15);
                            std::vector<double> d;
                            search_->Distances(false, first, last, d);
                            const std::size_t stride = static_cast<std::size_t>(in_.sites) + 1;
                            for (int f = first; f <= last; ++f) {
                                Ranks& ranks = fossilRanks_[f];
                                search_->Rank(d.data() + (f - first) * stride, nullptr, ranks);
                                if (in_.sampleEmpty[f]) continue;
                                for (ParamResult& r : results_->params)
                                    r.fossil(f, layout_.mat) =
                                        search_->Estimate(ranks, in_.climate, r.param);
                            }
                        });
        }
        progress_.Step();
        return true;
    }

    bool Validate()
    {
        if (!Validating()) return true;
        if (settings_.validation == Validation::HBlock) FindBlocks();
        const int sites = in_.sites;
        if (search_) {
            const std::size_t stride = static_cast<std::size_t>(sites) + 1;
            // Every pair's distance once, mirrored, when the matrix fits; otherwise the rows of
            // each block of sites as they are needed.
            Matrix<double> all;
            if (stride * stride * sizeof(double) <= kSiteMatrixBytes) {
                analoguerun::Basis basis;
                basis.sites = basis.targets = sites;
                basis.terms = in_.analogue.terms;
                basis.siteRows = in_.analogue.siteRows;
                basis.weights = in_.analogue.weights;
                all = analoguerun::Distances(basis, true, sites, sites);
            }
            const int blocks = MatBlocks();
            const bool ok = Chunked(blocks, ChunkOf(blocks, 40), 16.0 * sites * in_.taxa, progress_,
                                    [&](int block) {
                                        const int first = block * 16 + 1;
                                        const int last = std::min(sites, first + 15);
                                        std::vector<double> d;
                                        search_->Distances(true, first, last, d);
                                        std::vector<int> removed;
                                        Ranks ranks;
                                        for (int s = first; s <= last; ++s) {
                                            double* row = d.data() + (s - first) * stride;
                                            search_->Rank(row, nullptr, ranks);
                                            for (ParamResult& r : results_->params)
                                                r.apparent(s, layout_.mat) =
                                                    search_->Estimate(ranks, in_.climate, r.param);
                                            Removed(s, removed);
                                            // A distance of 0 is never an analogue: the left-out
                                            // sites are so.
                                            for (int e : removed) row[e] = 0;
                                            search_->Rank(row, nullptr, ranks);
                                            for (ParamResult& r : results_->params)
                                                r.validated(s, layout_.mat) =
                                                    search_->Estimate(ranks, in_.climate, r.param);
                                        }
                                    });
            if (!ok) return false;
        }

        if (settings_.wa) {
            WaLeaveOut leaveOut(y_, in_.climate, params_, settings_.waTolerance);
            const double perSite =
                settings_.waTolerance ? 3.0 * y_.value.size() * in_.params : 400.0 * in_.params;
            const bool ok = Chunked(sites, SiteChunk(), perSite, progress_, [&](int i) {
                const int s = i + 1;
                std::vector<int> removed;
                Removed(s, removed);
                std::vector<double> out(static_cast<std::size_t>(in_.params) *
                                        WaLeaveOut::kEstimates);
                leaveOut.Run(s, removed, out.data());
                for (std::size_t pi = 0; pi < results_->params.size(); ++pi) {
                    ParamResult& r = results_->params[pi];
                    for (int k = 0; k < 4; ++k)
                        if (layout_.wa[k] >= 0)
                            r.validated(s, layout_.wa[k]) = out[pi * WaLeaveOut::kEstimates + k];
                }
            });
            if (!ok) return false;
        }

        if (settings_.wapls) {
            const int components = settings_.components;
            WaPlsLeaveOut engine(y_, in_.climate, ParamIndexes(), components);
            const int per = SitesPerBlock();
            const int blocks = (sites + per - 1) / per;
            const double perBlock = 2.0 * components * in_.taxa * in_.taxa * WaPlsLeaveOut::kBlock;
            const bool ok =
                Chunked(blocks, ChunkOf(blocks, 40), perBlock, progress_, [&](int block) {
                    const int first = block * per + 1;
                    const int last = std::min(sites, first + per - 1);
                    std::vector<std::vector<int>> removed(
                        static_cast<std::size_t>(last - first + 1));
                    std::vector<WaPlsLeaveOut::Column> columns;
                    for (int s = first; s <= last; ++s) {
                        Removed(s, removed[static_cast<std::size_t>(s - first)]);
                        for (int pi = 0; pi < in_.params; ++pi)
                            columns.push_back(
                                {s, pi, &removed[static_cast<std::size_t>(s - first)]});
                    }
                    std::vector<double> out(static_cast<std::size_t>(WaPlsLeaveOut::kBlock) *
                                            components);
                    for (std::size_t c0 = 0; c0 < columns.size(); c0 += WaPlsLeaveOut::kBlock) {
                        const int n = static_cast<int>(
                            std::min<std::size_t>(WaPlsLeaveOut::kBlock, columns.size() - c0));
                        engine.Run(columns.data() + c0, n, out.data());
                        for (int j = 0; j < n; ++j) {
                            const WaPlsLeaveOut::Column& col = columns[c0 + j];
                            ParamResult& r =
                                results_->params[static_cast<std::size_t>(col.paramIndex)];
                            for (int c = 1; c <= components; ++c)
                                r.validated(col.site, layout_.wapls + c - 1) =
                                    out[static_cast<std::size_t>(j) * components + (c - 1)];
                        }
                    }
                });
            if (!ok) return false;
        }
        return true;
    }

    std::vector<int> ParamIndexes() const { return params_; }

    // Bytes of the estimates one resample leaves for all parameters.
    std::size_t ResampleBytes() const
    {
        return (static_cast<std::size_t>(in_.sites) + in_.samples + 2) * layout_.columns.size() *
               in_.params * sizeof(double);
    }
    int ResampleGroup() const
    {
        return static_cast<int>(std::clamp<std::size_t>(kResampleBufferBytes / ResampleBytes(), 1,
                                                        std::max(settings_.resamples, 1)));
    }
    int ResampleGroups() const { return StepsOf(settings_.resamples, ResampleGroup()); }

    std::vector<int> Resample(int b) const
    {
        Random random(settings_.seed, Random::Stream::Bootstrap, static_cast<std::uint64_t>(b));
        std::vector<int> counts(static_cast<std::size_t>(in_.sites) + 1, 0);
        const std::uint64_t n = static_cast<std::uint64_t>(in_.sites);
        for (int i = 0; i < in_.sites; ++i) ++counts[random.Below(n) + 1];
        return counts;
    }

    bool Bootstrap()
    {
        const int resamples = settings_.resamples;
        if (resamples <= 0) return true;
        const int sites = in_.sites, samples = in_.samples;
        const int cols = static_cast<int>(layout_.columns.size());
        const std::size_t stride = static_cast<std::size_t>(sites) + 1;

        // The analogue distances once, when they fit: rows of sites, then of samples.
        std::vector<float> distances;
        const bool keep =
            search_ && (static_cast<std::size_t>(sites) + samples) * stride * sizeof(float) <=
                           kDistanceMatrixBytes;
        if (search_) {
            if (keep) {
                distances.assign((static_cast<std::size_t>(sites) + samples) * stride, 0.0f);
                const int targets = sites + samples;
                const int blocks = (targets + 15) / 16;
                ParallelFor(blocks, ThreadsFor(double(targets) * sites * in_.taxa), [&](int b) {
                    const int first = b * 16 + 1;
                    const int last = std::min(targets, first + 15);
                    std::vector<double> d;
                    for (int t = first; t <= last;) {
                        // Sites and samples come from their own rows.
                        const bool site = t <= sites;
                        const int end = site ? std::min(last, sites) : last;
                        const int from = site ? t : t - sites;
                        const int to = site ? end : end - sites;
                        search_->Distances(site, from, to, d);
                        for (int i = t; i <= end; ++i)
                            for (std::size_t s = 0; s < stride; ++s)
                                distances[static_cast<std::size_t>(i - 1) * stride + s] =
                                    static_cast<float>(
                                        d[static_cast<std::size_t>(i - t) * stride + s]);
                        t = end + 1;
                    }
                });
            }
            progress_.Step();
        }

        struct Accumulator {
            Matrix<double> siteSum;
            Matrix<int> siteCount;
            Matrix<double> mean, m2;
            Matrix<int> count;
        };
        std::vector<Accumulator> acc(static_cast<std::size_t>(in_.params));
        for (Accumulator& a : acc) {
            a.siteSum.resize(sites, cols);
            a.siteCount.resize(sites, cols);
            a.mean.resize(samples, cols);
            a.m2.resize(samples, cols);
            a.count.resize(samples, cols);
        }

        const int group = ResampleGroup();
        const std::size_t perParam = (static_cast<std::size_t>(sites) + samples + 2) * cols;
        const std::size_t perResample = perParam * in_.params;
        std::vector<double> buffer(perResample * group);
        for (int first = 0; first < resamples; first += group) {
            if (progress_.Cancelled()) return false;
            const int n = std::min(group, resamples - first);
            ParallelFor(n, ThreadsFor(1e3 * y_.value.size() * n), [&](int i) {
                OneResample(first + i, distances, keep, buffer.data() + perResample * i);
            });
            // In resample order, whatever thread made each.
            for (int i = 0; i < n; ++i) {
                const double* res = buffer.data() + perResample * i;
                for (int pi = 0; pi < in_.params; ++pi) {
                    const double* est = res + perParam * pi;
                    Accumulator& a = acc[static_cast<std::size_t>(pi)];
                    for (int s = 1; s <= sites; ++s)
                        for (int c = 0; c < cols; ++c) {
                            const double v = est[static_cast<std::size_t>(s) * cols + c];
                            if (std::isnan(v)) continue;
                            a.siteSum(s, c) += v;
                            ++a.siteCount(s, c);
                        }
                    for (int f = 1; f <= samples; ++f)
                        for (int c = 0; c < cols; ++c) {
                            const double v =
                                est[(static_cast<std::size_t>(sites) + 1 + f) * cols + c];
                            if (std::isnan(v)) continue;
                            const int k = ++a.count(f, c);
                            const double delta = v - a.mean(f, c);
                            a.mean(f, c) += delta / k;
                            a.m2(f, c) += delta * (v - a.mean(f, c));
                        }
                }
            }
            progress_.Step();
        }

        for (int pi = 0; pi < in_.params; ++pi) {
            ParamResult& r = results_->params[static_cast<std::size_t>(pi)];
            const Accumulator& a = acc[static_cast<std::size_t>(pi)];
            Matrix<double> boot = Missing(sites, cols);
            for (int s = 1; s <= sites; ++s)
                for (int c = 0; c < cols; ++c)
                    if (a.siteCount(s, c) > 0) boot(s, c) = a.siteSum(s, c) / a.siteCount(s, c);
            r.bootstrapFossil = Missing(samples, cols);
            r.s1 = Missing(samples, cols);
            for (int f = 1; f <= samples; ++f)
                for (int c = 0; c < cols; ++c) {
                    const int k = a.count(f, c);
                    if (k > 0) r.bootstrapFossil(f, c) = a.mean(f, c);
                    if (k > 1) r.s1(f, c) = std::sqrt(a.m2(f, c) / (k - 1));
                }
            std::vector<double> estimate(static_cast<std::size_t>(sites) + 1),
                observed(static_cast<std::size_t>(sites) + 1);
            for (int c = 0; c < cols; ++c) {
                for (int s = 1; s <= sites; ++s) {
                    estimate[s] = boot(s, c);
                    observed[s] = in_.climate(s, r.param);
                }
                r.s2[static_cast<std::size_t>(c)] = ComputeFigures(estimate, observed).rmse;
            }
            if (settings_.validation == Validation::Bootstrap) r.validated = std::move(boot);
        }
        return true;
    }

    // The estimates of one resample: for each parameter, rows 1..sites (NaN unless the site
    // was not drawn) and then rows sites + 2 .. of the fossil samples, `cols` to a row.
    void OneResample(int b, const std::vector<float>& distances, bool keep, double* out) const
    {
        const int sites = in_.sites, samples = in_.samples;
        const int cols = static_cast<int>(layout_.columns.size());
        const std::size_t perParam = (static_cast<std::size_t>(sites) + samples + 2) * cols;
        std::fill(out, out + perParam * in_.params, kNoEstimate);
        const std::vector<int> counts = Resample(b);
        auto siteRow = [&](int pi, int s) {
            return out + perParam * pi + static_cast<std::size_t>(s) * cols;
        };
        auto sampleRow = [&](int pi, int f) {
            return out + perParam * pi + (static_cast<std::size_t>(sites) + 1 + f) * cols;
        };
        std::vector<double> row(static_cast<std::size_t>(cols));
        for (int pi = 0; pi < in_.params; ++pi) {
            const TrainingSet t{&y_, x_[params_[pi]].data(), &counts};
            if (settings_.wa) {
                const WaModel model = FitWa(t, settings_.waTolerance);
                for (int s = 1; s <= sites; ++s)
                    if (counts[s] == 0) WaEstimates(model, y_, s, layout_, siteRow(pi, s));
                for (int f = 1; f <= samples; ++f)
                    if (!in_.sampleEmpty[f])
                        WaEstimates(model, fossil_, f, layout_, sampleRow(pi, f));
            }
            if (settings_.wapls) {
                const WaPlsModel model = FitWaPls(t, settings_.components);
                for (int s = 1; s <= sites; ++s)
                    if (counts[s] == 0)
                        WaPlsEstimates(model, y_, s, layout_, settings_.components, siteRow(pi, s));
                for (int f = 1; f <= samples; ++f)
                    if (!in_.sampleEmpty[f])
                        WaPlsEstimates(model, fossil_, f, layout_, settings_.components,
                                       sampleRow(pi, f));
            }
        }
        if (!search_) return;
        const std::size_t stride = static_cast<std::size_t>(sites) + 1;
        Ranks ranks;
        std::vector<double> d;
        auto estimate = [&](int target, bool site) {
            if (keep) {
                const std::size_t at =
                    static_cast<std::size_t>(site ? target - 1 : sites + target - 1);
                search_->Rank(distances.data() + at * stride, &counts, ranks);
            } else {
                search_->Distances(site, target, target, d);
                search_->Rank(d.data(), &counts, ranks);
            }
            for (int pi = 0; pi < in_.params; ++pi) {
                double* o = site ? siteRow(pi, target) : sampleRow(pi, target);
                o[layout_.mat] = search_->Estimate(ranks, in_.climate, params_[pi]);
            }
        };
        for (int s = 1; s <= in_.analogue.sites; ++s)
            if (counts[s] == 0) estimate(s, true);
        for (int f = 1; f <= in_.analogue.samples; ++f)
            if (!in_.sampleEmpty[f]) estimate(f, false);
    }

    bool Significance()
    {
        const int variables = settings_.randomVariables;
        if (variables <= 0 || in_.samples <= 0) return true;
        if (progress_.Cancelled()) return false;
        const int sites = in_.sites, samples = in_.samples;
        const int cols = static_cast<int>(layout_.columns.size());
        Matrix<double> random(sites, variables);
        for (int v = 1; v <= variables; ++v) {
            Random r(settings_.seed, Random::Stream::RandomVariable, static_cast<std::uint64_t>(v));
            for (int s = 1; s <= sites; ++s) random(s, v) = r.Uniform();
        }
        // Reconstructions of every random variable by every model: (sample, column) each.
        std::vector<Matrix<double>> z(static_cast<std::size_t>(variables) + 1);
        ParallelFor(variables, ThreadsFor(20.0 * y_.value.size() * variables), [&](int i) {
            const int v = i + 1;
            Matrix<double> est = Missing(samples, cols);
            std::vector<double> x(static_cast<std::size_t>(sites) + 1);
            for (int s = 1; s <= sites; ++s) x[s] = random(s, v);
            const TrainingSet t{&y_, x.data(), nullptr};
            std::vector<double> row(static_cast<std::size_t>(cols));
            if (settings_.wa) {
                const WaModel model = FitWa(t, settings_.waTolerance);
                for (int f = 1; f <= samples; ++f) {
                    if (in_.sampleEmpty[f]) continue;
                    WaEstimates(model, fossil_, f, layout_, est.row(f));
                }
            }
            if (settings_.wapls) {
                const WaPlsModel model = FitWaPls(t, settings_.components);
                for (int f = 1; f <= samples; ++f)
                    if (!in_.sampleEmpty[f])
                        WaPlsEstimates(model, fossil_, f, layout_, settings_.components,
                                       est.row(f));
            }
            if (search_)
                for (int f = 1; f <= in_.analogue.samples; ++f)
                    if (!in_.sampleEmpty[f])
                        est(f, layout_.mat) = search_->Estimate(fossilRanks_[f], random, v);
            z[static_cast<std::size_t>(v)] = std::move(est);
        });

        std::map<std::vector<int>, std::unique_ptr<FossilVariance>> tables;
        for (ParamResult& r : results_->params)
            for (int c = 0; c < cols; ++c) {
                std::vector<int> with;
                for (int f = 1; f <= samples; ++f)
                    if (!in_.sampleEmpty[f] && !std::isnan(r.fossil(f, c))) with.push_back(f);
                auto& table = tables[with];
                if (!table) table = std::make_unique<FossilVariance>(in_.fossil, in_.taxa, with);
                std::vector<double> values;
                for (int f : with) values.push_back(r.fossil(f, c));
                r.explained[static_cast<std::size_t>(c)] = table->Explained(values);
                r.firstComponent[static_cast<std::size_t>(c)] = table->FirstComponent();
                std::vector<double> null(static_cast<std::size_t>(variables));
                for (int v = 1; v <= variables; ++v) {
                    values.clear();
                    for (int f : with) values.push_back(z[static_cast<std::size_t>(v)](f, c));
                    null[static_cast<std::size_t>(v - 1)] = table->Explained(values);
                }
                r.pValue[static_cast<std::size_t>(c)] =
                    RandomisationP(r.explained[static_cast<std::size_t>(c)], null);
            }
        progress_.Step();
        return true;
    }

    void Summarise(ParamResult& r) const
    {
        const int cols = static_cast<int>(layout_.columns.size());
        std::vector<double> estimate(static_cast<std::size_t>(in_.sites) + 1),
            observed(static_cast<std::size_t>(in_.sites) + 1);
        for (int s = 1; s <= in_.sites; ++s) observed[s] = in_.climate(s, r.param);
        auto figures = [&](const Matrix<double>& m, int c) {
            for (int s = 1; s <= in_.sites; ++s) estimate[s] = m(s, c);
            return ComputeFigures(estimate, observed);
        };
        for (int c = 0; c < cols; ++c) {
            r.apparentFigures.push_back(figures(r.apparent, c));
            r.validatedFigures.push_back(
                r.validated.empty() ? Figures{0, kNoEstimate, kNoEstimate, kNoEstimate, kNoEstimate}
                                    : figures(r.validated, c));
        }
        if (settings_.wapls && !r.validated.empty()) {
            std::vector<double> rmsep(static_cast<std::size_t>(settings_.components) + 1,
                                      kNoEstimate);
            for (int c = 1; c <= settings_.components; ++c)
                rmsep[c] = r.validatedFigures[static_cast<std::size_t>(layout_.wapls + c - 1)].rmse;
            r.suggested = SuggestComponents(rmsep);
        }
    }

    // The change of the RMSEP and the randomisation t-test of each WA-PLS component against
    // the one before, on the validated estimates.
    void ComponentTests()
    {
        const int components = settings_.components;
        for (ParamResult& r : results_->params) {
            r.rmsepChange.assign(static_cast<std::size_t>(components) + 1, kNoEstimate);
            r.componentP.assign(static_cast<std::size_t>(components) + 1, kNoEstimate);
        }
        if (!settings_.wapls || settings_.validation == Validation::None || components < 2) return;
        const int tests = in_.params * (components - 1);
        ParallelFor(
            tests, ThreadsFor(2.0 * kComponentRandomisations * in_.sites * tests), [&](int i) {
                ParamResult& r = results_->params[static_cast<std::size_t>(i / (components - 1))];
                const int c = 2 + i % (components - 1);
                const int col = layout_.wapls + c - 1;
                r.rmsepChange[c] =
                    ChangePercent(r.validatedFigures[static_cast<std::size_t>(col - 1)].rmse,
                                  r.validatedFigures[static_cast<std::size_t>(col)].rmse);
                std::vector<double> current(static_cast<std::size_t>(in_.sites) + 1),
                    previous(current.size()), observed(current.size());
                for (int s = 1; s <= in_.sites; ++s) {
                    current[s] = r.validated(s, col);
                    previous[s] = r.validated(s, col - 1);
                    observed[s] = in_.climate(s, r.param);
                }
                const PairedSignTest test(SquaredResidualDifferences(current, previous, observed));
                Random random(settings_.seed, Random::Stream::ComponentTest,
                              ComponentStream(r.param, c));
                r.componentP[c] = test.P(kComponentRandomisations, random);
            });
    }

    const Inputs& in_;
    const Settings& settings_;
    Progress progress_;
    Layout layout_;
    SparseRows y_, fossil_;
    std::vector<std::vector<double>> x_;
    std::vector<int> params_;
    std::unique_ptr<AnalogueSearch> search_;
    std::unique_ptr<NearbySites> nearby_;
    std::vector<std::vector<int>> blocks_;
    std::vector<Ranks> fossilRanks_;
    Results* results_ = nullptr;
};

}  // namespace

Results RunTransferFunctions(const Inputs& inputs, const Settings& settings, const Control& control)
{
    Runner runner(inputs, settings, control);
    return runner.Run();
}

}  // namespace tf
}  // namespace tarvex
