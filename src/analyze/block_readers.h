#pragma once

// Which decoder read which block: the blocks the recovering decoder measured
// matched, by where they lie, with those the default decoder named in its
// quiet run. The advice rests on these counts, not on a judgement.

#include "analyze/analyze_run.h"

constexpr int kNoMatch = -1;

/// The default decoder's block named inside measured block `i`, or kNoMatch.
int default_block_of(const Analysis& a, unsigned i);

/// True when default block `j` lies inside no measured block.
bool default_block_alone(const Analysis& a, unsigned j);

struct ReaderCounts {
    unsigned found = 0;       ///< blocks either decoder found
    unsigned by_default = 0;  ///< images the default options write
    unsigned by_recover = 0;  ///< blocks --recover reads (good or recovered)
    unsigned by_neither = 0;  ///< blocks no decoder reads
    double first_unread = 0;  ///< where the first of those went wrong, seconds
};

ReaderCounts count_readers(const Analysis& a);

/// True when --recover writes the block's image.
bool recover_reads(const BlockMeasure& b);
