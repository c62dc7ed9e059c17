#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr size_t kRawOutputBufferBytes = 64 * 1024;

/// The conditioned signal (-o), one signed byte per input frame, written
/// through a buffer of our own. A failed write is remembered and reported
/// once, when the file is closed.
struct RawOutput {
    FILE* file = nullptr;  ///< absent without -o, or when it could not be opened
    size_t used = 0;       ///< bytes waiting in the buffer
    bool failed = false;   ///< a write or the close failed
    uint8_t buffer[kRawOutputBufferBytes];
};

/// Opens `path` once the input is open, without truncating it until it is
/// known not to be the input itself (through any link): truncating that
/// would destroy the recording. Says "Error opening PATH." when it fails;
/// the run then goes on without it.
void raw_output_open(RawOutput* out, const char* path, FILE* input);

/// Writes out the buffer; called when it is full.
void raw_output_flush(RawOutput* out);

inline void raw_output_put(RawOutput* out, int8_t value) {
    out->buffer[out->used++] = static_cast<uint8_t>(value);
    if (out->used == kRawOutputBufferBytes) raw_output_flush(out);
}

/// Flushes and closes the file, if open; returns false if anything written was lost.
bool raw_output_close(RawOutput* out);
