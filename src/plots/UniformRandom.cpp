#include "plots/UniformRandom.h"

namespace tarvex {

namespace {

constexpr uint64_t kStartState = 1234567;

}  // namespace

UniformRandom::UniformRandom() : state_(kStartState) {}

uint64_t UniformRandom::NextBits()
{
    state_ += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double UniformRandom::Next()
{
    // 53 bits fill a double's mantissa exactly, so the largest value is 1 - 2^-53, never 1.
    return static_cast<double>(NextBits() >> 11) * 0x1.0p-53;
}

}  // namespace tarvex
