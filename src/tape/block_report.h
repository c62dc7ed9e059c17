#pragma once

// The lines every decoder prints about a tape block, on standard error, in
// this order: sync, leader average, then either the name's refusal or name,
// start time, address and length, stop time and the checksum's verdict.
// Scripts read these lines, so every decoder prints them from here.

#include <cstddef>
#include <cstdint>

#include "tape/tape_block.h"

/// Minutes.seconds.milliseconds ("%02.0f.%02.0f.%03u"): 75.5 s gives
/// 01.15.500; minutes do not roll over into hours.
void format_timestamp(double seconds, char* text, size_t text_bytes);

/// "Sync found at offset: ..." and the mean leader pulse distance in usec.
void report_sync(uint64_t offset, double time, unsigned leader_average_us);

/// The name ran past kMaxNameBytes; `bytes` counts what was received.
void report_name_too_long(uint32_t bytes);

/// The name and its start time (the block's start_time must be set).
void report_name(const TapeBlock& block);

/// The start address and the data length.
void report_block_header(const TapeBlock& block);

/// The stop time (the block's stop_time must be set) and the checksum's
/// verdict; both verdicts show the computed sum, not the received byte.
void report_checksum(const TapeBlock& block, uint8_t computed, bool match);
