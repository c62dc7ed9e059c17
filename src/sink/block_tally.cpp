#include "sink/block_tally.h"

#include <cstring>

namespace {

TalliedBlock* last_block(BlockTally* t) {
    if (t->blocks_found == 0 || t->blocks_found > kMaxTalliedBlocks) return nullptr;
    return &t->blocks[t->blocks_found - 1];
}

}  // namespace

void tally_sync(BlockTally* t, uint64_t offset, double time) {
    t->sync_offset = offset;
    t->sync_seconds = time;
}

void tally_named(BlockTally* t, const TapeBlock& block) {
    ++t->blocks_found;
    TalliedBlock* b = last_block(t);
    if (b == nullptr) return;
    *b = TalliedBlock{};
    b->sync_seconds = t->sync_seconds;
    b->sync_offset = t->sync_offset;
    // The name is at most kMaxNameBytes long, its zero included.
    std::memcpy(b->name, block.name, kMaxNameBytes);
    b->name[kMaxNameBytes - 1] = '\0';
}

void tally_checksum_failed(BlockTally* t) {
    if (TalliedBlock* b = last_block(t)) b->verdict = TallyVerdict::kCrcError;
}

void tally_good(BlockTally* t) {
    ++t->written;
    if (TalliedBlock* b = last_block(t)) b->verdict = TallyVerdict::kWritten;
}

const char* tally_verdict_name(TallyVerdict v) {
    switch (v) {
        case TallyVerdict::kWritten:
            return "written";
        case TallyVerdict::kCrcError:
            return "CRC error";
        case TallyVerdict::kIncomplete:
            return "incomplete";
    }
    return "";
}
