#include "decoder/decode_loop.h"

#include <cstdio>

#include "decoder/bit_chain.h"
#include "decoder/sample_loops.h"
#include "decoder/stage_limits.h"
#include "wav/sample_reader.h"

namespace {

/// The plain loop: read a frame, keep its first channel, condition, compare.
void decode_per_sample(DecoderState* st, InputStream* in, const StageLimits& lim,
                       const ConverterSettings& s, int* previous) {
    const ConditionerMode mode{s.filter, s.edge_mode};
    for (size_t n; (n = input_whole_frames(in, lim.frame_bytes)) > 0;) {
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = in->bytes + in->pos;
            const int h = lim.sample_bytes == 2 ? sample_from_s16(p, s.inversion_mask)
                                                : sample_from_u8(*p, s.inversion_mask);
            *previous = h;
            in->pos += lim.frame_bytes;
            decode_sample(st, h, input_position(in), lim, s.verbose, mode);
        }
    }
}

void start_decoding(DecoderState* st, const InputStream& in, const StageLimits& lim,
                    FILE* raw_file) {
    const uint64_t data_start = input_position(&in);
    st->position = PositionState{};
    st->position.data_start = data_start;
    protect_file(&st->position.protected_files, in.file);
    protect_file(&st->position.protected_files, raw_file);
    conditioner_reset(&st->conditioner);
    pulse_detector_reset(&st->pulses, data_start, lim);
    st->assembler = AssemblerState{};
    raw_output_open(&st->raw, raw_file);
}

/// The read that meets the end still yields a sample, and a partial frame is
/// consumed by it; it goes through the same stages as every other sample.
void finish_input(DecoderState* st, InputStream* in, const StageLimits& lim,
                  const ConverterSettings& s, int previous) {
    in->pos = in->filled;
    const int h = end_of_input_sample(lim.sample_bytes, s.inversion_mask, previous);
    decode_sample(st, h, input_position(in), lim, s.verbose, {s.filter, s.edge_mode});
}

}  // namespace

DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& s, FILE* raw_file, const char* raw_path,
                    DecodePath path) {
    const StageLimits lim = derive_limits(header, s);
    if (s.edge_mode && !edge_mode_available(lim)) {
        if (raw_file != nullptr) std::fclose(raw_file);
        std::fflush(stdout);
        std::fprintf(stderr, "Edge detection is not available at %u Hz.\n", lim.rate);
        return DecodeStatus::kEdgeModeUnavailable;
    }
    start_decoding(st, *in, lim, raw_file);
    int previous = 0;
    if (path == DecodePath::kPerSample) {
        decode_per_sample(st, in, lim, s, &previous);
    } else {
        decode_fast(st, in, lim, s, &previous);
    }
    finish_input(st, in, lim, s, previous);

    // A block whose good checksum arrived at the very end is not lost.
    if (assembler_has_unwritten_good_block(st->assembler)) chain_emit_block(st);
    if (st->position.files_written > 0) std::printf("Finished writing output file(s). ");
    std::printf("%u file(s) created.\n", st->position.files_written);
    std::fflush(stdout);

    DecodeStatus status = DecodeStatus::kFinished;
    if (st->position.image_failed) status = DecodeStatus::kOutputFailed;
    if (!raw_output_close(&st->raw)) {
        std::fprintf(stderr, "Error writing %s.\n", raw_path);
        status = DecodeStatus::kOutputFailed;
    }
    if (in->read_error) {
        std::fprintf(stderr, "Error reading the input file.\n");
        status = DecodeStatus::kInputFailed;
    }
    return status;
}
