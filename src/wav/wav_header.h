#pragma once

#include <cstdint>

/// Size of the canonical WAV header read at the start of the input.
constexpr int kWavHeaderBytes = 44;

/// The fields vorlane uses from the canonical header, read at fixed offsets.
struct WavHeader {
    uint8_t raw[kWavHeaderBytes] = {};  ///< the first 44 bytes; missing bytes are zero
    uint16_t channels = 0;              ///< byte 22
    uint32_t sample_rate = 0;           ///< byte 24, Hz; replaced by a forced rate
    uint16_t bits_per_sample = 0;       ///< byte 34
    uint64_t data_start = 0;            ///< file offset of the first sample
    uint32_t data_size = 0;             ///< the data chunk's size field, reported only
};

/// Little-endian fields from a byte array.
inline uint16_t read_le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t read_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
