// Whole runs of the transfer functions: the validations against plain refits, the analogue
// method against the reconstruction window's, the bootstrap and the significance test
// against their definitions with the documented random streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "mat/Analogues.h"
#include "tf/ModelChoice.h"
#include "tf/Significance.h"
#include "tf/TfTestData.h"
#include "tf/TransferRun.h"

namespace tarvex::tf {
namespace {

using testing::MakeModernSet;
using testing::ModernSet;
using testing::RelativeDifference;

// A workspace of the modern set with a fossil sequence made of every third site (slightly
// changed), an empty sample, and the analogue settings given.
Workspace MakeWorkspace(const ModernSet& set)
{
    Workspace ws;
    ws.refSiteCount = static_cast<int16_t>(set.sites);
    ws.refTaxonCount = static_cast<int16_t>(set.taxa);
    ws.refSiteLabels.push_back("");
    for (int s = 1; s <= set.sites; ++s) ws.refSiteLabels.push_back("S" + std::to_string(s));
    ws.refTaxonNames.push_back("");
    for (int k = 1; k <= set.taxa; ++k) ws.refTaxonNames.push_back("T" + std::to_string(k));
    ws.refProportions = set.y;
    ws.climateParamCount = static_cast<int16_t>(set.params);
    ws.climateParamNames.push_back("");
    for (int p = 1; p <= set.params; ++p) ws.climateParamNames.push_back("P" + std::to_string(p));
    ws.climateValues = set.climate;
    ws.climateLoaded = true;
    const int samples = set.sites / 3;
    ws.fossilSampleCount = static_cast<int16_t>(samples);
    ws.fossilTaxonCount = ws.refTaxonCount;
    ws.fossilProportions.resize(samples, set.taxa);
    ws.fossilSampleEmpty.assign(static_cast<std::size_t>(samples) + 1, false);
    ws.fossilSampleLabels.push_back("");
    for (int i = 1; i <= samples; ++i) {
        ws.fossilSampleLabels.push_back(std::to_string(10 * i));
        double total = 0;
        for (int k = 1; k <= set.taxa; ++k) {
            ws.fossilProportions(i, k) = set.y(3 * i, k) + (k == 1 + i % set.taxa ? 0.05 : 0);
            total += ws.fossilProportions(i, k);
        }
        for (int k = 1; k <= set.taxa; ++k) ws.fossilProportions(i, k) /= total;
    }
    if (samples >= 4) {
        ws.fossilSampleEmpty[4] = true;
        for (int k = 1; k <= set.taxa; ++k) ws.fossilProportions(4, k) = 0;
    }
    return ws;
}

AnalogueSettings SqrtSettings()
{
    AnalogueSettings s;
    s.enhancement = MinorTaxaEnhancement::SquareRoot;
    s.thresholdSlider = 60;
    s.kmax = 6;
    return s;
}

bool Same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Every element the same, NaN where NaN.
bool SameBits(const Matrix<double>& a, const Matrix<double>& b)
{
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    if (a.empty()) return true;
    return std::memcmp(&a(0, 0), &b(0, 0),
                       sizeof(double) * (a.rows() + 1) * static_cast<std::size_t>(a.cols() + 1)) ==
           0;
}

Settings AllMethods(Validation v)
{
    Settings s;
    s.wa = s.waTolerance = s.wapls = true;
    s.components = 4;
    s.validation = v;
    return s;
}

// Inputs belong to the workspace they were made from; after another site, parameter or sample
// table (other labels) they do not.
TEST(TransferRun, InputsKnowTheTablesTheyWereMadeFrom)
{
    const ModernSet set = MakeModernSet(30, 6, 2, 7);
    const Workspace ws = MakeWorkspace(set);
    const Inputs in = InputsFromWorkspace(ws, nullptr);
    ASSERT_GT(in.samples, 0);
    EXPECT_TRUE(InputsOfWorkspace(in, ws));
    for (int change = 0; change < 4; ++change) {
        Workspace other = ws;
        if (change == 0) other.refSiteLabels[5] = "X";
        if (change == 1) other.climateParamNames[2] = "X";
        if (change == 2) other.fossilSampleLabels[in.samples] = "X";
        if (change == 3) other.climateLoaded = false;
        EXPECT_FALSE(InputsOfWorkspace(in, other)) << change;
    }
}

TEST(TransferRun, LeaveOneOutIsARefitOnTheOtherSites)
{
    const ModernSet set = MakeModernSet(70, 10, 2, 31);
    const Workspace ws = MakeWorkspace(set);
    const AnalogueSettings analogue = SqrtSettings();
    const Inputs in = InputsFromWorkspace(ws, &analogue, set.latitude, set.longitude);
    const Settings settings = AllMethods(Validation::LeaveOneOut);
    ASSERT_EQ(CheckInputs(in, settings), "");
    const Results r = RunTransferFunctions(in, settings);
    ASSERT_FALSE(r.cancelled);
    ASSERT_EQ(r.columns.size(), 1u + 4 + 4);
    for (int p = 1; p <= 2; ++p) {
        const ParamResult& pr = r.params[static_cast<std::size_t>(p - 1)];
        const std::vector<double> x = set.X(p);
        for (int s = 1; s <= set.sites; ++s) {
            std::vector<int> w(static_cast<std::size_t>(set.sites) + 1, 1);
            w[s] = 0;
            const TrainingSet t{&set.rows, x.data(), &w};
            const WaModel wa = FitWa(t, true);
            const WaPlsModel pls = FitWaPls(t, 4);
            const double raw = WaRaw(wa, set.rows, s, false), down = WaRaw(wa, set.rows, s, true);
            const double expected[] = {wa.plain.Inverse(raw), wa.plain.Classical(raw),
                                       wa.downWeighted.Inverse(down),
                                       wa.downWeighted.Classical(down)};
            const Method methods[] = {Method::WaInverse, Method::WaClassical,
                                      Method::WaInverseTolerance, Method::WaClassicalTolerance};
            for (int i = 0; i < 4; ++i)
                EXPECT_LE(RelativeDifference(pr.validated(s, ColumnOf(r, methods[i])), expected[i],
                                             10.0 * p),
                          1e-10)
                    << "site " << s << " " << MethodName(methods[i]);
            for (int c = 1; c <= 4; ++c)
                EXPECT_LE(RelativeDifference(pr.validated(s, ColumnOf(r, Method::WaPls, c)),
                                             WaPlsEstimate(pls, set.rows, s, c), 10.0 * p),
                          1e-10)
                    << "site " << s << " component " << c;
        }
    }
}

TEST(TransferRun, AnalogueColumnsAreTheReconstructionWindowsResults)
{
    // Taxa with the square-root enhancement and on EOF-like scores (the basis rows come from
    // the workspace either way); minimum 0, so the error model is the leave-one-out.
    const ModernSet set = MakeModernSet(80, 10, 2, 41);
    Workspace ws = MakeWorkspace(set);
    const AnalogueSettings analogue = SqrtSettings();
    ReconstructClimate(ws, analogue,
                       DefineThreshold(analogue.thresholdSlider, analogue.enhancement));
    const Matrix<double> recon = ws.reconValues;
    GenerateErrorModel(ws, analogue,
                       DefineThreshold(analogue.thresholdSlider, analogue.enhancement));

    const Inputs in = InputsFromWorkspace(ws, &analogue);
    Settings settings;
    settings.wa = true;
    settings.validation = Validation::LeaveOneOut;
    const Results r = RunTransferFunctions(in, settings);
    const int mat = ColumnOf(r, Method::Mat);
    ASSERT_EQ(mat, 0);
    int with = 0;
    for (int p = 1; p <= 2; ++p) {
        const ParamResult& pr = r.params[static_cast<std::size_t>(p - 1)];
        for (int i = 1; i <= ws.fossilSampleCount; ++i) {
            if (ws.fossilSampleEmpty[i]) {
                EXPECT_TRUE(std::isnan(pr.fossil(i, mat)));
                continue;
            }
            const double program = recon(i, p);
            if (program == -9999) {
                EXPECT_TRUE(std::isnan(pr.fossil(i, mat))) << i;
            } else {
                EXPECT_EQ(pr.fossil(i, mat), program) << "sample " << i;
                ++with;
            }
        }
        for (int s = 1; s <= set.sites; ++s) {
            const double program = ws.siteReconValues(s, p);
            const double got = pr.validated(s, mat);
            EXPECT_TRUE(Same(got, program == -9999 ? kNoEstimate : program)) << "site " << s;
            // Apparent is the same rule: a site is never its own analogue (distance 0).
            EXPECT_TRUE(Same(got, pr.apparent(s, mat)));
        }
    }
    EXPECT_GT(with, 20);
}

TEST(TransferRun, HBlockOfZeroKmIsLeaveOneOutUnlessSitesShareCoordinates)
{
    ModernSet set = MakeModernSet(60, 8, 1, 53);
    const Workspace ws = MakeWorkspace(set);
    const AnalogueSettings analogue = SqrtSettings();
    Settings loo = AllMethods(Validation::LeaveOneOut);
    Settings h0 = AllMethods(Validation::HBlock);
    h0.hblockKm = 0;
    // Sites 7 and 8 share coordinates in the test set; apart, every estimate is the same.
    std::vector<double> lat = set.latitude;
    lat[8] += 0.001;
    const Results a =
        RunTransferFunctions(InputsFromWorkspace(ws, &analogue, set.latitude, set.longitude), loo);
    const Results b =
        RunTransferFunctions(InputsFromWorkspace(ws, &analogue, lat, set.longitude), h0);
    const Results shared =
        RunTransferFunctions(InputsFromWorkspace(ws, &analogue, set.latitude, set.longitude), h0);
    const ParamResult& pa = a.params[0];
    const ParamResult& pb = b.params[0];
    const ParamResult& ps = shared.params[0];
    for (int s = 1; s <= set.sites; ++s)
        for (std::size_t c = 0; c < a.columns.size(); ++c) {
            const double x = pa.validated(s, static_cast<int>(c));
            EXPECT_TRUE(Same(x, pb.validated(s, static_cast<int>(c))))
                << "site " << s << " column " << c;
            if (s != 7 && s != 8) {
                EXPECT_TRUE(Same(x, ps.validated(s, static_cast<int>(c))));
            }
        }
    // Sharing coordinates, site 7 is estimated without site 8 as well: a refit without both.
    const std::vector<double> x = set.X(1);
    std::vector<int> w(static_cast<std::size_t>(set.sites) + 1, 1);
    w[7] = w[8] = 0;
    const WaPlsModel pls = FitWaPls({&set.rows, x.data(), &w}, 4);
    EXPECT_LE(RelativeDifference(ps.validated(7, ColumnOf(shared, Method::WaPls, 2)),
                                 WaPlsEstimate(pls, set.rows, 7, 2), 10),
              1e-10);
    EXPECT_NE(ps.validated(7, ColumnOf(shared, Method::WaPls, 2)),
              pa.validated(7, ColumnOf(a, Method::WaPls, 2)));
}

TEST(TransferRun, BootstrapFollowsItsDefinitionWithTheDocumentedStreams)
{
    const ModernSet set = MakeModernSet(40, 8, 1, 61);
    const Workspace ws = MakeWorkspace(set);
    const Inputs in = InputsFromWorkspace(ws, nullptr);
    Settings settings;
    settings.wapls = true;
    settings.components = 2;
    settings.validation = Validation::Bootstrap;
    settings.resamples = 5;
    settings.seed = 99;
    const Results r = RunTransferFunctions(in, settings);
    const ParamResult& pr = r.params[0];
    const SparseRows fossil = SparseRows::From(in.fossil, in.samples, in.taxa);
    const std::vector<double> x = set.X(1);

    // Resample b draws sites 1 + Below(n), n times, from its own stream.
    std::vector<std::vector<double>> fossilEstimates(static_cast<std::size_t>(in.samples) + 1);
    std::vector<double> siteSum(static_cast<std::size_t>(set.sites) + 1, 0.0);
    std::vector<int> siteCount(siteSum.size(), 0);
    for (int b = 0; b < 5; ++b) {
        Random random(99, Random::Stream::Bootstrap, static_cast<std::uint64_t>(b));
        std::vector<int> counts(static_cast<std::size_t>(set.sites) + 1, 0);
        for (int i = 0; i < set.sites; ++i) ++counts[random.Below(set.sites) + 1];
        const WaPlsModel m = FitWaPls({&set.rows, x.data(), &counts}, 2);
        for (int s = 1; s <= set.sites; ++s) {
            const double e = WaPlsEstimate(m, set.rows, s, 2);
            if (counts[s] != 0 || std::isnan(e)) continue;
            siteSum[s] += e;
            ++siteCount[s];
        }
        for (int f = 1; f <= in.samples; ++f)
            if (!in.sampleEmpty[f]) fossilEstimates[f].push_back(WaPlsEstimate(m, fossil, f, 2));
    }
    const int col = ColumnOf(r, Method::WaPls, 2);
    double squares = 0;
    int n = 0;
    for (int s = 1; s <= set.sites; ++s) {
        if (siteCount[s] == 0) {
            EXPECT_TRUE(std::isnan(pr.validated(s, col))) << s;
            continue;
        }
        const double mean = siteSum[s] / siteCount[s];
        EXPECT_NEAR(pr.validated(s, col), mean, 1e-12) << s;
        squares += (mean - x[s]) * (mean - x[s]);
        ++n;
    }
    EXPECT_NEAR(pr.s2[col], std::sqrt(squares / n), 1e-12);
    for (int f = 1; f <= in.samples; ++f) {
        if (in.sampleEmpty[f]) {
            EXPECT_TRUE(std::isnan(pr.s1(f, col)));
            continue;
        }
        const std::vector<double>& v = fossilEstimates[f];
        double mean = 0;
        for (double e : v) mean += e / v.size();
        double ss = 0;
        for (double e : v) ss += (e - mean) * (e - mean);
        EXPECT_NEAR(pr.bootstrapFossil(f, col), mean, 1e-12) << f;
        EXPECT_NEAR(pr.s1(f, col), std::sqrt(ss / (v.size() - 1)), 1e-12) << f;
    }
}

TEST(TransferRun, TheSameSeedRepeatsBitForBitAndAnotherDiffers)
{
    const ModernSet set = MakeModernSet(50, 8, 2, 71);
    const Workspace ws = MakeWorkspace(set);
    const AnalogueSettings analogue = SqrtSettings();
    const Inputs in = InputsFromWorkspace(ws, &analogue);
    Settings settings = AllMethods(Validation::Bootstrap);
    settings.resamples = 30;
    settings.randomVariables = 19;
    const Results a = RunTransferFunctions(in, settings);
    const Results b = RunTransferFunctions(in, settings);
    settings.seed = 2;
    const Results c = RunTransferFunctions(in, settings);
    for (std::size_t p = 0; p < a.params.size(); ++p) {
        EXPECT_TRUE(SameBits(a.params[p].validated, b.params[p].validated));
        EXPECT_TRUE(SameBits(a.params[p].s1, b.params[p].s1));
        EXPECT_TRUE(SameBits(a.params[p].bootstrapFossil, b.params[p].bootstrapFossil));
        EXPECT_EQ(a.params[p].pValue, b.params[p].pValue);
        EXPECT_FALSE(SameBits(a.params[p].s1, c.params[p].s1));
        EXPECT_FALSE(SameBits(a.params[p].validated, c.params[p].validated));
        EXPECT_NE(a.params[p].pValue, c.params[p].pValue);
    }
}

TEST(TransferRun, SignificanceComparesWithReconstructionsOfUniformRandomVariables)
{
    const ModernSet set = MakeModernSet(60, 8, 1, 83);
    const Workspace ws = MakeWorkspace(set);
    const Inputs in = InputsFromWorkspace(ws, nullptr);
    Settings settings;
    settings.wa = true;
    settings.randomVariables = 9;
    settings.seed = 5;
    const Results r = RunTransferFunctions(in, settings);
    const ParamResult& pr = r.params[0];
    const int col = ColumnOf(r, Method::WaInverse);
    const SparseRows fossil = SparseRows::From(in.fossil, in.samples, in.taxa);
    std::vector<int> samples;
    for (int f = 1; f <= in.samples; ++f)
        if (!in.sampleEmpty[f]) samples.push_back(f);
    const FossilVariance table(in.fossil, in.taxa, samples);
    std::vector<double> z;
    for (int f : samples) z.push_back(pr.fossil(f, col));
    EXPECT_DOUBLE_EQ(pr.explained[col], table.Explained(z));
    EXPECT_DOUBLE_EQ(pr.firstComponent[col], table.FirstComponent());
    std::vector<double> null;
    for (int v = 1; v <= 9; ++v) {
        Random random(5, Random::Stream::RandomVariable, static_cast<std::uint64_t>(v));
        std::vector<double> x(static_cast<std::size_t>(set.sites) + 1, 0.0);
        for (int s = 1; s <= set.sites; ++s) x[s] = random.Uniform();
        const WaModel m = FitWa({&set.rows, x.data(), nullptr}, false);
        std::vector<double> zv;
        for (int f : samples) zv.push_back(m.plain.Inverse(WaRaw(m, fossil, f, false)));
        null.push_back(table.Explained(zv));
    }
    EXPECT_DOUBLE_EQ(pr.pValue[col], RandomisationP(pr.explained[col], null));
    // The parameter follows the taxa: no random variable explains as much.
    EXPECT_DOUBLE_EQ(pr.pValue[col], 0.1);
}

TEST(TransferRun, RefusesWhatItCannotRunAndStopsWhenCancelled)
{
    ModernSet set = MakeModernSet(30, 6, 1, 3);
    Workspace ws = MakeWorkspace(set);
    Settings hblock = AllMethods(Validation::HBlock);
    EXPECT_EQ(CheckInputs(InputsFromWorkspace(ws, nullptr), hblock),
              "The h-block cross-validation needs the locations of the modern sites.");
    Settings none;
    EXPECT_EQ(CheckInputs(InputsFromWorkspace(ws, nullptr), none),
              "No transfer function is chosen: choose WA, WA-PLS or both.");
    ws.refProportions(4, 2) = -0.1;
    EXPECT_EQ(CheckInputs(InputsFromWorkspace(ws, nullptr), AllMethods(Validation::None)),
              "The transfer functions need abundances of 0 or more; modern site S4 holds -0.1 "
              "for T2.");

    ws = MakeWorkspace(set);
    int calls = 0;
    Control control;
    control.cancelled = [&] { return calls > 0; };
    control.progress = [&](int, int) { ++calls; };
    Settings loo = AllMethods(Validation::LeaveOneOut);
    const Results r = RunTransferFunctions(InputsFromWorkspace(ws, nullptr), loo, control);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tarvex::tf
