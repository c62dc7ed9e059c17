#pragma once

#include <cstdint>

#include "wav/frame_reader.h"

/// Size of the canonical WAV header read at the start of the input.
constexpr int kWavHeaderBytes = 44;

/// What the header reader found: the fields it reports and how to read a frame.
struct WavHeader {
    uint8_t raw[kWavHeaderBytes] = {};  ///< the first 44 bytes; missing bytes are zero
    uint16_t channels = 0;              ///< byte 22; 0 is read as one channel
    uint32_t sample_rate = 0;           ///< byte 24, Hz; replaced by a forced rate
    uint16_t bits_per_sample = 0;       ///< byte 34
    uint64_t data_start = 0;            ///< file offset of the first sample
    uint32_t data_size = 0;             ///< the data chunk's size field, reported only
    FrameFormat frame;                  ///< decided once, in the header's validation
};
