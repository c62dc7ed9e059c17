// The fast ways through the pipeline. Both give, byte for byte, what the
// plain per-sample loop in decode_loop.cpp gives.
#include "decoder/pipeline.h"
#include "wav/frame_reader.h"

namespace {

/// The detector walks the span by itself; bits come back one at a time.
void scan_span(DecoderState* st, const FrameSpan& span, const StageLimits& lim, RawOutput*) {
    size_t next = 0;
    BitEvent ev;
    while (pulse_detector_scan(&st->pulses, span, lim.frame, &next, lim.detector, &ev))
        pipeline_bit(st, ev, lim);
}

/// The per-sample chain with the format and options fixed at compile time.
template <SampleFormat kFormat, bool kFilter, bool kEdge, bool kRaw>
void condition_span(DecoderState* st, const FrameSpan& span, const StageLimits& lim,
                    RawOutput* raw) {
    // Private copies of the limits, the table bounds and the conditioner's
    // memories: nothing the bit handling calls can reach them, so the
    // compiler keeps them in registers instead of reloading them per sample.
    const StageLimits limits = lim;
    const QuotientView view = kEdge ? quotient_view(*st->quotients) : QuotientView{};
    const QuotientView* q = kEdge ? &view : nullptr;
    ConditionerState cond = st->conditioner;
    const unsigned fb = limits.frame.frame_bytes;
    const double rise_level = limits.detector.rise_level;
    const uint8_t* p = span.bytes + limits.frame.channel_offset;
    for (size_t i = 0; i < span.frames; ++i, p += fb) {
        const int sample = sample_at<kFormat>(p, limits.frame.inverted);
        const Conditioned c = condition_sample<kFilter, kEdge>(&cond, conditioning_input(sample),
                                                               limits.conditioner, q);
        if (kRaw) raw_output_put(raw, c.raw);
        // The detector's step, its level kept in a register; the edge and
        // the bit get the caller's limits, so the private copy never escapes.
        BitEvent ev;
        if (comparator_step(&st->pulses, c.comparator_input, rise_level) &&
            pulse_detector_edge(&st->pulses, span.offset + (i + 1) * fb, lim.detector, &ev)) {
            pipeline_bit(st, ev, lim);
        }
    }
    st->conditioner = cond;
}

/// The specialisation for one option set, picked once per decoding.
template <SampleFormat kFormat>
SpanWalk pick_for_format(ConditionerMode mode, bool raw) {
    const int key = (mode.filter ? 4 : 0) | (mode.edge_mode ? 2 : 0) | (raw ? 1 : 0);
    switch (key) {
        case 0:
            return condition_span<kFormat, false, false, false>;
        case 1:
            return condition_span<kFormat, false, false, true>;
        case 2:
            return condition_span<kFormat, false, true, false>;
        case 3:
            return condition_span<kFormat, false, true, true>;
        case 4:
            return condition_span<kFormat, true, false, false>;
        case 5:
            return condition_span<kFormat, true, false, true>;
        case 6:
            return condition_span<kFormat, true, true, false>;
        default:
            return condition_span<kFormat, true, true, true>;
    }
}

SpanWalk pick_loop(const StageLimits& lim, bool raw) {
    return with_sample_format(
        lim.frame.format, [&](auto f) { return pick_for_format<f()>(lim.conditioner.mode, raw); });
}

}  // namespace

SpanWalk pick_span_walk(DecoderState* st, const StageLimits& lim, RawOutput* raw) {
    // The raw output needs every conditioned sample, so it rules out scans.
    if (raw == nullptr && pulse_detector_offer_scan(&st->pulses, lim)) return scan_span;
    if (lim.conditioner.mode.edge_mode) {
        if (st->quotients == nullptr)
            st->quotients = std::make_unique_for_overwrite<WindowQuotients>();
        window_quotients_fill(st->quotients.get(), lim.conditioner);
    }
    return pick_loop(lim, raw != nullptr);
}
