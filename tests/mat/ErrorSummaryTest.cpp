#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "mat/Analogues.h"
#include "mat/ReconFiles.h"
#include "support/Records.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// One parameter per column of pairs (estimate, observed); -9999 marks a site without estimate.
Workspace Pairs(const std::vector<std::vector<std::pair<double, double>>>& columns)
{
    Workspace ws;
    const int params = static_cast<int>(columns.size());
    const int sites = static_cast<int>(columns.front().size());
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.climateParamCount = static_cast<int16_t>(params);
    ws.climateParamNames = {"Site"};
    for (int p = 1; p <= params; ++p) ws.climateParamNames.push_back("P" + std::to_string(p));
    ws.siteReconValues.resize(sites, params);
    ws.climateValues.resize(sites, params);
    for (int p = 1; p <= params; ++p)
        for (int s = 1; s <= sites; ++s) {
            ws.siteReconValues(s, p) = columns[p - 1][s - 1].first;
            ws.climateValues(s, p) = columns[p - 1][s - 1].second;
        }
    return ws;
}

// Observed 0 .. 10 in bins of width 1. Residuals 1, 0, -1, 0.5 in bins 1, 3, 5 (5 is an edge,
// which belongs to the lower bin), 8; the top bin holds 9.5 (residual -1) and the maximum 10
// (residual -3), mean -2. The site without an estimate, observed at 100, counts nowhere.
const std::vector<std::pair<double, double>> kWorked = {{1, 0},   {2.5, 2.5}, {4, 5}, {-9999, 100},
                                                        {8, 7.5}, {8.5, 9.5}, {7, 10}};

TEST(ErrorSummaryTest, HandWorkedFigures)
{
    const ErrorModelSummary s = SummariseErrorModel(Pairs({kWorked}), 1);
    EXPECT_EQ(s.sites, 6);
    // Residuals sum to -3.5 and their squares to 12.25.
    EXPECT_DOUBLE_EQ(s.meanBias, -3.5 / 6);
    EXPECT_DOUBLE_EQ(s.rmsep, std::sqrt(12.25 / 6));
    // Means 5.75 (observed) and 31/6 (estimated): Sxy = 58.75, Sxx = 79.375, Syy = 145/3.
    EXPECT_NEAR(s.r2, 6627.0 / 7366.0, 1e-14);
    // With an open top bin the maximum would stand alone at -3; unsigned it would read 2.
    EXPECT_DOUBLE_EQ(s.maxBias, -2);
}

TEST(ErrorSummaryTest, LargestBinMeanKeepsItsSign)
{
    // Bins 1 and 10 only: +0.75 (mean of 1 and 0.5) against -1/3 (-0.5, -0.5 and 0).
    const ErrorModelSummary s =
        SummariseErrorModel(Pairs({{{1, 0}, {0.5, 0}, {19.5, 20}, {21.5, 22}, {20, 20}}}), 1);
    EXPECT_DOUBLE_EQ(s.maxBias, 0.75);
    // The bins start at the lowest observed value, 10, and are 1 wide: 10 and 10.9 share the
    // first (mean 1), 11.1 is alone in the second (-1.5).
    const ErrorModelSummary shifted =
        SummariseErrorModel(Pairs({{{13, 10}, {9.9, 10.9}, {9.6, 11.1}, {20, 20}}}), 1);
    EXPECT_DOUBLE_EQ(shifted.maxBias, -1.5);
}

TEST(ErrorSummaryTest, BinsAreCutAsRDoes)
{
    // 0 .. 10: the sites at 2 and 3 lie on inner edges and belong to the bins below them,
    // (1, 2] and (2, 3]; the lowest bin holds 0 itself.
    const ErrorModelSummary onEdges =
        SummariseErrorModel(Pairs({{{0, 0}, {1.5, 1.5}, {6, 2}, {3, 2.5}, {-3, 3}, {10, 10}}}), 1);
    // (1, 2]: 0 and 4, mean 2; (2, 3]: 0.5 and -6, mean -2.75. Edges that went up instead
    // would give (2, 3] = {4, 0.5} and (3, 4] = {-6}.
    EXPECT_DOUBLE_EQ(onEdges.maxBias, -2.75);

    // Edges are low + j * ((high - low) / 10) as R's seq() makes them. Over -14.9 .. 27.1 the
    // third is -2.299999999999999, so the observed -2.3 belongs to the third bin; computed as
    // low + j * (high - low) / 10 it would be -2.3000000000000007 and the site would move up.
    const ErrorModelSummary rounding = SummariseErrorModel(Pairs({{{-14.9, -14.9},
                                                                   {1.7, -2.3},
                                                                   {-2.35, -2.35},
                                                                   {-2.25, -2.25},
                                                                   {-2.2, -2.2},
                                                                   {27.1, 27.1}}}),
                                                           1);
    EXPECT_NEAR(rounding.maxBias, 2, 1e-12);
}

