#pragma once

#include <cstdint>

/// Maps input samples onto the signed 8-bit scale (-128..127) that all
/// conditioning works on. The inversion mask is 0x0000, or 0xFFFF for -r.

/// 8-bit samples are unsigned around 0x80; inversion complements the byte.
inline int sample_from_u8(uint8_t byte, uint16_t inversion_mask) {
    return static_cast<uint8_t>(byte ^ inversion_mask) - 128;
}

/// 16-bit samples are signed little-endian; the top byte's worth survives,
/// truncated toward zero (-255 gives 0).
inline int sample_from_s16(const uint8_t* p, uint16_t inversion_mask) {
    const auto s = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)) ^ inversion_mask);
    return s / 256;
}

/// The read that meets the end of the input still yields one sample: for
/// 8-bit input the end marker taken as the byte 0xFF, for 16-bit input the
/// previous sample again (0 when there was none).
inline int end_of_input_sample(unsigned sample_bytes, uint16_t inversion_mask, int previous) {
    return sample_bytes == 2 ? previous : sample_from_u8(0xFF, inversion_mask);
}
