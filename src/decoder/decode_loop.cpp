// The decoding as a feed: begin with the header and the settings, feed the
// sample data in pieces as they come, end. A file is read through the same
// three calls, so a recording decodes the same whole or in pieces.
#include "decoder/decode_loop.h"

#include <cstdio>
#include <memory>

#include "wav/frame_reader.h"

namespace {

/// One sample through every stage, with the options chosen at run time.
void pipeline_sample(DecoderState* st, int sample, uint64_t offset, const StageLimits& lim,
                     RawOutput* raw) {
    const Conditioned c =
        conditioner_step(&st->conditioner, conditioning_input(sample), lim.conditioner);
    pipeline_conditioned(st, &st->pulses, c, offset, lim, raw);
}

/// The plain walk, the reference: take each frame's sample, push it through.
void walk_per_sample(DecoderState* st, const FrameSpan& span, const StageLimits& lim,
                     RawOutput* raw) {
    const unsigned fb = lim.frame.frame_bytes;
    for (size_t i = 0; i < span.frames; ++i) {
        const int sample = frame_sample(span.bytes + i * fb, lim.frame);
        pipeline_sample(st, sample, span.offset + (i + 1) * fb, lim, raw);
    }
}

void start_stages(DecoderState* st, const StageLimits& lim, BlockSink* sink) {
    st->sink = sink;
    conditioner_reset(&st->conditioner);
    pulse_detector_reset(&st->pulses, lim.detector);
    // Built in place: a temporary would put its 64 KiB block on the stack.
    std::destroy_at(&st->assembler);
    std::construct_at(&st->assembler);
    // Chains need the marker byte after each good checksum.
    st->assembler.reads_marker = sink->join;
}

}  // namespace

DecodeStatus decoder_begin(DecoderState* st, const WavHeader& header, uint64_t data_start,
                           const ConverterSettings& s, BlockSink* sink, RawOutput* raw_output,
                           DecodePath path) {
    DecoderFeed& f = st->feed;
    f.limits = derive_limits(header.frame, header.sample_rate, data_start, s);
    if (s.edge_mode && !edge_mode_available(f.limits.conditioner)) {
        std::fflush(stdout);
        std::fprintf(stderr, "Edge detection is not available at %u Hz.\n", f.limits.detector.rate);
        return DecodeStatus::kEdgeModeUnavailable;
    }
    f.raw = raw_output != nullptr && raw_output->file != nullptr ? raw_output : nullptr;
    start_stages(st, f.limits, sink);
    f.walk = path == DecodePath::kPerSample ? walk_per_sample : pick_span_walk(st, f.limits, f.raw);
    f.next_frame_offset = data_start;
    f.previous = 0;
    frame_carry_start(&f.carry, f.limits.frame.frame_bytes);
    return DecodeStatus::kFinished;
}

void decoder_feed(DecoderState* st, const uint8_t* bytes, size_t n) {
    DecoderFeed& f = st->feed;
    const unsigned fb = f.limits.frame.frame_bytes;
    FrameRun run;
    while (frame_carry_next(&f.carry, &bytes, &n, &run)) {
        const FrameSpan span{run.bytes, run.frames, f.next_frame_offset};
        f.walk(st, span, f.limits, f.raw);
        f.previous = frame_sample(run.bytes + (run.frames - 1) * fb, f.limits.frame);
        f.next_frame_offset += run.frames * fb;
    }
}

void decoder_end(DecoderState* st) {
    DecoderFeed& f = st->feed;
    // The read that meets the end still yields a sample, and a partial frame
    // is consumed by it; it goes through the same stages as every other one.
    const uint64_t end = f.next_frame_offset + f.carry.held_bytes;
    pipeline_sample(st, end_of_input_sample(f.limits.frame, f.previous), end, f.limits, f.raw);
    // A block whose good checksum arrived at the very end is not lost.
    if (assembler_has_unwritten_good_block(st->assembler))
        sink_block_good(st->sink, st->assembler.block);
}

DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& s, BlockSink* sink, RawOutput* raw, DecodePath path) {
    const DecodeStatus status = decoder_begin(st, header, input_position(in), s, sink, raw, path);
    if (status != DecodeStatus::kFinished) return status;
    const unsigned fb = header.frame.frame_bytes;
    for (size_t n; (n = input_whole_frames(in, fb)) > 0; in->pos += n * fb)
        decoder_feed(st, in->bytes + in->pos, n * fb);
    // The trailing partial frame, which the closing sample consumes.
    decoder_feed(st, in->bytes + in->pos, in->filled - in->pos);
    in->pos = in->filled;
    decoder_end(st);
    return DecodeStatus::kFinished;
}
