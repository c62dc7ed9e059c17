#include "prng.h"

#include <cmath>

namespace {

constexpr uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ull;
constexpr double kTwoPow53 = 9007199254740992.0;

}  // namespace

Prng prng_seeded(uint64_t seed, uint64_t stream) {
    Prng prng;
    prng.state = seed;
    // Stir the stream number in through one draw, so nearby seeds and streams differ widely.
    prng.state ^= prng_next(&prng) + stream * kGoldenGamma;
    return prng;
}

uint64_t prng_next(Prng* prng) {
    uint64_t z = (prng->state += kGoldenGamma);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double prng_uniform(Prng* prng) {
    return static_cast<double>(prng_next(prng) >> 11) / kTwoPow53;
}

double prng_gaussian(Prng* prng) {
    if (prng->has_spare) {
        prng->has_spare = false;
        return prng->spare;
    }
    // The polar form of Box-Muller: a point drawn in the unit disc, no sine or cosine.
    double x = 0;
    double y = 0;
    double r = 0;
    do {
        x = 2 * prng_uniform(prng) - 1;
        y = 2 * prng_uniform(prng) - 1;
        r = x * x + y * y;
    } while (r >= 1 || r == 0);
    const double scale = std::sqrt(-2 * std::log(r) / r);
    prng->spare = y * scale;
    prng->has_spare = true;
    return x * scale;
}
