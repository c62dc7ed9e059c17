#include "decoder/stage_limits.h"

#include <cmath>

unsigned samples_for_us(uint32_t rate, double us) {
    return static_cast<unsigned>((static_cast<double>(rate) * us + 0.5) / 1000000.0);
}

StageLimits derive_limits(const WavHeader& header, const ConverterSettings& settings) {
    StageLimits lim;
    lim.rate = header.sample_rate;
    lim.sample_bytes = header.bits_per_sample == 16 ? 2 : 1;
    // A channel count of 0 is read as one channel.
    const unsigned channels = header.channels == 0 ? 1 : header.channels;
    lim.frame_bytes = channels * lim.sample_bytes;
    lim.frame_bytes_factor = static_cast<double>(lim.frame_bytes);
    lim.frame_shift = -1;
    for (int shift = 0; shift < 32; ++shift) {
        if ((1u << shift) == lim.frame_bytes) lim.frame_shift = shift;
    }
    lim.long_window = samples_for_us(lim.rate, kLongWindowUs);
    lim.short_window = samples_for_us(lim.rate, kShortWindowUs) / 2;
    lim.long_pulse_limit = samples_for_us(lim.rate, kLongPulseUs);
    lim.overlong_limit = samples_for_us(lim.rate, kOverlongPulseUs);
    lim.rise_level = settings.threshold / 127.0;
    lim.gain_factor = std::pow(10.0, settings.gain_db / 20.0);
    lim.lowpass_a = std::exp(-kLowPassOmega / lim.rate);
    lim.highpass_b = std::exp(-kHighPassOmega / lim.rate);
    return lim;
}

bool edge_mode_available(const StageLimits& lim) {
    return lim.long_window >= 1 && lim.long_window <= kLongWindowCapacity &&
           lim.short_window >= 1 && lim.short_window <= kShortWindowCapacity;
}
