#pragma once

#include <cstdint>
#include <string>

/// The fields of a canonical 44-byte PCM WAV header that fixtures vary.
struct WavFixture {
    uint16_t channels = 1;
    uint32_t sample_rate = 44100;
    uint16_t bits_per_sample = 8;
    /// Value of the data chunk's size field; by default the real payload size.
    bool explicit_data_size = false;
    uint32_t data_size = 0;
};

/// A canonical 44-byte header ("RIFF", "WAVE", "fmt ", 16-byte format chunk,
/// "data" at byte 36) followed by `payload`.
std::string make_wav(const WavFixture& fixture, const std::string& payload);

/// Little-endian byte helpers for building fixtures by hand.
std::string le16(uint16_t v);
std::string le32(uint32_t v);
