#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "calib/CalibData.h"
#include "calib/CalibTestData.h"
#include "data/TableReader.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;
using namespace std::string_literals;

TEST(CalibRange, GridOfAcceptedRanges)
{
    struct Case {
        const char *low, *high;
        double step;
        float origin, top, width;
    };
    const Case cases[] = {
        {"0", "20", 0.1, -2.5f, 22.5f, 20.0f},
        {"20", "0", -0.1, 22.5f, -2.5f, 20.0f},  // reversed: the grid runs from high to low
        {"-5", "35", 0.2, -10.0f, 40.0f, 40.0f},
    };
    for (const Case& c : cases) {
        Workspace ws;
        ASSERT_EQ(ValidateRange(ws, c.low, c.high), RangeStatus::Valid) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(ws.gridStep, c.step);
        EXPECT_EQ(ws.gridOrigin, c.origin);
        EXPECT_EQ(ws.gridTop, c.top);
        EXPECT_EQ(ws.rangeWidth, c.width);
        EXPECT_NEAR(ws.gridOrigin + ws.gridStep * 25, std::atof(c.low), 1e-6);
        EXPECT_NEAR(ws.gridOrigin + ws.gridStep * 225, std::atof(c.high), 1e-6);
    }
}

TEST(CalibRange, RefusedRangesKeepTheGrid)
{
    // Equal values in different spellings, an empty end, a text that reads as 0 against 0,
    // and an end beyond double: none may leave a grid step of 0 or infinity behind.
    struct Case {
        const char *low, *high;
        RangeStatus status;
    };
    const Case cases[] = {{"10", "10.0", RangeStatus::Invalid},
                          {"", "20", RangeStatus::Incomplete},
                          {"5", " ", RangeStatus::Incomplete},
                          {"abc", "0", RangeStatus::Invalid},
                          {"1e999", "0", RangeStatus::Invalid}};
    for (const Case& c : cases) {
        Workspace ws;
        ASSERT_EQ(ValidateRange(ws, "0", "20"), RangeStatus::Valid);
        EXPECT_EQ(ValidateRange(ws, c.low, c.high), c.status) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(ws.gridStep, 0.1);
        EXPECT_EQ(ws.gridOrigin, -2.5f);
        EXPECT_EQ(ws.gridTop, 22.5f);
    }
    Workspace fresh;
    EXPECT_EQ(ValidateRange(fresh, "7", "7"), RangeStatus::Invalid);
    EXPECT_EQ(fresh.gridStep, 0);
}

TEST(CalibRange, GridIndexRoundsHalfToEvenAndRefusesWhatIsOffTheGrid)
{
    Workspace ws;
    ASSERT_EQ(ValidateRange(ws, "0", "20"), RangeStatus::Valid);
    EXPECT_EQ(GridIndex(ws, 12.34f), 148);
    EXPECT_EQ(GridIndex(ws, 5.06f), 76);
    EXPECT_EQ(GridIndex(ws, -2.5f), 0);
    EXPECT_EQ(GridIndex(ws, 22.5f), 250);
    EXPECT_EQ(GridIndex(ws, 22.6f), -1);

    Workspace unit;  // one unit per step, so the halves are exact
    ASSERT_EQ(ValidateRange(unit, "0", "200"), RangeStatus::Valid);
    EXPECT_EQ(GridIndex(unit, 97.5f), 122);
    EXPECT_EQ(GridIndex(unit, 98.5f), 124);
    for (float v : {kMissing, std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN(), 3e38f, -3e38f})
        EXPECT_EQ(GridIndex(unit, v), -1) << v;

    Workspace wide;  // a range reaching -9999 still does not count the missing mark
    ASSERT_EQ(ValidateRange(wide, "-20000", "0"), RangeStatus::Valid);
    EXPECT_EQ(GridIndex(wide, kMissing), -1);
}

Workspace ReconstructedSites(int sites)
{
    Workspace ws;
    ws.calibWindowOpen = true;
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.climateParamNames = {"", "Tjan", "Pann"};
    ws.currentClimateParam = 2;
    ws.siteReconValues.resize(sites, 2);
    ws.climateValues.resize(sites, 2);
    for (int s = 1; s <= sites; ++s) {
        ws.siteReconValues(s, 2) = 100 + 3.0 * s;
        ws.climateValues(s, 2) = 80 + 2.5 * s + (s % 7);
    }
    return ws;
}

