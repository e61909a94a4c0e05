// The number texts on arbitrary bytes: the leading-number and strict readings never fail
// and agree with each other, and every finite value the program writes reads back to a value
// written the same way again, in double (FormatNumber) and single precision (FormatSingle).

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "data/NumberText.h"

namespace {

using namespace tarvex;

void CheckDoubleRoundTrip(double x)
{
    if (!std::isfinite(x)) return;
    const std::string text = FormatNumber(x);
    const double back = Val(text);
    TARVEX_FUZZ_CHECK(std::isfinite(back));
    TARVEX_FUZZ_CHECK(FormatNumber(back) == text);
    double strict = 0;
    TARVEX_FUZZ_CHECK(StrictVal(text, strict) && strict == back);
    TARVEX_FUZZ_CHECK(IsNumber(text));
}

void CheckSingleRoundTrip(float x)
{
    if (!std::isfinite(x)) return;
    const std::string text = FormatSingle(x);
    const double back = Val(text);
    TARVEX_FUZZ_CHECK(std::isfinite(back) && std::fabs(back) <= FLT_MAX);
    TARVEX_FUZZ_CHECK(FormatSingle(static_cast<float>(back)) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double loose = Val(text);
    double strict = 0;
    if (StrictVal(text, strict)) {
        TARVEX_FUZZ_CHECK(std::isfinite(strict));
        TARVEX_FUZZ_CHECK(strict == loose || (std::isnan(strict) && std::isnan(loose)));
    }
    if (IsNumber(text)) TARVEX_FUZZ_CHECK(FormatNumber(loose) == text);
    CheckDoubleRoundTrip(loose);
    CheckSingleRoundTrip(static_cast<float>(std::fabs(loose) <= FLT_MAX ? loose : 0.0));

    // The raw bytes as values, so every bit pattern (subnormals, the extremes) is tried.
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        CheckDoubleRoundTrip(x);
    }
    if (size >= sizeof(float)) {
        float x;
        std::memcpy(&x, data, sizeof x);
        CheckSingleRoundTrip(x);
    }
    return 0;
}
