#pragma once

#include <cstddef>

#include "settings.h"
#include "decoder/bit_chain.h"
#include "decoder/conditioner.h"
#include "decoder/decoder_state.h"
#include "decoder/pulse_detector.h"
#include "decoder/raw_output.h"
#include "decoder/stage_limits.h"
#include "wav/input_stream.h"

/// One sample through the chain: condition, write the raw byte, compare, and
/// on a rising edge measure the pulse and push the bit.
inline void decode_sample(DecoderState* st, int h, uint64_t offset, const StageLimits& lim,
                          bool verbose, ConditionerMode mode) {
    const Conditioned c = conditioner_step(&st->conditioner, h, lim, mode);
    if (st->raw.file != nullptr) raw_output_put(&st->raw, c.raw);
    if (comparator_step(&st->pulses, c.comparator_input, lim.rise_level))
        chain_rising_edge(st, offset, lim, verbose);
}

/// Makes whole frames available in the buffer; returns how many, 0 at the end.
inline size_t input_whole_frames(InputStream* in, unsigned frame_bytes) {
    while (in->filled - in->pos < frame_bytes && !in->at_end) input_refill(in);
    return (in->filled - in->pos) / frame_bytes;
}

/// Walks every whole frame of the input the quickest way the options allow:
/// range scans for the comparator when conditioning is a pure function of
/// the sample, otherwise a loop specialised for the options in force. Leaves
/// the stream at the trailing partial frame; `previous` gets the last sample.
void decode_fast(DecoderState* st, InputStream* in, const StageLimits& lim,
                 const ConverterSettings& s, int* previous);
