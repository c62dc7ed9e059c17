#pragma once

#include <cstdint>

#include "settings.h"
#include "wav/frame_reader.h"

/// Sizes of the edge-mode averaging rings.
constexpr unsigned kLongWindowCapacity = 1000;
constexpr unsigned kShortWindowCapacity = 100;

/// Window and pulse spans in microseconds.
constexpr double kLongWindowUs = 1520.0;     ///< baseline average
constexpr double kShortWindowUs = 250.0;     ///< smoothing average, halved
constexpr double kLongPulseUs = 1200.0;      ///< longer pulses are 0 bits
constexpr double kOverlongPulseUs = 1700.0;  ///< longer pulses inside a block are warned about

/// Filter corner frequencies as 2 pi f: 7.5 kHz low-pass, 50 Hz high-pass.
constexpr double kLowPassOmega = 47123.8898038469;
constexpr double kHighPassOmega = 314.1592653589793;

/// What the conditioner does with one sample.
struct ConditionerMode {
    bool filter = false;     ///< -f
    bool edge_mode = false;  ///< -m
};

/// The conditioner's coefficients and windows for the rate and options.
struct ConditionerLimits {
    ConditionerMode mode;
    unsigned long_window = 0;   ///< W_long, entries of the baseline ring in use
    unsigned short_window = 0;  ///< W_short, entries of the smoothing ring in use
    double gain_factor = 1.0;   ///< 10^(gain / 20)
    double lowpass_a = 0.0;     ///< exp(-2 pi 7500 / rate)
    double highpass_b = 0.0;    ///< exp(-2 pi 50 / rate)
};

/// The pulse detector's levels and spans, and how offsets become samples and times.
struct DetectorLimits {
    uint32_t rate = 0;                ///< samples (frames) per second
    uint64_t data_start = 0;          ///< byte offset of the first sample
    unsigned frame_bytes = 1;         ///< sample index divisor
    double frame_bytes_factor = 1.0;  ///< frame_bytes as a double, for elapsed times
    int frame_shift = 0;              ///< log2 of frame_bytes when it is a power of two, else -1
    unsigned long_pulse_limit = 0;    ///< pulses longer than this (samples) are long
    unsigned overlong_limit = 0;      ///< long pulses beyond this are warned about
    double rise_level = 0.0;          ///< T / 127: a low signal above it goes high
    bool verbose = false;             ///< -v: print the pulse warnings
};

/// Everything that depends only on the rate, the frame format and the
/// settings, derived once when decoding starts; each stage gets its part.
struct StageLimits {
    FrameFormat frame;
    ConditionerLimits conditioner;
    DetectorLimits detector;
};

/// Sample index of the frame that ends before byte `offset`: a shift for the
/// usual frame sizes instead of a 64-bit division on every edge.
inline uint64_t sample_index(uint64_t offset, const DetectorLimits& lim) {
    return lim.frame_shift >= 0 ? offset >> lim.frame_shift : offset / lim.frame_bytes;
}

/// Integer part of (rate * us + 0.5) / 1000000, in double: samples in `us`.
unsigned samples_for_us(uint32_t rate, double us);

/// Pulse length in microseconds, exact for any length.
uint64_t pulse_microseconds(uint32_t samples, uint32_t rate);

/// Derives the limits for decoding frames of `frame` at `rate` from byte
/// `data_start` on, with `settings`.
StageLimits derive_limits(const FrameFormat& frame, uint32_t rate, uint64_t data_start,
                          const ConverterSettings& settings);

/// Edge mode needs both windows to hold at least one sample and fit their rings.
bool edge_mode_available(const ConditionerLimits& limits);
