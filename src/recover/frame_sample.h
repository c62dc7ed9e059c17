#pragma once

// The one place the recovering decoder reads samples: any channel of a frame
// in any format the frame reader knows. Inversion is not applied: the
// decoder finds the polarity itself.

#include <cstdint>

#include "wav/frame_reader.h"

/// The sample of `channel` (0-based) on the signed 16-bit scale.
inline int frame_sample_s16(const uint8_t* frame, const FrameFormat& format, unsigned channel) {
    return sample_of(frame + channel * format.sample_bytes, format.format, false);
}
