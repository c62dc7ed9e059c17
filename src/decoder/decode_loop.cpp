#include "decoder/decode_loop.h"

#include <cstdio>

#include "decoder/stage_limits.h"
#include "image/image_writer.h"
#include "wav/sample_reader.h"

namespace {

/// Hands a finished good block to the image writer and counts the result.
void emit_block(DecoderState* st) {
    if (write_image(st->assembler.block)) {
        ++st->position.files_written;
    } else {
        st->position.image_failed = true;
    }
}

/// One sample through the chain: condition, detect, assemble, write.
inline void decode_sample(DecoderState* st, int h, uint64_t offset, const StageLimits& lim,
                          const ConverterSettings& s, ConditionerMode mode) {
    const Conditioned c = conditioner_step(&st->conditioner, h, lim, mode);
    if (st->raw.file != nullptr) raw_output_put(&st->raw, c.raw);
    const PulseContext ctx{st->position.data_start, s.verbose,
                           st->assembler.phase == AssemblerPhase::kSeekSync};
    BitEvent ev;
    if (!pulse_detector_step(&st->pulses, c.comparator_input, offset, lim, ctx, &ev)) return;
    if (assembler_push(&st->assembler, ev, lim, s.verbose, &st->pulses.warning_budget))
        emit_block(st);
}

/// Reads frame after frame, keeping the first channel's sample, until the read
/// that meets the end of the input, whose sample is processed too.
void decode_samples(DecoderState* st, InputStream* in, const StageLimits& lim,
                    const ConverterSettings& s) {
    const ConditionerMode mode{s.filter, s.edge_mode};
    const uint16_t mask = s.inversion_mask;
    int previous = 0;
    for (;;) {
        if (in->filled - in->pos < lim.frame_bytes) {
            if (!in->at_end) {
                input_refill(in);
                continue;
            }
            // A partial frame is consumed by the read that meets the end.
            in->pos = in->filled;
            const int h = end_of_input_sample(lim.sample_bytes, mask, previous);
            decode_sample(st, h, input_position(in), lim, s, mode);
            return;
        }
        const uint8_t* p = in->bytes + in->pos;
        const int h = lim.sample_bytes == 2 ? sample_from_s16(p, mask) : sample_from_u8(*p, mask);
        previous = h;
        in->pos += lim.frame_bytes;
        decode_sample(st, h, input_position(in), lim, s, mode);
    }
}

void start_decoding(DecoderState* st, uint64_t data_start, const StageLimits& lim, FILE* raw_file) {
    st->position = PositionState{};
    st->position.data_start = data_start;
    conditioner_reset(&st->conditioner);
    pulse_detector_reset(&st->pulses, data_start, lim);
    st->assembler = AssemblerState{};
    raw_output_open(&st->raw, raw_file);
}

}  // namespace

DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& s, FILE* raw_file, const char* raw_path) {
    const StageLimits lim = derive_limits(header, s);
    if (s.edge_mode && !edge_mode_available(lim)) {
        if (raw_file != nullptr) std::fclose(raw_file);
        std::fflush(stdout);
        std::fprintf(stderr, "Edge detection is not available at %u Hz.\n", lim.rate);
        return DecodeStatus::kEdgeModeUnavailable;
    }
    start_decoding(st, input_position(in), lim, raw_file);
    decode_samples(st, in, lim, s);

    // A block whose good checksum arrived at the very end is not lost.
    if (assembler_has_unwritten_good_block(st->assembler)) emit_block(st);
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
