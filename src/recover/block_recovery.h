#pragma once

// Reads a logged block, and when that reading fails, reads it again with
// other decisions: the other polarity, other thresholds, or its least
// certain periods the other way. The checksum is only 8 bits, so every extra
// reading is a chance of a false match: a reading is accepted only when it
// runs from sync to checksum without one structural doubt (a lone short
// period, a period of no plausible length; for an alternative reading also a
// name that is not text), and the
// alternatives are few and ranked by how uncertain each period was.

#include <cmath>

#include "recover/block_reading.h"
#include "recover/edge_log.h"

/// How a block was read in the end.
struct RecoveryOutcome {
    bool accepted = false;  ///< a clean reading whose checksum matched
    BlockReading reading;   ///< the reading reported: the accepted one or the first
    unsigned readings = 0;  ///< readings tried
    unsigned matches = 0;   ///< readings tried that read to a matching checksum
    unsigned flipped = 0;   ///< uncertain periods read the other way in the accepted reading
    bool retuned = false;   ///< the accepted reading used another threshold or tracking
    bool rising = true;     ///< the reported reading timed its periods from rising edges
    /// The search's estimate that the accepted reading is wrong; NaN when
    /// the plain reading was accepted without one.
    double wrong_chance = NAN;
};

/// Which directions' quick readings found a sync, best first: [1] is rising.
struct DirectionChoice {
    bool rising[2] = {};
    unsigned count = 0;
};

/// Reads `log` in the given directions; the reported reading's fields end up
/// in `best` (`trial` is scratch).
RecoveryOutcome recover_block(const EdgeLog& log, const DirectionChoice& directions,
                              double leader_q, TapeBlock* best, TapeBlock* trial);
