#pragma once

#include <cstdint>

#include "decoder/stage_limits.h"

/// Warnings of the kinds "long pulse after short" and "non-zero sync" allowed per block.
constexpr int kWarningBudget = 10;

/// The two-level comparator and the pulse bookkeeping.
struct PulseDetectorState {
    int level = 0;                        ///< comparator output, 0 low or 1 high
    bool pending_short = false;           ///< one short pulse seen, waiting for its partner
    uint64_t previous_edge = 0;           ///< sample index of the last rising edge
    int warning_budget = kWarningBudget;  ///< shared with the block assembler
};

/// One decoded bit with the position data the assembler reports.
struct BitEvent {
    int bit;                ///< 0 or 1
    uint32_t pulse_length;  ///< samples of the pulse that completed the bit
    uint64_t offset;        ///< byte offset after the sample that made the edge
    double time;            ///< elapsed seconds at the edge
};

/// Context the detector needs besides its own state.
struct PulseContext {
    uint64_t data_start;  ///< byte offset of the first sample
    bool verbose;         ///< print the pulse warnings
    bool seeking_sync;    ///< the assembler is between blocks
};

void pulse_detector_reset(PulseDetectorState* st, uint64_t data_start, const StageLimits& lim);

/// Pulse length in microseconds, exact for any length.
uint64_t pulse_microseconds(uint32_t samples, uint32_t rate);

/// Handles a rising edge at the sample ending at `offset`; returns true with
/// `out` filled when the edge completes a bit.
bool pulse_detector_edge(PulseDetectorState* st, uint64_t offset, const StageLimits& lim,
                         const PulseContext& ctx, BitEvent* out);

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
                                const StageLimits& lim, const PulseContext& ctx, BitEvent* out) {
    return comparator_step(st, d, lim.rise_level) && pulse_detector_edge(st, offset, lim, ctx, out);
}
