#include "decoder/decode_loop.h"

#include <cstdio>
#include <memory>

#include "wav/frame_reader.h"

void pipeline_report(BlockSink* sink, const AssemblerState& a, AssemblerEvent event,
                     const BitEvent& ev) {
    switch (event) {
        case AssemblerEvent::kSync:
            sink_sync(sink, ev.offset, ev.time, assembler_leader_average_us(a));
            break;
        case AssemblerEvent::kNameTooLong:
            sink_name_too_long(sink, a.byte_index);
            break;
        case AssemblerEvent::kNamed:
            sink_named(sink, a.block);
            break;
        case AssemblerEvent::kHeader:
            sink_block_header(sink, a.block);
            break;
        case AssemblerEvent::kChecksum:
            sink_checksum(sink, a.block, a.checksum, a.crc_ok);
            break;
        case AssemblerEvent::kBlockDone:
            sink_block_good(sink, a.block);
            break;
        case AssemblerEvent::kNone:
            break;
    }
}

void pipeline_bit(DecoderState* st, const BitEvent& ev, const StageLimits& lim) {
    const AssemblerEvent event =
        assembler_push(&st->assembler, ev, lim.detector.rate, lim.detector.verbose);
    if (event != AssemblerEvent::kNone) pipeline_report(st->sink, st->assembler, event, ev);
}

namespace {

/// One sample through every stage, with the options chosen at run time.
void pipeline_sample(DecoderState* st, int sample, uint64_t offset, const StageLimits& lim,
                     RawOutput* raw) {
    const Conditioned c =
        conditioner_step(&st->conditioner, conditioning_input(sample), lim.conditioner);
    pipeline_conditioned(st, &st->pulses, c, offset, lim, raw);
}

/// The plain loop, the reference: read a frame, take its sample, push it through.
void decode_per_sample(DecoderState* st, InputStream* in, const StageLimits& lim, RawOutput* raw,
                       int* previous) {
    const unsigned fb = lim.frame.frame_bytes;
    for (size_t n; (n = input_whole_frames(in, fb)) > 0;) {
        for (size_t i = 0; i < n; ++i) {
            *previous = frame_sample(in->bytes + in->pos, lim.frame);
            in->pos += fb;
            pipeline_sample(st, *previous, input_position(in), lim, raw);
        }
    }
}

void start_decoding(DecoderState* st, const StageLimits& lim, BlockSink* sink) {
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

DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& s, BlockSink* sink, RawOutput* raw_output,
                    DecodePath path) {
    const StageLimits lim = derive_limits(header.frame, header.sample_rate, input_position(in), s);
    if (s.edge_mode && !edge_mode_available(lim.conditioner)) {
        std::fflush(stdout);
        std::fprintf(stderr, "Edge detection is not available at %u Hz.\n", lim.detector.rate);
        return DecodeStatus::kEdgeModeUnavailable;
    }
    RawOutput* raw = raw_output != nullptr && raw_output->file != nullptr ? raw_output : nullptr;
    start_decoding(st, lim, sink);
    int previous = 0;
    if (path == DecodePath::kPerSample) {
        decode_per_sample(st, in, lim, raw, &previous);
    } else {
        decode_spans(st, in, lim, raw, &previous);
    }
    // The read that meets the end still yields a sample, and a partial frame
    // is consumed by it; it goes through the same stages as every other one.
    in->pos = in->filled;
    pipeline_sample(st, end_of_input_sample(lim.frame, previous), input_position(in), lim, raw);

    // A block whose good checksum arrived at the very end is not lost.
    if (assembler_has_unwritten_good_block(st->assembler))
        sink_block_good(sink, st->assembler.block);
    return DecodeStatus::kFinished;
}
