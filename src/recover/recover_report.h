#pragma once

// The console lines of a recovered (or failed) block: the same lines as the
// default mode, so scripts keep working, plus one line saying what helped.

#include "recover/block_recovery.h"
#include "recover/recover_tape.h"

/// Where an edge was, as the default mode reports a rising edge: the byte
/// offset after the sample that made it, and the seconds up to that offset.
struct EdgePlace {
    uint64_t offset;
    double time;
};

/// The place of the edge at time `q` (quarter samples), and of logged edge `edge`.
EdgePlace edge_place_at(uint64_t q, const RecoverInput& input);
EdgePlace edge_place(const EdgeLog& log, uint32_t edge, const RecoverInput& input);

/// Hands the sink the block's lines as far as its reading got, prints the
/// help line of an accepted reading that needed help, and hands the sink the
/// block of an accepted reading, unless an earlier take wrote it; `channel`
/// (0-based) is the one it was read from.
void report_block(const RecoveryOutcome& outcome, const EdgeLog& log, const RecoverInput& input,
                  unsigned channel, const WriteVerdict& verdict);

/// The mean leader period of a reading, microseconds, as its sync line gives it.
unsigned reading_leader_us(const BlockReading& r, uint32_t rate);

/// The byte after the checksum, read plainly from the edges logged past it:
/// 0xD8 when another block of a chain follows. Edges the log does not hold
/// read as 0 bits, as the default mode reads a marker the recording cut off.
uint8_t reading_marker(const EdgeLog& log, const RecoveryOutcome& o);
