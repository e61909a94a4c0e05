#include "data/NumberText.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace tarvex {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A number found at the front of a text: its value and where it ends.
struct NumberScan {
    bool found = false;
    std::size_t end = 0;
    double value = 0;
};

// from_chars refuses values outside double without telling which side they fell off.
// The decimal exponent of the first significant digit decides: a value that is out of
// range with a positive one is too large, otherwise too small.
bool TooLarge(std::string_view number)
{
    long long intDigits = 0;
    long long fracDigits = 0;
    long long leadIndex = 0;  // position of the first non-zero digit among the integer digits
    bool leadInInteger = false;
    bool haveLead = false;
    long long leadExponent = 0;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (afterPoint) ++fracDigits;
        if (!haveLead && c != '0') {
            haveLead = true;
            leadInInteger = !afterPoint;
            leadIndex = intDigits;
            leadExponent = -fracDigits;
        }
        if (!afterPoint) ++intDigits;
    }
    if (!haveLead) return false;
    if (leadInInteger) leadExponent = intDigits - leadIndex - 1;
    long long exponent = 0;
    bool negative = false;
    if (i < number.size()) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            negative = number[i++] == '-';
        for (; i < number.size(); ++i)
            if (exponent < 1000000) exponent = exponent * 10 + (number[i] - '0');
    }
    return leadExponent + (negative ? -exponent : exponent) > 0;
}

NumberScan ScanNumber(std::string_view s, std::size_t i)
{
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t mantissa = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    std::size_t digits = i - mantissa;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && IsDigit(s[j])) ++j;
        digits += j - i - 1;
        if (digits > 0) i = j;
    }
    if (digits == 0) return {};
    // An exponent marker without digits ("1e", "2E+") is not part of the number.
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t expStart = j;
        while (j < s.size() && IsDigit(s[j])) ++j;
        if (j > expStart) i = j;
    }
    NumberScan scan;
    scan.found = true;
    scan.end = i;
    const std::string_view text = s.substr(mantissa, i - mantissa);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), scan.value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) scan.value = TooLarge(text) ? HUGE_VAL : 0.0;
    if (negative) scan.value = -scan.value;
    return scan;
}

// A finite, non-zero value as `precision` significant decimal digits (correctly rounded,
// trailing zeros kept) with the decimal exponent of the first digit.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(double v, int precision)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v,
                                      std::chars_format::scientific, precision - 1);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    Decimal d;
    if (text.front() == '-') {
        d.negative = true;
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    d.digits.push_back(text[0]);
    if (e > 2) d.digits.append(text.substr(2, e - 2));
    std::string_view exponent = text.substr(e + 1);
    const bool negativeExponent = exponent.front() == '-';
    exponent.remove_prefix(1);
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), d.exponent);
    if (negativeExponent) d.exponent = -d.exponent;
    return d;
}

// Rounding to the nearest decimal carries the very largest doubles past the largest double
// (1.7976931348623157E+308 becomes 1.79769313486232E+308), and such a text would read back as
// infinity. Those few are cut towards zero instead, one unit in the last digit.
void KeepWithinRange(Decimal& d)
{
    if (d.exponent < 308) return;
    const std::string text =
        d.digits + "e" + std::to_string(d.exponent - static_cast<int>(d.digits.size()) + 1);
    double back = 0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), back, std::chars_format::general);
    if (result.ec != std::errc::result_out_of_range) return;
    std::size_t i = d.digits.size();
    while (i > 1 && d.digits[i - 1] == '0') d.digits[--i] = '9';
    --d.digits[i - 1];
}

// The 15 significant digits of a positive double, correctly rounded, and the decimal exponent
// of the first one, by exact integer arithmetic: x = m 2^q is scaled by 10^k to
// m 5^k 2^(q + k), whose whole part holds the digits and whose remainder decides the
// rounding. Covers the values from 1E-18 to below 1E+15, where m 5^k fits in 128 bits; false
// for the others and for an exact half, which the general conversion then rounds. The files
// of a run hold hundreds of thousands of numbers, and this is several times faster.
#ifdef __SIZEOF_INT128__
using U128 = unsigned __int128;

struct PowersOfFive {
    U128 value[33];
    constexpr PowersOfFive() : value()
    {
        value[0] = 1;
        for (int k = 1; k < 33; ++k) value[k] = value[k - 1] * 5;
    }
};
constexpr PowersOfFive kPowersOfFive;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The eight decimal digits of v < 10^8, leading zeros included.
void EightDigits(std::uint32_t v, char* out)
{
    for (int i = 6; i >= 0; i -= 2) {
        const std::uint32_t pair = v % 100;
        v /= 100;
        out[i] = kDigitPairs[2 * pair];
        out[i + 1] = kDigitPairs[2 * pair + 1];
    }
}
#endif

