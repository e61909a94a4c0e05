#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "plots/Envelope.h"
#include "plots/UniformRandom.h"

namespace tarvex {
namespace {

using Points = std::vector<std::vector<double>>;

Matrix<double> Scores(const Points& points, int eofs)
{
    Matrix<double> m(static_cast<int>(points.size()), eofs);
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t l = 0; l < points[i].size(); ++l)
            m(static_cast<int>(i) + 1, static_cast<int>(l) + 1) = points[i][l];
    return m;
}

// Sites and samples on the first EOFs of a workspace with `eofs` EOFs, envelope on EOFs
// 1..axisCount.
Workspace Cloud(const Points& sites, const Points& samples, int eofs, int axisCount)
{
    Workspace ws;
    ws.refSiteCount = static_cast<int16_t>(sites.size());
    ws.fossilSampleCount = static_cast<int16_t>(samples.size());
    ws.refScores = Scores(sites, eofs);
    ws.fossilScores = Scores(samples, eofs);
    ws.ResizeAxisLists(eofs);
    for (int l = 1; l <= eofs; ++l)
        ws.selectedAxes[static_cast<std::size_t>(l)] = static_cast<int16_t>(l);
    ws.selectedAxisCount = static_cast<int16_t>(axisCount);
    return ws;
}

const Points kSquare = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}, {0, 0}};

TEST(UniformRandomTest, PublishedSequenceFromTheFixedStart)
{
    UniformRandom rng;
    const uint64_t reference[] = {6457827717110365317ULL, 3203168211198807973ULL,
                                  9817491932198370423ULL, 4593380528125082431ULL,
                                  16408922859458223821ULL};
    for (uint64_t r : reference) EXPECT_EQ(rng.NextBits(), r);

    // The top 53 bits, scaled: never 1.
    UniformRandom fresh;
    EXPECT_EQ(fresh.Next(), static_cast<double>(reference[0] >> 11) / 9007199254740992.0);
}

TEST(EnvelopeDirectionsTest, SpherePointsFromTwoDraws)
{
    struct Case {
        double r1, r2, x, y, z;
    };
    const Case cases[] = {
        {0, 0.3, 0, 0, -1},  // the formula's division by zero: the pole itself
        {0.5, 0, 1, 0, 0},
        {0.5, 0.5, -1, 0, 0},
        {0.75, 0.25, 0, 0.8660254037844, 0.5},
    };
    for (const Case& c : cases) {
        const auto v = SphereDirection(c.r1, c.r2);
        EXPECT_NEAR(v[0], c.x, 1e-12) << c.r1 << ", " << c.r2;
        EXPECT_NEAR(v[1], c.y, 1e-12) << c.r1 << ", " << c.r2;
        EXPECT_NEAR(v[2], c.z, 1e-12) << c.r1 << ", " << c.r2;
    }
}

TEST(EnvelopeDirectionsTest, UnitVectorsSpreadOverEverySign)
{
    struct Case {
        bool moreAxes;
        int k, dims;
        double tolerance;
    };
    // 20 dimensions would never finish by drawing points of the cube.
    const Case cases[] = {{false, 2, 3, 1e-12}, {true, 5, 5, 1e-6}, {true, 20, 20, 1e-6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.k);
        UniformRandom rng;
        const Matrix<double> d = EnvelopeDirections(rng, c.moreAxes, c.k);
        ASSERT_EQ(d.rows(), kEnvelopeDirections);
        ASSERT_EQ(d.cols(), c.dims);
        std::vector<double> mean(static_cast<std::size_t>(c.dims) + 1, 0);
        for (int i = 1; i <= kEnvelopeDirections; ++i) {
            double norm = 0;
            for (int l = 1; l <= c.dims; ++l) {
                norm += d(i, l) * d(i, l);
                mean[static_cast<std::size_t>(l)] += d(i, l) / kEnvelopeDirections;
            }
            ASSERT_NEAR(std::sqrt(norm), 1.0, c.tolerance) << "direction " << i;
        }
        for (int l = 1; l <= c.dims; ++l) EXPECT_NEAR(mean[static_cast<std::size_t>(l)], 0, 0.05);
    }
}

TEST(EnvelopeDirectionsTest, SequenceContinuesAcrossRunsAndRepeatsAfterStart)
{
    UniformRandom a, b;
    const Matrix<double> first = EnvelopeDirections(a, false, 3);
    const Matrix<double> second = EnvelopeDirections(a, false, 3);
    EXPECT_NE(first, second);
    EXPECT_EQ(EnvelopeDirections(b, false, 3), first);

    // A run draws exactly one table, so the next table is the second one.
    Workspace ws = Cloud(kSquare, {{0.5, 0.5}}, 3, 3);
    UniformRandom c;
    RunEnvelopeAnalysis(ws, c, 0, {});
    EXPECT_EQ(EnvelopeDirections(c, false, 3), second);
}

TEST(EnvelopeTest, HullSitesAreTheExtremeOnes)
{
    // Square corners, its centre, and a copy of the first corner that always ties with it.
    Points sites = kSquare;
    sites.push_back({1, 1});
    const std::vector<bool> expected = {false, true, true, true, true, false, false};
    for (int k : {2, 3}) {
        Workspace ws = Cloud(sites, {}, 3, k);
        UniformRandom rng;
        RunEnvelopeAnalysis(ws, rng, 0, {});
        EXPECT_EQ(ws.refSiteOnHull, expected) << k << "-D";
        EXPECT_TRUE(ws.envelopeDone);
    }
}

