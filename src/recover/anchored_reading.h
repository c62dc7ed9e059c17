#pragma once

// The data of a block that failed, read byte by byte with how sure each byte
// is, for merging with other readings of the same block (another take, or a
// second copy saved after it). Every bit lasts one long period, a 0 as one
// long period and a 1 as two short ones, so a bit's place follows from its
// time: where edges were lost (a dropout) or a lone short pulse breaks the
// pairing, the reading picks up again at the next long period, placed by the
// time since the last sure bit, and the bytes in between are left unknown.

#include <cstdint>

#include "recover/block_reading.h"
#include "recover/edge_log.h"

/// How sure a byte is, as a code: its chance of being wrong is 10^(-code/4).
/// Code 0 is a byte not read at all.
constexpr double kDoubtCodeSteps = 4;
constexpr uint8_t kUnknownByte = 0;

/// The chance a byte of `code` is wrong.
double byte_doubt(uint8_t code);

/// Reads the data and checksum bytes of `plain` (a reading in direction
/// `rising` that got past the header) again from `log`, into `bytes` and
/// `codes` (length + 1 entries each, every one written).
void read_anchored(const EdgeLog& log, bool rising, double leader_q, const BlockReading& plain,
                   uint8_t* bytes, uint8_t* codes);
