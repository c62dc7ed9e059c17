#include "tape_damage.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kButterworthQ = 0.7071067811865476;
constexpr uint64_t kNoiseStream = 1;
constexpr uint64_t kDropoutStream = 3;
constexpr uint64_t kBurstStream = 5;
constexpr uint64_t kBurstNoiseStream = 6;

/// A Butterworth low- or high-pass section, from the bilinear transform.
Biquad butterworth(double corner_hz, double sample_rate, bool high) {
    Biquad f;
    if (corner_hz <= 0) return f;
    const double w0 = kTwoPi * corner_hz / sample_rate;
    const double cosine = std::cos(w0);
    const double alpha = std::sin(w0) / (2 * kButterworthQ);
    const double a0 = 1 + alpha;
    const double edge = high ? (1 + cosine) / 2 : (1 - cosine) / 2;
    f.on = true;
    f.b0 = edge / a0;
    f.b1 = (high ? -2 * edge : 2 * edge) / a0;
    f.b2 = edge / a0;
    f.a1 = -2 * cosine / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

double biquad_step(Biquad* f, double x) {
    const double y = f->b0 * x + f->b1 * f->x1 + f->b2 * f->x2 - f->a1 * f->y1 - f->a2 * f->y2;
    f->x2 = f->x1;
    f->x1 = x;
    f->y2 = f->y1;
    f->y1 = y;
    return y;
}

void plan_spans(SpanPlan* d, unsigned count, double ms, uint64_t stream, const SynthSettings& s,
                uint64_t bit_periods) {
    d->length_samples = ms * s.sample_rate / 1000;
    if (bit_periods == 0) return;
    Prng prng = prng_seeded(s.seed, stream);
    for (unsigned i = 0; i < count; ++i) {
        const uint64_t start = static_cast<uint64_t>(prng_uniform(&prng) * bit_periods);
        // Insertion keeps the list sorted; it holds at most a thousand entries.
        size_t k = d->count++;
        for (; k > 0 && d->starts[k - 1] > start; --k) d->starts[k] = d->starts[k - 1];
        d->starts[k] = start;
    }
}

void span_note_bit_period(SpanPlan* d, uint64_t first_sample) {
    bool starts_here = false;
    while (d->next < d->count && d->starts[d->next] == d->bit_period) {
        starts_here = true;
        ++d->next;
    }
    if (starts_here) {
        d->start_sample = first_sample;
        d->end_sample = first_sample + static_cast<uint64_t>(d->length_samples);
    }
    ++d->bit_period;
}

bool span_covers(const SpanPlan& d, uint64_t sample) {
    return sample >= d.start_sample && sample < d.end_sample;
}

}  // namespace

void damage_init(DamageState* st, const SynthSettings& s, uint64_t bit_periods) {
    *st = DamageState{};
    st->clip_level = s.clip_level;
    plan_spans(&st->dropouts, s.dropouts, s.dropout_ms, kDropoutStream, s, bit_periods);
    plan_spans(&st->bursts, s.bursts, s.burst_ms, kBurstStream, s, bit_periods);
    st->burst_deviation = s.amplitude * kBurstDeviation;
    st->burst_noise = prng_seeded(s.seed, kBurstNoiseStream);
    st->highpass = butterworth(s.highpass_hz, s.sample_rate, true);
    st->lowpass = butterworth(s.lowpass_hz, s.sample_rate, false);
    st->hum_amplitude = s.hum_db > 0 ? s.amplitude * std::pow(10.0, -s.hum_db / 20) : 0;
    st->hum_radians_per_sample = kTwoPi * s.hum_hz / s.sample_rate;
    st->dc_offset = s.dc_offset;
    // The ratio is taken against the peak, so it means the same for every waveform.
    st->noise_deviation =
        s.noise_snr_db > 0 ? s.amplitude * std::pow(10.0, -s.noise_snr_db / 20) : 0;
    st->noise = prng_seeded(s.seed, kNoiseStream);
}

void damage_note_bit_period(DamageState* st, uint64_t first_sample) {
    span_note_bit_period(&st->dropouts, first_sample);
    span_note_bit_period(&st->bursts, first_sample);
}

void damage_apply(DamageState* st, double* samples, size_t count) {
    for (size_t i = 0; i < count; ++i, ++st->sample) {
        double v = samples[i];
        if (st->clip_level > 0) v = std::fmax(-st->clip_level, std::fmin(st->clip_level, v));
        if (span_covers(st->dropouts, st->sample)) v *= kDropoutGain;
        if (st->highpass.on) v = biquad_step(&st->highpass, v);
        if (st->lowpass.on) v = biquad_step(&st->lowpass, v);
        if (st->hum_amplitude > 0) {
            v += st->hum_amplitude *
                 std::sin(st->hum_radians_per_sample * static_cast<double>(st->sample));
        }
        v += st->dc_offset;
        if (span_covers(st->bursts, st->sample)) {
            v += st->burst_deviation * prng_gaussian(&st->burst_noise);
        }
        if (st->noise_deviation > 0) v += st->noise_deviation * prng_gaussian(&st->noise);
        samples[i] = v;
    }
}
