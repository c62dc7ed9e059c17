#pragma once

// Where the stages meet: frame reader -> conditioner -> detector -> block
// assembler -> block sink. Each stage writes only its own record; the
// loops in decode_loop.cpp (the plain one) and span_loops.cpp (the fast
// ones) all push samples and bits through the functions below.
#include <cstddef>
#include <memory>

#include "decoder/block_assembler.h"
#include "decoder/conditioner.h"
#include "decoder/detector.h"
#include "decoder/pulse_detector.h"
#include "decoder/raw_output.h"
#include "decoder/stage_limits.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"

/// Everything that lives for one decoding, one sub-record per stage.
struct DecoderState {
    ConditionerState conditioner;
    PulseDetectorState pulses;  ///< the default detector
    AssemblerState assembler;
    BlockSink* sink = nullptr;  ///< where the blocks go; the run owns it
    /// -m: the averages' quotients (768 KiB), allocated when the fast path needs them.
    std::unique_ptr<WindowQuotients> quotients;
};

/// A completed bit into the assembler, and what it completed to the sink.
void pipeline_bit(DecoderState* st, const BitEvent& ev, const StageLimits& lim);

/// Hands the sink what an assembler event completed; `ev` is the bit that did.
void pipeline_report(BlockSink* sink, const AssemblerState& a, AssemblerEvent event,
                     const BitEvent& ev);

/// One conditioned sample into the raw output and the detector.
inline void pipeline_conditioned(DecoderState* st, PulseDetectorState* det, const Conditioned& c,
                                 uint64_t offset, const StageLimits& lim, RawOutput* raw) {
    if (raw != nullptr) raw_output_put(raw, c.raw);
    BitEvent ev;
    if (pulse_detector_step(det, c.comparator_input, offset, lim.detector, &ev))
        pipeline_bit(st, ev, lim);
}

/// Makes whole frames available in the buffer; returns how many, 0 at the end.
inline size_t input_whole_frames(InputStream* in, unsigned frame_bytes) {
    while (in->filled - in->pos < frame_bytes && !in->at_end) input_refill(in);
    return (in->filled - in->pos) / frame_bytes;
}

/// Walks every whole frame of the input the quickest way the options allow:
/// the detector's range scans when it offers them, otherwise a loop
/// specialised for the options in force. Leaves the stream at the trailing
/// partial frame; `previous` gets the last sample. `raw` is null without -o.
void decode_spans(DecoderState* st, InputStream* in, const StageLimits& lim, RawOutput* raw,
                  int* previous);
