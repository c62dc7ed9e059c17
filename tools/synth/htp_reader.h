#pragma once

#include <cstddef>
#include <cstdint>

/// One HTP image held in memory by the caller.
struct SynthImage {
    const char* label;     ///< file name used in messages
    const uint8_t* bytes;  ///< the whole image file
    size_t size;           ///< bytes in the file
};

/// Longest name: 63 characters before the terminating zero.
constexpr size_t kMaxNameChars = 63;
constexpr uint8_t kSyncByte = 0xA5;
constexpr uint8_t kLastBlockMarker = 0x00;
constexpr uint8_t kMoreBlocksMarker = 0xD8;

/// Checks the image block by block. Returns kSynthOk, or kSynthBadImage with
/// "<label>: <what> at offset <n>" in message.
int htp_check(const SynthImage& image, char* message, size_t message_bytes);
