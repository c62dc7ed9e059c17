#pragma once

// The blocks of every take (further recordings of the same tape, and the
// copies of a program saved twice) kept by identity, so that a block is
// written once and a block no reading gets right alone can be rebuilt from
// all of them. A block is known by its name, its address and length, the
// named block it follows in a chain and its place after it; the same block
// again while the same program goes on is another copy of it, and otherwise
// the n-th such block of a take is the n-th of every take. Only failed
// readings keep their bytes, with how sure each one is.

#include <cstdint>

#include "recover/block_recovery.h"
#include "recover/edge_log.h"
#include "tape/tape_block.h"

struct RecoverInput;

/// Takes a run reads: the recording and up to seven more.
constexpr unsigned kMaxTakes = 8;
/// Blocks of all takes kept, and the distinct blocks among them.
constexpr unsigned kMaxBookEntries = 1024;
constexpr unsigned kMaxBookGroups = 512;
/// Room for the bytes (and their sureness) of the failed readings of a run.
constexpr uint32_t kBookPoolBytes = 1u << 21;

/// One block of one take, as read.
struct BookEntry {
    unsigned take = 0;   ///< 1-based, in command-line order
    unsigned group = 0;  ///< the distinct block it is
    bool accepted = false;
    uint32_t pool_at = 0;  ///< its bytes in the pool; length + 1 of them
    bool has_bytes = false;
    uint64_t sync_offset = 0;  ///< where and when its lines say it was
    double sync_time = 0;
    unsigned leader_us = 0;
    char start_time[kTimeTextBytes] = {};
    char stop_time[kTimeTextBytes] = {};
    uint8_t marker = kEndMarker;
    unsigned channel = 1;  ///< 1-based, as the record gives it
    bool inverted = false;
};

/// One distinct block: what identifies it across takes.
struct BookGroup {
    uint8_t name[kMaxNameBytes] = {};
    unsigned name_length = 0;
    uint8_t program[kMaxNameBytes] = {};  ///< the named block it follows (itself when named)
    unsigned program_length = 0;
    unsigned chain_place = 0;  ///< 0 for the named block, then 1, 2, ...
    uint8_t header[kBlockHeaderBytes] = {};
    unsigned occurrence = 0;    ///< the n-th such block of a take
    unsigned written_by = 0;    ///< the take its image came from; 0: none yet
    uint32_t written_hash = 0;  ///< its data, folded: another tape's block of that name differs
};

struct TakeBook {
    unsigned take = 1;        ///< the take being read
    bool several = false;     ///< more than one take: lines name the takes
    unsigned take_first = 0;  ///< its first entry
    unsigned run_first = 0;   ///< first entry of this take in the current program
    uint8_t program[kMaxNameBytes] = {};
    unsigned program_length = 0;
    unsigned chain_place = 0;
    unsigned entry_count = 0;
    unsigned group_count = 0;
    uint32_t pool_used = 0;
    BookEntry entries[kMaxBookEntries];
    BookGroup groups[kMaxBookGroups];
    uint8_t bytes[kBookPoolBytes];
    uint8_t codes[kBookPoolBytes];
};

/// Whether a block read alone is written: not when an earlier take wrote a
/// block of that name and place, whether with the same data or other data
/// (then the take is likely of another tape).
struct WriteVerdict {
    unsigned written_by = 0;  ///< the take that wrote it; 0: write it
    bool other_data = false;
};

/// Starts take `take` (1-based).
void book_start_take(TakeBook* book, unsigned take);

/// Keeps a block the recovering decoder read to its header (`leader_q`: its
/// leader's long period; `channel` 0-based), and says whether an accepted one is written.
WriteVerdict book_note(TakeBook* book, const RecoveryOutcome& o, const EdgeLog& log,
                       double leader_q, unsigned channel, const RecoverInput& input);

/// The data length of a group's blocks, checksum byte included.
inline uint32_t group_bytes(const BookGroup& g) {
    return static_cast<uint32_t>(g.header[2] | g.header[3] << 8) + 1;
}
