#pragma once

#include <cstdint>

#include "decoder/block_assembler.h"
#include "decoder/conditioner.h"
#include "decoder/pulse_detector.h"
#include "decoder/raw_output.h"
#include "image/image_writer.h"

/// Where the decoding stands in the input, and what it has produced.
struct PositionState {
    uint64_t data_start = 0;         ///< byte offset of the first sample
    unsigned files_written = 0;      ///< images created
    bool image_failed = false;       ///< an image could not be written completely
    ProtectedFiles protected_files;  ///< the input and the raw output, never overwritten
};

/// Everything that lives for one decoding, one sub-record per stage. Each
/// stage writes only its own record.
struct DecoderState {
    PositionState position;
    ConditionerState conditioner;
    PulseDetectorState pulses;
    AssemblerState assembler;
    RawOutput raw;
    WindowQuotients quotients;  ///< edge-mode averages, filled when the fast path needs them
};
