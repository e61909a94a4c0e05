#include "tf/Random.h"

namespace tarvex {
namespace tf {

namespace {

std::uint64_t Mix(std::uint64_t z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t Random::Below(std::uint64_t n)
{
    if (n <= 1) return 0;
    const std::uint64_t reject = (0 - n) % n;  // 2^64 mod n
    for (;;) {
        const std::uint64_t r = Next();
        if (r >= reject) return r % n;
    }
}

std::uint64_t Random::StreamSeed(std::uint64_t seed, Stream stream, std::uint64_t number)
{
    std::uint64_t z = Mix(seed);
    z = Mix(z ^ static_cast<std::uint64_t>(stream));
    return Mix(z ^ number);
}

}  // namespace tf
}  // namespace tarvex
