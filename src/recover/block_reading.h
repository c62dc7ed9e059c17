#pragma once

// One reading of a block from its periods: each period is judged short or
// long against a threshold that follows the long period learnt from the
// leader (speed errors, wow), and the bits fill the block's fields:
//
//   leader     sync   name         address  length  data          checksum
//   0 0 0 ...  0xA5   "NAME" 0x00  lo hi    lo hi   length bytes  sum mod 256

#include <cstdint>

#include "recover/period_model.h"
#include "tape/tape_block.h"

/// Data periods kept as the places where another reading may differ.
constexpr unsigned kSearchCandidates = 24;

/// Short runs (each with the long period that ends it) whose changes are
/// weighed together: a change anywhere else leaves a lone short pulse.
constexpr unsigned kWindowSegments = 2;

/// What a scored reading learns about its own certainty.
struct ReadingScore {
    double segment_log_mass[kWindowSegments] = {};  ///< sum of log(1 + odds), newest last
    double segment_odds[kWindowSegments] = {};      ///< sum of odds
    bool segment_header[kWindowSegments] = {};      ///< holds a name or header period
    uint32_t segment = 0;                           ///< segments closed so far
    double pair_mass = 0;  ///< mass of the readings changing two periods or more of a data window
    double header_pair_mass = 0;  ///< the same for windows reaching into the name or header
    uint32_t candidate[kSearchCandidates] = {};  ///< data period numbers, likeliest wrong first
    double odds[kSearchCandidates] = {};         ///< their odds of being the other class
    uint32_t candidate_segment[kSearchCandidates] = {};  ///< the segment each lies in
    unsigned count = 0;
};

/// The decisions a reading is made with; readings differ only in these.
struct ReaderParams {
    double threshold = 0.75;          ///< short/long boundary, fraction of the long period
    double track_gain = 0.05;         ///< how fast the long-period estimate follows the tape
    double glitch_ratio = 0.3;        ///< shorter periods (fraction of the long one) are glitches
    const uint32_t* flips = nullptr;  ///< period numbers read the other way, ascending
    unsigned flip_count = 0;
    const PeriodModel* model = nullptr;  ///< scores every period when set
    ReadingScore* score = nullptr;       ///< receives the scores
};

/// Shorter than this fraction of a long period: a glitch, not a period.
constexpr double kGlitchRatio = 0.3;
/// A scored reading moves the glitch limit below the short class by this many
/// of its spreads, so a short period of a jittery tape stays a period.
constexpr double kGlitchSpreads = 6;
/// The glitch limit never falls below this fraction of a long period.
constexpr double kMinGlitchRatio = 0.1;
/// Longer than this fraction of a long period: no period of the tape.
constexpr double kOverlongRatio = 1.6;
/// Nearer its threshold than this fraction of it, a period is doubtful: the
/// checksum covers only the data, so a doubtful name or header bit would
/// go unnoticed.
constexpr double kDoubtMargin = 0.12;

enum class ReadPhase { kSeekSync, kName, kHeader, kData, kComplete, kFailed };

/// Leader periods averaged for the sync report.
constexpr unsigned kLeaderAverageEntries = 100;

struct BlockReading {
    ReadPhase phase = ReadPhase::kSeekSync;
    double long_q = 0;           ///< current long period, quarter samples
    uint32_t carry = 0;          ///< a glitch's length, added to the next period
    bool pending_short = false;  ///< first half of a 1 bit seen
    uint32_t period_number = 0;  ///< periods judged so far
    unsigned next_flip = 0;      ///< index into the flips
    // Bits to fields.
    uint8_t shift = 0;                       ///< newest bit in bit 0
    unsigned bits = 0;                       ///< bits of the current byte (or of the sync byte)
    uint32_t zero_run = 0;                   ///< leader bits in a row
    uint32_t seek_misses = 0;                ///< leader runs broken before a sync
    uint32_t byte_index = 0;                 ///< position in the current field
    uint32_t remaining = 0;                  ///< data bytes still expected
    uint8_t checksum = 0;                    ///< running sum of the data bytes
    uint8_t header[kBlockHeaderBytes] = {};  ///< address and length as read
    uint32_t name_hash = 0;                  ///< the name as read, folded
    bool crc_ok = false;                     ///< the checksum byte matched
    bool name_too_long = false;
    bool name_odd = false;  ///< a name byte outside printable ASCII
    // Doubts found after the sync.
    uint32_t errors = 0;    ///< lone short periods and periods of no plausible length
    uint32_t glitches = 0;  ///< very short periods merged into the next
    uint32_t doubtful = 0;  ///< glitches and periods near their threshold
    // Where things happened, as the edge that ended the period.
    uint32_t sync_edge = 0;
    uint32_t name_edge = 0;
    uint32_t header_edge = 0;  ///< the edge that ended the header
    uint32_t stop_edge = 0;
    PeriodStats stats;  ///< the plausible periods after the sync, by the class read
    uint32_t leader[kLeaderAverageEntries] = {};  ///< last leader periods, quarter samples
    unsigned leader_count = 0;   ///< entries filled, up to 100, ring position modulo 100
    TapeBlock* block = nullptr;  ///< receives the fields; null: only follow the structure
};

void reading_start(BlockReading* r, double long_q, TapeBlock* block);

/// Judges one period (quarter samples) ending at edge `end_edge`.
void reading_period(BlockReading* r, uint32_t period_q, uint32_t end_edge,
                    const ReaderParams& params);

/// The block was read to its checksum without a structural doubt: no lone
/// short, no implausible period, and at most `allowed` doubtful periods.
inline bool reading_clean(const BlockReading& r, unsigned allowed) {
    return r.phase == ReadPhase::kComplete && r.errors == 0 && r.doubtful <= allowed;
}
