#pragma once

// The decoder behind --recover: finds blocks on damaged or degraded tapes by
// itself (level, baseline, polarity, channel, speed) and reads a block whose
// checksum fails again with other decisions before giving it up.

#include <cstdint>

#include "recover/block_reading.h"
#include "recover/edge_log.h"
#include "recover/edge_tracker.h"
#include "recover/frame_sample.h"
#include "recover/leader_watch.h"
#include "recover/take_book.h"
#include "recover/tape_measures.h"
#include "sink/block_sink.h"
#include "tape/tape_block.h"
#include "wav/frame_carry.h"
#include "wav/input_stream.h"

/// Channels watched for a tape when none is named.
constexpr unsigned kMaxTrackedChannels = 8;

/// What the recovering decoder is given besides the input.
struct RecoverInput {
    FrameFormat format;       ///< the frame layout of the data
    unsigned channels = 1;    ///< samples per frame
    uint32_t rate = 0;        ///< frames per second, a forced rate applied
    uint64_t data_start = 0;  ///< file offset of the first frame
    /// Where the file's first read ended (see recover_frames); 0 for a feed
    /// that reads no file: the reads of a file read from its start.
    uint64_t first_read_end = 0;
    int channel = 0;                   ///< 1-based channel to read; 0 finds it
    BlockSink* sink = nullptr;         ///< where the blocks are reported
    TapeMeasures* measures = nullptr;  ///< --analyze: measure blocks instead of reporting them
    TakeBook* book = nullptr;          ///< keeps every block for takes and copies merged later
};

/// The block being received: its channel, its edges, and one quick reading
/// per direction that tells where the block ends.
struct BlockSession {
    bool active = false;
    unsigned channel = 0;    ///< 0-based
    double leader_q = 0;     ///< long period at the lock, quarter samples
    uint64_t lock_q = 0;     ///< time of the edge that completed the leader
    BlockReading online[2];  ///< by direction: [1] periods from rising edges
    uint32_t closing = 0;    ///< edges still to log after the block's end; 0: not closing
    /// Reported once no later edge could join its log: the silence after a
    /// block shows it at once, not only when the next edge comes.
    bool reported = false;
};

/// Everything the recovering decoder owns: fixed size, about 4.5 MB.
struct RecoverState {
    RecoverInput input;         ///< as given to recover_begin()
    uint64_t index = 0;         ///< frames taken so far
    uint64_t read_end = 0;      ///< file offset where the current read ends
    uint64_t check_origin = 0;  ///< frame where the current read's stale checks started
    FrameCarry carry;           ///< a frame cut by the end of a piece
    TrackerLimits tracker_limits;
    LeaderLimits leader_limits;
    EdgeTracker trackers[kMaxTrackedChannels];  ///< by slot: channels from the first searched
    LeaderWatch watches[kMaxTrackedChannels][2];
    BlockSession session;
    TapeBlock best;   ///< the reading reported
    TapeBlock trial;  ///< the reading being tried
    EdgeLog log;
};

/// Starts the recovering decoder on sample data laid out as `input` says.
void recover_begin(RecoverState* st, const RecoverInput& input);

/// The next `n` bytes of sample data, cut anywhere (even inside a frame).
void recover_feed(RecoverState* st, const uint8_t* bytes, size_t n);

/// The end of the sample data: a block under way is read as far as it got.
/// Every block has then gone to the sink (or, for --analyze, to the
/// measures); the caller finishes the sink.
void recover_end(RecoverState* st);

/// Begins, feeds the frames from the stream's position to the end of the
/// input, and ends.
void recover_tape(RecoverState* st, InputStream* in, RecoverInput input);
