#include "image/chain_writer.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

void chain_append(ChainWriter* chain, const TapeBlock& block, const char* folder) {
    if (chain->blocks == 0) {
        char file_name[kImageFileNameBytes];
        image_file_name(block, file_name, sizeof file_name);
        // The temporary file sits beside the image, so the rename stays in DIR.
        if (image_path(folder, file_name, chain->name, sizeof chain->name)) {
            chain->file = open_temp_beside(folder, ".vorlane-chain-XXXXXX", chain->temp_name,
                                           sizeof chain->temp_name);
        }
        chain->write_failed = chain->file == nullptr;
    }
    ++chain->blocks;
    if (chain->write_failed) return;
    const unsigned leader = chain->blocks == 1 ? kImageLeaderBytes : kChainLeaderBytes;
    if (!write_block_bytes(block, leader, block.marker, chain->file)) chain->write_failed = true;
}

bool chain_close(ChainWriter* chain, const char* incomplete, const ProtectedFiles& protect) {
    if (incomplete != nullptr) {
        std::fprintf(stderr, "  Incomplete chain of %u block(s): %s.\n", chain->blocks, incomplete);
    }
    bool written = !chain->write_failed;
    if (chain->file != nullptr && std::fclose(chain->file) != 0) written = false;
    // Renaming over the recording or the raw output would lose what the run
    // still reads or has written.
    written = written && !names_protected_file(chain->name, protect) &&
              std::rename(chain->temp_name, chain->name) == 0;
    if (written) {
        std::fprintf(stderr, "  File written: %s\n\n", chain->name);
    } else {
        if (chain->file != nullptr) unlink(chain->temp_name);
        std::fprintf(stderr, "Error writing %s.\n", chain->name);
    }
    *chain = ChainWriter{};
    return written;
}
