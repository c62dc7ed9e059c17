#pragma once

#include <cstddef>
#include <cstdint>

#include "period_plan.h"
#include "prng.h"
#include "synth_settings.h"

/// Everything derived from the settings once, before the first sample.
struct SignalShape {
    double samples_per_us = 0;  ///< sample rate / 1e6
    Waveform waveform = Waveform::kPulse;
    double peak = 0;          ///< signed amplitude: negative when inverted
    double speed_factor = 1;  ///< every period's length is multiplied by it
    double pulse_width = 0;   ///< samples, at least 1
    double wow_depth = 0;     ///< fraction, 0 when off
    double wow_radians_per_sample = 0;
    double jitter_samples = 0;     ///< 0 when off
    double jitter_sd_samples = 0;  ///< deviation of the Gaussian jitter, 0 when off
};

/// The generator's position: the current period on a continuous time line
/// counted in samples, and the next sample to produce. Each period begins with a
/// rising edge at its first sample, ceil(period_start).
struct GeneratorState {
    SignalShape shape;
    uint64_t next_sample = 0;  ///< index of the next sample to render
    double period_start = 0;   ///< samples
    double period_length = 0;  ///< samples
    PeriodKind kind = PeriodKind::kSilence;
    Prng timing;    ///< per-period uniform jitter
    Prng gaussian;  ///< per-period Gaussian jitter, a stream of its own
};

/// Derives the shape from checked settings and places the generator at sample 0.
void generator_init(GeneratorState* st, const SynthSettings& settings);

/// Starts the next period right where the current one ends, applying the speed
/// error to every period, wow and jitter to bit periods.
void generator_begin(GeneratorState* st, const PeriodEvent& period);

/// Renders the current period's clean samples (fractions of full scale) into out, at most
/// capacity of them. Returns how many were written; 0 once the period is done.
size_t generator_render(GeneratorState* st, double* out, size_t capacity);
