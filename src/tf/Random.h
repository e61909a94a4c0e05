#pragma once

#include <cstdint>
#include <random>

namespace tarvex {
namespace tf {

// The random numbers of the transfer functions (bootstrap resamples, random variables of the
// significance test). The engine is the standard library's std::mt19937_64, whose output the
// language standard fixes bit for bit; uniforms and indices are made here from its raw 64-bit
// outputs, never by the library's distributions, whose results differ between libraries. So
// a run repeats exactly on any machine and any standard library.
//
// Every resample and every random variable has a stream of its own, seeded from the run's
// seed, the kind of stream and its number: a resample can be drawn on any thread, in any
// order, and still give the same numbers.
class Random {
public:
    static constexpr const char* kEngineName = "mt19937_64";
    static constexpr std::uint64_t kDefaultSeed = 1;

    // Streams of a run.
    enum class Stream : std::uint64_t { Bootstrap = 1, RandomVariable = 2, ComponentTest = 3 };

    explicit Random(std::uint64_t seed) : engine_(seed) {}
    Random(std::uint64_t seed, Stream stream, std::uint64_t number)
        : engine_(StreamSeed(seed, stream, number))
    {
    }

    std::uint64_t Next() { return engine_(); }

    // Uniform on [0, 1) in steps of 2^-53: the top 53 bits of one output.
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // Uniform on 0..n-1 (n >= 1) without bias: outputs below 2^64 mod n are drawn again, so
    // the rest divide evenly among the n values.
    std::uint64_t Below(std::uint64_t n);

    // The engine seed of a stream: SplitMix64's mixing of the three numbers in turn.
    static std::uint64_t StreamSeed(std::uint64_t seed, Stream stream, std::uint64_t number);

private:
    std::mt19937_64 engine_;
};

}  // namespace tf
}  // namespace tarvex