TEST(EnvelopeTest, TightnessWidensTheHull)
{
    const Points samples = {
        {1, 1},        // on a site
        {0.5, -0.5},   // inside
        {1, 0},        // on an edge
        {1.05, 0},     // just beyond the extreme sites along EOF 1
        {1.9, 0},      // 0.9 beyond
        {-1.5, -1.5},  // 0.71 beyond a corner
        {4, 0},       {0, -3.5},
    };
    struct Case {
        float tightness;
        std::vector<bool> outside;  // [0] unused
    };
    const Case cases[] = {
        {0.0f, {false, false, false, false, true, true, true, true, true}},
        {0.1f, {false, false, false, false, false, true, true, true, true}},
        {1.0f, {false, false, false, false, false, false, false, true, true}},
    };
    for (int k : {2, 3}) {
        for (const Case& c : cases) {
            Workspace ws = Cloud(kSquare, samples, 3, k);
            UniformRandom rng;
            RunEnvelopeAnalysis(ws, rng, c.tightness, {});
            EXPECT_EQ(ws.fossilOutside, c.outside) << k << "-D, tightness " << c.tightness;
        }
    }
}

TEST(EnvelopeTest, MoreAxesTestsEofsThatAreNotDrawn)
{
    // Sites at +-1 on EOFs 2..6; EOFs 1 and 7 are not selected and carry stray values.
    Points sites;
    for (int l = 1; l <= 5; ++l)
        for (double v : {1.0, -1.0}) {
            std::vector<double> p(7, 0);
            p[static_cast<std::size_t>(l)] = v;
            sites.push_back(p);
        }
    const Points samples = {
        {0, 0, 0, 0, 0, 1.5, 0},  // beyond the cloud on the fifth selected EOF only
        {0, 0, 0, 0, 0, 0.5, 0},
        {9, 0.2, 0.2, 0.2, 0, 0, 9},  // inside on the selected EOFs
    };
    Workspace ws = Cloud(sites, samples, 7, 5);
    ws.moreAxes = true;
    for (int l = 1; l <= 5; ++l)
        ws.selectedAxes[static_cast<std::size_t>(l)] = static_cast<int16_t>(l + 1);

    UniformRandom rng;
    RunEnvelopeAnalysis(ws, rng, 0, {});
    EXPECT_EQ(ws.fossilOutside, (std::vector<bool>{false, true, false, false}));
    std::vector<bool> hull(11, true);
    hull[0] = false;
    EXPECT_EQ(ws.refSiteOnHull, hull);
}

TEST(EnvelopeTest, SameActionsFromStartGiveTheSameMarks)
{
    // Samples near the hull, where different directions would give different answers.
    Points samples;
    for (int i = 0; i < 40; ++i) samples.push_back({1.0 + 0.0005 * i, 0.02 * (i % 7) - 0.06});
    Workspace a = Cloud(kSquare, samples, 3, 3), b = a;
    UniformRandom rngA, rngB;
    for (float t : {0.0f, 0.0f, 0.01f}) {
        RunEnvelopeAnalysis(a, rngA, t, {});
        RunEnvelopeAnalysis(b, rngB, t, {});
        EXPECT_EQ(a.fossilOutside, b.fossilOutside);
        EXPECT_EQ(a.refSiteOnHull, b.refSiteOnHull);
    }
}

TEST(EnvelopeTest, SampleCountWithoutScoresLeavesSamplesUnmarked)
{
    Workspace ws = Cloud(kSquare, {}, 3, 2);
    ws.fossilSampleCount = 6;  // a failed import set the count but allocated nothing
    int calls = 0, last = 0, total = 0;
    UniformRandom rng;
    RunEnvelopeAnalysis(ws, rng, 0, [&](int done, int of) {
        ++calls;
        last = done;
        total = of;
    });
    EXPECT_EQ(ws.fossilOutside, std::vector<bool>(7, false));
    EXPECT_EQ(ws.refSiteOnHull, (std::vector<bool>{false, true, true, true, true, false}));
    EXPECT_TRUE(ws.envelopeDone);
    EXPECT_EQ(calls, kEnvelopeDirections);
    EXPECT_EQ(last, kEnvelopeDirections);
    EXPECT_EQ(total, kEnvelopeDirections);
}

TEST(EnvelopeTest, ResetClearsEveryMarkButKeepsTheDoneFlag)
{
    struct Case {
        Points sites, samples;
    };
    const Case cases[] = {{kSquare, {{5, 5}, {0, 0}, {-7, 0}}}, {kSquare, {{5, 5}}}};
    for (const Case& c : cases) {
        Workspace ws = Cloud(c.sites, c.samples, 3, 2);
        UniformRandom rng;
        RunEnvelopeAnalysis(ws, rng, 0, {});
        ASSERT_TRUE(ws.fossilOutside[1]);
        ResetEnvelopeMarks(ws);
        EXPECT_EQ(ws.refSiteOnHull, std::vector<bool>(c.sites.size() + 1, false));
        EXPECT_EQ(ws.fossilOutside, std::vector<bool>(c.samples.size() + 1, false));
        EXPECT_TRUE(ws.envelopeDone);
    }
}

}  // namespace
}  // namespace tarvex
