#pragma once

#include <cstddef>
#include <cstdint>

#include "tape/tape_block.h"

/// Shape of one period of the tape signal; every period begins with a rising edge.
enum class Waveform {
    kPulse,   ///< a narrow positive pulse on a flat baseline, as on published tapes
    kSquare,  ///< high for the first half of the period, low for the second
    kSine,    ///< one sine cycle per period, starting upward
};

/// How each sample is stored. Every format but 8-bit PCM is made from the 16-bit
/// value, so a recording in any of them carries the 16-bit recording's samples.
enum class SampleEncoding {
    kPcm,    ///< integers: 8-bit unsigned, 16-, 24- or 32-bit signed
    kFloat,  ///< IEEE float, 32 or 64 bits: the 16-bit value / 32768
    kAlaw,   ///< 8-bit G.711 A-law of the 16-bit value
    kMulaw,  ///< 8-bit G.711 mu-law of the 16-bit value
};

/// Everything that shapes a recording. `SynthSettings s;` is a clean, ordinary
/// recording; every degradation is off until set.
struct SynthSettings {
    uint32_t sample_rate = 44100;  ///< Hz
    int bits_per_sample = 8;       ///< 8 (unsigned samples), 16, 24, 32 or 64 (float only)
    int channels = 1;              ///< 1, or 2 with the same signal on both
    SampleEncoding encoding = SampleEncoding::kPcm;
    int signal_channel = 0;           ///< 1 or 2: the signal on that channel only; 0: on all
    bool extensible = false;          ///< WAVE_FORMAT_EXTENSIBLE format chunk
    bool rf64 = false;                ///< "RF64" header with a ds64 chunk
    bool junk_chunk = false;          ///< a JUNK chunk before the format chunk
    const char* list_text = nullptr;  ///< a LIST/INFO title before the data; null: none
    Waveform waveform = Waveform::kPulse;
    double amplitude = 0.85;                   ///< peak, as a fraction of full scale (0..1]
    bool inverted = false;                     ///< negate the signal around the baseline
    double short_period_us = kNominalShortUs;  ///< one of the two periods of a 1 bit
    double long_period_us = kNominalLongUs;    ///< the period of a 0 bit
    double silence_before_s = 0.5;             ///< baseline before the first image
    double silence_between_s = 1.0;            ///< baseline between two images
    double silence_after_s = 0.5;              ///< baseline after the last image
    double noise_snr_db = 0;   ///< Gaussian noise, dB below the amplitude; <= 0: none
    uint64_t seed = 1;         ///< seeds the noise and the jitter
    double dc_offset = 0;      ///< added to every sample, fraction of full scale
    double wow_percent = 0;    ///< depth of a slow sinusoidal speed drift
    double wow_hz = 0.5;       ///< its rate: 0.5 is wow, a few Hz flutter
    double jitter_us = 0;      ///< each period moves by up to +- this, uniformly
    double jitter_sd_us = 0;   ///< each period moves by a Gaussian amount of this deviation
    double speed_percent = 0;  ///< constant speed error: +3 makes every period 3 % shorter
    double clip_level = 0;     ///< clip the signal at this fraction of full scale; 0: off
    double highpass_hz = 0;    ///< cassette-like band limit, low corner; 0: off
    double lowpass_hz = 0;     ///< cassette-like band limit, high corner; 0: off
    unsigned dropouts = 0;     ///< places inside the images where the signal fades
    double dropout_ms = 20;    ///< length of each dropout
    unsigned bursts = 0;       ///< places inside the images where loud noise covers the signal
    double burst_ms = 5;       ///< length of each noise burst
    double hum_db = 0;         ///< mains hum, dB below the amplitude; <= 0: none
    double hum_hz = 50;        ///< 50 or 60
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
constexpr double kMaxSpeedPercent = 50;
constexpr unsigned kMaxDropouts = 1000;
constexpr double kMaxDropoutMs = 10000;
/// A Gaussian displacement is at most this fraction of the short period in
/// deviation, so a period needs a 4-deviation draw to lose its length.
constexpr double kMaxJitterSdFraction = 0.25;
/// No displaced period is shorter than this fraction of its nominal length.
constexpr double kMinJitteredFraction = 0.05;
constexpr size_t kMaxListTextChars = 255;

/// Width of the narrow pulse of Waveform::kPulse; never more than half a short period.
constexpr double kPulseWidthUs = 150;
/// Fastest speed drift: flutter of a worn capstan, far below the bit rate.
constexpr double kMaxWowHz = 50;
/// Depth of a dropout: the signal falls by 30 dB.
constexpr double kDropoutGain = 0.031622776601683794;
/// Deviation of a noise burst, a fraction of the amplitude: noise as loud as the signal.
constexpr double kBurstDeviation = 1.0;

/// Checks every field and the ones that depend on each other. Returns kSynthOk, or
/// kSynthParameter with a one-line message naming the setting.
int synth_check_settings(const SynthSettings& settings, char* message, size_t message_bytes);
