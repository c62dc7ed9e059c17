#pragma once

// What the default decoder read, kept instead of printed and written: --analyze
// runs it quietly into a sink holding a tally, to learn block by block whether
// the options given convert the tape. Fixed size; later blocks only counted.

#include <cstdint>

#include "tape/tape_block.h"

/// Blocks described one by one.
constexpr unsigned kMaxTalliedBlocks = 64;

enum class TallyVerdict {
    kIncomplete,  ///< named, but the recording ended before its checksum
    kCrcError,    ///< read to its checksum, which did not match
    kWritten,     ///< checksum good: the default options write its image
};

/// The verdict as the analysis report and the run's record spell it.
const char* tally_verdict_name(TallyVerdict v);

struct TalliedBlock {
    TallyVerdict verdict = TallyVerdict::kIncomplete;
    double sync_seconds = 0;   ///< where its sync byte was found
    uint64_t sync_offset = 0;  ///< the byte offset there
    char name[kMaxNameBytes] = {};
};

struct BlockTally {
    unsigned blocks_found = 0;  ///< may exceed kMaxTalliedBlocks
    unsigned written = 0;       ///< blocks whose image would be written
    double sync_seconds = 0;    ///< the last sync byte, until its name arrives
    uint64_t sync_offset = 0;
    TalliedBlock blocks[kMaxTalliedBlocks];
};

void tally_sync(BlockTally* t, uint64_t offset, double time);
void tally_named(BlockTally* t, const TapeBlock& block);
void tally_checksum_failed(BlockTally* t);
void tally_good(BlockTally* t);
