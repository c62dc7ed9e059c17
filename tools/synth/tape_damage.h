#pragma once

#include <cstddef>
#include <cstdint>

#include "prng.h"
#include "synth_settings.h"

/// A second-order IIR section: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
struct Biquad {
    bool on = false;
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;  ///< normalised coefficients
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;          ///< the last two inputs and outputs
};

/// Where a damage of fixed length strikes (a dropout, a noise burst): bit-period
/// indices drawn from the seed, sorted.
struct SpanPlan {
    uint64_t starts[kMaxDropouts];  ///< bit period at which each span begins
    size_t count = 0;
    size_t next = 0;          ///< first entry not yet reached
    uint64_t bit_period = 0;  ///< bit periods begun so far
    double length_samples = 0;
    uint64_t end_sample = 0;  ///< the current span lasts until here; 0 when none
    uint64_t start_sample = 0;
};

/// What happens to the clean signal between the tape and the recording, in this
/// order: clipping on the way onto the tape, dropouts of the tape, the band
/// limit of the playback head, mains hum, a DC offset, noise bursts and noise of
/// the input.
struct DamageState {
    uint64_t sample = 0;    ///< index of the next sample
    double clip_level = 0;  ///< 0 when off
    SpanPlan dropouts;
    SpanPlan bursts;
    double burst_deviation = 0;  ///< fraction of full scale
    Prng burst_noise;            ///< noise of the bursts, apart from the steady noise
    Biquad highpass;
    Biquad lowpass;
    double hum_amplitude = 0;  ///< fraction of full scale, 0 when off
    double hum_radians_per_sample = 0;
    double dc_offset = 0;        ///< fraction of full scale
    double noise_deviation = 0;  ///< 0 when off
    Prng noise;                  ///< per-sample noise
};

/// Derives everything from checked settings; bit_periods is how many bit periods
/// the recording holds, among which the dropouts are placed.
void damage_init(DamageState* st, const SynthSettings& settings, uint64_t bit_periods);

/// A bit period begins at first_sample: a dropout or a burst may start there.
void damage_note_bit_period(DamageState* st, uint64_t first_sample);

/// Damages the next count samples in place.
void damage_apply(DamageState* st, double* samples, size_t count);
