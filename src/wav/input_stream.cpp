#include "wav/input_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

void input_open(InputStream* in, FILE* file) {
    in->file = file;
    in->buffer_offset = 0;
    in->filled = 0;
    in->pos = 0;
    in->at_end = false;
    in->read_error = false;
    in->window = kInputChunkBytes;
}

namespace {

/// Moves the unread bytes to the front of the buffer and reads more behind them.
void refill(InputStream* in) {
    const size_t unread = in->filled - in->pos;
    if (in->pos > 0) {
        std::memmove(in->bytes, in->bytes + in->pos, unread);
        in->buffer_offset += in->pos;
        in->pos = 0;
        in->filled = unread;
    }
    while (!in->at_end && in->filled < in->window) {
        const size_t got = std::fread(in->bytes + in->filled, 1, in->window - in->filled, in->file);
        in->filled += got;
        if (got == 0) {
            if (std::ferror(in->file)) in->read_error = true;
            in->at_end = true;
        } else {
            // A short read from a pipe is not the end; one full chunk is enough.
            break;
        }
    }
}

bool is_regular_file(const InputStream* in, uint64_t* size) {
    struct stat st;
    if (fstat(fileno(in->file), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

}  // namespace

size_t input_require(InputStream* in, size_t count) {
    while (in->filled - in->pos < count && !in->at_end) refill(in);
    return std::min(in->filled - in->pos, count);
}

size_t input_whole_frames(InputStream* in, unsigned frame_bytes) {
    if (frame_bytes > in->window) in->window = kInputChunkBytes;
    while (in->filled - in->pos < frame_bytes && !in->at_end) refill(in);
    return (in->filled - in->pos) / frame_bytes;
}

void input_narrow_reads(InputStream* in, size_t bytes) {
    uint64_t size = 0;
    if (is_regular_file(in, &size)) in->window = bytes;
}

uint64_t input_reachable_size(InputStream* in) {
    uint64_t size = 0;
    return is_regular_file(in, &size) ? size : in->buffer_offset + in->filled;
}

size_t input_peek_at(InputStream* in, uint64_t offset, uint8_t* out, size_t count) {
    const uint64_t end = in->buffer_offset + in->filled;
    if (offset >= in->buffer_offset && offset <= end) {
        const uint64_t have = end - offset;
        const size_t n = have < count ? static_cast<size_t>(have) : count;
        std::memcpy(out, in->bytes + (offset - in->buffer_offset), n);
        if (n == count || in->at_end) return n;
    }
    uint64_t size = 0;
    if (!is_regular_file(in, &size) || offset >= size) return 0;
    const ssize_t got = pread(fileno(in->file), out, count, static_cast<off_t>(offset));
    return got > 0 ? static_cast<size_t>(got) : 0;
}

bool input_seek(InputStream* in, uint64_t offset) {
    if (offset >= in->buffer_offset && offset <= in->buffer_offset + in->filled) {
        in->pos = static_cast<size_t>(offset - in->buffer_offset);
        return true;
    }
    if (fseeko(in->file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    in->buffer_offset = offset;
    in->filled = 0;
    in->pos = 0;
    in->at_end = false;
    return true;
}
