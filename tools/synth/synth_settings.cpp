#include "synth_settings.h"

#include <cmath>

#include "synth_message.h"

namespace {

/// True when v is a number within [low, high].
bool within(double v, double low, double high) {
    return std::isfinite(v) && v >= low && v <= high;
}

/// The checks of single fields, in the order the options are listed in the usage text.
bool check_fields(const SynthSettings& s, char* message, size_t message_bytes) {
    if (s.sample_rate < kMinSampleRateHz || s.sample_rate > kMaxSampleRateHz) {
        synth_message(message, message_bytes, "sample rate %u Hz is outside %u..%u Hz",
                      s.sample_rate, kMinSampleRateHz, kMaxSampleRateHz);
    } else if (s.bits_per_sample != 8 && s.bits_per_sample != 16) {
        synth_message(message, message_bytes, "bits per sample must be 8 or 16, not %d",
                      s.bits_per_sample);
    } else if (s.channels != 1 && s.channels != 2) {
        synth_message(message, message_bytes, "channels must be 1 or 2, not %d", s.channels);
    } else if (!within(s.amplitude, 0, 1) || s.amplitude == 0) {
        synth_message(message, message_bytes, "amplitude %g is outside (0, 1]", s.amplitude);
    } else if (!within(s.short_period_us, kMinPeriodUs, kMaxPeriodUs) ||
               !within(s.long_period_us, kMinPeriodUs, kMaxPeriodUs)) {
        synth_message(message, message_bytes, "periods must lie within %g..%g us", kMinPeriodUs,
                      kMaxPeriodUs);
    } else if (!within(s.silence_before_s, 0, kMaxSilenceS) ||
               !within(s.silence_between_s, 0, kMaxSilenceS) ||
               !within(s.silence_after_s, 0, kMaxSilenceS)) {
        synth_message(message, message_bytes, "silences must lie within 0..%g s", kMaxSilenceS);
    } else if (!within(s.noise_snr_db, -INFINITY, kMaxSnrDb)) {
        synth_message(message, message_bytes,
                      "signal-to-noise ratio %g dB is not a number up to %g dB", s.noise_snr_db,
                      kMaxSnrDb);
    } else if (!within(s.dc_offset, -kMaxDcOffset, kMaxDcOffset)) {
        synth_message(message, message_bytes, "DC offset %g is outside -%g..%g", s.dc_offset,
                      kMaxDcOffset, kMaxDcOffset);
    } else if (!within(s.wow_percent, 0, kMaxWowPercent)) {
        synth_message(message, message_bytes, "wow %g%% is outside 0..%g%%", s.wow_percent,
                      kMaxWowPercent);
    } else if (!within(s.jitter_us, 0, kMaxPeriodUs)) {
        synth_message(message, message_bytes, "jitter %g us is negative or too large", s.jitter_us);
    } else {
        return true;
    }
    return false;
}

}  // namespace

int synth_check_settings(const SynthSettings& s, char* message, size_t message_bytes) {
    if (!check_fields(s, message, message_bytes)) return kSynthParameter;
    const double short_samples = s.short_period_us * s.sample_rate / 1e6;
    if (short_samples < kMinPeriodSamples) {
        synth_message(message, message_bytes, "short period %g us is under %g samples at %u Hz",
                      s.short_period_us, kMinPeriodSamples, s.sample_rate);
    } else if (s.long_period_us <= s.short_period_us) {
        synth_message(message, message_bytes,
                      "long period %g us must be longer than the short period %g us",
                      s.long_period_us, s.short_period_us);
    } else if (s.jitter_us > s.short_period_us / 2) {
        // A larger jitter could make a period vanish or run backwards.
        synth_message(message, message_bytes,
                      "jitter %g us is more than half the short period %g us", s.jitter_us,
                      s.short_period_us);
    } else {
        return kSynthOk;
    }
    return kSynthParameter;
}
