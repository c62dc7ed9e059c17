#pragma once

#include <cstdint>

#include "decoder/detector.h"
#include "decoder/level_scanner.h"
#include "decoder/stage_limits.h"

/// The comparator goes low below this level, in signed 8-bit units.
constexpr double kFallLevel = 5.0;

/// The default detector: a two-level comparator and the pulse bookkeeping.
struct PulseDetectorState {
    int level = 0;               ///< comparator output, 0 low or 1 high
    bool pending_short = false;  ///< one short pulse seen, waiting for its partner
    uint64_t previous_edge = 0;  ///< sample index of the last rising edge
    LevelRanges ranges;          ///< the comparator's levels as stored values, when scanning
};

void pulse_detector_reset(PulseDetectorState* st, const DetectorLimits& lim);

/// Handles a rising edge at the sample ending at `offset`; returns true with
/// `out` filled when the edge completes a bit.
bool pulse_detector_edge(PulseDetectorState* st, uint64_t offset, const DetectorLimits& lim,
                         BitEvent* out);

/// The two-level comparator; returns true on a rising edge. The rise level
/// lies below the fall level: a high signal drops low under 5.0 and a later
/// sample above the rise level makes it high again, so a signal lingering
/// between the two levels gives a rising edge on every second sample.
inline bool comparator_step(PulseDetectorState* st, double d, double rise_level) {
    if (st->level != 0) {
        if (d < kFallLevel) st->level = 0;
        return false;
    }
    if (!(d > rise_level)) return false;
    st->level = 1;
    return true;
}

/// Feeds one comparator input d; returns true with `out` filled when a
/// rising edge completes a bit.
inline bool pulse_detector_step(PulseDetectorState* st, double d, uint64_t offset,
                                const DetectorLimits& lim, BitEvent* out) {
    return comparator_step(st, d, lim.rise_level) && pulse_detector_edge(st, offset, lim, out);
}

/// Offers range scans when the conditioning is a pure function of the sample
/// (no filter, no edge mode) and the comparator's sets are ranges.
bool pulse_detector_offer_scan(PulseDetectorState* st, const StageLimits& lim);

/// Walks the span from frame *next by range scans up to the next completed
/// bit (true, `out` filled, *next after its frame) or the span's end (false).
bool pulse_detector_scan(PulseDetectorState* st, const FrameSpan& span, const FrameFormat& frame,
                         size_t* next, const DetectorLimits& lim, BitEvent* out);
