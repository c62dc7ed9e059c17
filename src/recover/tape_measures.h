#pragma once

// What --analyze learns from the recovering decoder: per block where it lies,
// what it holds, how it was read and how its periods were timed, and for the
// whole tape a histogram of the periods. Fixed size; filled only when the
// decoder is given a record, and then it writes no image and prints nothing.

#include <cstdint>

#include "tape/tape_block.h"

/// Blocks described one by one; later ones are only counted.
constexpr unsigned kMaxMeasuredBlocks = 64;
/// Width of a histogram bucket and the buckets kept: 0 to 3200 µs.
constexpr unsigned kPeriodBucketUs = 50;
constexpr unsigned kPeriodBuckets = 64;

enum class BlockVerdict {
    kGood,        ///< read plainly, checksum good
    kRecovered,   ///< checksum good after help (re-read pulses, another threshold, glitches)
    kCrcError,    ///< read to its checksum, which did not match
    kNotWritten,  ///< checksum matched in a reading with doubts
    kIncomplete,  ///< the reading stopped before the checksum
};

/// A place on the tape: byte offset in the file and seconds into the recording.
struct TapeSpot {
    uint64_t offset = 0;
    double seconds = 0;
};

struct BlockMeasure {
    BlockVerdict verdict = BlockVerdict::kIncomplete;
    unsigned channel = 0;           ///< 0-based
    bool rising = true;             ///< periods timed from rising edges
    TapeSpot leader;                ///< where the leader was first seen (about)
    TapeSpot sync;                  ///< the sync byte
    TapeSpot end;                   ///< the checksum, or the last edge of a broken block
    char name[kMaxNameBytes] = {};  ///< as read, empty before the name ended
    bool has_header = false;        ///< address and length were read
    uint16_t address = 0;
    uint16_t length = 0;
    uint32_t short_count = 0;  ///< periods judged short, leader and block
    uint32_t long_count = 0;
    double short_us = 0;  ///< their mean lengths
    double long_us = 0;
    double jitter_us = 0;    ///< spread of the periods around their class's mean
    bool has_doubt = false;  ///< a glitch, an overlong period or one near the threshold
    TapeSpot doubt;          ///< the first of them after the sync
    unsigned readings = 0;   ///< readings the decoder tried
    unsigned refused = 0;    ///< readings whose checksum matched that were not written
};

struct TapeMeasures {
    unsigned blocks_found = 0;  ///< may exceed kMaxMeasuredBlocks
    BlockMeasure blocks[kMaxMeasuredBlocks];
    uint64_t period_counts[kPeriodBuckets] = {};  ///< periods of the blocks and their leaders
    uint64_t periods_over = 0;                    ///< longer than the last bucket
    double threshold_us_sum = 0;  ///< short/long boundaries of the blocks, for their mean
};
