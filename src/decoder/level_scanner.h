#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/stage_limits.h"

/// Without filter and edge mode the comparator input is a fixed, monotonic
/// function of the raw sample, so each comparator decision is a range test on
/// the raw value: the levels can be found by scanning the input bytes for the
/// next sample in range, without conditioning every sample.
struct RawRange {
    int low = 0;        ///< smallest raw value in the range
    unsigned span = 0;  ///< largest minus smallest
    bool empty = true;  ///< no raw value is in the range
};

/// The raw-value ranges that move the comparator.
struct LevelRanges {
    RawRange falls;       ///< values whose comparator input is below the fall level
    RawRange rises;       ///< values whose comparator input is above the rise level
    bool usable = false;  ///< both sets are contiguous (always, for a positive gain)
};

/// Computes the ranges for the sample width and inversion mask by conditioning
/// every possible raw value with the real conditioner.
LevelRanges level_ranges(const StageLimits& lim, uint16_t inversion_mask);

/// Index of the first of `count` 8-bit samples, `stride` bytes apart, whose
/// value lies in `range`; `count` when none does.
size_t find_u8_in_range(const uint8_t* p, size_t count, size_t stride, RawRange range);

/// The same for signed 16-bit little-endian samples.
size_t find_s16_in_range(const uint8_t* p, size_t count, size_t stride, RawRange range);