bool FifteenDigits(double x, char* digits, int& exponent)
{
#ifdef __SIZEOF_INT128__
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof x, "IEEE double");
    std::memcpy(&bits, &x, sizeof bits);
    const int biased = static_cast<int>(bits >> 52) & 0x7ff;
    if (biased == 0 || biased == 0x7ff) return false;  // subnormal, or not finite
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int q = biased - 1075;
    // 2^b <= x < 2^(b + 1) puts the decimal exponent at floor(b log10 2) or one above; the
    // product is never within 1E-4 of a whole number for the exponents of doubles.
    const int b = biased - 1023;
    const double scaled = b * 0.30102999566398120;
    int e = static_cast<int>(scaled) - (scaled < 0 ? 1 : 0);
    constexpr std::uint64_t kLow = 100000000000000;  // 10^14
    constexpr std::uint64_t kHigh = kLow * 10;
    for (int attempt = 0; attempt < 2; ++attempt, ++e) {
        const int k = 14 - e;
        if (k < 0 || k > 32) return false;
        const U128 n = kPowersOfFive.value[k] * m;
        const int s = q + k;
        U128 whole = 0;
        bool up = false;
        if (s >= 0) {
            if (s > 20) return false;
            whole = n << s;
        } else {
            const int shift = -s;
            if (shift >= 127) return false;
            whole = n >> shift;
            const U128 rest = n & ((U128{1} << shift) - 1);
            const U128 half = U128{1} << (shift - 1);
            if (rest == half) return false;
            up = rest > half;
        }
        if (whole >= kHigh) continue;  // the exponent is the one above
        if (whole < kLow) return false;
        std::uint64_t v = static_cast<std::uint64_t>(whole) + (up ? 1 : 0);
        exponent = e;
        if (v == kHigh) {
            v = kLow;
            ++exponent;
        }
        // 15 digits: the first seven, then eight.
        char first[8];
        EightDigits(static_cast<std::uint32_t>(v / 100000000), first);
        std::memcpy(digits, first + 1, 7);
        EightDigits(static_cast<std::uint32_t>(v % 100000000), digits + 7);
        return true;
    }
    return false;
#else
    (void)x;
    (void)digits;
    (void)exponent;
    return false;
#endif
}

char* Append(char* out, const char* text, std::size_t length)
{
    std::memcpy(out, text, length);
    return out + length;
}

// Copies a run of up to 16 digits as one fixed piece of 16 bytes and returns the end of the
// run: fixed-size copies cost a move or two where a copy of a varying length is a call. The
// buffers on both sides have room for it (kNumberTextMax, a digit buffer of 32).
char* Digits(char* out, const char* digits, std::size_t count)
{
    std::memcpy(out, digits, 16);
    return out + count;
}

// Writes the text FormatNumber and FormatSingle describe into out (room for kNumberTextMax
// characters) and returns its end.
char* FormatGeneral(double v, int precision, char* out)
{
    if (std::isnan(v)) return Append(out, "nan", 3);
    if (std::isinf(v)) return v < 0 ? Append(out, "-inf", 4) : Append(out, "inf", 3);
    if (v == 0) return Append(out, "0", 1);
    char digitBuffer[32] = {};
    std::size_t count = 0;
    int e = 0;
    const bool negative = v < 0;
    if (precision == 15 && FifteenDigits(std::fabs(v), digitBuffer, e)) {
        count = 15;
    } else {
        Decimal d = ToDecimal(v, precision);
        KeepWithinRange(d);
        count = std::min(d.digits.size(), std::size_t{16});
        std::memcpy(digitBuffer, d.digits.data(), count);
        e = d.exponent;
    }
    while (count > 1 && digitBuffer[count - 1] == '0') --count;
    const char* digits = digitBuffer;

    if (negative) *out++ = '-';
    if (e < -4 || e >= precision) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            out = Digits(out, digits + 1, count - 1);
        }
        *out++ = 'E';
        *out++ = e < 0 ? '-' : '+';
        const int magnitude = e < 0 ? -e : e;
        if (magnitude < 10) *out++ = '0';
        out = std::to_chars(out, out + 8, magnitude).ptr;
    } else if (e >= 0) {
        const std::size_t intDigits = static_cast<std::size_t>(e) + 1;
        if (count <= intDigits) {
            out = Digits(out, digits, count);
            out = std::fill_n(out, intDigits - count, '0');
        } else {
            out = Digits(out, digits, intDigits);
            *out++ = '.';
            out = Digits(out, digits + intDigits, count - intDigits);
        }
    } else {
        *out++ = '0';
        *out++ = '.';
        std::memcpy(out, "0000", 4);
        out += -e - 1;
        out = Digits(out, digits, count);
    }
    return out;
}

