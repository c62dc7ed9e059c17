#include "decoder/decode_loop.h"

#include <cstdio>

#include "recover/recover_entry.h"
#include "wav/frame_reader.h"

namespace {

void close_chain(DecoderState* st, const char* incomplete) {
    image_output_count(&st->images,
                       chain_close(&st->chain, incomplete, st->images.protected_files));
}

/// --join: blocks linked by the chain marker become one image; a chain
/// that breaks is written as far as it got, never with the broken block.
void join_blocks(DecoderState* st, AssemblerEvent event) {
    const TapeBlock& block = st->assembler.block;
    switch (event) {
        case AssemblerEvent::kNamed:
            // Later blocks of a chain have an empty name.
            if (chain_pending(st->chain) && block.name_length > 1)
                close_chain(st, "a block with a name followed");
            break;
        case AssemblerEvent::kChecksumFailed:
            if (chain_pending(st->chain)) close_chain(st, "the next block failed its checksum");
            break;
        case AssemblerEvent::kBlockDone:
            chain_append(&st->chain, block);
            if (block.marker != kChainMarker) close_chain(st, nullptr);
            break;
        case AssemblerEvent::kNone:
            break;
    }
}

}  // namespace

void pipeline_bit(DecoderState* st, const BitEvent& ev, const StageLimits& lim) {
    const AssemblerEvent event =
        assembler_push(&st->assembler, ev, lim.detector.rate, lim.detector.verbose);
    if (st->tally != nullptr) {
        block_tally_event(st->tally, event, st->assembler.block, ev);
    } else if (st->assembler.reads_marker) {
        join_blocks(st, event);
    } else if (event == AssemblerEvent::kBlockDone) {
        image_output_write(&st->images, st->assembler.block);
    }
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

void start_decoding(DecoderState* st, const InputStream& in, const StageLimits& lim,
                    const RawOutput* raw, bool join) {
    st->images = ImageOutput{};
    protect_file(&st->images.protected_files, in.file);
    if (raw != nullptr) protect_file(&st->images.protected_files, raw->file);
    conditioner_reset(&st->conditioner);
    pulse_detector_reset(&st->pulses, lim.detector);
    st->assembler = AssemblerState{};
    st->assembler.reads_marker = join;
    st->assembler.quiet = st->tally != nullptr;
    st->chain = ChainWriter{};
}

/// A block whose good checksum arrived at the very end is not lost; nor is
/// a chain the recording cut short.
void finish_blocks(DecoderState* st) {
    const bool join = st->assembler.reads_marker;
    if (assembler_has_unwritten_good_block(st->assembler)) {
        if (st->tally != nullptr) {
            block_tally_event(st->tally, AssemblerEvent::kBlockDone, st->assembler.block,
                              BitEvent{});
        } else if (join) {
            join_blocks(st, AssemblerEvent::kBlockDone);
        } else {
            image_output_write(&st->images, st->assembler.block);
        }
    }
    if (join && chain_pending(st->chain)) close_chain(st, "the recording ended");
}

}  // namespace

namespace {

/// The default decoder from the stream's position to the end of the input.
DecodeStatus decode_blocks(DecoderState* st, InputStream* in, const WavHeader& header,
                           const ConverterSettings& s, RawOutput* raw_output, DecodePath path) {
    const StageLimits lim = derive_limits(header.frame, header.sample_rate, input_position(in), s);
    if (s.edge_mode && !edge_mode_available(lim.conditioner)) {
        if (st->tally != nullptr) return DecodeStatus::kEdgeModeUnavailable;
        std::fflush(stdout);
        std::fprintf(stderr, "Edge detection is not available at %u Hz.\n", lim.detector.rate);
        return DecodeStatus::kEdgeModeUnavailable;
    }
    RawOutput* raw = raw_output != nullptr && raw_output->file != nullptr ? raw_output : nullptr;
    start_decoding(st, *in, lim, raw, s.join);
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
    finish_blocks(st);
    return st->images.failed ? DecodeStatus::kImageFailed : DecodeStatus::kFinished;
}

}  // namespace

DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& s, RawOutput* raw_output, DecodePath path) {
    if (s.recover) {
        ImageOutput images;
        protect_file(&images.protected_files, in->file);
        if (raw_output != nullptr) protect_file(&images.protected_files, raw_output->file);
        // Without --channel the recovering decoder finds the tape's channel itself.
        const RecoverSummary r =
            recover_recording(in, header, s.channel_given ? s.channel : 0, images.protected_files);
        // The run's count of images, whichever decoder wrote them.
        st->images = ImageOutput{};
        st->images.files_written = r.images_written;
        return r.image_failed ? DecodeStatus::kImageFailed : DecodeStatus::kFinished;
    }
    st->tally = nullptr;
    const DecodeStatus status = decode_blocks(st, in, header, s, raw_output, path);
    if (status == DecodeStatus::kEdgeModeUnavailable) return status;
    if (st->images.files_written > 0) std::printf("Finished writing output file(s). ");
    std::printf("%u file(s) created.\n", st->images.files_written);
    std::fflush(stdout);
    return status;
}

DecodeStatus decode_tally(DecoderState* st, InputStream* in, const WavHeader& header,
                          const ConverterSettings& settings, BlockTally* tally) {
    *tally = BlockTally{};
    st->tally = tally;
    // Chains are not followed: the tally counts blocks.
    ConverterSettings s = settings;
    s.join = false;
    const DecodeStatus status = decode_blocks(st, in, header, s, nullptr, DecodePath::kFastest);
    st->tally = nullptr;
    return status;
}
