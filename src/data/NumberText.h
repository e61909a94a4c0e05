#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Every conversion between numbers and program-visible text goes through here, so that the
// tables the program reads and the files it writes agree on one notation whatever the
// process locale says (the decimal point is always '.').

namespace tarvex {

inline constexpr double kProgramPi = 3.1415926535898;

// Leading-number reading: the value of the longest leading part of text that forms a number
// (leading spaces and tabs skipped, optional sign, digits with an optional '.', optional
// exponent e/E[+-]digits; "5." and ".5" count). 0 when there is none, so empty and text cells
// read as 0. A magnitude beyond double gives +-infinity, one below it +-0.
double Val(std::string_view text);

// Strict reading: the whole text, apart from surrounding spaces and tabs, must be a number in
// the same grammar as Val. Fails on empty text, trailing garbage and values out of range.
bool StrictVal(std::string_view text, double& out);

// The number test: text is a number only when it is exactly the canonical text of its own
// value, so "12" and "0.5" are numbers but "12.50", "1e3", ".5", "007" and "" are not.
bool IsNumber(std::string_view text);

// Shortest general text of a value with at most 15 significant digits: '-' for negatives
// only, '.' as decimal point, "0." before magnitudes below 1, no trailing zeros, "0" for -0.
// Decimal exponents from -5 down and from 15 up use the exponent form mantissa + "E" + sign +
// at least two digits: 1E+15, 1.5E+20, 1E-05, 2.5E-100. Non-finite values give "inf",
// "-inf" and "nan", which no reading turns back into a number. Every finite value's text reads
// back finite: the few largest doubles, which would round up past the largest double, are cut
// towards zero instead (DBL_MAX gives 1.79769313486231E+308).
std::string FormatNumber(double v);

// The room FormatNumberTo needs: the longest text is "-1.23456789012345E-308" (22), and the
// bytes past the text's end up to here may be overwritten as well.
inline constexpr std::size_t kNumberTextMax = 40;
// The text of FormatNumber written to text (room for kNumberTextMax characters, no NUL
// added); returns its length. For writers that append hundreds of thousands of numbers.
std::size_t FormatNumberTo(double v, char* text);

// The same for single precision: at most 7 significant digits, exponent form from decimal
// exponent 7 up (12345678 -> "1.234568E+07") and from -5 down.
std::string FormatSingle(float v);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double v);

// Whole part towards minus infinity (-2.5 -> -3).
double Int(double v);

// Whole part towards zero (-2.5 -> -2).
double Fix(double v);

// v rounded to the given number of decimals, halves to even. The value is rounded as the
// program prints it (15 significant digits), not by its binary expansion: 2.675 is stored as
// 2.67499999..., yet reads and prints as 2.675, so it is a half and goes to 2.68; 2.665 goes
// to 2.66 and 0.125 to 0.12. A value that already has no more decimals than asked for comes
// back unchanged. Negative decimals count as 0.
double RoundTo(double v, int decimals);

// The same with an exact half going upwards, towards plus infinity: 0.125 -> 0.13 and
// -0.125 -> -0.12 at two decimals, 2.5 -> 3 and -2.5 -> -2 at none.
double RoundHalfUpTo(double v, int decimals);

}  // namespace tarvex
