#include "signal_generator.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr uint64_t kTimingStream = 2;
constexpr uint64_t kGaussianTimingStream = 4;

/// The clean waveform at x samples into a period of the given kind, before scaling.
double shape_at(const GeneratorState& st, double x) {
    const double length = st.period_length;
    switch (st.kind) {
        case PeriodKind::kSilence:
        case PeriodKind::kEnd:
            return 0;
        case PeriodKind::kClosing:
            // Only the rise of the waveform, then baseline: the edge completes the last bit.
            if (x >= length / 2) return 0;
            break;
        case PeriodKind::kLong:
        case PeriodKind::kShort:
            break;
    }
    switch (st.shape.waveform) {
        case Waveform::kPulse:
            return x < st.shape.pulse_width ? 1 : 0;
        case Waveform::kSquare:
            return x < length / 2 ? 1 : -1;
        case Waveform::kSine:
            return std::sin(kTwoPi * x / length);
    }
    return 0;
}

}  // namespace

void generator_init(GeneratorState* st, const SynthSettings& s) {
    *st = GeneratorState{};
    SignalShape& shape = st->shape;
    shape.samples_per_us = s.sample_rate / 1e6;
    shape.waveform = s.waveform;
    shape.peak = s.inverted ? -s.amplitude : s.amplitude;
    shape.speed_factor = 1 - s.speed_percent / 100;
    const double short_samples = s.short_period_us * shape.samples_per_us;
    shape.pulse_width =
        std::max(1.0, std::min(kPulseWidthUs * shape.samples_per_us, short_samples / 2));
    shape.wow_depth = s.wow_percent / 100;
    shape.wow_radians_per_sample = kTwoPi * s.wow_hz / s.sample_rate;
    shape.jitter_samples = s.jitter_us * shape.samples_per_us;
    shape.jitter_sd_samples = s.jitter_sd_us * shape.samples_per_us;
    st->timing = prng_seeded(s.seed, kTimingStream);
    st->gaussian = prng_seeded(s.seed, kGaussianTimingStream);
}

void generator_begin(GeneratorState* st, const PeriodEvent& period) {
    const SignalShape& shape = st->shape;
    st->period_start += st->period_length;
    st->kind = period.kind;
    double length = period.duration_us * shape.samples_per_us;
    if (shape.speed_factor != 1) length *= shape.speed_factor;
    if (period.kind == PeriodKind::kLong || period.kind == PeriodKind::kShort) {
        if (shape.wow_depth > 0) {
            length *=
                1 + shape.wow_depth * std::sin(shape.wow_radians_per_sample * st->period_start);
        }
        if (shape.jitter_samples > 0) {
            length += (2 * prng_uniform(&st->timing) - 1) * shape.jitter_samples;
        }
        if (shape.jitter_sd_samples > 0) {
            // The tails stay Gaussian; only a draw past four deviations can reach the floor.
            const double nominal = length;
            length += prng_gaussian(&st->gaussian) * shape.jitter_sd_samples;
            length = std::max(length, nominal * kMinJitteredFraction);
        }
    }
    st->period_length = length;
}

size_t generator_render(GeneratorState* st, double* out, size_t capacity) {
    const SignalShape& shape = st->shape;
    const double end = st->period_start + st->period_length;
    size_t count = 0;
    while (count < capacity && static_cast<double>(st->next_sample) < end) {
        const double x = static_cast<double>(st->next_sample) - st->period_start;
        out[count++] = shape.peak * shape_at(*st, x);
        ++st->next_sample;
    }
    return count;
}
