// The randomisation t-test of WA-PLS components: sign patterns counted by hand, the p value's
// limits and distribution, its random streams, and its place in a run and in its table.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tf/ComponentTest.h"
#include "tf/TfTestData.h"
#include "tf/TransferFiles.h"
#include "tf/TransferRun.h"

namespace tarvex::tf {
namespace {

using testing::MakeModernSet;
using testing::ModernSet;

// Which of the 2^n sign patterns of d (bit j swaps d[j]) count.
std::vector<unsigned> Counted(const std::vector<double>& d)
{
    const PairedSignTest test(d);
    std::vector<unsigned> out;
    for (std::uint64_t m = 0; m < (std::uint64_t(1) << d.size()); ++m)
        if (test.AtLeastAsFavourable(&m)) out.push_back(static_cast<unsigned>(m));
    return out;
}

TEST(ComponentTest, SignPatternsCountedByHand)
{
    // Observed sum -2. Swapping a set S changes the sum by -2 sum(S): a pattern counts when
    // sum(S) >= 0, that is for {}, {3} and {2, 3} (sums 0, 2 and 1); the other five sets sum
    // to -3, -1, -4, -1 and -2.
    EXPECT_EQ(Counted({-3, -1, 2}), (std::vector<unsigned>{0, 4, 6}));
    // A randomised mean equal to the observed one counts: {} and {1, 2} tie, {1} is lower.
    EXPECT_EQ(Counted({1, -1}), (std::vector<unsigned>{0, 1, 3}));
    // So does one equal but for rounding: 0.3 - 0.1 - 0.2 is -2.8e-17 in double precision.
    EXPECT_EQ(Counted({0.3, -0.1, -0.2}), (std::vector<unsigned>{0, 1, 3, 5, 7}));
}

TEST(ComponentTest, PatternsOverManySitesSumTheSwappedDifferences)
{
    // 150 sites: three words of signs and nineteen groups of eight, the last of them short.
    testing::Lcg64 rng{5};
    std::vector<double> d(150);
    for (double& v : d) v = rng.Next() - 0.45;
    const PairedSignTest test(d);
    ASSERT_EQ(test.Words(), 3);
    Random random(9);
    for (int r = 0; r < 500; ++r) {
        std::uint64_t swaps[3] = {random.Next(), random.Next(), random.Next() & ((1ULL << 22) - 1)};
        double swapped = 0;
        for (int i = 0; i < 150; ++i)
            if (swaps[i / 64] >> (i % 64) & 1) swapped += d[static_cast<std::size_t>(i)];
        // No pattern of these differences comes near a tie.
        ASSERT_GT(std::fabs(swapped), 1e-9);
        EXPECT_EQ(test.AtLeastAsFavourable(swaps), swapped > 0) << "pattern " << r;
    }
}

TEST(ComponentTest, PValueLimitsAndDistribution)
{
    Random a(1, Random::Stream::ComponentTest, 1);
    // No difference at all: every randomisation ties.
    EXPECT_EQ(PairedSignTest(std::vector<double>(40, 0.0)).P(999, a), 1.0);
    // Every site better with the new component: only the pattern without swaps counts, which
    // 999 draws of 64 signs do not meet.
    EXPECT_EQ(PairedSignTest(std::vector<double>(64, -1.0)).P(999, a), 1.0 / 1000);
    EXPECT_EQ(PairedSignTest(std::vector<double>(64, 1.0)).P(999, a), 1.0);
    EXPECT_TRUE(std::isnan(PairedSignTest({}).P(999, a)));
    // Three of the eight patterns of {-3, -1, 2} count: p tends to 3/8 (standard error 0.001).
    const double p = PairedSignTest({-3, -1, 2}).P(200000, a);
    EXPECT_NEAR(p, 0.375, 0.005);
}

TEST(ComponentTest, TheSameStreamRepeatsAndAnotherDiffers)
{
    testing::Lcg64 rng{11};
    std::vector<double> d(37);
    for (double& v : d) v = rng.Next() - 0.5;
    const PairedSignTest test(d);
    auto p = [&](std::uint64_t seed, int param, int component) {
        Random r(seed, Random::Stream::ComponentTest, ComponentStream(param, component));
        return test.P(999, r);
    };
    EXPECT_EQ(p(1, 1, 2), p(1, 1, 2));
    EXPECT_NE(p(1, 1, 2), p(2, 1, 2));
    EXPECT_NE(p(1, 1, 2), p(1, 2, 2));
    EXPECT_NE(p(1, 1, 2), p(1, 1, 3));
    EXPECT_EQ(ChangePercent(2, 1.5), -25);
    EXPECT_TRUE(std::isnan(ChangePercent(0, 1)));
    EXPECT_TRUE(std::isnan(ChangePercent(kNoEstimate, 1)));
}

Inputs SmallInputs(const ModernSet& set)
{
    Inputs in;
    in.sites = set.sites;
    in.taxa = set.taxa;
    in.siteLabels.push_back("");
    for (int s = 1; s <= set.sites; ++s) in.siteLabels.push_back("S" + std::to_string(s));
    in.taxonNames.push_back("");
    for (int k = 1; k <= set.taxa; ++k) in.taxonNames.push_back("T" + std::to_string(k));
    in.modern = set.y;
    in.params = set.params;
    in.paramNames = {"", "Mean \"July\"", "pH"};
    in.climate = set.climate;
    in.latitude = set.latitude;
    in.longitude = set.longitude;
    return in;
}

int WaPlsColumn(const Results& r, int c)
{
    for (std::size_t k = 0; k < r.columns.size(); ++k)
        if (r.columns[k].method == Method::WaPls && r.columns[k].components == c)
            return static_cast<int>(k);
    return -1;
}

TEST(ComponentTest, ARunTestsEachComponentOnItsOwnStream)
{
    const ModernSet set = MakeModernSet(80, 10, 2, 41);
    const Inputs in = SmallInputs(set);
    for (Validation v : {Validation::LeaveOneOut, Validation::HBlock, Validation::Bootstrap}) {
        Settings s;
        s.wa = s.wapls = true;
        s.components = 4;
        s.validation = v;
        s.hblockKm = 150;
        s.resamples = v == Validation::Bootstrap ? 40 : 0;
        s.seed = 7;
        const Results r = RunTransferFunctions(in, s);
        ASSERT_FALSE(r.cancelled);
        for (const ParamResult& pr : r.params) {
            ASSERT_EQ(pr.componentP.size(), 5u);
            EXPECT_TRUE(std::isnan(pr.componentP[1]));
            EXPECT_TRUE(std::isnan(pr.rmsepChange[1]));
            for (int c = 2; c <= 4; ++c) {
                const int now = WaPlsColumn(r, c), before = WaPlsColumn(r, c - 1);
                EXPECT_EQ(pr.rmsepChange[static_cast<std::size_t>(c)],
                          100 *
                              (pr.validatedFigures[static_cast<std::size_t>(now)].rmse -
                               pr.validatedFigures[static_cast<std::size_t>(before)].rmse) /
                              pr.validatedFigures[static_cast<std::size_t>(before)].rmse);
                std::vector<double> d;
                for (int site = 1; site <= in.sites; ++site) {
                    const double e = pr.validated(site, now) - in.climate(site, pr.param);
                    const double e0 = pr.validated(site, before) - in.climate(site, pr.param);
                    if (!std::isnan(e) && !std::isnan(e0)) d.push_back(e * e - e0 * e0);
                }
                // Site 5 has no pollen, and a bootstrap leaves some sites in every resample.
                EXPECT_LT(d.size(), static_cast<std::size_t>(in.sites));
                Random random(7, Random::Stream::ComponentTest, ComponentStream(pr.param, c));
                EXPECT_EQ(pr.componentP[static_cast<std::size_t>(c)],
                          PairedSignTest(d).P(kComponentRandomisations, random))
                    << "parameter " << pr.param << " component " << c;
            }
        }
    }
    // Without a validation nothing is compared.
    Settings none;
    none.wapls = true;
    const Results r = RunTransferFunctions(in, none);
    for (const ParamResult& pr : r.params)
        for (double p : pr.componentP) EXPECT_TRUE(std::isnan(p));
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

TEST(ComponentTest, TheTableHasOneRowPerParameterAndComponent)
{
    const ModernSet set = MakeModernSet(60, 9, 2, 43);
    const Inputs in = SmallInputs(set);
    Settings s;
    s.wa = s.wapls = true;
    s.components = 3;
    s.validation = Validation::LeaveOneOut;
    const Results r = RunTransferFunctions(in, s);
    const std::vector<std::string> lines = Lines(ComponentsText(in, r));
    ASSERT_EQ(lines.size(), 1u + 2 * 3);
    EXPECT_EQ(lines[0],
              "\"Parameter\",\"Method\",\"Components\",\"Validation\",\"RMSE\","
              "\"Change %\",\"p\"");
    // Component 1 has nothing to be compared with; quotes in a name are doubled.
    EXPECT_EQ(lines[1].rfind("\"Mean \"\"July\"\"\",\"WA-PLS\",1,\"leave-one-out\",", 0), 0u)
        << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 2), ",,");
    EXPECT_EQ(lines[4].rfind("\"pH\",\"WA-PLS\",1,", 0), 0u);
    // The RMSE is the one of the performance table, to the last digit.
    const std::vector<std::string> performance = Lines(PerformanceText(in, r));
    for (int c = 1; c <= 3; ++c) {
        const std::string& row = lines[static_cast<std::size_t>(3 + c)];
        const std::string prefix = "\"pH\",\"WA-PLS\"," + std::to_string(c) + ",\"leave-one-out\",";
        ASSERT_EQ(row.rfind(prefix, 0), 0u) << row;
        const std::string rmse =
            row.substr(prefix.size(), row.find(',', prefix.size()) - prefix.size());
        bool found = false;
        for (const std::string& p : performance)
            found = found || p.rfind(prefix + rmse + ",", 0) == 0;
        EXPECT_TRUE(found) << row;
        // Seven fields, p between 0 and 1 from component 2 on.
        std::vector<std::string> fields;
        std::string field;
        std::istringstream cells(row.substr(row.find("\"leave-one-out\"")));
        while (std::getline(cells, field, ',')) fields.push_back(field);
        if (row.back() == ',') fields.push_back("");
        ASSERT_EQ(fields.size(), 4u) << row;
        if (c > 1) {
            const double p = std::stod(fields[3]);
            EXPECT_GT(p, 0);
            EXPECT_LE(p, 1);
            EXPECT_FALSE(fields[2].empty());
        }
    }
    // Without a validation, or without WA-PLS, only the header.
    s.validation = Validation::None;
    EXPECT_EQ(Lines(ComponentsText(in, RunTransferFunctions(in, s))).size(), 1u);
    s.validation = Validation::LeaveOneOut;
    s.wapls = false;
    EXPECT_EQ(Lines(ComponentsText(in, RunTransferFunctions(in, s))).size(), 1u);
}

}  // namespace
}  // namespace tarvex::tf
