#include "recover/block_recovery.h"

#include <cstring>
#include <utility>

namespace {

/// Other decisions tried after the first reading, in this order.
constexpr ReaderParams kRetunings[] = {
    {.threshold = 0.70}, {.threshold = 0.80}, {.track_gain = 0.15}};
/// Single periods reconsidered, most uncertain first.
constexpr unsigned kMaxSingleFlips = 6;
/// The most uncertain periods whose pairs are reconsidered.
constexpr unsigned kPairFlipPool = 3;

void read_log(const EdgeLog& log, bool rising, double leader_q, const ReaderParams& params,
              BlockReading* r, TapeBlock* block) {
    reading_start(r, leader_q, block);
    for (uint32_t j = edge_log_first(log, rising); j + 2 < log.count; j += 2) {
        reading_period(r, edge_log_period(log, j), j + 2, params);
        if (r->phase == ReadPhase::kComplete || r->phase == ReadPhase::kFailed) break;
    }
}

/// A name of control or high bytes is allowed only in the plain reading:
/// from an alternative it is a sign of a chance match.
/// A reconsidered period stays doubtful; no other may be.
bool acceptable(const BlockReading& r, bool alternative, unsigned flips) {
    return reading_clean(r, flips) && r.crc_ok && !(alternative && r.name_odd);
}

/// The checksum does not cover the name and the header: a reading of the
/// data again may not change them.
bool same_name_and_header(const BlockReading& a, const BlockReading& b) {
    const bool b_has_header = b.phase == ReadPhase::kData || b.phase == ReadPhase::kComplete;
    if (!b_has_header) return true;
    for (unsigned i = 0; i < kBlockHeaderBytes; ++i) {
        if (a.header[i] != b.header[i]) return false;
    }
    return a.name_hash == b.name_hash;
}

/// Tries one more reading; on acceptance it becomes the outcome.
bool try_reading(const EdgeLog& log, bool rising, double leader_q, const ReaderParams& params,
                 const BlockReading& plain, RecoveryOutcome* out, TapeBlock* best,
                 TapeBlock* trial) {
    BlockReading r;
    read_log(log, rising, leader_q, params, &r, trial);
    ++out->readings;
    if (!acceptable(r, true, params.flip_count) || !same_name_and_header(r, plain)) return false;
    std::memcpy(best, trial, sizeof *best);
    out->accepted = true;
    out->rising = rising;
    out->reading = r;
    out->reading.block = best;
    out->flipped = params.flip_count;
    return true;
}

bool try_flips(const EdgeLog& log, bool rising, double leader_q, const BlockReading& first,
               RecoveryOutcome* out, TapeBlock* best, TapeBlock* trial) {
    unsigned usable = 0;
    while (usable < first.uncertain_count && usable < kMaxSingleFlips &&
           first.uncertain_margin[usable] < kDoubtMargin) {  // only doubtful ones
        ++usable;
    }
    for (unsigned i = 0; i < usable; ++i) {
        const ReaderParams p{.flips = &first.uncertain[i], .flip_count = 1};
        if (try_reading(log, rising, leader_q, p, first, out, best, trial)) return true;
    }
    const unsigned pool = usable < kPairFlipPool ? usable : kPairFlipPool;
    for (unsigned i = 0; i < pool; ++i) {
        for (unsigned k = i + 1; k < pool; ++k) {
            uint32_t pair[2] = {first.uncertain[i], first.uncertain[k]};
            if (pair[0] > pair[1]) std::swap(pair[0], pair[1]);
            const ReaderParams p{.flips = pair, .flip_count = 2};
            if (try_reading(log, rising, leader_q, p, first, out, best, trial)) return true;
        }
    }
    return false;
}

}  // namespace

RecoveryOutcome recover_block(const EdgeLog& log, const DirectionChoice& directions,
                              double leader_q, TapeBlock* best, TapeBlock* trial) {
    RecoveryOutcome out;
    out.rising = directions.rising[0];
    const ReaderParams plain;
    BlockReading first[2];
    // The plain reading of each direction first: a clean tape needs no more.
    for (unsigned d = 0; d < directions.count; ++d) {
        read_log(log, directions.rising[d], leader_q, plain, &first[d], d == 0 ? best : trial);
        ++out.readings;
        if (d == 0) out.reading = first[0];
        if (!acceptable(first[d], false, 0)) continue;
        if (d > 0) std::memcpy(best, trial, sizeof *best);
        out.accepted = true;
        out.rising = directions.rising[d];
        out.reading = first[d];
        out.reading.block = best;
        return out;
    }
    for (unsigned d = 0; d < directions.count; ++d) {
        const bool rising = directions.rising[d];
        for (const ReaderParams& p : kRetunings) {
            if (try_reading(log, rising, leader_q, p, first[d], &out, best, trial)) {
                out.retuned = true;
                return out;
            }
        }
        if (try_flips(log, rising, leader_q, first[d], &out, best, trial)) return out;
    }
    return out;
}
