#pragma once

#include <cstddef>
#include <cstdint>

/// Shape of one period of the tape signal; every period begins with a rising edge.
enum class Waveform {
    kPulse,   ///< a narrow positive pulse on a flat baseline, as on published tapes
    kSquare,  ///< high for the first half of the period, low for the second
    kSine,    ///< one sine cycle per period, starting upward
};

/// Everything that shapes a recording. `SynthSettings s;` is a clean, ordinary
/// recording; every degradation is off until set.
struct SynthSettings {
    uint32_t sample_rate = 44100;  ///< Hz
    int bits_per_sample = 8;       ///< 8 (unsigned samples) or 16 (signed)
    int channels = 1;              ///< 1, or 2 with the same signal on both
    Waveform waveform = Waveform::kPulse;
    double amplitude = 0.85;         ///< peak, as a fraction of full scale (0..1]
    bool inverted = false;           ///< negate the signal around the baseline
    double short_period_us = 816;    ///< one of the two periods of a 1 bit
    double long_period_us = 1633;    ///< the period of a 0 bit
    double silence_before_s = 0.5;   ///< baseline before the first image
    double silence_between_s = 1.0;  ///< baseline between two images
    double silence_after_s = 0.5;    ///< baseline after the last image
    double noise_snr_db = 0;         ///< Gaussian noise, dB below the amplitude; <= 0: none
    uint64_t seed = 1;               ///< seeds the noise and the jitter
    double dc_offset = 0;            ///< added to every sample, fraction of full scale
    double wow_percent = 0;          ///< depth of a slow sinusoidal speed drift
    double jitter_us = 0;            ///< each period moves by up to +- this, uniformly
};

/// Accepted ranges, shared by the command line and the library checks.
constexpr uint32_t kMinSampleRateHz = 4000;
constexpr uint32_t kMaxSampleRateHz = 384000;
constexpr double kMinPeriodUs = 1;
constexpr double kMaxPeriodUs = 1000000;
constexpr double kMinPeriodSamples = 4;  ///< a shorter period could not rise and fall
constexpr double kMaxSilenceS = 3600;
constexpr double kMaxSnrDb = 200;
constexpr double kMaxDcOffset = 1;
constexpr double kMaxWowPercent = 25;

/// Width of the narrow pulse of Waveform::kPulse; never more than half a short period.
constexpr double kPulseWidthUs = 150;
/// Rate of the wow drift: one slow cycle every two seconds.
constexpr double kWowHz = 0.5;

/// Checks every field and the ones that depend on each other. Returns kSynthOk, or
/// kSynthParameter with a one-line message naming the setting.
int synth_check_settings(const SynthSettings& settings, char* message, size_t message_bytes);
