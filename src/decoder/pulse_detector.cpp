#include "decoder/pulse_detector.h"

#include "decoder/range_find.h"

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

namespace {

/// The comparator by range scans, up to the next bit or the span's end.
template <SampleFormat F>
bool scan_as(PulseDetectorState* st, const FrameSpan& span, unsigned channel_offset, size_t* next,
             const DetectorLimits& lim, BitEvent* out) {
    const unsigned fb = lim.frame_bytes;
    const uint8_t* first = span.bytes + channel_offset;
    size_t i = *next;
    while (i < span.frames) {
        const bool high = st->level != 0;
        const size_t left = span.frames - i;
        const size_t j =
            range_find<F>(first + i * fb, left, fb, high ? st->ranges.falls : st->ranges.rises);
        if (j == left) break;
        i += j + 1;
        st->level = high ? 0 : 1;
        if (!high && pulse_detector_edge(st, span.offset + i * fb, lim, out)) {
            *next = i;
            return true;
        }
    }
    *next = span.frames;
    return false;
}

}  // namespace

bool pulse_detector_scan(PulseDetectorState* st, const FrameSpan& span, const FrameFormat& frame,
                         size_t* next, const DetectorLimits& lim, BitEvent* out) {
    return with_sample_format(frame.format, [&](auto f) {
        return scan_as<f()>(st, span, frame.channel_offset, next, lim, out);
    });
}
