#pragma once

#include <cstdint>

#include "wav/frame_reader.h"

/// What the header reader found: the fields it reports and how to read a frame.
struct WavHeader {
    uint16_t format_tag = 0;       ///< 1 PCM, 3 float, 6 A-law, 7 mu-law, 0xFFFE extensible
    uint16_t channels = 0;         ///< 0 is read as one channel
    uint32_t sample_rate = 0;      ///< Hz; replaced by a forced rate
    uint16_t block_align = 0;      ///< bytes per frame as the file states it
    uint16_t bits_per_sample = 0;  ///< as the file states it
    uint8_t sub_format[16] = {};   ///< the extensible sub-format GUID
    uint64_t data_start = 0;       ///< file offset of the first sample
    uint64_t data_size = 0;        ///< the data chunk's size, reported only
    FrameFormat frame;             ///< decided once, in the header's validation
};