TEST(ErrorSummaryTest, UndefinedFiguresAreNan)
{
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> pairs;
        int sites;
        bool rmsep, r2, meanBias, maxBias;  // defined?
    };
    const Case cases[] = {
        {"no site with an estimate", {{-9999, 1}, {-9999, 2}}, 0, false, false, false, false},
        {"one site", {{3, 1}, {-9999, 2}}, 1, true, false, true, true},
        {"estimates all equal", {{5, 1}, {5, 2}, {5, 4}}, 3, true, false, true, true},
        {"observed all equal", {{1, 5}, {2, 5}, {6, 5}}, 3, true, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ErrorModelSummary s = SummariseErrorModel(Pairs({c.pairs}), 1);
        EXPECT_EQ(s.sites, c.sites);
        EXPECT_EQ(!std::isnan(s.rmsep), c.rmsep);
        EXPECT_EQ(!std::isnan(s.r2), c.r2);
        EXPECT_EQ(!std::isnan(s.meanBias), c.meanBias);
        EXPECT_EQ(!std::isnan(s.maxBias), c.maxBias);
    }
    // One site: its residual is every bias and the RMSEP its size.
    const ErrorModelSummary one = SummariseErrorModel(Pairs({{{3, 1}, {-9999, 2}}}), 1);
    EXPECT_EQ(one.rmsep, 2);
    EXPECT_EQ(one.meanBias, 2);
    EXPECT_EQ(one.maxBias, 2);
    // Observed all equal: a single bin, so the largest bias is the mean bias.
    const ErrorModelSummary flat = SummariseErrorModel(Pairs({{{1, 5}, {2, 5}, {6, 5}}}), 1);
    EXPECT_EQ(flat.maxBias, flat.meanBias);
    EXPECT_DOUBLE_EQ(flat.meanBias, -2);

    const Workspace ws = Pairs({kWorked});
    for (int p : {0, 2}) {
        const ErrorModelSummary s = SummariseErrorModel(ws, p);
        EXPECT_EQ(s.sites, 0);
        EXPECT_TRUE(std::isnan(s.rmsep) && std::isnan(s.r2));
    }
}

TEST(ErrorSummaryTest, PerfectAndHugeValues)
{
    const ErrorModelSummary perfect =
        SummariseErrorModel(Pairs({{{0.1, 0.1}, {0.2, 0.2}, {0.7, 0.7}}}), 1);
    EXPECT_EQ(perfect.rmsep, 0);
    EXPECT_EQ(perfect.meanBias, 0);
    EXPECT_EQ(perfect.maxBias, 0);
    EXPECT_DOUBLE_EQ(perfect.r2, 1);

    // Residuals of 2e300 square beyond the largest double; the figures must not.
    const ErrorModelSummary huge =
        SummariseErrorModel(Pairs({{{-1e300, 1e300}, {1e300, -1e300}}}), 1);
    EXPECT_DOUBLE_EQ(huge.rmsep, 2e300);
    EXPECT_EQ(huge.meanBias, 0);
    EXPECT_DOUBLE_EQ(huge.r2, 1);
    // Bin 1 (+2e300) and bin 10 (-2e300) tie; the lower bin is reported.
    EXPECT_DOUBLE_EQ(huge.maxBias, 2e300);
}

TEST(ErrorSummaryTest, FileHasOneRecordPerParameterAndEmptyFieldsWhereUndefined)
{
    const Workspace ws =
        Pairs({kWorked,
               {{-9999, 1}, {-9999, 2}, {-9999, 3}, {-9999, 4}, {-9999, 5}, {-9999, 6}, {-9999, 7}},
               {{3, 1}, {-9999, 2}, {-9999, 3}, {-9999, 4}, {-9999, 5}, {-9999, 6}, {-9999, 7}}});
    bool allFinite = true;
    const std::string text = ErrorModelSummaryFileText(ws, &allFinite);
    const Records records = ReadRecords(text);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], (std::vector<std::string>{"Parameter", "Sites", "RMSEP", "R2",
                                                    "Mean bias", "Max bias"}));
    ASSERT_EQ(records[1].size(), 6u);
    EXPECT_EQ(records[1][0], "P1");
    EXPECT_EQ(records[1][1], "6");
    EXPECT_DOUBLE_EQ(std::stod(records[1][2]), std::sqrt(12.25 / 6));
    EXPECT_NEAR(std::stod(records[1][3]), 6627.0 / 7366.0, 1e-14);
    EXPECT_DOUBLE_EQ(std::stod(records[1][4]), -3.5 / 6);
    EXPECT_EQ(records[1][5], "-2");
    EXPECT_EQ(records[2], (std::vector<std::string>{"P2", "0", "", "", "", ""}));
    EXPECT_EQ(records[3], (std::vector<std::string>{"P3", "1", "2", "", "2", "2"}));
    // Undefined figures are empty text fields, and they do not refuse the file.
    EXPECT_NE(text.find("\r\n\"P2\",0,\"\",\"\",\"\",\"\"\r\n"), std::string::npos) << text;
    EXPECT_TRUE(allFinite);
}

TEST(ErrorSummaryTest, FileRefusesValuesThatAreNotFiniteAndMissingData)
{
    Workspace ws = Pairs({kWorked});
    ws.siteReconValues(2, 1) = std::numeric_limits<double>::quiet_NaN();
    bool allFinite = true;
    EXPECT_NE(ErrorModelSummaryFileText(ws, &allFinite), "");
    EXPECT_FALSE(allFinite) << "a nan from the data is not an undefined figure";

    Workspace none = Pairs({kWorked});
    none.siteReconValues.clear();
    EXPECT_EQ(ErrorModelSummaryFileText(none), "");
    Workspace names = Pairs({kWorked});
    names.climateParamNames.resize(1);
    EXPECT_EQ(ErrorModelSummaryFileText(names), "");
}

}  // namespace
}  // namespace tarvex
