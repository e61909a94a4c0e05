// Which transfer-function model the figures draw, and the error band around it.
#include <gtest/gtest.h>

#include <cmath>

#include "tf/ModelChoice.h"

namespace tarvex::tf {
namespace {

TEST(ModelChoiceTest, TextsReadBackAndOthersAreRefused)
{
    for (const char* text : {"suggested", "wa-inverse", "wa-classical", "wa-inverse-tolerance",
                             "wa-classical-tolerance", "wapls:1", "wapls:7", "wapls:20"}) {
        ModelChoice choice;
        ASSERT_TRUE(ParseModelChoice(text, choice)) << text;
        EXPECT_EQ(ModelChoiceText(choice), text);
    }
    ModelChoice choice;
    ASSERT_TRUE(ParseModelChoice("wapls:12", choice));
    EXPECT_FALSE(choice.suggested);
    EXPECT_EQ(choice.column.method, Method::WaPls);
    EXPECT_EQ(choice.column.components, 12);
    for (const char* text : {"", "wapls", "wapls:", "wapls:0", "wapls:01", "wapls:21", "wapls:2x",
                             "wapls:-1", "WA-PLS 2", "mat", "wa", "Suggested"})
        EXPECT_FALSE(ParseModelChoice(text, choice)) << text;
}

// A run of MAT, WA inverse, WA classical and WA-PLS 1..3 on one parameter.
Results MakeRun(int suggested, bool validated, int resamples)
{
    Results r;
    r.settings.validation = validated ? Validation::LeaveOneOut : Validation::None;
    r.settings.resamples = resamples;
    r.columns = {{Method::Mat, 0},   {Method::WaInverse, 0}, {Method::WaClassical, 0},
                 {Method::WaPls, 1}, {Method::WaPls, 2},     {Method::WaPls, 3}};
    ParamResult p;
    p.param = 1;
    p.suggested = suggested;
    const int columns = static_cast<int>(r.columns.size());
    p.validatedFigures.resize(r.columns.size());
    for (int c = 0; c < columns; ++c)
        p.validatedFigures[static_cast<std::size_t>(c)].rmse = validated ? 1.0 + c : NAN;
    if (resamples > 0) {
        p.s1.resize(2, columns);
        p.s2.assign(r.columns.size(), 0.0);
        for (int c = 0; c < columns; ++c) {
            p.s1(1, c) = 0.3;
            p.s1(2, c) = 0.4;
            p.s2[static_cast<std::size_t>(c)] = 1.2;
        }
    }
    r.params.push_back(p);
    return r;
}

TEST(ModelChoiceTest, SuggestedModelElseWaInverseElseOneComponent)
{
    Results run = MakeRun(2, true, 0);
    EXPECT_EQ(ChosenColumn(run, run.params[0], ModelChoice{}), 4);
    run.params[0].suggested = 0;
    EXPECT_EQ(ChosenColumn(run, run.params[0], ModelChoice{}), 1);
    // Without WA, WA-PLS with one component gives the same estimates.
    run.columns[1] = {Method::WaClassicalTolerance, 0};
    EXPECT_EQ(ChosenColumn(run, run.params[0], ModelChoice{}), 3);

    ModelChoice chosen;
    ASSERT_TRUE(ParseModelChoice("wa-classical", chosen));
    EXPECT_EQ(ChosenColumn(run, run.params[0], chosen), 2);
    ASSERT_TRUE(ParseModelChoice("wapls:4", chosen));
    EXPECT_EQ(ChosenColumn(run, run.params[0], chosen), -1);  // not fitted
    chosen.column = {Method::Mat, 0};
    EXPECT_EQ(ChosenColumn(run, run.params[0], chosen), -1);  // not a transfer function
}

TEST(ModelChoiceTest, BandIsTheBootstrapErrorElseTheValidatedRmsep)
{
    const Results plain = MakeRun(0, false, 0);
    EXPECT_EQ(BandOf(plain, plain.params[0], 4).kind, ErrorBand::Kind::None);
    EXPECT_TRUE(
        std::isnan(BandHalfWidth(BandOf(plain, plain.params[0], 4), plain.params[0], 4, 1)));

    const Results validated = MakeRun(2, true, 0);
    const ErrorBand rmsep = BandOf(validated, validated.params[0], 4);
    ASSERT_EQ(rmsep.kind, ErrorBand::Kind::Rmsep);
    EXPECT_EQ(rmsep.validation, "leave-one-out");
    EXPECT_EQ(BandHalfWidth(rmsep, validated.params[0], 4, 2), 5.0);
    EXPECT_EQ(BandOf(validated, validated.params[0], 99).kind, ErrorBand::Kind::None);

    const Results boot = MakeRun(2, true, 50);
    const ErrorBand own = BandOf(boot, boot.params[0], 4);
    ASSERT_EQ(own.kind, ErrorBand::Kind::SampleSpecific);
    EXPECT_EQ(own.validation, "bootstrap 50");
    EXPECT_DOUBLE_EQ(BandHalfWidth(own, boot.params[0], 4, 1), std::sqrt(0.09 + 1.44));
    EXPECT_DOUBLE_EQ(BandHalfWidth(own, boot.params[0], 4, 2), std::sqrt(0.16 + 1.44));
    EXPECT_TRUE(std::isnan(BandHalfWidth(own, boot.params[0], 4, 3)));  // no such sample
    // The analogues' band is their RMSEP even after a bootstrap.
    EXPECT_EQ(BandOf(boot, boot.params[0], 0).kind, ErrorBand::Kind::Rmsep);
}

// The choice a shown column stands for: the suggestion when it is the suggested model, else the
// model itself, which then gives the same column back.
TEST(ModelChoiceTest, ShownColumnIsTheSuggestionOrItsOwnModel)
{
    const Results run = MakeRun(2, true, 0);
    EXPECT_TRUE(ChoiceOfColumn(run, run.params[0], 4).suggested);
    for (const int column : {1, 2, 3, 5}) {
        const ModelChoice choice = ChoiceOfColumn(run, run.params[0], column);
        EXPECT_FALSE(choice.suggested) << column;
        EXPECT_EQ(ChosenColumn(run, run.params[0], choice), column);
    }
    EXPECT_TRUE(ChoiceOfColumn(run, run.params[0], -1).suggested);
}

}  // namespace
}  // namespace tarvex::tf
