#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

/// Bytes read from the input at a time. It must hold at least one whole frame
/// of the widest input (65535 channels of 64 bits).
constexpr size_t kInputChunkBytes = 512 * 1024;

/// The converter's reads of a regular file: its result does not depend on how
/// the input is cut, and smaller reads touch less of the buffer's memory.
constexpr size_t kConverterReadBytes = 128 * 1024;

/// The input file read through a buffer of our own, so that the byte offset of
/// any buffered byte is known by arithmetic instead of by asking the stream.
struct InputStream {
    FILE* file = nullptr;
    uint64_t buffer_offset = 0;        ///< file offset of bytes[0]
    size_t filled = 0;                 ///< valid bytes in the buffer
    size_t pos = 0;                    ///< next unread byte in the buffer
    bool at_end = false;               ///< a read has met the end of the file
    bool read_error = false;           ///< a read failed for another reason than the end
    size_t window = kInputChunkBytes;  ///< a read fills the buffer up to here
    uint8_t bytes[kInputChunkBytes];
};

/// Starts reading `file` from its current position, assumed to be offset 0.
void input_open(InputStream* in, FILE* file);

/// Lets reads of a regular file fill only `bytes` of the buffer; other inputs
/// keep the whole buffer, as a pipe's header is looked for in what is
/// buffered. A frame wider than that widens the reads again.
void input_narrow_reads(InputStream* in, size_t bytes);

/// Makes at least `count` unread bytes available unless the file ends first;
/// returns how many are available (up to the buffer size).
size_t input_require(InputStream* in, size_t count);

/// Makes whole frames of `frame_bytes` available in the buffer; returns how
/// many, 0 at the end. A partial frame at the end stays unread.
size_t input_whole_frames(InputStream* in, unsigned frame_bytes);

/// Size of the file when it is a regular file; otherwise the bytes buffered
/// so far, which is all a look back can reach.
uint64_t input_reachable_size(InputStream* in);

/// Copies up to `count` bytes from file offset `offset` without moving the
/// stream; returns how many were there (fewer at the end of what is reachable).
size_t input_peek_at(InputStream* in, uint64_t offset, uint8_t* out, size_t count);

/// Moves the stream to file offset `offset`; false when it cannot get there.
bool input_seek(InputStream* in, uint64_t offset);

/// File offset of the next unread byte.
inline uint64_t input_position(const InputStream* in) {
    return in->buffer_offset + in->pos;
}
