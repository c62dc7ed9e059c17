#pragma once

#include <cstddef>
#include <cstdint>

/// One HTP image held in memory by the caller.
struct SynthImage {
    const char* label;     ///< file name used in messages
    const uint8_t* bytes;  ///< the whole image file
    size_t size;           ///< bytes in the file
};

/// What validation learned about an image, as much as playing it needs.
struct HtpLayout {
    size_t blocks = 0;  ///< tape blocks in the image
};

/// Longest name: 63 characters before the terminating zero.
constexpr size_t kMaxNameChars = 63;
constexpr uint8_t kSyncByte = 0xA5;
constexpr uint8_t kLastBlockMarker = 0x00;
constexpr uint8_t kMoreBlocksMarker = 0xD8;

/// Checks the image block by block and fills layout. Returns kSynthOk, or
/// kSynthBadImage with "<label>: <what> at offset <n>" in message.
int htp_check(const SynthImage& image, HtpLayout* layout, char* message, size_t message_bytes);

/// Validation alone: kSynthOk (0) if well-formed, else kSynthBadImage (5) and the message.
int htp_validate(const SynthImage& image, char* message, size_t message_bytes);

/// Number of bytes that go onto the tape for a checked image.
size_t htp_play_size(const SynthImage& image, const HtpLayout& layout);

/// The byte at index (below htp_play_size) as it goes onto the tape.
uint8_t htp_play_byte(const SynthImage& image, const HtpLayout& layout, size_t index);
