#pragma once

// Where the images of a run go: files in the current directory or in the
// --output-dir folder. Another place (memory for a page in the browser) is a
// change here alone, since every image and chain of every decoder passes through.

#include <cstdio>

#include "image/chain_writer.h"
#include "image/image_writer.h"
#include "tape/tape_block.h"

struct ImageStore {
    ProtectedFiles protected_files;  ///< the input and the -o file, never written over
    ChainWriter chain;               ///< --join: the chained program being written
    const char* folder = nullptr;    ///< --output-dir: where images go; null: the current directory
    unsigned files_written = 0;      ///< images created
    bool failed = false;             ///< an output could not be written completely
};

/// Adds the file behind an open stream to the files no output may replace.
void image_store_protect(ImageStore* store, FILE* stream);

/// Writes one image of a good block and counts it, or remembers the failure.
void image_store_block(ImageStore* store, const TapeBlock& block);

/// Appends a good block to the pending chain (the first block starts it).
void image_store_chain_append(ImageStore* store, const TapeBlock& block);

/// Ends the pending chain, saying why when `incomplete` is not null, and
/// counts its image or remembers the failure.
void image_store_chain_close(ImageStore* store, const char* incomplete);

inline bool image_store_chain_pending(const ImageStore& store) {
    return chain_pending(store.chain);
}

/// Remembers that another output (the analysis picture) could not be written.
inline void image_store_failed(ImageStore* store) {
    store->failed = true;
}
