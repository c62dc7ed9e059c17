// A tape block, bytes most significant bit first:
//
//   leader     sync   name         address  length  data          checksum
//   0 0 0 ...  0xA5   "NAME" 0x00  lo hi    lo hi   length bytes  sum mod 256
//
// The leader's long pulses fill the pulse history; the sync byte is found at
// any bit alignment; the checksum covers the data bytes only.
#include "decoder/block_assembler.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>

void format_timestamp(double s, char* text, size_t text_bytes) {
    const double minutes = std::floor(s / 60);
    const double secs = std::floor(std::fmod(s, 60));
    const auto millis = static_cast<unsigned>(std::floor(std::fmod(s, 1) * 1000));
    std::snprintf(text, text_bytes, "%02.0f.%02.0f.%03u", minutes, secs, millis);
}

namespace {

/// The block report on standard error, unless the assembler works quietly.
__attribute__((format(printf, 2, 3))) void say(const AssemblerState* st, const char* format, ...) {
    if (st->quiet) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

void seek_sync(AssemblerState* st, const BitEvent& ev, uint32_t rate, bool verbose) {
    if (st->shift == kSyncByte) {
        say(st, "Sync found at offset: %" PRIu64 " (0x%08" PRIX64 ") time: %f sec.\n", ev.offset,
            ev.offset, ev.time);
        st->phase = AssemblerPhase::kName;
        st->bit_count = 0;
        st->byte_index = 0;
        st->shift = 0;
        // All 100 entries count, zeros never filled included.
        uint64_t sum = 0;
        for (uint32_t us : st->history) sum += us;
        say(st, "  Average sync pulse distance: %u usec.\n",
            static_cast<unsigned>(sum / kPulseHistoryEntries));
    } else if (st->shift != 0 && st->bit_count != 1 && st->warning_budget > 0) {
        if (verbose) {
            say(st, "Warning: non-zero sync (%02X) @ %" PRIu64 " (0x%08" PRIX64 ") time: %f.\n",
                st->shift, ev.offset, ev.offset, ev.time);
        }
        --st->warning_budget;
    } else {
        const uint64_t us = pulse_microseconds(ev.pulse_length, rate);
        st->history[st->history_index] = us > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(us);
        st->history_index = (st->history_index + 1) % kPulseHistoryEntries;
    }
}

bool receive_name_byte(AssemblerState* st, const BitEvent& ev) {
    // Bytes past the buffer are counted, not stored, so a long garbage name
    // is refused with its true length.
    if (st->byte_index < kNameBufferBytes) st->block.name[st->byte_index] = st->shift;
    if (st->byte_index < UINT32_MAX) ++st->byte_index;
    if (st->shift != 0) {
        st->shift = 0;
        st->bit_count = 0;
        return false;
    }
    if (st->byte_index > kMaxNameBytes) {
        say(st, "  Abort. Filename too long: %u > 64.\n", st->byte_index);
        st->phase = AssemblerPhase::kSeekSync;
        st->byte_index = 0;
        st->bit_count = 0;
        return false;
    }
    st->block.name_length = st->byte_index;
    st->phase = AssemblerPhase::kHeader;
    say(st, "  File found:  %s\n", reinterpret_cast<const char*>(st->block.name));
    format_timestamp(ev.time, st->block.start_time, sizeof st->block.start_time);
    say(st, "  Start time: %s\n", st->block.start_time);
    st->byte_index = 0;
    st->shift = 0;
    st->bit_count = 0;
    return true;
}

void receive_header_byte(AssemblerState* st) {
    // Eight new bits replace the register, so it is not cleared here.
    st->block.header[st->byte_index++] = st->shift;
    st->bit_count = 0;
    if (st->byte_index < kBlockHeaderBytes) return;
    const uint16_t length = block_data_length(st->block);
    say(st, "  Start: %04Xh - length: %04Xh\n", block_start_address(st->block), length);
    st->byte_index = 0;
    st->phase = AssemblerPhase::kData;
    st->remaining = length;
    st->checksum = 0;
    say(st, "  Data block length: %u (0x%04X) bytes\n", length, length);
}

/// Returns false when the byte was the checksum and it did not match.
bool receive_data_byte(AssemblerState* st, const BitEvent& ev) {
    st->block.data[st->byte_index++] = st->shift;
    st->bit_count = 0;
    if (st->remaining > 0) {
        --st->remaining;
        st->checksum = static_cast<uint8_t>(st->checksum + st->shift);
        return true;
    }
    format_timestamp(ev.time, st->block.stop_time, sizeof st->block.stop_time);
    say(st, "  Stop time: %s\n", st->block.stop_time);
    st->phase = AssemblerPhase::kComplete;
    // Both verdicts show the computed sum, not the received byte.
    const bool match = st->shift == st->checksum;
    if (match) {
        say(st, "  CRC OK (%02Xh)\n", st->checksum);
    } else {
        say(st, "  CRC error: %02Xh\n", st->checksum);
    }
    st->checksum = match ? 0 : 1;
    if (match && st->reads_marker) st->phase = AssemblerPhase::kMarker;
    st->block.marker = kEndMarker;
    return match;
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
        say(st,
            "Warning: pulse (%" PRIu64 " usec) too long @ %" PRIu64 " (0x%08" PRIX64
            ") time: %f sec.\n",
            pulse_microseconds(ev.pulse_length, rate), ev.offset, ev.offset, ev.time);
    }
    if (ev.long_after_short && st->warning_budget > 0) {
        if (verbose) {
            say(st,
                "Warning: long pulse after short @ %" PRIu64 " (0x%08" PRIX64 ") time: %f sec.\n",
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
    st->remaining = 0;
}

AssemblerEvent assembler_push(AssemblerState* st, const BitEvent& ev, uint32_t rate, bool verbose) {
    report_irregular_pulse(st, ev, rate, verbose);
    ++st->bit_count;
    st->shift = static_cast<uint8_t>((st->shift << 1) | ev.bit);
    const bool byte_done = st->bit_count == 8;
    switch (st->phase) {
        case AssemblerPhase::kSeekSync:
            seek_sync(st, ev, rate, verbose);
            break;
        case AssemblerPhase::kName:
            if (byte_done && receive_name_byte(st, ev)) return AssemblerEvent::kNamed;
            break;
        case AssemblerPhase::kHeader:
            if (byte_done) receive_header_byte(st);
            break;
        case AssemblerPhase::kData:
            if (byte_done && !receive_data_byte(st, ev)) return AssemblerEvent::kChecksumFailed;
            break;
        case AssemblerPhase::kComplete: {
            // The bit after the checksum byte closes the block; it is discarded.
            const bool good = st->checksum == 0;
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
