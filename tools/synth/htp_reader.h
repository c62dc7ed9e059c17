#pragma once

#include <cstddef>
#include <cstdint>

#include "tape/tape_block.h"

/// One HTP image held in memory by the caller.
struct SynthImage {
    const char* label;     ///< file name used in messages
    const uint8_t* bytes;  ///< the whole image file
    size_t size;           ///< bytes in the file
};

/// Longest name: the converter's limit less the terminating zero.
constexpr size_t kMaxNameChars = kMaxNameBytes - 1;

/// Checks the image block by block. Returns kSynthOk, or kSynthBadImage with
/// "<label>: <what> at offset <n>" in message.
int htp_check(const SynthImage& image, char* message, size_t message_bytes);
