#include "decoder/sample_loops.h"

#include "decoder/level_scanner.h"
#include "wav/sample_reader.h"

namespace {

/// A run of whole frames in the input buffer.
struct FrameSpan {
    const uint8_t* bytes;  ///< first byte of the first frame
    size_t frames;         ///< whole frames in the run
    uint64_t offset;       ///< file offset of the first frame
};

inline int first_channel_sample(const uint8_t* p, unsigned sample_bytes, uint16_t mask) {
    return sample_bytes == 2 ? sample_from_s16(p, mask) : sample_from_u8(*p, mask);
}

/// Comparator decisions by range scans over the raw bytes; conditioning is
/// never computed because it cannot change a decision the ranges do not show.
void scan_levels(DecoderState* st, const FrameSpan& span, const StageLimits& lim,
                 const LevelRanges& ranges, bool verbose) {
    const unsigned fb = lim.frame_bytes;
    size_t i = 0;
    while (i < span.frames) {
        const bool high = st->pulses.level != 0;
        const RawRange& wanted = high ? ranges.falls : ranges.rises;
        const uint8_t* from = span.bytes + i * fb;
        const size_t left = span.frames - i;
        const size_t j = lim.sample_bytes == 2 ? find_s16_in_range(from, left, fb, wanted)
                                               : find_u8_in_range(from, left, fb, wanted);
        if (j == left) return;
        i += j + 1;
        st->pulses.level = high ? 0 : 1;
        if (!high) chain_rising_edge(st, span.offset + i * fb, lim, verbose);
    }
}

/// The per-sample chain with the options fixed at compile time.
template <unsigned kSampleBytes, bool kFilter, bool kEdge, bool kRaw>
void condition_span(DecoderState* st, const FrameSpan& span, const StageLimits& lim, uint16_t mask,
                    bool verbose) {
    // Private copies of the limits, the table bounds, the filter memories and
    // the windows: nothing the edge handling calls can reach them, so the
    // compiler keeps them in registers instead of reloading them per sample.
    const StageLimits limits = lim;
    const QuotientView view = quotient_view(st->quotients);
    const QuotientView* q = kEdge ? &view : nullptr;
    ConditionerState cond = st->conditioner;
    const unsigned fb = limits.frame_bytes;
    const uint8_t* p = span.bytes;
    for (size_t i = 0; i < span.frames; ++i, p += fb) {
        const int h = kSampleBytes == 2 ? sample_from_s16(p, mask) : sample_from_u8(*p, mask);
        const Conditioned c = condition_sample<kFilter, kEdge>(&cond, h, limits, q);
        if (kRaw) raw_output_put(&st->raw, c.raw);
        if (comparator_step(&st->pulses, c.comparator_input, limits.rise_level))
            chain_rising_edge(st, span.offset + (i + 1) * fb, lim, verbose);
    }
    st->conditioner = cond;
}

using SpanLoop = void (*)(DecoderState*, const FrameSpan&, const StageLimits&, uint16_t, bool);

/// The specialisation for one option set, picked once per decoding.
template <unsigned kSampleBytes>
SpanLoop pick_for_width(bool filter, bool edge, bool raw) {
    const int key = (filter ? 4 : 0) | (edge ? 2 : 0) | (raw ? 1 : 0);
    switch (key) {
        case 0:
            return condition_span<kSampleBytes, false, false, false>;
        case 1:
            return condition_span<kSampleBytes, false, false, true>;
        case 2:
            return condition_span<kSampleBytes, false, true, false>;
        case 3:
            return condition_span<kSampleBytes, false, true, true>;
        case 4:
            return condition_span<kSampleBytes, true, false, false>;
        case 5:
            return condition_span<kSampleBytes, true, false, true>;
        case 6:
            return condition_span<kSampleBytes, true, true, false>;
        default:
            return condition_span<kSampleBytes, true, true, true>;
    }
}

}  // namespace

void decode_fast(DecoderState* st, InputStream* in, const StageLimits& lim,
                 const ConverterSettings& s, int* previous) {
    const bool raw = st->raw.file != nullptr;
    LevelRanges ranges;
    if (!s.filter && !s.edge_mode && !raw) ranges = level_ranges(lim, s.inversion_mask);
    if (s.edge_mode) window_quotients_fill(&st->quotients, lim, s.filter);
    const SpanLoop loop = lim.sample_bytes == 2 ? pick_for_width<2>(s.filter, s.edge_mode, raw)
                                                : pick_for_width<1>(s.filter, s.edge_mode, raw);
    for (size_t n; (n = input_whole_frames(in, lim.frame_bytes)) > 0;) {
        const FrameSpan span{in->bytes + in->pos, n, input_position(in)};
        if (ranges.usable) {
            scan_levels(st, span, lim, ranges, s.verbose);
        } else {
            loop(st, span, lim, s.inversion_mask, s.verbose);
        }
        *previous = first_channel_sample(span.bytes + (n - 1) * lim.frame_bytes, lim.sample_bytes,
                                         s.inversion_mask);
        in->pos += n * lim.frame_bytes;
    }
}
