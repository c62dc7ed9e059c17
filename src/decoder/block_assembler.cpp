// A tape block, bytes most significant bit first:
//
//   leader     sync   name         address  length  data          checksum
//   0 0 0 ...  0xA5   "NAME" 0x00  lo hi    lo hi   length bytes  sum mod 256
//
// The leader's long pulses fill the pulse history; the sync byte is found at
// any bit alignment; the checksum covers the data bytes only.
#include "decoder/block_assembler.h"

#include <cinttypes>
#include <cstdio>

#include "tape/block_report.h"

namespace {

/// Returns true when the sync byte completed.
bool seek_sync(AssemblerState* st, const BitEvent& ev, uint32_t rate, bool verbose) {
    if (st->shift == kSyncByte) {
        st->phase = AssemblerPhase::kName;
        st->bit_count = 0;
        st->byte_index = 0;
        st->shift = 0;
        return true;
    }
    if (st->shift != 0 && st->bit_count != 1 && st->warning_budget > 0) {
        if (verbose) {
            std::fprintf(
                stderr, "Warning: non-zero sync (%02X) @ %" PRIu64 " (0x%08" PRIX64 ") time: %f.\n",
                st->shift, ev.offset, ev.offset, ev.time);
        }
        --st->warning_budget;
    } else {
        const uint64_t us = pulse_microseconds(ev.pulse_length, rate);
        st->history[st->history_index] = us > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(us);
        st->history_index = (st->history_index + 1) % kPulseHistoryEntries;
    }
    return false;
}

AssemblerEvent receive_name_byte(AssemblerState* st, const BitEvent& ev) {
    // Bytes past the buffer are counted, not stored, so a long garbage name
    // is refused with its true length.
    if (st->byte_index < kNameBufferBytes) st->block.name[st->byte_index] = st->shift;
    if (st->byte_index < UINT32_MAX) ++st->byte_index;
    if (st->shift != 0) {
        st->shift = 0;
        st->bit_count = 0;
        return AssemblerEvent::kNone;
    }
    if (st->byte_index > kMaxNameBytes) {
        // byte_index keeps the length for the report until the next sync.
        st->phase = AssemblerPhase::kSeekSync;
        st->bit_count = 0;
        return AssemblerEvent::kNameTooLong;
    }
    st->block.name_length = st->byte_index;
    st->phase = AssemblerPhase::kHeader;
    format_timestamp(ev.time, st->block.start_time, sizeof st->block.start_time);
    st->byte_index = 0;
    st->shift = 0;
    st->bit_count = 0;
    return AssemblerEvent::kNamed;
}

AssemblerEvent receive_header_byte(AssemblerState* st) {
    // Eight new bits replace the register, so it is not cleared here.
    st->block.header[st->byte_index++] = st->shift;
    st->bit_count = 0;
    if (st->byte_index < kBlockHeaderBytes) return AssemblerEvent::kNone;
    st->byte_index = 0;
    st->phase = AssemblerPhase::kData;
    st->remaining = block_data_length(st->block);
    st->checksum = 0;
    return AssemblerEvent::kHeader;
}

AssemblerEvent receive_data_byte(AssemblerState* st, const BitEvent& ev) {
    st->block.data[st->byte_index++] = st->shift;
    st->bit_count = 0;
    if (st->remaining > 0) {
        --st->remaining;
        st->checksum = static_cast<uint8_t>(st->checksum + st->shift);
        return AssemblerEvent::kNone;
    }
    format_timestamp(ev.time, st->block.stop_time, sizeof st->block.stop_time);
    st->phase = AssemblerPhase::kComplete;
    st->crc_ok = st->shift == st->checksum;
    if (st->crc_ok && st->reads_marker) st->phase = AssemblerPhase::kMarker;
    st->block.marker = kEndMarker;
    return AssemblerEvent::kChecksum;
}

/// Back to seeking the next block, its warning budget whole again.
void finish_block(AssemblerState* st) {
    assembler_reset(st);
    st->warning_budget = kWarningBudget;
}

/// The detector's irregular pulses: an overlong one matters only inside a
/// block, a long one after a lone short one shares the block's budget.
void report_irregular_pulse(AssemblerState* st, const BitEvent& ev, uint32_t rate, bool verbose) {
    if (ev.overlong && verbose && st->phase != AssemblerPhase::kSeekSync) {
        std::fprintf(stderr,
                     "Warning: pulse (%" PRIu64 " usec) too long @ %" PRIu64 " (0x%08" PRIX64
                     ") time: %f sec.\n",
                     pulse_microseconds(ev.pulse_length, rate), ev.offset, ev.offset, ev.time);
    }
    if (ev.long_after_short && st->warning_budget > 0) {
        if (verbose) {
            std::fprintf(stderr,
                         "Warning: long pulse after short @ %" PRIu64 " (0x%08" PRIX64
                         ") time: %f sec.\n",
                         ev.offset, ev.offset, ev.time);
        }
        --st->warning_budget;
    }
}

}  // namespace

void assembler_reset(AssemblerState* st) {
    st->phase = AssemblerPhase::kSeekSync;
    st->shift = 0;
    st->bit_count = 0;
    st->byte_index = 0;
    st->history_index = 0;
    st->checksum = 0;
    st->crc_ok = false;
    st->remaining = 0;
}

unsigned assembler_leader_average_us(const AssemblerState& st) {
    // All 100 entries count, zeros never filled included.
    uint64_t sum = 0;
    for (uint32_t us : st.history) sum += us;
    return static_cast<unsigned>(sum / kPulseHistoryEntries);
}

AssemblerEvent assembler_push(AssemblerState* st, const BitEvent& ev, uint32_t rate, bool verbose) {
    report_irregular_pulse(st, ev, rate, verbose);
    ++st->bit_count;
    st->shift = static_cast<uint8_t>((st->shift << 1) | ev.bit);
    const bool byte_done = st->bit_count == 8;
    switch (st->phase) {
        case AssemblerPhase::kSeekSync:
            if (seek_sync(st, ev, rate, verbose)) return AssemblerEvent::kSync;
            break;
        case AssemblerPhase::kName:
            if (byte_done) return receive_name_byte(st, ev);
            break;
        case AssemblerPhase::kHeader:
            if (byte_done) return receive_header_byte(st);
            break;
        case AssemblerPhase::kData:
            if (byte_done) return receive_data_byte(st, ev);
            break;
        case AssemblerPhase::kComplete: {
            // The bit after the checksum byte closes the block; it is discarded.
            const bool good = st->crc_ok;
            finish_block(st);
            return good ? AssemblerEvent::kBlockDone : AssemblerEvent::kNone;
        }
        case AssemblerPhase::kMarker:
            if (!byte_done) break;
            st->block.marker = st->shift;
            finish_block(st);
            return AssemblerEvent::kBlockDone;
    }
    return AssemblerEvent::kNone;
}
