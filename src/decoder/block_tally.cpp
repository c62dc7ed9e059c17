#include "decoder/block_tally.h"

#include <cstring>

namespace {

TalliedBlock* last_block(BlockTally* t) {
    if (t->blocks_found == 0 || t->blocks_found > kMaxTalliedBlocks) return nullptr;
    return &t->blocks[t->blocks_found - 1];
}

}  // namespace

void block_tally_event(BlockTally* t, AssemblerEvent event, const TapeBlock& block,
                       const BitEvent& ev) {
    switch (event) {
        case AssemblerEvent::kNamed: {
            ++t->blocks_found;
            TalliedBlock* b = last_block(t);
            if (b == nullptr) break;
            *b = TalliedBlock{};
            b->named_seconds = ev.time;
            b->named_offset = ev.offset;
            // The name is at most kMaxNameBytes long, its zero included.
            std::memcpy(b->name, block.name, kMaxNameBytes);
            b->name[kMaxNameBytes - 1] = '\0';
            break;
        }
        case AssemblerEvent::kChecksumFailed:
            if (TalliedBlock* b = last_block(t)) b->verdict = TallyVerdict::kCrcError;
            break;
        case AssemblerEvent::kBlockDone:
            ++t->written;
            if (TalliedBlock* b = last_block(t)) b->verdict = TallyVerdict::kWritten;
            break;
        case AssemblerEvent::kNone:
            break;
    }
}