TEST(CalibTransfer, MissingReconstructionsStayInPlaceAndEveryCompleteRowIsFitted)
{
    Workspace ws = ReconstructedSites(120);
    for (int s : {5, 50, 100}) ws.siteReconValues(s, 2) = -9999;
    PairSet set;
    set.source = "last.csv";
    ASSERT_TRUE(TransferData(ws, set).ok);
    EXPECT_EQ(set.pairCount, 117);
    ASSERT_EQ(set.rows.size(), 121u);
    EXPECT_EQ(set.rows[50].x, kMissing);
    EXPECT_EQ(set.rows[50].y, static_cast<float>(ws.climateValues(50, 2)));
    EXPECT_EQ(set.xName, "Pann(Reconstructed)");
    EXPECT_EQ(set.yName, "Pann(Estimated)");
    EXPECT_EQ(set.source, "last.csv");

    // The fit equals that of the complete rows alone, the last three included.
    PairSet packed;
    for (std::size_t i = 1; i < set.rows.size(); ++i)
        if (set.rows[i].Complete()) packed.rows.push_back(set.rows[i]);
    const PairFit expect = FitPairs(packed.rows);
    ASSERT_TRUE(set.fit.valid);
    EXPECT_EQ(set.fit.slope, expect.slope);
    EXPECT_EQ(set.fit.intercept, expect.intercept);
    EXPECT_EQ(set.fit.correlation, expect.correlation);
    PairSet first117;
    for (int i = 1; i <= 117; ++i)
        if (set.rows[i].Complete()) first117.rows.push_back(set.rows[i]);
    EXPECT_NE(FitPairs(first117.rows).intercept, set.fit.intercept);
}

TEST(CalibTransfer, ValuesSinglePrecisionCannotHoldAreMissing)
{
    Workspace ws = ReconstructedSites(4);
    ws.siteReconValues(1, 2) = std::numeric_limits<double>::quiet_NaN();
    ws.climateValues(2, 2) = 1e300;
    ws.climateValues(3, 2) = -std::numeric_limits<double>::infinity();
    PairSet set;
    TransferData(ws, set);
    EXPECT_EQ(set.pairCount, 1);
    EXPECT_EQ(set.rows[1].x, kMissing);
    EXPECT_EQ(set.rows[2].y, kMissing);
    EXPECT_EQ(set.rows[3].y, kMissing);
    EXPECT_FALSE(set.fit.valid);

    ws.calibWindowOpen = false;  // a closed window takes nothing
    ws.climateValues(2, 2) = 5;
    TransferData(ws, set);
    EXPECT_EQ(set.pairCount, 1);
}

std::string PairText(int rows, int emptyAt = -1)
{
    std::string t = "\"Vest, interpolated\",\"Vobs \"\"station\"\"\"\r\n";
    for (int r = 1; r <= rows; ++r) {
        const float x = 0.5f * r;
        t += std::to_string(x) + ",";
        if (r != emptyAt) t += std::to_string(1.1f * x - 0.5f + ((r % 3) - 1) * 0.25f);
        t += "\r\n";
    }
    return t;
}

TEST(CalibImport, VestVobsFileWithAnEmptyCell)
{
    PairSet set;
    const CalibStatus st = ImportPairText(PairText(50, 17), "vobs.csv", 1, set);
    ASSERT_TRUE(st.ok) << st.error;
    EXPECT_TRUE(st.checks.empty());  // an empty cell is a missing value, not a finding
    EXPECT_EQ(set.pairCount, 49);
    ASSERT_EQ(set.rows.size(), 51u);
    EXPECT_EQ(set.rows[17].y, kMissing);
    EXPECT_EQ(set.rows[17].x, 8.5f);
    EXPECT_EQ(set.xName, "Vest, interpolated");
    EXPECT_EQ(set.yName, "Vobs \"station\"");
    EXPECT_EQ(set.source, "vobs.csv");
    ASSERT_TRUE(set.fit.valid);
    EXPECT_NEAR(set.fit.slope, 1.1, 0.01);
    EXPECT_GT(set.residualSd, 0.1f);
    EXPECT_LT(set.residualSd, 0.3f);
}

TEST(CalibImport, RefusedFilesLeaveTheDataSetAsItWas)
{
    const std::string cases[] = {
        "x,y\r\n1,2\r\n3,4,5\r\n",  // three cells
        "x,y\r\n1,2\r\n3\r\n",      // one cell
        "x,y\r\n1,2\r\ninf,4\r\n",
        "x,y\r\n1,2\r\n3,-NaN\r\n",
        "x,y\r\n1,2\r\n2,4\r\n3,6\r\n",  // a perfect line: no spread to model
        // UTF-16, with its byte order mark or without (NUL beside every character)
        "\xFF\xFEx\0,\0y\0\r\0\n\0001\0,\0002\0\r\0\n\0"s,
        "x\0,\0y\0\n\0001\0,\0002\0\n\0002\0,\0005\0\n\0"s,
    };
    for (const std::string& text : cases) {
        PairSet set;
        ASSERT_TRUE(ImportPairText(PairText(5), "old.csv", 1, set).ok);
        const PairSet before = set;
        const CalibStatus st = ImportPairText(text, "new.csv", 1, set);
        EXPECT_FALSE(st.ok) << text;
        EXPECT_FALSE(st.error.empty());
        if (text.find('\0') != std::string::npos) {
            EXPECT_EQ(st.error.rfind(kUtf16Message, 0), 0u) << st.error;
        }
        EXPECT_EQ(set.source, "old.csv");
        EXPECT_EQ(set.pairCount, before.pairCount);
        EXPECT_EQ(set.fit.slope, before.fit.slope);
    }
}

