#include "recover/recover_report.h"

#include <cinttypes>
#include <cstdio>

#include "recover/reading_search.h"
#include "tape/block_report.h"

EdgePlace edge_place_at(uint64_t q, const RecoverInput& input) {
    const uint64_t frames_after = (q + kTimeSteps - 1) / kTimeSteps + 1;
    return EdgePlace{input.data_start + frames_after * input.format.frame_bytes,
                     static_cast<double>(frames_after) / input.rate};
}

EdgePlace edge_place(const EdgeLog& log, uint32_t edge, const RecoverInput& input) {
    return edge_place_at(edge_log_time(log, edge), input);
}

unsigned reading_leader_us(const BlockReading& r, uint32_t rate) {
    const unsigned n =
        r.leader_count < kLeaderAverageEntries ? r.leader_count : kLeaderAverageEntries;
    if (n == 0) return 0;
    double sum = 0;
    for (unsigned i = 0; i < n; ++i) sum += r.leader[i];
    return static_cast<unsigned>(sum / n * 1e6 / (static_cast<double>(rate) * kTimeSteps) + 0.5);
}

namespace {

/// A reading with a glitch counts it as a doubt, so it is never accepted:
/// only re-read pulses and another threshold can have helped.
void print_help_line(const RecoveryOutcome& o) {
    if (o.flipped > 0) {
        std::fprintf(stderr, "  Recovered: %u uncertain pulse(s) re-read, reading %u.\n", o.flipped,
                     o.readings);
    } else if (o.retuned) {
        std::fprintf(stderr, "  Recovered: read again with another threshold, reading %u.\n",
                     o.readings);
    }
}

/// What the record tells of the block: the help line's facts, and the
/// channel and edges the reading used.
BlockOrigin block_origin(const RecoveryOutcome& o, unsigned channel) {
    BlockRecovery r;
    r.method = "none";
    r.readings = o.readings;
    if (o.accepted) {
        r.method = o.flipped > 0 || o.retuned ? "search" : "read";
        r.reading = o.readings;
        r.pulses_reread = o.flipped;
        r.wrong_chance = o.wrong_chance;
    }
    return BlockOrigin{.channel = channel + 1, .inverted = !o.rising, .recovery = r};
}

}  // namespace

uint8_t reading_marker(const EdgeLog& log, const RecoveryOutcome& o) {
    const BlockReading& r = o.reading;
    const double threshold = ReaderParams{}.threshold * r.long_q;
    uint8_t byte = 0;
    bool pending_short = false;
    uint32_t j = r.stop_edge;
    for (int bit = 0; bit < 8; ++bit) {
        int value = 0;
        while (j + 2 < log.count) {
            const bool is_long = edge_log_period(log, j) > threshold;
            j += 2;
            if (is_long || pending_short) {
                value = is_long ? 0 : 1;
                pending_short = false;
                break;
            }
            pending_short = true;
        }
        byte = static_cast<uint8_t>(byte << 1 | value);
    }
    return byte;
}

void report_block(const RecoveryOutcome& o, const EdgeLog& log, const RecoverInput& input,
                  unsigned channel, const WriteVerdict& verdict) {
    BlockSink* sink = input.sink;
    const BlockReading& r = o.reading;
    if (r.phase == ReadPhase::kSeekSync) return;
    sink->origin = block_origin(o, channel);
    const EdgePlace sync = edge_place(log, r.sync_edge, input);
    sink_sync(sink, sync.offset, sync.time, reading_leader_us(r, input.rate));
    if (r.name_too_long) {
        sink_name_too_long(sink, r.byte_index);
        return;
    }
    if (r.name_edge == 0) return;
    TapeBlock& b = *r.block;
    format_timestamp(edge_place(log, r.name_edge, input).time, b.start_time, kTimeTextBytes);
    sink_named(sink, b);
    if (r.phase == ReadPhase::kHeader) return;
    sink_block_header(sink, b);
    if (r.phase != ReadPhase::kComplete) return;
    format_timestamp(edge_place(log, r.stop_edge, input).time, b.stop_time, kTimeTextBytes);
    sink_checksum(sink, b, r.checksum, r.crc_ok);
    if (!o.accepted) {
        // A match in a reading with doubts is likelier chance than data; without
        // doubts, the header's periods could not be told from split ones.
        const unsigned doubts = r.errors + r.doubtful;
        if (r.crc_ok && doubts > 0)
            std::fprintf(stderr, "  Not written: %u doubtful pulse(s) in the reading.\n", doubts);
        if (r.crc_ok && doubts == 0) {
            std::fprintf(stderr, "  Not written: %s.\n",
                         leader_sets_split_limit(r)
                             ? "a period in the name or header looks split in two"
                             : "too little leader to check the header's periods against");
        }
        return;
    }
    print_help_line(o);
    if (verdict.written_by != 0) {
        std::fprintf(stderr, "  Not written: take %u wrote %s.\n", verdict.written_by,
                     verdict.other_data ? "a block of that name with other data" : "it");
        return;
    }
    b.marker = reading_marker(log, o);
    sink_block_good(sink, b);
}
