#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>

#include "data/TableReader.h"
#include "diagram/Coniss.h"
#include "eof/Pretreatment.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

Matrix<double> Column(const std::vector<double>& values)
{
    Matrix<double> m(static_cast<int>(values.size()), 1);
    for (std::size_t i = 0; i < values.size(); ++i) m(static_cast<int>(i) + 1, 1) = values[i];
    return m;
}

// Same steps, same bits of every sum of squares.
void ExpectSameSteps(const std::vector<SplitStep>& expected, const std::vector<SplitStep>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(expected[k].boundary, actual[k].boundary) << "step " << k;
        EXPECT_EQ(std::memcmp(&expected[k].ss, &actual[k].ss, sizeof(float)), 0)
            << "step " << k << ": " << expected[k].ss << " vs " << actual[k].ss;
    }
}

void ExpectFastMatchesReference(const Matrix<double>& x, int n, int t)
{
    const std::vector<SplitStep> reference = SuccessiveSplitsReference(x, n, t);
    {
        SCOPED_TRACE("screened");
        ExpectSameSteps(reference, SuccessiveSplits(x, n, t));
    }
    {
        SCOPED_TRACE("every split in full, on two threads");
        SplitSearch all;
        all.screen = false;
        all.threads = 2;
        ExpectSameSteps(reference, SuccessiveSplits(x, n, t, all));
    }
    {
        SCOPED_TRACE("screened, on three threads");
        SplitSearch three;
        three.threads = 3;
        ExpectSameSteps(reference, SuccessiveSplits(x, n, t, three));
    }
}

TEST(SuccessiveSplitsTest, HandWorkedSteps)
{
    // 0, 0, 1, 1: the split after sample 2 leaves two pure parts (SS 0), boundary 3; then
    // samples 1..2 split at 0 with boundary 2, and one sample above it ends the splitting.
    std::vector<SplitStep> s = SuccessiveSplits(Column({0, 0, 1, 1}), 4, 1);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].ss, 0.0f);
    EXPECT_EQ(s[0].boundary, 3);
    EXPECT_EQ(s[1].boundary, 2);

    // 0, 1, 2: both splits give 0.5 exactly; the first of equal minima wins, so the boundary is
    // 2 and the splitting ends at once.
    s = SuccessiveSplits(Column({0, 1, 2}), 3, 1);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].ss, 0.5f);
    EXPECT_EQ(s[0].boundary, 2);

    std::istringstream line(SplitLine(s[0]));
    std::string ss, boundary;
    line >> ss >> boundary;
    EXPECT_EQ(ss, "0.5");
    EXPECT_EQ(boundary, "2");
    line.clear();
    line.str(SplitLine({1234.56789f, 17}));
    line >> ss >> boundary;
    EXPECT_EQ(ss, "1234.568");
    EXPECT_EQ(boundary, "17");
}

TEST(SuccessiveSplitsTest, NoSplitWithoutTwoSamples)
{
    const Matrix<double> x = Column({0.5, 0.25});
    EXPECT_TRUE(SuccessiveSplits(x, 0, 1).empty());
    EXPECT_TRUE(SuccessiveSplits(x, 1, 1).empty());
    EXPECT_TRUE(SuccessiveSplitsReference(x, 1, 1).empty());
    // Counts beyond the matrix are cut to it.
    EXPECT_EQ(SuccessiveSplits(x, 40, 9).size(), 1u);
}

TEST(SuccessiveSplitsTest, RawValuesAboveTheOldCeilingStillEnd)
{
    // Every sum of squares exceeds 9999; starting the search there, no split would be chosen
    // and the same part would be split for ever.
    const Matrix<double> x = Column({0, 1000, 0, 1000, 5000});
    const std::vector<SplitStep> s = SuccessiveSplits(x, 5, 1);
    ASSERT_FALSE(s.empty());
    EXPECT_GT(s[0].ss, 9999.0f);
    ExpectFastMatchesReference(x, 5, 1);
}

TEST(SuccessiveSplitsTest, ValuesThatAreNoNumbersEndTheSplitting)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Matrix<double>& x : {Column({0, inf, 1, 2}), Column({nan, 0, 1}),
                                    Column({1e30, -1e30, 1e30}), Column({1e200, 0, 1})}) {
        const int n = x.rows();
        const std::vector<SplitStep> reference = SuccessiveSplitsReference(x, n, 1);
        EXPECT_LT(reference.size(), static_cast<std::size_t>(n));
        ExpectFastMatchesReference(x, n, 1);
    }
}

// Sample i has only taxon (i mod taxa) + 1, with an amplitude that grows down the sequence:
// the bottom sample is always the most distinct, so every step peels off the last sample.
Matrix<double> PeelingSequence(int n, int t)
{
    Matrix<double> x(n, t);
    for (int i = 1; i <= n; ++i) x(i, (i - 1) % t + 1) = 1 + 0.01 * i;
    return x;
}

