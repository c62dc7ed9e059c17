#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/detector.h"
#include "decoder/stage_limits.h"
#include "tape/tape_block.h"

/// The receiving stage of a tape block; after sync: NAME, HEADER, DATA, then
/// COMPLETE, or MARKER when the byte after a good checksum is read.
enum class AssemblerPhase {
    kSeekSync = 0,
    kHeader = 1,
    kName = 2,
    kData = 3,
    kComplete = 4,
    kMarker = 5,
};

/// What a bit completed; each is reported by the caller, in the order they come.
enum class AssemblerEvent {
    kNone,
    kSync,         ///< the sync byte: assembler_leader_average_us() is ready
    kNameTooLong,  ///< the name ran past kMaxNameBytes; byte_index holds its length
    kNamed,        ///< a name was accepted (start_time set): a new block is under way
    kHeader,       ///< the start address and length are in
    kChecksum,     ///< the checksum byte (stop_time set): crc_ok says if it matched
    kBlockDone,    ///< a block with a matching checksum is finished and should be written
};

/// Warnings of the kinds "long pulse after short" and "non-zero sync" allowed per block.
constexpr int kWarningBudget = 10;
/// Leader pulses remembered for the average reported at sync.
constexpr unsigned kPulseHistoryEntries = 100;

/// Bits to bytes to a tape block.
struct AssemblerState {
    AssemblerPhase phase = AssemblerPhase::kSeekSync;
    uint8_t shift = 0;        ///< last 8 bits received, newest in bit 0
    uint64_t bit_count = 0;   ///< bits since the last reset
    uint32_t byte_index = 0;  ///< position in the current field; names count past the buffer
    uint32_t history[kPulseHistoryEntries] = {};  ///< leader pulses, usec; never cleared
    unsigned history_index = 0;                   ///< wraps at 100, 0 after each block
    uint8_t checksum = 0;                         ///< sum of the data bytes so far
    bool crc_ok = false;                          ///< after the checksum byte: it matched the sum
    uint32_t remaining = 0;                       ///< data bytes still expected
    int warning_budget = kWarningBudget;          ///< warnings left for this block
    bool reads_marker = false;                    ///< --join: read the byte after a good checksum
    TapeBlock block;                              ///< the block under construction
};

void assembler_reset(AssemblerState* st);

/// The mean of the leader pulse history, usec, as reported at the sync.
unsigned assembler_leader_average_us(const AssemblerState& st);

/// Takes one bit event of a recording at `rate` and says what it completed.
/// A finished block stays intact until the next sync.
AssemblerEvent assembler_push(AssemblerState* st, const BitEvent& ev, uint32_t rate, bool verbose);

/// At the end of the input: a block whose checksum byte arrived and matched
/// but whose closing bit or marker never came (a missing marker reads 0x00).
inline bool assembler_has_unwritten_good_block(const AssemblerState& st) {
    return (st.phase == AssemblerPhase::kComplete && st.crc_ok) ||
           st.phase == AssemblerPhase::kMarker;
}
