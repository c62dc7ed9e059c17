#pragma once

#include <cstdint>

#include "wav/input_stream.h"

/// Bytes of the format chunk's body that vorlane reads: up to the end of the
/// extensible sub-format GUID.
constexpr unsigned kFormatBodyBytes = 40;

/// What walking the chunks from byte 12 found.
struct ChunkWalk {
    bool found_format = false;                   ///< a "fmt " chunk was met
    uint8_t format_body[kFormatBodyBytes] = {};  ///< its body; bytes beyond it or the file read 0
    bool found_data = false;                     ///< a "data" chunk was met
    uint64_t data_tag_offset = 0;                ///< file offset of its tag
    uint64_t data_size = 0;  ///< its size field, or the ds64 size of an RF64 file
};

/// Walks the chunks (4-byte id, 32-bit little-endian size, body padded to an
/// even length) from byte 12 until the first "fmt " and "data" chunks have
/// been met, fewer than 8 bytes are left, or a chunk's size runs past the
/// end of the file. A chunk counts as met once its 8-byte header is read;
/// the walk steps over a data chunk to find a format chunk behind it. In an
/// RF64 file a "ds64" chunk before the data chunk gives the data size. The
/// stream does not move.
ChunkWalk walk_chunks(InputStream* in, bool rf64);
