#include "tape/name_text.h"

#include <cstdio>

namespace {

constexpr uint8_t kFirstPrintable = 0x20;
constexpr uint8_t kLastPrintable = 0x7E;

}  // namespace

size_t escape_name(const uint8_t* bytes, size_t count, char* out, size_t out_bytes) {
    if (out_bytes == 0) return 0;
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        char piece[kEscapedByteChars + 1];
        if (b == '"' || b == '\\') {
            piece[0] = '\\';
            piece[1] = static_cast<char>(b);
            piece[2] = '\0';
        } else if (b >= kFirstPrintable && b <= kLastPrintable) {
            piece[0] = static_cast<char>(b);
            piece[1] = '\0';
        } else {
            std::snprintf(piece, sizeof piece, "\\u%04X", b);
        }
        size_t n = 0;
        while (piece[n] != '\0') ++n;
        if (used + n >= out_bytes) break;
        for (size_t k = 0; k < n; ++k) out[used++] = piece[k];
    }
    out[used] = '\0';
    return used;
}
