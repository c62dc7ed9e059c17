#pragma once

// A tape name as text that cannot be misread: printable ASCII stays as it
// is, a double quote and a backslash get a backslash, every other byte
// becomes \u00XX. The result is a valid JSON string body, and the bytes
// come back from it one for one (each byte read as the code point of its
// value), so the console, the picture and the record all quote names alike.

#include <cstddef>
#include <cstdint>

/// Longest escape of one byte: "\u00XX".
constexpr size_t kEscapedByteChars = 6;

/// Room for the escaped text of `count` bytes, its terminating zero included.
constexpr size_t escaped_text_bytes(size_t count) {
    return count * kEscapedByteChars + 1;
}

/// Writes the escaped text of `count` bytes to `out` (room for `out_bytes`
/// characters, zero included); stops before an escape that would not fit.
/// Returns the length written.
size_t escape_name(const uint8_t* bytes, size_t count, char* out, size_t out_bytes);
