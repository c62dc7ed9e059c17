#pragma once

#include <cstdint>

#include "decoder/pulse_detector.h"
#include "decoder/stage_limits.h"
#include "decoder/tape_block.h"

/// The receiving stage of a tape block; after sync: NAME, HEADER, DATA, COMPLETE.
enum class AssemblerPhase { kSeekSync = 0, kHeader = 1, kName = 2, kData = 3, kComplete = 4 };

constexpr uint8_t kSyncByte = 0xA5;
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
    uint8_t checksum = 0;    ///< sum of the data bytes; after the checksum byte, 1 = mismatch
    uint32_t remaining = 0;  ///< data bytes still expected
    TapeBlock block;         ///< the block under construction
};

void assembler_reset(AssemblerState* st);

/// Takes one bit event. Returns true when a block with a matching checksum
/// is finished and should be written; the block stays intact until the next
/// sync. `warning_budget` is shared with the pulse detector.
bool assembler_push(AssemblerState* st, const BitEvent& ev, const StageLimits& lim, bool verbose,
                    int* warning_budget);

/// At the end of the input: a block whose checksum byte arrived and matched
/// but whose closing bit never came.
inline bool assembler_has_unwritten_good_block(const AssemblerState& st) {
    return st.phase == AssemblerPhase::kComplete && st.checksum == 0;
}