TEST(CalibImport, OutOfRangeValuesAreMissingAndShortFilesAreEmpty)
{
    PairSet set;
    const CalibStatus st = ImportPairText(
        "x,y\n1e39,2\n1,-1e300\n1,abc\n2,3\n0x10,1e999\n4,5warm\n-9999,1\n", "f.csv", 0, set);
    ASSERT_TRUE(st.ok);
    EXPECT_EQ(set.pairCount, 3);
    EXPECT_EQ(set.rows[1].x, kMissing);
    EXPECT_EQ(set.rows[2].y, kMissing);
    EXPECT_EQ(set.rows[3].y, 0.0f);  // an unreadable number reads as 0
    EXPECT_EQ(set.rows[5].x, 0.0f);  // and one written otherwise by the number it starts with
    EXPECT_EQ(set.rows[6].y, 5.0f);
    // Both are said, with the lines lost to the range of single precision; the missing
    // value's own mark -9999 is not a loss.
    EXPECT_EQ(st.checks,
              (std::vector<std::string>{
                  "The pair file f.csv was imported as the table format reads it, but some "
                  "values need a look:",
                  "3 value cells are not a number and read as 0 (or as the number it starts "
                  "with): line 4, \"abc\"; line 6, \"0x10\"; line 7, \"5warm\"",
                  "3 lines hold a value beyond the range of single precision and were left out: "
                  "lines 2, 3, 6"}));
    ASSERT_TRUE(ImportPairText("x,y\n", "f", 0, set).ok);
    EXPECT_EQ(set.pairCount, 0);
    EXPECT_FALSE(set.fit.valid);
}

TEST(CalibImport, QuotesInHeadingsAndLineBreaksInQuotedCells)
{
    PairSet set;
    // A quote inside an unquoted cell is text and must not swallow the next line; a quoted
    // cell may hold a line break.
    const CalibStatus st =
        ImportPairText("Depth 5\",\"Obs\r\nline\"\r\n1,2\r\n2,3.5\r\n3,3.9\r\n", "q", 0, set);
    ASSERT_TRUE(st.ok) << st.error;
    EXPECT_EQ(set.xName, "Depth 5\"");
    EXPECT_EQ(set.yName, "Obs\r\nline");
    EXPECT_EQ(set.pairCount, 3);
    EXPECT_EQ(set.rows[2].y, 3.5f);
}

TEST(CalibImport, MoreThanTenThousandRowsStopWithAWarning)
{
    PairSet set;
    const CalibStatus st = ImportPairText(PairText(10005), "big.csv", 1, set);
    ASSERT_TRUE(st.ok) << st.error;
    EXPECT_EQ(set.pairCount, 10000);
    EXPECT_EQ(set.rows.size(), 10001u);
    ASSERT_EQ(st.warnings.size(), 1u);
    EXPECT_NE(st.warnings[0].find("10005"), std::string::npos);
}

TEST(CalibFit, AsymmetricLineAndDegenerateData)
{
    std::vector<PairRow> rows{{}, {1, 3}, {2, 5}, {kMissing, 100}, {4, 9}, {3, kMissing}};
    PairFit fit = FitPairs(rows);
    ASSERT_TRUE(fit.valid);
    EXPECT_EQ(fit.slope, 2.0f);
    EXPECT_EQ(fit.intercept, 1.0f);
    EXPECT_TRUE(fit.hasCorrelation);
    EXPECT_FLOAT_EQ(fit.correlation, 1.0f);

    // All x equal, even where the single-precision mean is not exactly that x: no fit, and
    // nothing from an earlier fit is left in the result.
    fit = FitPairs({{}, {0.1f, 1}, {0.1f, 2}, {0.1f, 7}});
    EXPECT_FALSE(fit.valid);
    EXPECT_EQ(fit.slope, 0);
    EXPECT_EQ(fit.correlation, 0);

    fit = FitPairs({{}, {1, 4}, {2, 4}, {5, 4}});
    ASSERT_TRUE(fit.valid);
    EXPECT_EQ(fit.slope, 0);
    EXPECT_EQ(fit.intercept, 4);
    EXPECT_FALSE(fit.hasCorrelation);

    EXPECT_FALSE(FitPairs({{}, {1, 4}}).valid);
}

