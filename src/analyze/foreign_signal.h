#pragma once

// Signal that belongs to no block: pulses on the tape's channel outside every
// block the recovering decoder found, gathered into stretches (pulses closer
// than a gap), each with where its periods cluster. A stretch longer than a
// second is listed: another recording method, a tape of another machine, or
// a block neither decoder could start on. Fixed size, one pass.

#include <cstddef>
#include <cstdint>

#include "analyze/level_stats.h"
#include "recover/tape_measures.h"
#include "wav/frame_reader.h"

/// Stretches listed one by one; later ones are only counted.
constexpr unsigned kMaxForeignStretches = 16;
/// Clusters named per stretch.
constexpr unsigned kMaxPeriodClusters = 3;
/// Shortest stretch listed.
constexpr double kMinForeignSeconds = 1.0;

struct ForeignStretch {
    double start = 0;  ///< seconds: its first and last edge
    double end = 0;
    uint64_t periods = 0;  ///< periods timed in the direction used
    unsigned clusters = 0;
    double cluster_us[kMaxPeriodClusters] = {};  ///< mean period of each cluster, ascending
    bool tape_like = false;  ///< every cluster near a nominal period of this tape format
};

/// Counts of the periods of one edge direction, in the histogram's buckets.
struct PeriodCounts {
    uint64_t count[kPeriodBuckets] = {};
    double sum_us[kPeriodBuckets] = {};
    uint64_t total = 0;
};

struct ForeignScan {
    uint32_t rate = 0;
    int32_t up_level = 0, up_rearm = 0;  ///< a rising edge above up_level, re-armed below up_rearm
    int32_t down_level = 0, down_rearm = 0;  ///< the same for falling edges
    uint64_t gap_frames = 0;                 ///< a longer silence ends a stretch
    unsigned spans = 0;                      ///< blocks, in time order, in frames
    uint64_t span_start[kMaxMeasuredBlocks] = {};
    uint64_t span_end[kMaxMeasuredBlocks] = {};
    unsigned next_span = 0;  ///< first block not yet passed
    bool up_armed = true, down_armed = true;
    uint64_t frame = 0;      ///< frames scanned
    bool open = false;       ///< a stretch is being gathered
    unsigned open_span = 0;  ///< next_span when it opened: a block in between ends it
    uint64_t first_edge = 0, last_edge = 0;
    bool has_prev[2] = {};
    uint64_t prev_edge[2] = {};  ///< by direction: [0] rising, [1] falling
    PeriodCounts periods[2];
    unsigned found = 0;  ///< stretches listed or counted
    ForeignStretch stretches[kMaxForeignStretches];
};

/// Levels from the tape channel's summary, block spans from the measures.
void foreign_scan_start(ForeignScan* st, uint32_t rate, const ChannelSummary& levels,
                        const TapeMeasures& tape);

/// Scans `count` whole frames of channel `channel`.
void foreign_scan_frames(ForeignScan* st, const uint8_t* frames, size_t count,
                         const FrameFormat& format, unsigned channel);

/// Closes the stretch the recording ends in.
void foreign_scan_finish(ForeignScan* st);
