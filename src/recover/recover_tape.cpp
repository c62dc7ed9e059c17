#include "recover/recover_tape.h"

#include "recover/block_measure.h"
#include "recover/block_recovery.h"
#include "recover/recover_report.h"

namespace {

/// Frames between two checks for stale levels.
constexpr size_t kStaleCheckFrames = 64;
/// While no reading has found a sync, the log keeps only the newest leader edges.
constexpr uint32_t kSeekLogLimit = 4096;
constexpr uint32_t kSeekLogKeep = 256;
/// Edges logged past the block's checksum, room for readings that end later.
constexpr uint32_t kClosingEdges = 64;

bool reading_done(const BlockReading& r) {
    return r.phase == ReadPhase::kComplete || r.phase == ReadPhase::kFailed;
}

bool reading_synced(const BlockReading& r) {
    return r.phase != ReadPhase::kSeekSync && !(r.phase == ReadPhase::kFailed && r.sync_edge == 0);
}

/// The first channel searched (0-based): the one named, else channel 0.
unsigned first_channel(const RecoverInput& input) {
    return input.channel > 0 ? static_cast<unsigned>(input.channel) - 1 : 0;
}

/// How many channels are searched from the first: all there are, up to the
/// trackers' count, or the one named if the file has it.
unsigned searched_channels(const RecoverInput& input) {
    const unsigned channels = input.channels == 0 ? 1 : input.channels;
    if (input.channel > 0) return first_channel(input) < channels ? 1 : 0;
    return channels < kMaxTrackedChannels ? channels : kMaxTrackedChannels;
}

void reset_watches(RecoverState* st) {
    for (auto& pair : st->watches) pair[0] = pair[1] = LeaderWatch{};
}

/// The directions whose quick readings found a sync, the one that completed
/// with a matching checksum first.
DirectionChoice choose_directions(const BlockSession& s) {
    DirectionChoice c;
    const bool prefer_falling = s.online[0].crc_ok && !s.online[1].crc_ok;
    for (int k = 0; k < 2; ++k) {
        const int d = prefer_falling ? k : 1 - k;
        if (reading_synced(s.online[d])) c.rising[c.count++] = d == 1;
    }
    return c;
}

/// Hands the block's best reading to the sink (or the measures), once.
void report_session(RecoverState* st, const RecoverInput& input) {
    BlockSession& s = st->session;
    if (s.reported) return;
    s.reported = true;
    const DirectionChoice directions = choose_directions(s);
    if (directions.count > 0) {
        const RecoveryOutcome o =
            recover_block(st->log, directions, s.leader_q, &st->best, &st->trial);
        if (input.measures != nullptr) {
            measure_block(o, st->log, s, input, input.measures);
        } else {
            const WriteVerdict verdict =
                input.book == nullptr
                    ? WriteVerdict{}
                    : book_note(input.book, o, st->log, s.leader_q, s.channel, input);
            report_block(o, st->log, input, s.channel, verdict);
        }
    }
}

void finish_block(RecoverState* st, const RecoverInput& input) {
    report_session(st, input);
    st->session.active = false;
    reset_watches(st);
}

/// The block's log cannot take another edge once the gap since its newest
/// one is too long: the next edge of its channel will end it unread. Its
/// reading is final now, so it is reported now; a live input then shows it
/// while the silence after it plays. Edges are never earlier than the frame
/// before the one that fired them.
void report_if_final(RecoverState* st, const RecoverInput& input) {
    const BlockSession& s = st->session;
    if (!s.active || s.reported || st->index == 0) return;
    const uint64_t earliest_next_q = st->index * kTimeSteps - (kTimeSteps - 1);
    if (earliest_next_q > st->log.last_q + kMaxEdgeDelta) report_session(st, input);
}

void start_block(RecoverState* st, unsigned slot, const EdgeEvent& ev, const RecoverInput& input) {
    BlockSession& s = st->session;
    s.active = true;
    s.channel = first_channel(input) + slot;
    s.leader_q = st->watches[slot][ev.rising ? 1 : 0].mean_q;
    s.lock_q = ev.q;
    s.closing = 0;
    s.reported = false;
    for (BlockReading& r : s.online) reading_start(&r, s.leader_q, nullptr);
    edge_log_start(&st->log, ev);
}

/// Logs an edge of the block's channel and follows the block with the quick
/// readings; ends the block when they say it is over.
void block_edge(RecoverState* st, const EdgeEvent& ev, const RecoverInput& input) {
    BlockSession& s = st->session;
    EdgeLog& log = st->log;
    if (!edge_log_push(&log, ev)) {
        finish_block(st, input);
        return;
    }
    if (s.closing > 0) {
        if (--s.closing == 0) finish_block(st, input);
        return;
    }
    if (log.count < 3) return;
    const uint32_t end = log.count - 1;
    BlockReading& r = s.online[ev.rising ? 1 : 0];
    reading_period(&r, edge_log_period(log, end - 2), end, ReaderParams{});
    const BlockReading& a = s.online[0];
    const BlockReading& b = s.online[1];
    if (a.phase == ReadPhase::kSeekSync && b.phase == ReadPhase::kSeekSync &&
        log.count > kSeekLogLimit) {
        edge_log_trim(&log, kSeekLogKeep);
    }
    const bool found = (a.phase == ReadPhase::kComplete && a.crc_ok) ||
                       (b.phase == ReadPhase::kComplete && b.crc_ok);
    if (found || (reading_done(a) && reading_done(b))) s.closing = kClosingEdges;
}

void on_edge(RecoverState* st, unsigned slot, const EdgeEvent& ev, const RecoverInput& input) {
    if (st->session.active) {
        if (first_channel(input) + slot == st->session.channel) block_edge(st, ev, input);
        return;
    }
    if (leader_watch_edge(&st->watches[slot][ev.rising ? 1 : 0], ev.q, st->leader_limits)) {
        start_block(st, slot, ev, input);
    }
}

/// Runs `span` frames through the tracker in `slot`, acting on every edge.
void scan_channel(RecoverState* st, const uint8_t* frames, size_t span, uint64_t index,
                  unsigned slot, const RecoverInput& input) {
    const FrameFormat& format = input.format;
    const unsigned channel = first_channel(input) + slot;
    for (size_t done = 0; done < span;) {
        EdgeEvent ev;
        bool edge = false;
        done += tracker_scan(&st->trackers[slot], frames + done * format.frame_bytes, span - done,
                             index + done, format, channel, st->tracker_limits, &ev, &edge);
        if (edge) on_edge(st, slot, ev, input);
    }
}

/// Whole frames up to the end of the current read.
uint64_t frames_in_read(const RecoverState& st) {
    return (st.read_end - st.input.data_start) / st.input.format.frame_bytes;
}

/// At the end of a read the next one starts: the part of a frame it cut
/// comes first, then the rest of a full buffer.
void next_read(RecoverState* st) {
    const unsigned fb = st->input.format.frame_bytes;
    const uint64_t partial = st->read_end - st->input.data_start - frames_in_read(*st) * fb;
    st->read_end = st->read_end - partial + kInputChunkBytes;
    st->check_origin = st->index;
}

/// Frames of one run through every searched channel's tracker. Levels are
/// checked for staleness every kStaleCheckFrames counted from the start of
/// each read of kInputChunkBytes from the file, as the decoder always did;
/// the reads are worked out from file offsets, so the result does not
/// depend on how the data was cut into pieces.
void recover_frames(RecoverState* st, const uint8_t* frames, size_t n) {
    const RecoverInput& input = st->input;
    const unsigned slots = searched_channels(input);
    const unsigned first = first_channel(input);
    const TrackerLimits& lim = st->tracker_limits;
    const unsigned frame_bytes = input.format.frame_bytes;
    if (st->index == 0) {
        for (unsigned k = 0; k < slots; ++k) {
            const int x = frame_sample_s16(frames, input.format, first + k);
            tracker_prime(&st->trackers[k], x, 0, lim);
        }
    }
    for (size_t done = 0; done < n;) {
        while (st->index >= frames_in_read(*st)) next_read(st);
        const uint64_t since = (st->index - st->check_origin) % kStaleCheckFrames;
        uint64_t span = kStaleCheckFrames - since;
        if (span > frames_in_read(*st) - st->index) span = frames_in_read(*st) - st->index;
        if (span > n - done) span = n - done;
        const bool check = since == 0;
        for (unsigned k = 0; k < slots; ++k) {
            if (check) tracker_check_stale(&st->trackers[k], st->index, lim);
            scan_channel(st, frames + done * frame_bytes, span, st->index, k, input);
        }
        done += span;
        st->index += span;
        report_if_final(st, input);
    }
}

}  // namespace

