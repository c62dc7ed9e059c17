#include "wav/chunk_walk.h"

#include <cstring>

#include "wav/frame_reader.h"

namespace {

/// The walk starts behind "RIFF", the RIFF size and "WAVE".
constexpr uint64_t kFirstChunkOffset = 12;
constexpr unsigned kChunkHeaderBytes = 8;
/// The 64-bit data size sits at body offset 8 of a ds64 chunk.
constexpr unsigned kDs64DataSizeOffset = 8;

bool is_tag(const uint8_t* header, const char* tag) {
    return std::memcmp(header, tag, 4) == 0;
}

/// The ds64 chunk's data size, when its body holds one.
bool read_ds64_data_size(InputStream* in, uint64_t body, uint32_t chunk_size, uint64_t* size) {
    uint8_t field[8];
    if (chunk_size < kDs64DataSizeOffset + sizeof field ||
        input_peek_at(in, body + kDs64DataSizeOffset, field, sizeof field) != sizeof field) {
        return false;
    }
    *size = read_le64(field);
    return true;
}

}  // namespace

ChunkWalk walk_chunks(InputStream* in, bool rf64) {
    ChunkWalk walk;
    const uint64_t file_size = input_reachable_size(in);
    bool have_ds64_size = false;
    uint64_t ds64_size = 0;
    uint64_t at = kFirstChunkOffset;
    while (!(walk.found_format && walk.found_data) && at <= file_size &&
           file_size - at >= kChunkHeaderBytes) {
        uint8_t header[kChunkHeaderBytes];
        if (input_peek_at(in, at, header, sizeof header) != sizeof header) break;
        const uint32_t size32 = read_le32(header + 4);
        const uint64_t body = at + kChunkHeaderBytes;
        uint64_t size = size32;
        if (is_tag(header, "fmt ") && !walk.found_format) {
            walk.found_format = true;
            const size_t wanted = size32 < kFormatBodyBytes ? size32 : kFormatBodyBytes;
            input_peek_at(in, body, walk.format_body, wanted);
        } else if (is_tag(header, "data") && !walk.found_data) {
            walk.found_data = true;
            walk.data_tag_offset = at;
            if (rf64 && have_ds64_size) size = ds64_size;
            walk.data_size = size;
        } else if (rf64 && is_tag(header, "ds64") && !walk.found_data) {
            have_ds64_size = read_ds64_data_size(in, body, size32, &ds64_size);
        }
        // A size running past the end ends the walk: nothing behind it can be found.
        if (size > file_size - body) break;
        at = body + size + (size & 1);
    }
    return walk;
}
