#include "wav/input_stream.h"

#include <cstring>

void input_open(InputStream* in, FILE* file) {
    in->file = file;
    in->buffer_offset = 0;
    in->filled = 0;
    in->pos = 0;
    in->at_end = false;
    in->read_error = false;
}

size_t input_refill(InputStream* in) {
    const size_t unread = in->filled - in->pos;
    if (in->pos > 0) {
        std::memmove(in->bytes, in->bytes + in->pos, unread);
        in->buffer_offset += in->pos;
        in->pos = 0;
        in->filled = unread;
    }
    while (!in->at_end && in->filled < kInputChunkBytes) {
        const size_t got =
            std::fread(in->bytes + in->filled, 1, kInputChunkBytes - in->filled, in->file);
        in->filled += got;
        if (got == 0) {
            if (std::ferror(in->file)) in->read_error = true;
            in->at_end = true;
        } else {
            // A short read from a pipe is not the end; one full chunk is enough.
            break;
        }
    }
    return in->filled - in->pos;
}

size_t input_require(InputStream* in, size_t count) {
    while (in->filled - in->pos < count && !in->at_end) input_refill(in);
    const size_t have = in->filled - in->pos;
    return have < count ? have : count;
}
