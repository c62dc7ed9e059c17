#include "synth_settings.h"

#include <cmath>
#include <cstring>

#include "synth_message.h"

namespace {

/// True when v is a number within [low, high].
bool within(double v, double low, double high) {
    return std::isfinite(v) && v >= low && v <= high;
}

/// True when bits is a width the encoding has.
bool width_fits(SampleEncoding encoding, int bits) {
    switch (encoding) {
        case SampleEncoding::kPcm:
            return bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case SampleEncoding::kFloat:
            return bits == 32 || bits == 64;
        case SampleEncoding::kAlaw:
        case SampleEncoding::kMulaw:
            return bits == 8;
    }
    return false;
}

/// The sample format, the channels and the optional chunks.
bool check_format(const SynthSettings& s, char* message, size_t message_bytes) {
    const bool g711 = s.encoding == SampleEncoding::kAlaw || s.encoding == SampleEncoding::kMulaw;
    if (!width_fits(s.encoding, s.bits_per_sample)) {
        synth_message(message, message_bytes, "bits per sample must be %s, not %d",
                      s.encoding == SampleEncoding::kPcm     ? "8, 16, 24 or 32"
                      : s.encoding == SampleEncoding::kFloat ? "32 or 64 for float samples"
                                                             : "8 for A-law and mu-law samples",
                      s.bits_per_sample);
    } else if (s.channels != 1 && s.channels != 2) {
        synth_message(message, message_bytes, "channels must be 1 or 2, not %d", s.channels);
    } else if (s.signal_channel != 0 && (s.channels != 2 || s.signal_channel > 2)) {
        synth_message(message, message_bytes, "the signal on channel %d needs 2 channels (-c 2)",
                      s.signal_channel);
    } else if (s.extensible && g711) {
        synth_message(message, message_bytes, "an extensible header holds PCM or float only");
    } else if (s.list_text != nullptr && std::strlen(s.list_text) > kMaxListTextChars) {
        synth_message(message, message_bytes, "LIST text longer than %zu characters",
                      kMaxListTextChars);
    } else {
        return true;
    }
    return false;
}

/// The degradations of the tape itself.
bool check_damage(const SynthSettings& s, char* message, size_t message_bytes) {
    const double nyquist = s.sample_rate / 2.0;
    if (!within(s.speed_percent, -kMaxSpeedPercent, kMaxSpeedPercent)) {
        synth_message(message, message_bytes, "speed error %g%% is outside -%g..%g%%",
                      s.speed_percent, kMaxSpeedPercent, kMaxSpeedPercent);
    } else if (!within(s.clip_level, 0, 1)) {
        synth_message(message, message_bytes, "clip level %g is outside 0..1", s.clip_level);
    } else if (!within(s.highpass_hz, 0, nyquist) || s.highpass_hz == nyquist ||
               !within(s.lowpass_hz, 0, nyquist) || s.lowpass_hz == nyquist) {
        synth_message(message, message_bytes, "filter corners must lie below %g Hz", nyquist);
    } else if (s.highpass_hz > 0 && s.lowpass_hz > 0 && s.highpass_hz >= s.lowpass_hz) {
        synth_message(message, message_bytes, "high-pass %g Hz must lie below low-pass %g Hz",
                      s.highpass_hz, s.lowpass_hz);
    } else if (s.dropouts > kMaxDropouts || !within(s.dropout_ms, 0, kMaxDropoutMs) ||
               s.dropout_ms == 0) {
        synth_message(message, message_bytes, "dropouts: at most %u of up to %g ms", kMaxDropouts,
                      kMaxDropoutMs);
    } else if (s.bursts > kMaxDropouts || !within(s.burst_ms, 0, kMaxDropoutMs) ||
               s.burst_ms == 0) {
        synth_message(message, message_bytes, "noise bursts: at most %u of up to %g ms",
                      kMaxDropouts, kMaxDropoutMs);
    } else if (!within(s.hum_db, -INFINITY, kMaxSnrDb) || (s.hum_hz != 50 && s.hum_hz != 60)) {
        synth_message(message, message_bytes, "hum must lie up to %g dB below, at 50 or 60 Hz",
                      kMaxSnrDb);
    } else {
        return true;
    }
    return false;
}

/// The checks of single fields, in the order the options are listed in the usage text.
bool check_fields(const SynthSettings& s, char* message, size_t message_bytes) {
    if (s.sample_rate < kMinSampleRateHz || s.sample_rate > kMaxSampleRateHz) {
        synth_message(message, message_bytes, "sample rate %u Hz is outside %u..%u Hz",
                      s.sample_rate, kMinSampleRateHz, kMaxSampleRateHz);
    } else if (!check_format(s, message, message_bytes)) {
        return false;
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
    } else if (!within(s.wow_hz, 0, kMaxWowHz) || s.wow_hz == 0) {
        synth_message(message, message_bytes, "wow rate %g Hz is outside (0, %g]", s.wow_hz,
                      kMaxWowHz);
    } else if (!within(s.jitter_us, 0, kMaxPeriodUs)) {
        synth_message(message, message_bytes, "jitter %g us is negative or too large", s.jitter_us);
    } else if (!within(s.jitter_sd_us, 0, kMaxPeriodUs)) {
        synth_message(message, message_bytes, "jitter deviation %g us is negative or too large",
                      s.jitter_sd_us);
    } else {
        return check_damage(s, message, message_bytes);
    }
    return false;
}

}  // namespace

int synth_check_settings(const SynthSettings& s, char* message, size_t message_bytes) {
    if (!check_fields(s, message, message_bytes)) return kSynthParameter;
    // A tape played fast shortens every period.
    const double short_samples =
        s.short_period_us * s.sample_rate / 1e6 * (1 - s.speed_percent / 100);
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
    } else if (s.jitter_sd_us > s.short_period_us * kMaxJitterSdFraction) {
        synth_message(message, message_bytes,
                      "jitter deviation %g us is more than a quarter of the short period %g us",
                      s.jitter_sd_us, s.short_period_us);
    } else {
        return kSynthOk;
    }
    return kSynthParameter;
}
