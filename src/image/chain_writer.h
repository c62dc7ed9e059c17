#pragma once

#include <cstdint>
#include <cstdio>

#include "image/image_writer.h"
#include "tape/tape_block.h"

/// A chained program on its way into one image (--join). Blocks are
/// appended to a temporary file as they arrive, so a chain of any length
/// needs no memory; the image gets its name when the chain ends.
struct ChainWriter {
    FILE* file = nullptr;                  ///< the temporary file, open while a chain is pending
    char temp_name[kImagePathBytes] = {};  ///< its path in the images' folder
    char name[kImagePathBytes] = {};       ///< the image's path, from the chain's first block
    unsigned blocks = 0;                   ///< blocks appended so far
    bool write_failed = false;             ///< a write to the temporary file failed
};

inline bool chain_pending(const ChainWriter& chain) {
    return chain.blocks > 0;
}

/// Appends a good block with its marker; the first block opens the image.
void chain_append(ChainWriter* chain, const TapeBlock& block, const char* folder);

/// Ends the pending chain and writes its image. `incomplete` says why the
/// chain broke, or is null when its last block ended the program. Returns
/// false, after saying so, when the image could not be written.
bool chain_close(ChainWriter* chain, const char* incomplete, const ProtectedFiles& protect);
