#pragma once

// The blocks of a conversion in the run's record (--report): the sink hands
// each report event here too; a block's object is written once the block is
// over (its image written, its checksum failed, the next sync, the end).

#include <cmath>
#include <cstdint>

#include "report/json_writer.h"
#include "tape/tape_block.h"

/// How the recovering decoder read a block; `method` null: the default
/// decoder, which reads every block one way. Other ways of making a block
/// (several takes merged) add their method and fields here.
struct BlockRecovery {
    /// "read" (plainly), "search", "merge" (of several readings), "none" (none trusted)
    const char* method = nullptr;
    unsigned reading = 0;        ///< the reading written, counted from 1; 0: none written
    unsigned readings = 0;       ///< readings tried
    unsigned pulses_reread = 0;  ///< uncertain pulses the written reading reads the other way
    double wrong_chance = NAN;   ///< the search's estimate that the image is wrong; NaN: none made
    /// "merge": the takes whose readings were merged (bit k - 1 for take k) and how many.
    uint32_t merged_takes = 0;
    unsigned merged_readings = 0;
};

/// Where a block was read: set by its decoder before the block's sync.
struct BlockOrigin {
    unsigned channel = 1;   ///< 1-based
    bool inverted = false;  ///< read upside down: -r, or the recovering decoder's falling edges
    BlockRecovery recovery;
};

/// The block being received, until its object is written.
struct BlockRecord {
    bool array_open = false;  ///< the "blocks" array has begun
    bool pending = false;     ///< a sync was found and its block not yet written
    uint64_t sync_offset = 0;
    double sync_seconds = 0;
    bool named = false;
    char name[kMaxNameBytes] = {};
    unsigned name_bytes = 0;  ///< without the zero
    char start_time[kTimeTextBytes] = {};
    bool has_header = false;
    uint16_t address = 0, length = 0;
    bool checksum_seen = false;
    uint8_t received = 0, computed = 0;
    bool match = false;
    BlockOrigin origin;
};

void record_sync(JsonWriter* w, BlockRecord* r, uint64_t offset, double seconds,
                 const BlockOrigin& origin);
void record_named(BlockRecord* r, const TapeBlock& block);
void record_header(BlockRecord* r, const TapeBlock& block);
void record_checksum(JsonWriter* w, BlockRecord* r, const TapeBlock& block, uint8_t computed,
                     bool match);
/// A name too long: the block is abandoned.
void record_aborted(JsonWriter* w, BlockRecord* r);
/// A good block: `image` is the file written (null when it could not be),
/// `chain_place` its place in a --join chain (0: none).
void record_good(JsonWriter* w, BlockRecord* r, const char* image, unsigned chain_place);
/// The recording has ended: a block still pending, and the array's end.
void record_finish(JsonWriter* w, BlockRecord* r);
