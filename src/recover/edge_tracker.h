#pragma once

// The front end of the recovering decoder, one per channel: a low-pass
// against noise, the levels of the signal's high and low phases tracked from
// their extremes, and a Schmitt trigger whose levels sit between them, so a
// baseline offset, drift, hum or a weak signal moves the levels with it.

#include <cstdint>

/// Edge times are counted in quarter samples: enough to tell periods apart at
/// 11025 Hz, and an edge's sample stays exact (see tracker_edge).
constexpr uint64_t kTimeSteps = 4;

/// Everything the tracker needs from the rate, derived once.
struct TrackerLimits {
    double smoothing = 1.0;      ///< one-pole low-pass coefficient, 1 = none
    double level_gain = 0.25;    ///< how far a phase's extreme moves its level
    double hysteresis = 0.3;     ///< trigger distance from the centre, fraction of half the range
    double min_hysteresis = 6;   ///< on the signed 16-bit scale: quantisation makes no edge
    uint64_t stale_samples = 0;  ///< a phase longer than this has its levels reset
};

struct EdgeTracker {
    double smooth = 0;          ///< the low-passed signal
    double rise_level = 0;      ///< a low signal above it goes high
    double fall_level = 0;      ///< a high signal below it goes low
    double high_level = 0;      ///< tracked top of the high phases
    double low_level = 0;       ///< tracked bottom of the low phases
    double phase_max = -1e300;  ///< extremes since the last edge
    double phase_min = 1e300;
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

/// Handles the sample that crossed a trigger level; fills `ev`.
void tracker_edge(EdgeTracker* t, double previous, uint64_t index, const TrackerLimits& lim,
                  EdgeEvent* ev);

/// Starts the tracker on its first sample x, at frame `index`.
void tracker_prime(EdgeTracker* t, double x, uint64_t index, const TrackerLimits& lim);

/// Resets the levels from the current phase's extremes when no edge came for
/// too long: the signal got weaker, moved, or stopped.
void tracker_check_stale(EdgeTracker* t, uint64_t index, const TrackerLimits& lim);

/// One sample x (signed 16-bit scale) at frame `index`; true with `ev` filled on an edge.
inline bool tracker_step(EdgeTracker* t, double x, uint64_t index, const TrackerLimits& lim,
                         EdgeEvent* ev) {
    const double previous = t->smooth;
    const double s = previous + (x - previous) * lim.smoothing;
    t->smooth = s;
    t->phase_max = s > t->phase_max ? s : t->phase_max;
    t->phase_min = s < t->phase_min ? s : t->phase_min;
    if (t->high ? !(s < t->fall_level) : !(s > t->rise_level)) return false;
    tracker_edge(t, previous, index, lim, ev);
    return true;
}
