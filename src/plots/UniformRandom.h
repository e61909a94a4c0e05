#pragma once

#include <cstdint>

namespace tarvex {

// The program's one source of random numbers: SplitMix64, a 64-bit counter passed through a
// mixing function, with the top 53 bits of each output scaled to a double in [0, 1). Every instance
// starts from the same fixed state and is never reseeded, so the same actions after start-up draw
// the same numbers on every machine. The start state 1234567 is the one the published reference
// outputs are given for, which lets the tests check the arithmetic.
class UniformRandom {
public:
    UniformRandom();

    // Uniform on [0, 1), in steps of 2^-53.
    double Next();

    // The raw 64-bit output behind the next Next().
    uint64_t NextBits();

private:
    uint64_t state_;
};

}  // namespace tarvex