TEST(SuccessiveSplitsTest, WorstCasePeelsOneSampleAtEveryStep)
{
    const int n = 70, t = 12;
    const Matrix<double> x = PeelingSequence(n, t);
    long long screened = 0;
    SplitSearch search;
    search.fullSums = &screened;
    const std::vector<SplitStep> s = SuccessiveSplits(x, n, t, search);
    ASSERT_EQ(s.size(), static_cast<std::size_t>(n - 1));
    for (int k = 0; k < n - 1; ++k) EXPECT_EQ(s[k].boundary, n - k) << "step " << k;
    // The screening leaves out most splits here; all of them number n (n - 1) / 2.
    EXPECT_LT(screened, n * (n - 1) / 4);
    ExpectFastMatchesReference(x, n, t);
}

// Random sequences of several kinds, each compared bit for bit with the plain order.
TEST(SuccessiveSplitsTest, FastSearchGivesTheBitsOfThePlainOrder)
{
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> uniform(0, 1);
    enum Kind {
        Proportions,
        RawOffset,
        CoarseTies,
        Tiny,
        Identical,
        Huge,
        Peeling,
        Mirrored,
        MirroredRaw,
        Nudged,
        Kinds
    };
    const char* names[] = {"proportions", "raw offset", "coarse ties", "tiny",         "identical",
                           "huge",        "peeling",    "mirrored",    "mirrored raw", "nudged"};
    for (int trial = 0; trial < 400; ++trial) {
        const Kind kind = static_cast<Kind>(trial % Kinds);
        const int n = 2 + static_cast<int>(rng() % 45);
        const int t = 1 + static_cast<int>(rng() % 19);
        SCOPED_TRACE(std::string(names[kind]) + " n=" + std::to_string(n) +
                     " t=" + std::to_string(t));
        Matrix<double> x(n, t);
        for (int i = 1; i <= n; ++i) {
            double total = 0;
            for (int u = 1; u <= t; ++u) {
                const double v = uniform(rng);
                switch (kind) {
                    case Proportions:
                        x(i, u) = v * v;
                        break;
                    case RawOffset:
                        x(i, u) = 1000 + 10 * v;
                        break;
                    case CoarseTies:
                        x(i, u) = static_cast<int>(v * 3) * 0.25;
                        break;
                    case Tiny:
                        x(i, u) = std::ldexp(v, -70);
                        break;  // sums below float's normal range
                    case Identical:
                        x(i, u) = 0.3;
                        break;
                    case Huge:
                        x(i, u) = 1e18 * v;
                        break;  // sums overflow single precision
                    // Mirror images: splits p and n - p tie in exact arithmetic, and only the
                    // roundings of their chains decide between them.
                    case Mirrored:
                        x(i, u) = i <= n / 2 ? v : x(n + 1 - i, u);
                        break;
                    case MirroredRaw:
                        x(i, u) = i <= n / 2 ? 500 + v : x(n + 1 - i, u);
                        break;
                    // Nearly mirrored: the two sums differ by about as much as the roundings
                    // of a chain, so a screening bound that is too narrow drops the smaller.
                    case Nudged:
                        x(i, u) = i <= n / 2 ? v : x(n + 1 - i, u) * (1 + std::ldexp(v - 0.5, -20));
                        break;
                    default:
                        break;
                }
                total += x(i, u);
            }
            if (kind == Proportions && total > 0)
                for (int u = 1; u <= t; ++u) x(i, u) /= total;
        }
        if (kind == Peeling) x = PeelingSequence(n, t);
        ExpectFastMatchesReference(x, n, t);
    }
}

TEST(SuccessiveSplitsTest, LongStepsShareTheScreeningAmongThreads)
{
    // Steps of 20000 terms and more split the screening among the threads.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> uniform(0, 1);
    const int n = 150, t = 140;
    Matrix<double> x(n, t);
    for (int i = 1; i <= n; ++i)
        for (int u = 1; u <= t; ++u) x(i, u) = uniform(rng) * (i > 100 && u % 5 == 0 ? 4 : 1);
    ExpectFastMatchesReference(x, n, t);
}

TEST(SuccessiveSplitsTest, RealSequencesGiveTheBitsOfThePlainOrder)
{
    std::vector<std::string> files{testing::kExamples + "fossil.csv"};
    const std::string abernethy = testing::SharedData("abernethy/fossil.csv"),
                      v12122 = testing::SharedData("imbrie-kipp/v12-122.csv");
    for (const std::string& path : {abernethy, v12122})
        if (std::filesystem::exists(path)) files.push_back(path);
    for (const std::string& file : files) {
        const TableReadResult read = ReadDataTableFile(file);
        ASSERT_EQ(read.status, TableStatus::Ok) << file;
        const DataTable& table = read.table;
        for (bool convert : {true, false}) {
            SCOPED_TRACE(file + (convert ? " proportions" : " raw"));
            const Matrix<double> x =
                ComputeProportions(table.values, table.rowCount, table.columnCount, convert);
            ExpectFastMatchesReference(x, table.rowCount, table.columnCount);
        }
    }
    REQUIRE_SHARED_DATA(abernethy, v12122);  // only the example was checked
}

}  // namespace
}  // namespace tarvex