// Values near the single-precision limit overflow the sums of the fit: no line rather than a
// slope of nan (or a false 0), and data set 1 is refused with the reason.
TEST(CalibFit, OverflowingSumsGiveNoLine)
{
    EXPECT_FALSE(FitPairs({{}, {3e38f, 3}, {0, 0}}).valid);
    EXPECT_FALSE(FitPairs({{}, {3e38f, 0}, {0, 1}}).valid);
    EXPECT_FALSE(FitPairs({{}, {3e38f, 3e38f}, {-3e38f, -3e38f}}).valid);
    const PairFit large = FitPairs({{}, {1e18f, 1}, {2e18f, 2}, {3e18f, 4}});
    ASSERT_TRUE(large.valid);
    EXPECT_TRUE(std::isfinite(large.slope) && std::isfinite(large.intercept));

    PairSet set0;
    const CalibStatus s0 = ImportPairText(",\n3e38,3\n0,0\n", "big.csv", 0, set0);
    ASSERT_TRUE(s0.ok);
    EXPECT_EQ(set0.pairCount, 2);
    EXPECT_FALSE(set0.fit.valid);

    PairSet set1;
    const CalibStatus s1 = ImportPairText("x,y\n3e38,3\n0,0\n", "big.csv", 1, set1);
    EXPECT_FALSE(s1.ok);
    EXPECT_NE(s1.error.find("too large"), std::string::npos) << s1.error;
    EXPECT_EQ(set1.pairCount, 0);
    const CalibStatus equal = ImportPairText("x,y\n2,3\n2,0\n", "equal.csv", 1, set1);
    EXPECT_NE(equal.error.find("all first values are equal"), std::string::npos);
}

TEST(CalibFit, ResidualSdUsesEveryCompleteRowAndRefusesZero)
{
    // Residuals +1/-1 about y = x over 6000 pairs: no cap, and the incomplete row between
    // them adds nothing.
    std::vector<PairRow> rows{{}};
    for (int i = 0; i < 6000; ++i) {
        rows.push_back(
            {static_cast<float>(i % 100), static_cast<float>(i % 100 + (i % 2 ? 1 : -1))});
        if (i == 10) rows.push_back({kMissing, 5});
    }
    PairFit line;
    line.valid = true;
    line.slope = 1;
    float sd = 0;
    std::string error;
    ASSERT_TRUE(ResidualSd(rows, line, sd, error));
    EXPECT_FLOAT_EQ(sd, std::sqrt(6000.0f / 5999.0f));

    EXPECT_FALSE(ResidualSd({{}, {1, 1}, {2, 2}}, line, sd, error));
    EXPECT_NE(error.find("0"), std::string::npos);
    EXPECT_FALSE(ResidualSd({{}, {1, 1}}, line, sd, error));  // one pair has no spread
}

TEST(CalibFit, LabelTexts)
{
    PairFit fit;
    fit.slope = 1.23456f;
    fit.intercept = -0.5f;
    EXPECT_EQ(FittedLineText(fit), "y = 1.235 x + -0.5");
    fit.intercept = 123.456f;
    EXPECT_EQ(FittedLineText(fit), "y = 1.235 x + 123.46");
    fit.intercept = -123.4567f;  // only 100 or more drops to two decimals
    EXPECT_EQ(FittedLineText(fit), "y = 1.235 x + -123.457");
    EXPECT_EQ(StandardDeviationText(1.234567f), "1.23457");
    EXPECT_EQ(StandardDeviationText(12.34567f), "12.3457");
    EXPECT_EQ(StandardDeviationText(12345.67f), "12345.7");
}

TEST(CalibReturn, SlotEightAddsFlagsAndProbability)
{
    Workspace ws = CalibWorkspace();
    ws.calibMatrices[kRegionFlags](100, 120) = -3;
    ws.calibMatrices[kProbability](100, 120) = -0.25f;
    ws.calibMatrices[kRegionFlags](100, 121) = 2;
    ws.calibMatrices[kProbability](100, 121) = 0.125f;
    ws.calibMatrices[kProbability](121, 100) = 0.5f;
    ReturnData(ws);
    const Matrix<float>& out = ws.calibMatrices[kReturnedMatrix];
    EXPECT_EQ(out(100, 120), -3.25f);
    EXPECT_EQ(out(100, 121), 2.125f);
    EXPECT_EQ(out(121, 100), 0.5f);
    EXPECT_EQ(out(0, 0), 0.0f);
    EXPECT_TRUE(ws.calibReturned);
}

}  // namespace
}  // namespace tarvex::calib
