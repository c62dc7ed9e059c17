#include "decoder/pulse_detector.h"

void pulse_detector_reset(PulseDetectorState* st, const DetectorLimits& lim) {
    *st = PulseDetectorState{};
    st->previous_edge = sample_index(lim.data_start, lim);
}

bool pulse_detector_edge(PulseDetectorState* st, uint64_t offset, const DetectorLimits& lim,
                         BitEvent* out) {
    const uint64_t index = sample_index(offset, lim);
    // Pulse lengths are 32-bit: a gap of more than 2^32 samples wraps.
    const auto length = static_cast<uint32_t>(index - st->previous_edge);
    const bool long_pulse = length > lim.long_pulse_limit;
    if (!long_pulse && !st->pending_short) {
        // The first of two short pulses: wait for its partner.
        st->pending_short = true;
        st->previous_edge = index;
        return false;
    }

    const double time =
        static_cast<double>(offset - lim.data_start) / lim.rate / lim.frame_bytes_factor;
    // A long pulse is a 0 bit, even when it ends a lone short one; a short
    // pulse after a short one completes a 1 bit.
    *out = BitEvent{long_pulse ? 0 : 1,
                    length,
                    offset,
                    time,
                    long_pulse && length > lim.overlong_limit,
                    long_pulse && st->pending_short};
    st->pending_short = false;
    st->previous_edge = index;
    return true;
}

bool pulse_detector_offer_scan(PulseDetectorState* st, const StageLimits& lim) {
    const ConditionerMode mode = lim.conditioner.mode;
    st->ranges = LevelRanges{};
    if (mode.filter || mode.edge_mode) return false;
    st->ranges = level_ranges(lim.conditioner, lim.detector.rise_level, lim.frame);
    return st->ranges.usable;
}
