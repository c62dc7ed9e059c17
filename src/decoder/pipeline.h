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
#include "wav/frame_carry.h"

struct DecoderState;

/// A walk through one span of whole frames: the plain per-sample loop, a
/// loop specialised for the options in force, or the detector's scans.
using SpanWalk = void (*)(DecoderState*, const FrameSpan&, const StageLimits&, RawOutput*);

/// How the samples reach the stages: fixed at the start of a decoding, then
/// moved along by every piece of sample data fed.
struct DecoderFeed {
    StageLimits limits;
    RawOutput* raw = nullptr;        ///< -o with its file open, else null
    SpanWalk walk = nullptr;         ///< the walk chosen for the options in force
    uint64_t next_frame_offset = 0;  ///< file offset of the next whole frame
    int previous = 0;                ///< the last sample, repeated at the end of the input
    FrameCarry carry;                ///< a frame cut by the end of a piece
};

/// Everything that lives for one decoding, one sub-record per stage.
struct DecoderState {
    DecoderFeed feed;
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

/// The quickest walk the options allow: the detector's range scans when it
/// offers them, otherwise a loop specialised for the options in force. Fills
/// the -m tables when the walk uses them. `raw` is null without -o.
SpanWalk pick_span_walk(DecoderState* st, const StageLimits& lim, RawOutput* raw);
