#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "data/NumberText.h"

namespace tarvex {
namespace {

TEST(NumberText, NumberTest)
{
    const struct {
        const char* text;
        bool number;
    } cases[] = {
        {"12", true},     {"0.5", true},    {"-3.25", true},    {"0", true},
        {"1E+20", true},  {"1E-05", true},  {"0.0001", true},   {"100000000000000", true},
        {"12.50", false}, {"1e3", false},   {".5", false},      {"007", false},
        {"", false},      {"-0", false},    {"+12", false},     {" 12", false},
        {"12 ", false},   {"1e+20", false}, {"0.00001", false}, {"1000000000000000", false},
        {"12abc", false}, {"abc", false},   {"5.", false},      {"1.234567890123456", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(NumberText, ValReadsTheLongestLeadingNumber)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12", 12},     {"  -3.25", -3.25}, {"\t7", 7},
        {"+4", 4},      {".5", 0.5},        {"5.", 5},
        {"-.5", -0.5},  {"1e3", 1000},      {"2.5E-2", 0.025},
        {"12abc", 12},  {"1e", 1},          {"1e+", 1},
        {"3.2.1", 3.2}, {"1 2", 1},         {"", 0},
        {"abc", 0},     {"-", 0},           {".", 0},
        {"1e-400", 0},  {"007", 7},         {"0.30000000000000004", 0.30000000000000004},
    };
    for (const auto& c : cases) EXPECT_EQ(Val(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(Val("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("-0.001e312"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("0.0001e300"), 1e296);  // in range although the exponent alone is not
}

TEST(NumberText, StrictValNeedsTheWholeText)
{
    const struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"12", true, 12}, {" 12.50 ", true, 12.5}, {"1e3", true, 1000}, {"-.5", true, -0.5},
        {"+4", true, 4},  {"", false, 0},          {"   ", false, 0},   {"12abc", false, 0},
        {"1e", false, 0}, {"1 2", false, 0},       {"abc", false, 0},   {"1e400", false, 0},
    };
    for (const auto& c : cases) {
        double value = -1;
        EXPECT_EQ(StrictVal(c.text, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(NumberText, FormatNumber)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {12, "12"},
        {0.5, "0.5"},
        {-3.25, "-3.25"},
        {-0.0, "0"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {123456789012345, "123456789012345"},
        {1234567890123456, "1.23456789012346E+15"},
        {999999999999999.9, "1E+15"},
        {1e20, "1E+20"},
        {-1.5e20, "-1.5E+20"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {0.00001, "1E-05"},
        {2.5e-100, "2.5E-100"},
        {1e300, "1E+300"},
        {std::numeric_limits<double>::infinity(), "inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value), c.text) << c.text;
}

TEST(NumberText, FormatSingle)
{
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.1f, "0.1"},
        {1.0f / 3, "0.3333333"},
        {1234567.0f, "1234567"},
        {12345678.0f, "1.234568E+07"},
        {-2.5f, "-2.5"},
        {0.00001f, "1E-05"},
        {-0.0f, "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSingle(c.value), c.text) << c.text;
}

TEST(NumberText, WholeNumbers)
{
    const struct {
        double value, halfEven, towardsMinusInfinity, towardsZero;
    } cases[] = {
        {2.5, 2, 2, 2},
        {3.5, 4, 3, 3},
        {-2.5, -2, -3, -2},
        {-3.5, -4, -4, -3},
        {0.5, 0, 0, 0},
        {1.5, 2, 1, 1},
        {2.4999999999999996, 2, 2, 2},
        {2.6, 3, 2, 2},
        {-2.6, -3, -3, -2},
        {-0.3, 0, -1, 0},
        {1e300, 1e300, 1e300, 1e300},
        {4503599627370497.0, 4503599627370497.0, 4503599627370497.0, 4503599627370497.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfEven(c.value), c.halfEven) << c.value;
        EXPECT_EQ(Int(c.value), c.towardsMinusInfinity) << c.value;
        EXPECT_EQ(Fix(c.value), c.towardsZero) << c.value;
    }
}

TEST(NumberText, RoundToDecimalsRoundsThePrintedValue)
{
    const struct {
        double value;
        int decimals;
        double rounded;
    } cases[] = {
        {2.675, 2, 2.68},  // stored below the half, printed as one
        {2.665, 2, 2.66},  // stored above the half, printed as one
        {0.125, 2, 0.12},
        {0.375, 2, 0.38},
        {-2.675, 2, -2.68},
        {1.005, 2, 1.0},
        {2.5, 0, 2},
        {3.5, 0, 4},
        {0.0049, 2, 0},
        {0.005, 2, 0},
        {0.0051, 2, 0.01},
        {0.015, 2, 0.02},
        {9.995, 2, 10},
        {-0.001, 2, 0},
        {0.1 + 0.2, 2, 0.3},
        {1234.5678, 1, 1234.6},
        {7, 3, 7},
        {2.5, -1, 2},
        {0.1 + 0.2, 17, 0.1 + 0.2},  // already within the decimals: unchanged
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundTo(c.value, c.decimals), c.rounded) << c.value << " to " << c.decimals;
    EXPECT_FALSE(std::signbit(RoundTo(-0.001, 2)));
}

TEST(NumberText, FormattedValuesReadBackExactlyWhenShort)
{
    for (double v : {0.1, -3.25, 123.456, 1e-7, 6.02214076e23, kProgramPi}) {
        const std::string text = FormatNumber(v);
        EXPECT_TRUE(IsNumber(text)) << text;
        EXPECT_EQ(Val(text), v) << text;
    }
}

// The significant digits (trailing zeros dropped) and the decimal exponent of the first one
// that a text of FormatNumber shows, in either of its notations.
std::pair<std::string, int> ShownDigits(std::string text)
{
    if (!text.empty() && text[0] == '-') text.erase(0, 1);
    int exponent = 0;
    const std::size_t e = text.find('E');
    if (e != std::string::npos) {
        exponent = std::stoi(text.substr(e + 1));
        text.resize(e);
    }
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string all = whole + (point == std::string::npos ? "" : text.substr(point + 1));
    const std::size_t first = all.find_first_not_of('0');
    if (first == std::string::npos) return {"0", 0};
    std::string digits = all.substr(first);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return {digits, exponent + static_cast<int>(whole.size()) - 1 - static_cast<int>(first)};
}

// The same from the C library's exact conversion to 15 significant digits.
std::pair<std::string, int> LibraryDigits(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(v));
    std::string digits = std::string(1, text[0]) + std::string(text + 2, 14);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return {digits, std::atoi(std::strchr(text, 'e') + 1)};
}

// Every double's text carries its value correctly rounded to 15 digits: doubles of random
// bits over the whole range, the neighbours of every power of ten, the doubles nearest to
// the halfway points between 15-digit decimals (where a rounding error would show first) and
// exact halves. The text written into a buffer is the same.
TEST(NumberText, FormatNumberRoundsCorrectlyToFifteenDigits)
{
    std::vector<double> values = {100000000000000.5, 99999999999999.5,  0.5,   1.5,  2.5e-10,
                                  999999999999999.5, 123456789012345.5, 1e-18, 1e15, 1e-19};
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t bits = random();
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
        // Values of the magnitudes result files hold.
        values.push_back(
            std::ldexp(static_cast<double>(random() >> 11), -53 - int(random() % 70) + 40));
    }
    for (int e = -22; e <= 17; ++e) {
        double below = std::pow(10.0, e), above = below;
        for (int k = 0; k < 20; ++k) {
            values.push_back(below);
            values.push_back(above);
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, 1e300);
        }
    }
    for (int i = 0; i < 20000; ++i) {
        // A 16-digit decimal ending in 5 at a random exponent.
        char text[64];
        std::snprintf(text, sizeof text, "%llu5e%d",
                      static_cast<unsigned long long>(random() % 900000000000000 + 100000000000000),
                      static_cast<int>(random() % 36) - 33);
        const double v = std::strtod(text, nullptr);
        values.push_back(v);
        values.push_back(std::nextafter(v, 0.0));
        values.push_back(std::nextafter(v, 1e300));
    }
    int checked = 0;
    for (const double v : values) {
        if (v == 0) continue;
        const std::string text = FormatNumber(v);
        char buffer[kNumberTextMax];
        ASSERT_EQ(std::string(buffer, FormatNumberTo(v, buffer)), text);
        auto expected = LibraryDigits(v);
        // Beyond the largest double's rounding the text is cut instead (tested above).
        if (std::fabs(v) > 1.7976931348623e308) continue;
        ASSERT_EQ(ShownDigits(text), expected) << text << " for " << LibraryDigits(v).first;
        ASSERT_EQ(text[0] == '-', v < 0) << text;
        ++checked;
    }
    EXPECT_GT(checked, 250000);
}

// The largest doubles round up to 1.79769313486232E+308 at 15 digits, a text beyond the double
// range: what is written must read back as a number that is written the same way again.
TEST(NumberText, LargestDoublesAreWrittenSoTheyReadBack)
{
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(FormatNumber(max), "1.79769313486231E+308");
    EXPECT_EQ(FormatNumber(-max), "-1.79769313486231E+308");
    EXPECT_EQ(FormatNumber(std::nextafter(max, 0.0)), "1.79769313486231E+308");
    EXPECT_EQ(FormatNumber(1.6e308), "1.6E+308");
    for (double v : {max, -max, std::nextafter(max, 0.0), 1.7976931348623e308}) {
        const std::string text = FormatNumber(v);
        const double back = Val(text);
        EXPECT_TRUE(std::isfinite(back)) << text;
        EXPECT_EQ(FormatNumber(back), text);
        EXPECT_TRUE(IsNumber(text)) << text;
    }
    // The text of the old writing still reads as it always did.
    EXPECT_TRUE(std::isinf(Val("1.79769313486232E+308")));
    const float fmax = std::numeric_limits<float>::max();
    EXPECT_EQ(FormatSingle(fmax), "3.402823E+38");
    EXPECT_EQ(FormatSingle(static_cast<float>(Val(FormatSingle(fmax)))), "3.402823E+38");
}

// Written, read back into single precision and written again, every float gives the same
// text: tried on the floats around each power of ten, where seven digits are coarsest.
TEST(NumberText, SingleTextsReadBackToTheSameText)
{
    EXPECT_EQ(FormatSingle(1.00000018e28f), "9.999999E+27");
    EXPECT_EQ(FormatSingle(1e28f), "9.999999E+27");
    EXPECT_EQ(FormatSingle(1e10f), "1E+10");
    int tried = 0;
    for (int e = -45; e <= 38; ++e) {
        const float centre = static_cast<float>(std::pow(10.0, e));
        float below = centre, above = centre;
        for (int k = 0; k < 40; ++k) {
            for (float v : {below, above, -above}) {
                if (v == 0 || !std::isfinite(v)) continue;
                const std::string text = FormatSingle(v);
                const double back = Val(text);
                ASSERT_TRUE(std::isfinite(back)) << text;
                EXPECT_EQ(FormatSingle(static_cast<float>(back)), text) << v;
                ++tried;
            }
            below = std::nextafter(below, 0.0f);
            above = std::nextafter(above, std::numeric_limits<float>::infinity());
        }
    }
    EXPECT_GT(tried, 6000);
}

}  // namespace
}  // namespace tarvex