std::string FormatGeneral(double v, int precision)
{
    char text[kNumberTextMax];
    return std::string(text, FormatGeneral(v, precision, text));
}

}  // namespace

double Val(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return ScanNumber(text, i).value;
}

bool StrictVal(std::string_view text, double& out)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    const std::string_view core = text.substr(first, last - first);
    const NumberScan scan = ScanNumber(core, 0);
    if (!scan.found || scan.end != core.size() || !std::isfinite(scan.value)) return false;
    out = scan.value;
    return true;
}

bool IsNumber(std::string_view text)
{
    // Cheap rejections first: the number test runs on every header cell of every import.
    if (text.empty() || IsBlank(text.front())) return false;
    return FormatNumber(Val(text)) == text;
}

std::string FormatNumber(double v)
{
    return FormatGeneral(v, 15);
}

std::size_t FormatNumberTo(double v, char* text)
{
    return static_cast<std::size_t>(FormatGeneral(v, 15, text) - text);
}

std::string FormatSingle(float v)
{
    std::string text = FormatGeneral(static_cast<double>(v), 7);
    // Seven digits do not single out every float: just above a power of ten the text can read
    // back as a float below it, which is written otherwise (1.0000002E+28 gives "1E+28", which
    // reads as 9.99999944E+27, written "9.999999E+27"). Such a value is written as the float
    // its text reads back as: the value read is the same either way, and writing it again
    // gives the same text.
    if (std::isfinite(v)) {
        const double back = Val(text);
        if (std::fabs(back) <= FLT_MAX && static_cast<float>(back) != v) {
            const float read = static_cast<float>(back);
            std::string again = FormatGeneral(static_cast<double>(read), 7);
            if (again != text && static_cast<float>(Val(again)) == read) return again;
        }
    }
    return text;
}

double RoundHalfEven(double v)
{
    if (!std::isfinite(v)) return v;
    const double whole = std::floor(v);
    const double fraction = v - whole;  // exact: both share v's binade or whole is 0/-1
    if (fraction > 0.5) return whole + 1;
    if (fraction < 0.5) return whole;
    return std::fmod(whole, 2.0) == 0 ? whole : whole + 1;
}

double Int(double v)
{
    return std::floor(v);
}

double Fix(double v)
{
    return std::trunc(v);
}

namespace {

enum class Tie { ToEven, Upwards };

// Rounds the value as the program prints it (15 significant digits) to the given decimals;
// tie says where an exact half goes.
double RoundDecimal(double v, int decimals, Tie tie)
{
    if (!std::isfinite(v) || v == 0) return v;
    if (decimals < 0) decimals = 0;
    const Decimal d = ToDecimal(v, 15);
    const long long kept = static_cast<long long>(d.exponent) + decimals + 1;
    if (kept >= static_cast<long long>(d.digits.size())) return v;

    const std::size_t k = kept > 0 ? static_cast<std::size_t>(kept) : 0;
    // Digits dropped entirely below the last kept place: the value is under half a unit,
    // unless exactly the first dropped digit is that place (kept == 0).
    const char next = kept < 0 ? '0' : d.digits[k];
    const bool restNonZero = d.digits.find_first_not_of('0', k + 1) != std::string::npos;
    bool halfUp = false;
    if (tie == Tie::ToEven)
        halfUp = k > 0 && ((d.digits[k - 1] - '0') % 2 == 1);
    else
        halfUp = !d.negative;  // towards plus infinity: a negative half loses magnitude
    const bool up = next > '5' || (next == '5' && (restNonZero || halfUp));

    std::string mantissa = k > 0 ? d.digits.substr(0, k) : std::string("0");
    if (up) {
        std::size_t i = mantissa.size();
        while (i > 0 && mantissa[i - 1] == '9') mantissa[--i] = '0';
        if (i == 0)
            mantissa.insert(mantissa.begin(), '1');
        else
            ++mantissa[i - 1];
    }
    // The rounded decimal is mantissa * 10^-decimals; parsing it gives the double nearest to it.
    mantissa.append("e-");
    mantissa.append(std::to_string(decimals));
    double result = 0;
    std::from_chars(mantissa.data(), mantissa.data() + mantissa.size(), result,
                    std::chars_format::general);
    if (result == 0) return 0.0;
    return d.negative ? -result : result;
}

}  // namespace

double RoundTo(double v, int decimals)
{
    return RoundDecimal(v, decimals, Tie::ToEven);
}

double RoundHalfUpTo(double v, int decimals)
{
    return RoundDecimal(v, decimals, Tie::Upwards);
}

}  // namespace tarvex
