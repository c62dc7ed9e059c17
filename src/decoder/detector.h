#pragma once

#include <cstddef>
#include <cstdint>

// A detector turns the conditioned signal into bits. The decode loop offers
// it every sample with
//     bool NAME_step(State*, double comparator_input, uint64_t offset,
//                    const DetectorLimits&, BitEvent*);
// which returns true with the event filled when a bit is complete. A detector
// may also offer to walk whole spans of frames itself, when the conditioning
// in force lets it decide from the stored samples alone:
//     bool NAME_offer_scan(State*, const StageLimits&);
//     bool NAME_scan(State*, const FrameSpan&, const FrameFormat&, size_t* next_frame,
//                    const DetectorLimits&, BitEvent*);
// A detector that cannot simply declines; the result must be the same either
// way. Detectors know nothing of the later stages: irregular pulses are
// flagged in the event and reported by the assembler, which knows the block.

/// One decoded bit with the position data the assembler reports.
struct BitEvent {
    int bit;                ///< 0 or 1
    uint32_t pulse_length;  ///< samples of the pulse that completed the bit
    uint64_t offset;        ///< byte offset after the sample that made the edge
    double time;            ///< elapsed seconds at the edge
    bool overlong;          ///< a long pulse beyond the overlong limit
    bool long_after_short;  ///< a long pulse ended a lone short one
};

/// A run of whole frames in the input buffer.
struct FrameSpan {
    const uint8_t* bytes;  ///< first byte of the first frame
    size_t frames;         ///< whole frames in the run
    uint64_t offset;       ///< file offset of the first frame
};
