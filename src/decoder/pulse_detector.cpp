#include "decoder/pulse_detector.h"

#include <cinttypes>
#include <cstdio>

void pulse_detector_reset(PulseDetectorState* st, uint64_t data_start, const StageLimits& lim) {
    st->level = 0;
    st->pending_short = false;
    st->previous_edge = sample_index(data_start, lim);
    st->warning_budget = kWarningBudget;
}

uint64_t pulse_microseconds(uint32_t samples, uint32_t rate) {
    return (static_cast<uint64_t>(samples) * 1000000u + rate / 2) / rate;
}

bool pulse_detector_edge(PulseDetectorState* st, uint64_t offset, const StageLimits& lim,
                         const PulseContext& ctx, BitEvent* out) {
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
        static_cast<double>(offset - ctx.data_start) / lim.rate / lim.frame_bytes_factor;
    if (long_pulse) {
        if (ctx.verbose && length > lim.overlong_limit && !ctx.seeking_sync) {
            std::fprintf(stderr,
                         "Warning: pulse (%" PRIu64 " usec) too long @ %" PRIu64 " (0x%08" PRIX64
                         ") time: %f sec.\n",
                         pulse_microseconds(length, lim.rate), offset, offset, time);
        }
        if (st->pending_short && st->warning_budget > 0) {
            if (ctx.verbose) {
                std::fprintf(stderr,
                             "Warning: long pulse after short @ %" PRIu64 " (0x%08" PRIX64
                             ") time: %f sec.\n",
                             offset, offset, time);
            }
            --st->warning_budget;
        }
    }
    // A long pulse is a 0 bit, even when it ends a lone short one; a short
    // pulse after a short one completes a 1 bit.
    st->pending_short = false;
    st->previous_edge = index;
    *out = BitEvent{long_pulse ? 0 : 1, length, offset, time};
    return true;
}
