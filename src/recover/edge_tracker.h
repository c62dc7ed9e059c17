#pragma once

// The front end of the recovering decoder, one per channel: a low-pass
// against noise, a slow baseline taken off against hum and offsets, the
// levels of the signal's high and low phases tracked from their extremes,
// and a Schmitt trigger whose levels sit between them, so drift or a weak
// signal moves the levels with it. The per-sample work is integer arithmetic
// on the signed 16-bit scale with 8 fraction bits: shifts for both filters
// keep the loop short.

#include <cstddef>
#include <cstdint>

#include "recover/frame_sample.h"

/// Edge times are counted in quarter samples: enough to tell periods apart at
/// 11025 Hz, and an edge's sample stays exact (see tracker_edge).
constexpr uint64_t kTimeSteps = 4;
/// Fraction bits of the smoothed signal.
constexpr int kFixedShift = 8;

/// Everything the tracker needs from the rate, derived once.
struct TrackerLimits {
    int smoothing_shift = 0;     ///< low-pass coefficient 2^-shift; 0 = none
    int baseline_shift = 0;      ///< baseline coefficient 2^-shift: a corner of 110-160 Hz
    double level_gain = 0.25;    ///< how far a phase's extreme moves its level
    double hysteresis = 0.3;     ///< trigger distance from the centre, fraction of half the range
    double min_hysteresis = 6;   ///< on the signed 16-bit scale: quantisation makes no edge
    uint64_t stale_samples = 0;  ///< a phase longer than this has its levels reset
};

struct EdgeTracker {
    int32_t smooth = 0;      ///< the low-passed signal, fixed point
    int32_t baseline = 0;    ///< the input's slow average, fixed point
    int32_t value = 0;       ///< smooth minus baseline: what the trigger sees
    int32_t rise_level = 0;  ///< a low signal above it goes high
    int32_t fall_level = 0;  ///< a high signal below it goes low
    int32_t phase_max = 0;   ///< extremes since the last edge
    int32_t phase_min = 0;
    double high_level = 0;     ///< tracked top of the high phases, fixed point
    double low_level = 0;      ///< tracked bottom of the low phases
    uint64_t phase_start = 0;  ///< sample index of the last edge
    bool high = false;         ///< trigger output
};

/// An edge: its time in quarter samples (the trigger fired on sample
/// ceil(q / 4)) and its direction.
struct EdgeEvent {
    uint64_t q;
    bool rising;
};

TrackerLimits tracker_limits(uint32_t rate);

/// Starts the tracker on its first sample x, at frame `index`.
void tracker_prime(EdgeTracker* t, int x, uint64_t index, const TrackerLimits& lim);

/// Resets the levels from the current phase's extremes when no edge came for
/// too long: the signal got weaker, moved, or stopped.
void tracker_check_stale(EdgeTracker* t, uint64_t index, const TrackerLimits& lim);

/// Handles the sample that crossed a trigger level; fills `ev`.
void tracker_edge(EdgeTracker* t, int32_t previous, uint64_t index, const TrackerLimits& lim,
                  EdgeEvent* ev);

/// tracker_scan for samples stored as F: the format is fixed for the loop.
template <SampleFormat F>
size_t tracker_scan_as(EdgeTracker* t, const uint8_t* frame, size_t count, uint64_t index,
                       const FrameFormat& format, unsigned channel, const TrackerLimits& lim,
                       EdgeEvent* ev, bool* edge) {
    frame += channel * format.sample_bytes;
    int32_t s = t->smooth;
    int32_t b = t->baseline;
    int32_t v = t->value;
    int32_t hi = t->phase_max;
    int32_t lo = t->phase_min;
    const int shift = lim.smoothing_shift;
    const int baseline_shift = lim.baseline_shift;
    const bool high = t->high;
    const int32_t fall = t->fall_level;
    const int32_t rise = t->rise_level;
    for (size_t i = 0; i < count; ++i, frame += format.frame_bytes) {
        const int32_t previous = v;
        const int32_t x = sample_at<F>(frame, false) * (1 << kFixedShift);
        s += (x - s) >> shift;
        b += (x - b) >> baseline_shift;
        v = s - b;
        hi = v > hi ? v : hi;
        lo = v < lo ? v : lo;
        if (high ? v < fall : v > rise) {
            t->smooth = s;
            t->baseline = b;
            t->value = v;
            t->phase_max = hi;
            t->phase_min = lo;
            tracker_edge(t, previous, index + i, lim, ev);
            *edge = true;
            return i + 1;
        }
    }
    t->smooth = s;
    t->baseline = b;
    t->value = v;
    t->phase_max = hi;
    t->phase_min = lo;
    *edge = false;
    return count;
}

/// Runs `count` frames from `frame` (frame `index` first) through channel
/// `channel`'s tracker up to the first edge. Returns the frames consumed, the
/// edge's frame included; `*edge` tells whether the last one made an edge.
inline size_t tracker_scan(EdgeTracker* t, const uint8_t* frame, size_t count, uint64_t index,
                           const FrameFormat& format, unsigned channel, const TrackerLimits& lim,
                           EdgeEvent* ev, bool* edge) {
    return with_sample_format(format.format, [&](auto f) {
        return tracker_scan_as<f()>(t, frame, count, index, format, channel, lim, ev, edge);
    });
}
