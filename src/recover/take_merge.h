#pragma once

// Blocks no take read alone, rebuilt from the readings of all takes (and of
// the copies of a program saved twice): each byte from the readings that
// read it most surely, then other values where the readings disagree, tried
// likeliest first and accepted by the same rule as one reading's search.

#include <cmath>

#include "recover/take_book.h"
#include "sink/block_sink.h"

/// Byte alternatives the merge may try, likeliest first.
constexpr unsigned kMergeCandidates = 10;

/// How a merge went.
struct MergeOutcome {
    bool accepted = false;
    unsigned readings = 0;      ///< readings tried
    unsigned matches = 0;       ///< of them, readings with a matching checksum
    double wrong_chance = NAN;  ///< the estimate that the accepted one is wrong
};

/// Rebuilds group `group` into `block` (name, header and data set).
MergeOutcome merge_group(const TakeBook& book, unsigned group, TapeBlock* block);

/// Merges every block that was not written and has two readings or more,
/// and hands those accepted to the sink with their lines, after every take.
void book_merge(const TakeBook& book, BlockSink* sink);
