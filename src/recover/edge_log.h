#pragma once

// The edges of one block, as the front end found them on the chosen channel,
// kept so the block can be read again with other decisions. Both directions
// are kept: which of them starts a period depends on the polarity.

#include <cstdint>

#include "recover/edge_tracker.h"

/// A block of 65535 bytes of 1 bits, name and header included, two periods a
/// bit and two edges a period, plus a trimmed leader: about 4 MB.
constexpr uint32_t kMaxLoggedEdges = 2112000;
/// Longest distance between two edges the log holds, in quarter samples.
constexpr uint64_t kMaxEdgeDelta = UINT16_MAX;

struct EdgeLog {
    uint32_t count = 0;               ///< edges logged
    uint64_t first_q = 0;             ///< time of edge 0, quarter samples
    uint64_t last_q = 0;              ///< time of the newest edge
    bool first_rising = false;        ///< direction of edge 0; directions alternate
    uint16_t delta[kMaxLoggedEdges];  ///< quarter samples since the edge before; delta[0] = 0
};

void edge_log_start(EdgeLog* log, const EdgeEvent& ev);

/// Appends an edge; false when the log is full or the gap does not fit.
bool edge_log_push(EdgeLog* log, const EdgeEvent& ev);

/// Drops all but the newest `keep` edges (an even number keeps the directions).
void edge_log_trim(EdgeLog* log, uint32_t keep);

/// Time of edge `index`, quarter samples, found by summing from edge 0.
uint64_t edge_log_time(const EdgeLog& log, uint32_t index);

/// The first edge of the given direction: 0 or 1.
inline uint32_t edge_log_first(const EdgeLog& log, bool rising) {
    return log.first_rising == rising ? 0 : 1;
}

/// Period between edge `index` and the next edge of the same direction.
inline uint32_t edge_log_period(const EdgeLog& log, uint32_t index) {
    return static_cast<uint32_t>(log.delta[index + 1]) + log.delta[index + 2];
}
