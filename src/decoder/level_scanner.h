#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/stage_limits.h"
#include "wav/frame_reader.h"

/// Without filter and edge mode the comparator input is a fixed, monotonic
/// function of the sample, so each comparator decision is a range test on
/// the stored value: the levels can be found by scanning the input bytes for
/// the next sample in range, without conditioning every sample.
struct RawRange {
    int low = 0;        ///< smallest stored value in the range
    unsigned span = 0;  ///< largest minus smallest
    bool empty = true;  ///< no value is in the range
};

/// The stored-value ranges that move the comparator, inversion folded in:
/// for 8-bit PCM ranges of the byte, for every other format of the signed
/// 16-bit value the stored sample reads as.
struct LevelRanges {
    RawRange falls;       ///< values whose comparator input is below the fall level
    RawRange rises;       ///< values whose comparator input is above the rise level
    bool usable = false;  ///< both sets are contiguous (always, for a positive gain)
};

/// Computes the ranges by conditioning every value of the signed 8-bit scale
/// with the real conditioner, then mapping them onto the frame's samples.
LevelRanges level_ranges(const ConditionerLimits& cond, double rise_level,
                         const FrameFormat& frame);
