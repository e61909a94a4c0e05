#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "data/TableReader.h"

namespace tarvex {
namespace {

// Every finite number the program writes must read back finite, through the leading-number
// reading, the strict reading and the table reader alike, and the text must be stable: read
// and written again it is the same text.
TEST(ExtremeNumbers, DoublesAtTheEdgesReadBackFinite)
{
    const double denormalMin = std::numeric_limits<double>::denorm_min();
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {DBL_MAX, "1.79769313486231E+308"},
        {-DBL_MAX, "-1.79769313486231E+308"},
        {std::nextafter(DBL_MAX, 0.0), "1.79769313486231E+308"},
        {1.797693134862315e308, "1.79769313486231E+308"},
        {1.79769313486231e308, "1.79769313486231E+308"},
        {1.7976931348623e308, "1.7976931348623E+308"},
        {1e308, "1E+308"},
        {DBL_MIN, "2.2250738585072E-308"},
        {denormalMin, "4.94065645841247E-324"},
        {-denormalMin, "-4.94065645841247E-324"},
        {2 * denormalMin, "9.88131291682493E-324"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = FormatNumber(c.value);
        EXPECT_EQ(text, c.text);
        const double back = Val(text);
        EXPECT_TRUE(std::isfinite(back));
        EXPECT_NE(back, 0.0);
        EXPECT_EQ(std::signbit(back), std::signbit(c.value));
        double strict = 0;
        ASSERT_TRUE(StrictVal(text, strict));
        EXPECT_EQ(strict, back);
        EXPECT_EQ(FormatNumber(back), text);
        EXPECT_TRUE(IsNumber(text));
        // No more than one unit in the 15th digit away, and never further out than the value.
        EXPECT_LE(std::fabs(back), std::fabs(c.value) * (1 + 1e-14));
    }
    // The denormals come back as themselves: their 15 digits are closer than half a step.
    EXPECT_EQ(Val(FormatNumber(denormalMin)), denormalMin);
    EXPECT_EQ(Val(FormatNumber(-denormalMin)), -denormalMin);
}

TEST(ExtremeNumbers, SinglesAtTheEdgesReadBackFinite)
{
    const float denormalMin = std::numeric_limits<float>::denorm_min();
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {FLT_MAX, "3.402823E+38"},     {-FLT_MAX, "-3.402823E+38"},     {FLT_MIN, "1.175494E-38"},
        {denormalMin, "1.401298E-45"}, {-denormalMin, "-1.401298E-45"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = FormatSingle(c.value);
        EXPECT_EQ(text, c.text);
        const float back = static_cast<float>(Val(text));
        EXPECT_TRUE(std::isfinite(back));
        EXPECT_EQ(FormatSingle(back), text);
    }
    EXPECT_EQ(static_cast<float>(Val(FormatSingle(denormalMin))), denormalMin);
    // Seven digits do not pin a float down; near the top they land a few steps below it.
    EXPECT_LT(static_cast<float>(Val(FormatSingle(FLT_MAX))), FLT_MAX);
}

// What the record writer writes is what the table reader takes: a table written with the
// extreme values reads back with every cell finite and in place.
TEST(ExtremeNumbers, WrittenTableReadsBack)
{
    const double values[] = {DBL_MAX, -DBL_MAX, std::numeric_limits<double>::denorm_min(),
                             static_cast<double>(FLT_MAX)};
    RecordWriter w;
    w.Text("").Text("a").Text("b").Text("c").Text("d");
    w.EndRecord();
    for (const char* label : {"s1", "s2"}) {
        w.Text(label);
        for (double v : values) w.Number(v);
        w.EndRecord();
    }
    ASSERT_TRUE(w.AllFinite());
    CellReader reader(w.str());
    const TableReadResult read = ReadDataTable(reader);
    ASSERT_EQ(read.status, TableStatus::Ok) << w.str();
    ASSERT_EQ(read.table.rowCount, 2);
    for (int s = 1; s <= 2; ++s)
        for (int j = 1; j <= 4; ++j) {
            EXPECT_TRUE(std::isfinite(read.table.values(s, j)));
            EXPECT_EQ(FormatNumber(read.table.values(s, j)), FormatNumber(values[j - 1]));
        }
}

}  // namespace
}  // namespace tarvex
