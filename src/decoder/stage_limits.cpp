#include "decoder/stage_limits.h"

#include <bit>
#include <cmath>

unsigned samples_for_us(uint32_t rate, double us) {
    return static_cast<unsigned>((static_cast<double>(rate) * us + 0.5) / 1000000.0);
}

uint64_t pulse_microseconds(uint32_t samples, uint32_t rate) {
    return (static_cast<uint64_t>(samples) * 1000000u + rate / 2) / rate;
}

StageLimits derive_limits(const FrameFormat& frame, uint32_t rate, uint64_t data_start,
                          const ConverterSettings& settings) {
    StageLimits lim;
    lim.frame = frame;
    lim.frame.inverted = settings.inverted;
    // The channel was checked against the header; the first is the default.
    if (settings.channel > 1)
        lim.frame.channel_offset = static_cast<unsigned>(settings.channel - 1) * frame.sample_bytes;

    ConditionerLimits& c = lim.conditioner;
    c.mode = ConditionerMode{settings.filter, settings.edge_mode};
    c.long_window = samples_for_us(rate, kLongWindowUs);
    c.short_window = samples_for_us(rate, kShortWindowUs) / 2;
    c.gain_factor = std::pow(10.0, settings.gain_db / 20.0);
    c.lowpass_a = std::exp(-kLowPassOmega / rate);
    c.highpass_b = std::exp(-kHighPassOmega / rate);

    DetectorLimits& d = lim.detector;
    d.rate = rate;
    d.data_start = data_start;
    d.frame_bytes = frame.frame_bytes;
    d.frame_bytes_factor = static_cast<double>(frame.frame_bytes);
    d.frame_shift =
        std::has_single_bit(frame.frame_bytes) ? std::countr_zero(frame.frame_bytes) : -1;
    d.long_pulse_limit = samples_for_us(rate, kLongPulseUs);
    d.overlong_limit = samples_for_us(rate, kOverlongPulseUs);
    d.rise_level = settings.threshold / 127.0;
    d.verbose = settings.verbose;
    return lim;
}

bool edge_mode_available(const ConditionerLimits& lim) {
    return lim.long_window >= 1 && lim.long_window <= kLongWindowCapacity &&
           lim.short_window >= 1 && lim.short_window <= kShortWindowCapacity;
}
