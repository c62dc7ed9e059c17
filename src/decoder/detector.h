#pragma once

#include <cstddef>
#include <cstdint>

// What the detector hands on and what it reads. The default decoder has one
// detector, the comparator of pulse_detector.h, and its loops call it by
// name: a second detector would be a second set of loops or a template
// parameter to them, added with it. The detector knows nothing of the later
// stages: irregular pulses are flagged in the event and reported by the
// assembler, which knows the block.

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
