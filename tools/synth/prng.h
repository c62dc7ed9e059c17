#pragma once

#include <cstdint>

/// A small generator of our own, so that a seed gives the same recording with any
/// standard library: splitmix64 for the bits, polar Box-Muller for Gaussian values.
struct Prng {
    uint64_t state = 0;      ///< advances by a fixed odd step per draw
    bool has_spare = false;  ///< Box-Muller makes values in pairs
    double spare = 0;        ///< the second value of the last pair
};

/// A generator for one purpose: the stream number keeps noise and jitter apart,
/// so adding noise does not move any edge.
Prng prng_seeded(uint64_t seed, uint64_t stream);

uint64_t prng_next(Prng* prng);

/// Uniform in [0, 1), 53 bits.
double prng_uniform(Prng* prng);

/// Standard normal (mean 0, deviation 1).
double prng_gaussian(Prng* prng);
