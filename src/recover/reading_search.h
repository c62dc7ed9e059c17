#pragma once

// Accepts a block on evidence. The checksum is an 8-bit sum: a reading that
// is wrong still matches it once in 256 times, and every reading tried is one
// more such chance. So a reading is written only when, by the block's own
// periods, the chance that the truth is some other reading that would match
// too is negligible:
//
//   chance wrong = (unexplored mass / 256 + mass of other matches) / own mass
//                + (chance of a wrong name or header period)^2 / 2
//
// where a reading's mass is the product of the odds of its changed periods,
// and the unexplored mass is that of every reading not tried, from the odds
// of all data periods. The name and the header carry no checksum; a single
// wrong period leaves a lone short pulse, which is refused, so only pairs of
// them can go unnoticed. Noise can also split a long period into two even
// halves, which no odds foresee but which leaves two edges close together;
// and a name of control or high bytes is refused. Readings are tried from
// the likeliest down, as long as one could still pass.

#include "recover/block_recovery.h"

/// Largest chance of being wrong a written image may carry.
constexpr double kMaxWrongChance = 1e-6;
/// Mass of the readings the odds cannot describe (an edge lost or added in a
/// way that keeps the structure): no reading less likely than that is written.
constexpr double kUnmodelledMass = 1e-8;
/// Readings the search may try per direction.
constexpr unsigned kMaxSearchReadings = 256;

/// Subsets waiting to be tried: each one tried adds at most two.
constexpr unsigned kQueueEntries = 2 * kMaxSearchReadings + 2;

/// A set of candidates read the other way: bit i is candidate i.
struct FlipSet {
    double mass = 0;  ///< product of the candidates' odds
    uint32_t mask = 0;
    unsigned last = 0;  ///< highest candidate in the set
};

/// A max-heap by mass, in a fixed array: the sets are tried likeliest first.
struct FlipQueue {
    FlipSet entries[kQueueEntries];
    unsigned count = 0;
};

/// Adds a set; a full queue drops it.
void queue_push(FlipQueue* q, const FlipSet& s);
/// Takes out the set of the largest mass; the queue must not be empty.
FlipSet queue_pop(FlipQueue* q);

/// The checksum does not cover the name and the header: readings of one
/// block may not differ in them.
bool same_name_and_header(const BlockReading& a, const BlockReading& b);

/// Leader edges whose phases set the limit of a split, and the fraction of
/// their shorter phase below which an interval in the name or header is noise.
constexpr uint32_t kSplitLeaderEdges = 64;
constexpr double kSplitPhaseFraction = 0.25;

/// The leader logged before the sync is long enough to set the limit of a split.
inline bool leader_sets_split_limit(const BlockReading& r) {
    return r.sync_edge >= kSplitLeaderEdges + 2;
}

/// True when no two edges from the sync to the end of the header lie closer
/// than a quarter of the leader's shorter phase: noise that split a long
/// period into two clean halves leaves such a pair, and no odds foresee it.
bool header_unsplit(const EdgeLog& log, const BlockReading& r);

/// Reads `log` in one direction with `params`, into `r` and `block`.
void read_log(const EdgeLog& log, bool rising, double leader_q, const ReaderParams& params,
              BlockReading* r, TapeBlock* block);

/// Scores the block from `plain` (its plain reading in this direction) and
/// searches readings in order of likelihood; fills `out` and `best` when one
/// is accepted.
bool search_readings(const EdgeLog& log, bool rising, double leader_q, const BlockReading& plain,
                     RecoveryOutcome* out, TapeBlock* best, TapeBlock* trial);
