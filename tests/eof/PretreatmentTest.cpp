#include <gtest/gtest.h>

#include <cmath>

#include "eof/Pretreatment.h"

namespace tarvex {
namespace {

TEST(EnhanceTest, LogAndSquareRoot)
{
    EXPECT_NEAR(Enhance(0.5, Enhancement::Log), 0.849485, 5e-7);
    EXPECT_EQ(Enhance(0.005, Enhancement::Log), 0.0);  // below 1 %: 0
    EXPECT_EQ(Enhance(0.0, Enhancement::Log), 0.0);
    EXPECT_DOUBLE_EQ(Enhance(1.0, Enhancement::Log), 1.0);
    EXPECT_DOUBLE_EQ(Enhance(0.01, Enhancement::Log), 0.0);
    EXPECT_DOUBLE_EQ(Enhance(0.25, Enhancement::SquareRoot), 0.5);
    EXPECT_DOUBLE_EQ(Enhance(0.3, Enhancement::None), 0.3);
}

Workspace TwoSites()
{
    Workspace ws;
    ws.refSiteCount = 2;
    ws.refTaxonCount = 2;
    ws.refData.resize(2, 2);
    ws.refData(1, 1) = 50;
    ws.refData(1, 2) = 50;
    // An all-zero site: proportions and enhanced values must stay 0, not NaN.
    ws.refData(2, 1) = 0;
    ws.refData(2, 2) = 0;
    return ws;
}

TEST(PretreatReferenceTest, DefaultsKeepImportedValuesForTheAnalysis)
{
    Workspace ws = TwoSites();
    PretreatReference(ws, PretreatmentChoice{});
    EXPECT_FALSE(ws.useCorrelation);
    EXPECT_FALSE(ws.enhancementApplied);
    EXPECT_EQ(ws.refProportions(1, 0), 100.0);
    EXPECT_EQ(ws.refProportions(1, 1), 0.5);
    EXPECT_EQ(ws.refProportions(2, 0), 0.0);
    EXPECT_EQ(ws.refProportions(2, 1), 0.0);
    EXPECT_EQ(ws.refData(1, 1), 50.0);
}

TEST(PretreatReferenceTest, PercentWithLogEnhancesProportions)
{
    Workspace ws = TwoSites();
    PretreatReference(ws, PretreatmentChoice{true, Enhancement::Log, true});
    EXPECT_TRUE(ws.useCorrelation);
    EXPECT_TRUE(ws.enhancementApplied);
    EXPECT_NEAR(ws.refData(1, 1), std::log10(50.0) / 2, 1e-15);
    EXPECT_EQ(ws.refData(2, 1), 0.0);
    EXPECT_FALSE(std::isnan(ws.refData(2, 2)));
}

TEST(PretreatReferenceTest, NoConversionWithSquareRootTakesRootsOfTheValues)
{
    Workspace ws = TwoSites();
    ws.refData(1, 1) = 0.36;
    ws.refData(1, 2) = 0.64;
    PretreatReference(ws, PretreatmentChoice{false, Enhancement::SquareRoot, false});
    EXPECT_EQ(ws.refProportions(1, 0), 0.0);  // no total without conversion
    EXPECT_DOUBLE_EQ(ws.refData(1, 1), 0.6);
    EXPECT_DOUBLE_EQ(ws.refData(1, 2), 0.8);
}

}  // namespace
}  // namespace tarvex
