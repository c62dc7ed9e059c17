#include "sink/image_store.h"

namespace {

void count(ImageStore* store, bool written) {
    if (written) {
        ++store->files_written;
    } else {
        store->failed = true;
    }
}

}  // namespace

void image_store_protect(ImageStore* store, FILE* stream) {
    protect_file(&store->protected_files, stream);
}

void image_store_block(ImageStore* store, const TapeBlock& block) {
    count(store, write_image(block, store->folder, store->protected_files));
}

void image_store_chain_append(ImageStore* store, const TapeBlock& block) {
    chain_append(&store->chain, block, store->folder);
}

void image_store_chain_close(ImageStore* store, const char* incomplete) {
    count(store, chain_close(&store->chain, incomplete, store->protected_files));
}
