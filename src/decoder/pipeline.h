#pragma once

// Where the stages meet: frame reader -> conditioner -> detector -> block
// assembler -> image writer. Each stage writes only its own record; the
// loops in decode_loop.cpp (the plain one) and span_loops.cpp (the fast
// ones) all push samples and bits through the functions below.
#include <cstddef>

#include "decoder/block_assembler.h"
#include "decoder/block_tally.h"
#include "decoder/conditioner.h"
#include "decoder/detector.h"
#include "decoder/pulse_detector.h"
#include "decoder/raw_output.h"
#include "decoder/stage_limits.h"
#include "image/chain_writer.h"
#include "image/image_writer.h"
#include "wav/input_stream.h"

/// Everything that lives for one decoding, one sub-record per stage.
struct DecoderState {
    ConditionerState conditioner;
    PulseDetectorState pulses;  ///< the default detector
    AssemblerState assembler;
    ImageOutput images;
    ChainWriter chain;            ///< --join: the chained program being written
    WindowQuotients quotients;    ///< edge-mode averages, filled when the fast path needs them
    BlockTally* tally = nullptr;  ///< --analyze: blocks kept here, no report, no image
};

/// A completed bit into the assembler; a finished good block to the image writer.
void pipeline_bit(DecoderState* st, const BitEvent& ev, const StageLimits& lim);

/// One conditioned sample into the raw output and the detector.
inline void pipeline_conditioned(DecoderState* st, PulseDetectorState* det, const Conditioned& c,
                                 uint64_t offset, const StageLimits& lim, RawOutput* raw) {
    if (raw != nullptr) raw_output_put(raw, c.raw);
    BitEvent ev;
    if (pulse_detector_step(det, c.comparator_input, offset, lim.detector, &ev))
        pipeline_bit(st, ev, lim);
}

/// Walks every whole frame of the input the quickest way the options allow:
/// the detector's range scans when it offers them, otherwise a loop
/// specialised for the options in force. Leaves the stream at the trailing
/// partial frame; `previous` gets the last sample. `raw` is null without -o.
void decode_spans(DecoderState* st, InputStream* in, const StageLimits& lim, RawOutput* raw,
                  int* previous);
