#pragma once

// What the default decoder read, kept instead of printed and written: --analyze
// runs it quietly to learn, block by block, whether the options given convert
// the tape. Fixed size; later blocks are only counted.

#include <cstdint>

#include "decoder/block_assembler.h"
#include "decoder/detector.h"
#include "decoder/tape_block.h"

/// Blocks described one by one.
constexpr unsigned kMaxTalliedBlocks = 64;

enum class TallyVerdict {
    kIncomplete,  ///< named, but the recording ended before its checksum
    kCrcError,    ///< read to its checksum, which did not match
    kWritten,     ///< checksum good: the default options write its image
};

struct TalliedBlock {
    TallyVerdict verdict = TallyVerdict::kIncomplete;
    double named_seconds = 0;   ///< when its name ended
    uint64_t named_offset = 0;  ///< the byte offset there
    char name[kMaxNameBytes] = {};
};

struct BlockTally {
    unsigned blocks_found = 0;  ///< may exceed kMaxTalliedBlocks
    unsigned written = 0;       ///< blocks whose image would be written
    TalliedBlock blocks[kMaxTalliedBlocks];
};

/// Takes what a bit completed; `block` is the assembler's block at that bit.
void block_tally_event(BlockTally* t, AssemblerEvent event, const TapeBlock& block,
                       const BitEvent& ev);
