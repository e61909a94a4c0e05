#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "diagram/DiagramLayout.h"

namespace tarvex {
namespace {

Matrix<double> Proportions(const std::vector<std::vector<double>>& rows)
{
    Matrix<double> m(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t t = 0; t < rows[i].size(); ++t)
            m(static_cast<int>(i) + 1, static_cast<int>(t) + 1) = rows[i][t];
    return m;
}

TEST(DiagramColumnsTest, EachColumnIsItsLargestPercentagePlusTen)
{
    // Taxon 2 never occurs: its column is still 10 wide.
    const Matrix<double> p = Proportions({{0.25, 0, 0.5}, {0.125, 0, 0.375}, {0.6, 0, 0}});
    const DiagramColumns c = ComputeDiagramColumns(p, 3, 3);
    ASSERT_EQ(c.left.size(), 5u);
    EXPECT_FLOAT_EQ(c.left[1], 5);
    EXPECT_FLOAT_EQ(c.left[2], 5 + 60 + 10);
    EXPECT_FLOAT_EQ(c.left[3], 75 + 0 + 10);
    EXPECT_FLOAT_EQ(c.left[4], 85 + 50 + 10);
    EXPECT_FLOAT_EQ(c.lastColumnMax, 50);
    EXPECT_EQ(DiagramScrollMax(c, 3), 0) << "everything fits in 500 units";
}

TEST(DiagramColumnsTest, ScrollMaximumIsRoundedSaturatedAndNeverNegative)
{
    DiagramColumns c;
    c.left = {0, 5, 480.5f, 0};
    c.lastColumnMax = 20;
    // 480.5 - 500 + 20 + 20 = 20.5, a half: to the even neighbour.
    EXPECT_EQ(DiagramScrollMax(c, 2), 20);
    c.left[2] = 481.5f;
    EXPECT_EQ(DiagramScrollMax(c, 2), 22);

    // Raw counts without conversion make enormous columns.
    const Matrix<double> raw = Proportions({{25698, 3000}, {1, 2}});
    const DiagramColumns wide = ComputeDiagramColumns(raw, 2, 2);
    EXPECT_EQ(DiagramScrollMax(wide, 2), 32767);

    // Negative raw values never make a column narrower than its gap.
    const Matrix<double> negative = Proportions({{-5, -1}, {-2, -3}});
    const DiagramColumns n = ComputeDiagramColumns(negative, 2, 2);
    EXPECT_FLOAT_EQ(n.left[2], 15);
    EXPECT_FLOAT_EQ(n.left[3], 25);
    EXPECT_EQ(DiagramScrollMax(n, 2), 0);
}

TEST(DiagramColumnsTest, TicksEveryTenPercentWithinTheColumn)
{
    EXPECT_EQ(ColumnTickOffsets(10), std::vector<int>({0}));
    EXPECT_EQ(ColumnTickOffsets(15), std::vector<int>({0}));
    EXPECT_EQ(ColumnTickOffsets(15.5f), std::vector<int>({0, 10}));
    EXPECT_EQ(ColumnTickOffsets(110),
              std::vector<int>({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(ColumnTickOffsets(0), std::vector<int>({0}));
}

TEST(SampleAxisTest, EqualAndDepthSpacing)
{
    const std::vector<std::string> labels{"", "300", "305", "320"};
    const SampleAxis equal(labels, 3, true);
    EXPECT_FALSE(equal.depthSpacing());
    EXPECT_FLOAT_EQ(equal.Y(1), 10);
    EXPECT_FLOAT_EQ(equal.Y(3), 30);

    const SampleAxis depth(labels, 3, false);
    ASSERT_TRUE(depth.depthSpacing());
    EXPECT_FLOAT_EQ(depth.Y(1), 10);
    EXPECT_FLOAT_EQ(depth.Y(2), 15);  // 10 ((320 - 305) + 3 (305 - 300)) / 20
    EXPECT_FLOAT_EQ(depth.Y(3), 30);
    // A cluster at the midpoint of two depths sits midway between them.
    EXPECT_FLOAT_EQ(depth.YOfPosition((305 + 320) / 2.0), (15 + 30) / 2.0f);
    EXPECT_EQ(depth.ClusterPositions(), std::vector<float>({0, 300, 305, 320}));
    EXPECT_EQ(equal.ClusterPositions(), std::vector<float>({0, 1, 2, 3}));
}

TEST(SampleAxisTest, FallsBackToEqualSpacingWithoutAUsableDepthScale)
{
    struct Case {
        const char* what;
        std::vector<std::string> labels;
        int n;
    };
    const Case cases[] = {
        {"one sample", {"", "120"}, 1},
        {"equal first and last depths", {"", "100", "110", "100"}, 3},
        {"a label that is not a number", {"", "100", "abc", "120"}, 3},
        {"labels missing", {""}, 3},
    };
    for (const Case& c : cases) {
        const SampleAxis axis(c.labels, c.n, false);
        EXPECT_FALSE(axis.depthSpacing()) << c.what;
        for (int i = 1; i <= c.n; ++i) {
            EXPECT_FLOAT_EQ(axis.Y(i), 10.0f * i) << c.what;
            EXPECT_TRUE(std::isfinite(axis.Y(i))) << c.what;
        }
        // A smoothing window of samples 1..2 sits between them, whatever its mean depth.
        EXPECT_FLOAT_EQ(axis.WindowY(1, 2, 105), 15) << c.what;
    }
}

TEST(SampleAxisTest, SmoothingWindowsStandAtTheMeanOfTheirSamples)
{
    const std::vector<std::string> labels{"", "300", "305", "320", "340"};
    // Depth spacing: the mean depth on the depth scale, as a cluster position is.
    const SampleAxis depth(labels, 4, false);
    ASSERT_TRUE(depth.depthSpacing());
    EXPECT_FLOAT_EQ(depth.WindowY(2, 2, (305 + 320) / 2.0), depth.YOfPosition(312.5));
    // Text labels: the mean of the sample numbers, which is also the window's position.
    const SampleAxis text(labels, 4, true);
    EXPECT_FLOAT_EQ(text.WindowY(2, 3, 3), 30);
    EXPECT_FLOAT_EQ(text.WindowY(1, 2, 1.5), 15);
}

TEST(SampleAxisTest, DraggingSelectsTheNearestSampleAndClampsAtBothEnds)
{
    const SampleAxis equal({"", "a", "b", "c", "d"}, 4, true);
    EXPECT_EQ(equal.SampleAt(24), 2);
    EXPECT_EQ(equal.SampleAt(25), 2) << "halves to even";
    EXPECT_EQ(equal.SampleAt(35), 4);
    EXPECT_EQ(equal.SampleAt(-500), 1);
    EXPECT_EQ(equal.SampleAt(1e9), 4);

    const SampleAxis depth({"", "0", "10", "100", "110"}, 4, false);
    // Y = 10, 12.5, 35, 40 (d from 0 to 110: 10 ((110 - d) + 4 d) / 110).
    EXPECT_FLOAT_EQ(depth.Y(2), 10 * (100 + 40) / 110.0f);
    EXPECT_EQ(depth.SampleAt(11), 1);
    EXPECT_EQ(depth.SampleAt(30), 3);
    EXPECT_EQ(depth.SampleAt(-1e6), 1) << "no start value that the distance could exceed";
    EXPECT_EQ(depth.SampleAt(1e6), 4);
    // The grab zone is centred on ten times the rounded tenth of Y.
    EXPECT_DOUBLE_EQ(depth.GrabCentre(2), 10.0);
    EXPECT_DOUBLE_EQ(equal.GrabCentre(3), 30.0);
    EXPECT_TRUE(InGrabZone(31, 30, 50));   // 1 < 10
    EXPECT_FALSE(InGrabZone(34, 30, 50));  // 16 >= 10
}

TEST(DiagramScaleTest, ZeroHeightGetsAUsableScale)
{
    const DiagramVerticalScale one = UsableVerticalScale(10, 0);
    EXPECT_GT(one.height, 0);
    EXPECT_LT(one.top, 10);
    EXPECT_GT(one.top + one.height, 10) << "sample 1 at 10 lies inside";
    const DiagramVerticalScale many = UsableVerticalScale(-15, 650);
    EXPECT_FLOAT_EQ(many.top, -15);
    EXPECT_FLOAT_EQ(many.height, 650);
}

TEST(EofAxisTest, TickStepsAndPositions)
{
    const std::pair<double, int> steps[] = {{1, 2},  {2, 1},  {4, 1},  {8, 2},
                                            {16, 4}, {32, 4}, {64, 8}, {256, 32}};
    for (const auto& [zoom, step] : steps) EXPECT_EQ(EofTickStep(zoom), step) << zoom;
    EXPECT_EQ(EofTickValues(1), std::vector<int>({-1, 1}));
    EXPECT_EQ(EofTickValues(4), std::vector<int>({-4, -3, -2, -1, 0, 1, 2, 3, 4}));
    EXPECT_EQ(EofTickValues(16), std::vector<int>({-16, -12, -8, -4, 0, 4, 8, 12, 16}));
}

TEST(TaxonLabelTest, FamilyNamesUprightOthersItalic)
{
    const std::vector<std::string> mixed{"", "Poaceae", "Pinus", "ASTERACEAE", "Betula"};
    EXPECT_EQ(ItalicTaxonNames(mixed, 4), std::vector<bool>({false, false, true, false, true}));
    const std::vector<std::string> shortFamily{"", "Pinus", "Betula", "ae"};
    EXPECT_EQ(ItalicTaxonNames(shortFamily, 3), std::vector<bool>({false, true, true, false}))
        << "a name that is just 'ae' has the family ending too";
    const std::vector<std::string> mixedCase{"", "Pinus", "RosaceAe"};
    EXPECT_EQ(ItalicTaxonNames(mixedCase, 2), std::vector<bool>({false, false, false}))
        << "only 'ae' and 'AE' count";
    const std::vector<std::string> none{"", "Pinus", "Betula"};
    EXPECT_EQ(ItalicTaxonNames(none, 2), std::vector<bool>({false, false, false}));
}

TEST(TaxonLabelTest, NamesShrinkOnlyWhereColumnsStandCloserThanTheirHeight)
{
    EXPECT_EQ(FittedLabelFont({10, 22, 60}).height, 12);
    EXPECT_EQ(FittedLabelFont({}).height, 12);
    EXPECT_EQ(FittedLabelFont({40}).width, 5);
    const LabelFont narrow = FittedLabelFont({10, 19, 60});
    EXPECT_EQ(narrow.height, 9);
    EXPECT_EQ(narrow.width, 4);
    const LabelFont crowded = FittedLabelFont({10, 12, 13});
    EXPECT_EQ(crowded.height, 7) << "never below a readable size";
    EXPECT_EQ(crowded.width, 3);
}

class ColumnLinesTest : public ::testing::Test {
protected:
    // Four samples of one taxon: 10, 20, 0 (empty sample), 40 percent; sample 4 outside.
    ColumnLinesTest()
        : p(Proportions({{0.1}, {0.2}, {0}, {0.4}})),
          empty{false, false, false, true, false},
          outside{false, false, false, false, true},
          columns(ComputeDiagramColumns(p, 4, 1)),
          axis({"", "1", "2", "3", "4"}, 4, true)
    {
        in.proportions = &p;
        in.empty = &empty;
        in.outside = &outside;
        in.columns = &columns;
        in.axis = &axis;
        in.samples = 4;
        in.scaleTop = 9;
        in.scaleHeight = 42;
        in.curveColour = 5;
        in.outsideColour = 3;
    }
    std::vector<DiagramLine> Lines(DiagramStyle style, float scroll = 0)
    {
        in.style = style;
        in.scroll = scroll;
        std::vector<DiagramLine> out;
        AppendColumnLines(in, 1, out);
        return out;
    }
    static std::vector<DiagramLine> Horizontal(const std::vector<DiagramLine>& lines, Colour colour)
    {
        std::vector<DiagramLine> h;
        for (const DiagramLine& l : lines)
            if (l.y1 == l.y2 && l.colour == colour) h.push_back(l);
        return h;
    }

    Matrix<double> p;
    std::vector<bool> empty, outside;
    DiagramColumns columns;
    SampleAxis axis;
    DiagramInput in;
};

TEST_F(ColumnLinesTest, BarStyleDrawsOnlyBarsThenZeroLineAndTicks)
{
    const std::vector<DiagramLine> lines = Lines(DiagramStyle::Bar, 2);
    // 4 bars, the zero line, ticks at 0, 10, ..., 40 (width 50: 50 > k + 5 up to 40).
    ASSERT_EQ(lines.size(), 4u + 1 + 2 * 5);
    EXPECT_FLOAT_EQ(lines[0].x1, 3);  // 5 - scroll
    EXPECT_FLOAT_EQ(lines[0].x2, 13);
    EXPECT_FLOAT_EQ(lines[3].x2, 43);
    EXPECT_EQ(lines[3].colour, 3) << "sample 4 is outside the envelope";
    EXPECT_EQ(lines[1].colour, 5);
    const DiagramLine& zero = lines[4];
    EXPECT_EQ(zero.colour, kBlack);
    EXPECT_FLOAT_EQ(zero.y1, 10);
    EXPECT_FLOAT_EQ(zero.y2, 40);
    const DiagramLine& topTick = lines[5];
    EXPECT_FLOAT_EQ(topTick.y1, 9);
    EXPECT_FLOAT_EQ(topTick.y2, 9 + 42 * 8 / 1000.0f);
    const DiagramLine& bottomTick = lines[6];
    EXPECT_FLOAT_EQ(bottomTick.y1, 51);
    EXPECT_FLOAT_EQ(bottomTick.y2, 9 + 42 * 988 / 1000.0f);
}

TEST_F(ColumnLinesTest, CurveStyleAddsSegmentsThatSkipEmptySamples)
{
    const std::vector<DiagramLine> lines = Lines(DiagramStyle::Curve);
    std::vector<DiagramLine> slanted;
    for (const DiagramLine& l : lines)
        if (l.y1 != l.y2 && l.colour != kBlack) slanted.push_back(l);
    // The only curve segment joins samples 1 and 2.
    ASSERT_EQ(slanted.size(), 1u);
    EXPECT_FLOAT_EQ(slanted[0].y1, 10);
    EXPECT_FLOAT_EQ(slanted[0].y2, 20);
    EXPECT_FLOAT_EQ(slanted[0].x1, 15);
    EXPECT_FLOAT_EQ(slanted[0].x2, 25);
    EXPECT_EQ(Horizontal(lines, 5).size(), 3u);
}

TEST_F(ColumnLinesTest, AreaStyleClosesTheSilhouetteAtItsEnds)
{
    const std::vector<DiagramLine> lines = Lines(DiagramStyle::Area);
    std::vector<float> closing;
    for (const DiagramLine& l : lines)
        if (l.y1 == l.y2 && l.colour != kBlack) closing.push_back(l.y1);
    // Above the empty sample 3 (sample 2), the first, the last, then the outside sample 4.
    EXPECT_EQ(closing, std::vector<float>({20, 10, 40, 40}));

    empty = {false, true, false, false, false};
    outside.assign(5, false);
    closing.clear();
    for (const DiagramLine& l : Lines(DiagramStyle::Area))
        if (l.y1 == l.y2 && l.colour != kBlack) closing.push_back(l.y1);
    EXPECT_EQ(closing, std::vector<float>({20, 10, 40})) << "below an empty first sample";
}

TEST_F(ColumnLinesTest, ColumnsScrolledAwayAreNotVisible)
{
    EXPECT_TRUE(ColumnVisible(columns, 1, 0));
    EXPECT_TRUE(ColumnVisible(columns, 1, 50));
    EXPECT_FALSE(ColumnVisible(columns, 1, 60));
    EXPECT_FALSE(ColumnVisible(columns, 2, 0)) << "no such column";
}

}  // namespace
}  // namespace tarvex
