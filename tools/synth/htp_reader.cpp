// An HTP image is the byte stream of a tape, one block after another:
//
//   leader    sync  name          address  length   data      checksum  marker
//   00 .. 00  A5    'N' .. 00     lo hi    lo hi    length B  sum of    00 last block
//   256 bytes       1..64 bytes                               the data  D8 more follow
//   (128 before a further block, whose name is usually just the 00)
//
// Accepted beyond the strict layout, because playing them is harmless:
// - a leader of any length, none included;
// - any name up to 63 characters in further blocks;
// - zero bytes after the final marker (played as more of the same);
// - a 0xD8 marker with nothing but zeros after it: a block saved out of a chain.
// Any other byte after the final marker is refused: it could be a truncated block.
#include "htp_reader.h"

#include <cstdio>

#include "synth_message.h"
#include "wav/frame_reader.h"

namespace {

/// Outcome of checking one block.
enum class BlockEnd { kBad, kLast, kMore };

BlockEnd fail(const SynthImage& image, size_t offset, char* message, size_t message_bytes,
              const char* what) {
    synth_message(message, message_bytes, "%s: %s at offset %zu", image.label, what, offset);
    return BlockEnd::kBad;
}

/// Checks the block at *pos (its leader first) and moves *pos past its marker.
BlockEnd check_block(const SynthImage& image, size_t* pos, char* message, size_t message_bytes) {
    const uint8_t* b = image.bytes;
    const size_t size = image.size;
    size_t p = *pos;
    while (p < size && b[p] == 0) ++p;
    if (p == size || b[p] != kSyncByte) {
        return fail(image, p, message, message_bytes, "no sync byte 0xA5 after the leader");
    }
    const size_t name_at = ++p;
    while (p < size && b[p] != 0 && p - name_at < kMaxNameChars + 1) ++p;
    if (p - name_at > kMaxNameChars) {
        return fail(image, name_at, message, message_bytes, "name longer than 63 characters");
    }
    if (p == size) return fail(image, name_at, message, message_bytes, "name not terminated");
    ++p;
    if (size - p < kBlockHeaderBytes) {
        return fail(image, p, message, message_bytes, "address and length cut off");
    }
    const size_t length = read_le16(b + p + 2);
    p += kBlockHeaderBytes;
    char what[64];
    if (size - p < length) {
        std::snprintf(what, sizeof what, "length %zu runs past the end of the file", length);
        return fail(image, p - 2, message, message_bytes, what);
    }
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + b[p + i]);
    p += length;
    *pos = p + 2;
    if (p == size) return fail(image, p, message, message_bytes, "checksum missing");
    if (b[p] != sum) {
        std::snprintf(what, sizeof what, "checksum 0x%02X does not match the data (0x%02X)", b[p],
                      sum);
        return fail(image, p, message, message_bytes, what);
    }
    if (p + 1 == size) return fail(image, size, message, message_bytes, "marker missing");
    if (b[p + 1] == kChainMarker) return BlockEnd::kMore;
    if (b[p + 1] == kEndMarker) return BlockEnd::kLast;
    std::snprintf(what, sizeof what, "marker 0x%02X is neither 0x00 nor 0xD8", b[p + 1]);
    return fail(image, p + 1, message, message_bytes, what);
}

/// True when every byte from pos to the end is zero.
bool only_zeros_from(const SynthImage& image, size_t pos) {
    for (; pos < image.size; ++pos) {
        if (image.bytes[pos] != 0) return false;
    }
    return true;
}

}  // namespace

int htp_check(const SynthImage& image, char* message, size_t message_bytes) {
    size_t pos = 0;
    BlockEnd end = BlockEnd::kMore;
    do {
        end = check_block(image, &pos, message, message_bytes);
        if (end == BlockEnd::kBad) return kSynthBadImage;
    } while (end == BlockEnd::kMore && !only_zeros_from(image, pos));
    for (; pos < image.size; ++pos) {
        if (image.bytes[pos] != 0) {
            fail(image, pos, message, message_bytes, "non-zero byte after the last block");
            return kSynthBadImage;
        }
    }
    return kSynthOk;
}
