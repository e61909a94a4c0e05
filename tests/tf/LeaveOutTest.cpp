// The leave-out runs that avoid refitting, held to plain refits without the left-out sites.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tf/Geo.h"
#include "tf/TfTestData.h"
#include "tf/Wa.h"
#include "tf/WaLeaveOut.h"
#include "tf/WaPls.h"
#include "tf/WaPlsLeaveOut.h"

namespace tarvex::tf {
namespace {

using testing::MakeModernSet;
using testing::ModernSet;
using testing::RelativeDifference;

constexpr double kTolerance = 1e-10;

// The removal sets to check: every site alone, and every site with its neighbours within
// 600 km (a few to a few dozen sites).
std::vector<std::vector<int>> RemovalSets(const ModernSet& set, bool hblock)
{
    std::vector<std::vector<int>> sets(static_cast<std::size_t>(set.sites) + 1);
    NearbySites nearby(set.latitude, set.longitude);
    for (int s = 1; s <= set.sites; ++s) {
        if (hblock)
            nearby.Within(s, 600, sets[s]);
        else
            sets[s] = {s};
    }
    return sets;
}

std::vector<int> WeightsWithout(int sites, const std::vector<int>& removed)
{
    std::vector<int> w(static_cast<std::size_t>(sites) + 1, 1);
    for (int e : removed) w[e] = 0;
    return w;
}

class LeaveOut : public ::testing::TestWithParam<bool> {};

TEST_P(LeaveOut, WaEqualsARefitWithoutTheSites)
{
    const bool hblock = GetParam();
    const ModernSet set = MakeModernSet(90, 12, 3, 11);
    const auto removal = RemovalSets(set, hblock);
    const WaLeaveOut fast(set.rows, set.climate, {1, 2, 3}, true);
    std::vector<double> out(3 * WaLeaveOut::kEstimates);
    int compared = 0;
    for (int s = 1; s <= set.sites; ++s) {
        fast.Run(s, removal[s], out.data());
        const std::vector<int> w = WeightsWithout(set.sites, removal[s]);
        for (int p = 1; p <= 3; ++p) {
            const std::vector<double> x = set.X(p);
            const WaModel m = FitWa({&set.rows, x.data(), &w}, true);
            const double raw = WaRaw(m, set.rows, s, false);
            const double down = WaRaw(m, set.rows, s, true);
            const double expected[] = {m.plain.Inverse(raw), m.plain.Classical(raw),
                                       m.downWeighted.Inverse(down),
                                       m.downWeighted.Classical(down)};
            for (int e = 0; e < WaLeaveOut::kEstimates; ++e) {
                const double got = out[(p - 1) * WaLeaveOut::kEstimates + e];
                EXPECT_LE(RelativeDifference(got, expected[e], 10.0 * p), kTolerance)
                    << "site " << s << " parameter " << p << " estimate " << e;
                compared += !std::isnan(expected[e]);
            }
        }
    }
    // Site 5 (no pollen) has no estimate; every other site has all four.
    EXPECT_EQ(compared, (set.sites - 1) * 3 * 4);
}

TEST_P(LeaveOut, WaPlsEqualsARefitWithoutTheSites)
{
    const bool hblock = GetParam();
    const ModernSet set = MakeModernSet(90, 12, 3, 23);
    const auto removal = RemovalSets(set, hblock);
    const int components = 5;
    const WaPlsLeaveOut fast(set.rows, set.climate, {1, 2, 3}, components);
    // Columns in an order that mixes sites and parameters within blocks.
    std::vector<WaPlsLeaveOut::Column> columns;
    for (int p = 0; p < 3; ++p)
        for (int s = 1; s <= set.sites; ++s) columns.push_back({s, p, &removal[s]});
    std::vector<double> out(WaPlsLeaveOut::kBlock * components);
    int compared = 0;
    for (std::size_t first = 0; first < columns.size(); first += WaPlsLeaveOut::kBlock) {
        const int n =
            static_cast<int>(std::min<std::size_t>(WaPlsLeaveOut::kBlock, columns.size() - first));
        fast.Run(columns.data() + first, n, out.data());
        for (int j = 0; j < n; ++j) {
            const WaPlsLeaveOut::Column& col = columns[first + j];
            const std::vector<double> x = set.X(col.paramIndex + 1);
            const std::vector<int> w = WeightsWithout(set.sites, *col.removed);
            const WaPlsModel m = FitWaPls({&set.rows, x.data(), &w}, components);
            for (int c = 1; c <= components; ++c) {
                const double expected = WaPlsEstimate(m, set.rows, col.site, c);
                const double got = out[static_cast<std::size_t>(j) * components + c - 1];
                EXPECT_LE(RelativeDifference(got, expected, 10.0 * (col.paramIndex + 1)),
                          kTolerance)
                    << "site " << col.site << " parameter " << col.paramIndex + 1 << " component "
                    << c;
                compared += !std::isnan(expected);
            }
        }
    }
    EXPECT_GT(compared, (set.sites - 1) * 3 * 3);
}

INSTANTIATE_TEST_SUITE_P(OneSiteAndHBlock, LeaveOut, ::testing::Values(false, true));

TEST(LeaveOut, WaPlsOfALeftOutSiteWithATaxonOfItsOwnLeavesTheTaxonOut)
{
    // Site 3 alone holds the last taxon: without it the taxon has no coefficient, and its
    // estimate comes from its other taxa only.
    const ModernSet set = MakeModernSet(40, 6, 1, 5);
    const std::vector<int> removed{3};
    const WaPlsLeaveOut fast(set.rows, set.climate, {1}, 2);
    const WaPlsLeaveOut::Column col{3, 0, &removed};
    double out[WaPlsLeaveOut::kBlock * 2];
    fast.Run(&col, 1, out);
    const std::vector<double> x = set.X(1);
    const std::vector<int> w = WeightsWithout(set.sites, removed);
    const WaPlsModel m = FitWaPls({&set.rows, x.data(), &w}, 2);
    EXPECT_FALSE(m.active[6]);
    EXPECT_LE(RelativeDifference(out[0], WaPlsEstimate(m, set.rows, 3, 1), 10), kTolerance);
    EXPECT_LE(RelativeDifference(out[1], WaPlsEstimate(m, set.rows, 3, 2), 10), kTolerance);
}

TEST(LeaveOut, RemovingMostOfTheSetStillMatchesTheRefit)
{
    // Sums left after taking away nearly all of them are summed again from what remains.
    const ModernSet set = MakeModernSet(30, 6, 1, 9);
    std::vector<int> removed;
    for (int s = 1; s <= 27; ++s) removed.push_back(s);
    const WaPlsLeaveOut fast(set.rows, set.climate, {1}, 2);
    const WaLeaveOut wa(set.rows, set.climate, {1}, false);
    const WaPlsLeaveOut::Column col{2, 0, &removed};
    double out[WaPlsLeaveOut::kBlock * 2];
    fast.Run(&col, 1, out);
    double waOut[WaLeaveOut::kEstimates];
    wa.Run(2, removed, waOut);
    const std::vector<double> x = set.X(1);
    const std::vector<int> w = WeightsWithout(set.sites, removed);
    const WaPlsModel m = FitWaPls({&set.rows, x.data(), &w}, 2);
    const WaModel mw = FitWa({&set.rows, x.data(), &w}, false);
    EXPECT_LE(RelativeDifference(out[0], WaPlsEstimate(m, set.rows, 2, 1), 10), kTolerance);
    EXPECT_LE(RelativeDifference(out[1], WaPlsEstimate(m, set.rows, 2, 2), 10), kTolerance);
    EXPECT_LE(RelativeDifference(waOut[0], mw.plain.Inverse(WaRaw(mw, set.rows, 2, false)), 10),
              kTolerance);
}

}  // namespace
}  // namespace tarvex::tf