void recover_begin(RecoverState* st, const RecoverInput& input) {
    st->input = input;
    st->tracker_limits = tracker_limits(input.rate);
    st->leader_limits = leader_limits(input.rate);
    st->session = BlockSession{};
    st->index = 0;
    // Without a file, the reads are those of a file read from its start.
    st->read_end = input.first_read_end != 0 ? input.first_read_end : kInputChunkBytes;
    if (st->read_end < input.data_start) st->read_end = input.data_start;
    st->check_origin = 0;
    reset_watches(st);
    frame_carry_start(&st->carry, input.format.frame_bytes);
}

void recover_feed(RecoverState* st, const uint8_t* bytes, size_t n) {
    FrameRun run;
    while (frame_carry_next(&st->carry, &bytes, &n, &run))
        recover_frames(st, run.bytes, run.frames);
}

void recover_end(RecoverState* st) {
    if (st->session.active) finish_block(st, st->input);
}

void recover_tape(RecoverState* st, InputStream* in, RecoverInput input) {
    input.first_read_end = in->buffer_offset + in->filled;
    recover_begin(st, input);
    // A partial frame at the end is no sample: it is left in the stream.
    const unsigned frame_bytes = input.format.frame_bytes;
    for (size_t n; (n = input_whole_frames(in, frame_bytes)) > 0; in->pos += n * frame_bytes)
        recover_feed(st, in->bytes + in->pos, n * frame_bytes);
    recover_end(st);
}
