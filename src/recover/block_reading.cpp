#include "recover/block_reading.h"

#include <cmath>

namespace {

/// Leader bits needed right before the sync byte.
constexpr uint32_t kMinLeaderZeros = 16;
/// Broken leader runs tolerated before the reading gives up.
constexpr uint32_t kMaxSeekMisses = 24;
/// Lowest and highest printable name character.
constexpr uint8_t kFirstPrintable = 0x20;
constexpr uint8_t kLastPrintable = 0x7E;

/// Adds a period to the window of the last segments; when a long period
/// closes a segment, the mass of the readings changing two or more periods
/// of the window goes to the header's or the data's account.
void window_period(ReadingScore* sc, double odds, bool is_long, bool header) {
    const unsigned last = kWindowSegments - 1;
    sc->segment_log_mass[last] += std::log1p(odds);
    sc->segment_odds[last] += odds;
    sc->segment_header[last] = sc->segment_header[last] || header;
    if (!is_long) return;
    double log_mass = 0;
    double single = 0;
    bool touches_header = false;
    for (unsigned k = 0; k < kWindowSegments; ++k) {
        log_mass += sc->segment_log_mass[k];
        single += sc->segment_odds[k];
        touches_header = touches_header || sc->segment_header[k];
    }
    const double pairs = std::fmax(0.0, std::expm1(log_mass) - single);
    (touches_header ? sc->header_pair_mass : sc->pair_mass) += pairs;
    for (unsigned k = 0; k < last; ++k) {
        sc->segment_log_mass[k] = sc->segment_log_mass[k + 1];
        sc->segment_odds[k] = sc->segment_odds[k + 1];
        sc->segment_header[k] = sc->segment_header[k + 1];
    }
    sc->segment_log_mass[last] = 0;
    sc->segment_odds[last] = 0;
    sc->segment_header[last] = false;
    ++sc->segment;
}

/// Adds a period's odds of being the other class to the reading's score;
/// data periods are candidates for another reading.
void score_period(const BlockReading& r, uint32_t number, double x, bool is_long,
                  const ReaderParams& p) {
    ReadingScore& sc = *p.score;
    const double odds = period_flip_odds(*p.model, x, is_long);
    const uint32_t segment = sc.segment;
    window_period(&sc, odds, is_long, r.phase != ReadPhase::kData);
    if (r.phase != ReadPhase::kData) return;
    unsigned i = sc.count;
    if (i == kSearchCandidates) {
        if (odds <= sc.odds[i - 1]) return;
        --i;
    } else {
        ++sc.count;
    }
    for (; i > 0 && sc.odds[i - 1] < odds; --i) {
        sc.candidate[i] = sc.candidate[i - 1];
        sc.odds[i] = sc.odds[i - 1];
        sc.candidate_segment[i] = sc.candidate_segment[i - 1];
    }
    sc.candidate[i] = number;
    sc.odds[i] = odds;
    sc.candidate_segment[i] = segment;
}

void seek_bit(BlockReading* r, int bit, uint32_t period_q, uint32_t end_edge) {
    if (r->bits == 0 && bit == 0) {
        ++r->zero_run;
        r->leader[r->leader_count % kLeaderAverageEntries] = period_q;
        ++r->leader_count;
        return;
    }
    if (r->bits == 0 && r->zero_run < kMinLeaderZeros) {
        r->zero_run = 0;
        if (++r->seek_misses > kMaxSeekMisses) r->phase = ReadPhase::kFailed;
        return;
    }
    if (++r->bits < 8) return;
    if (r->shift == kSyncByte) {
        r->phase = ReadPhase::kName;
        r->sync_edge = end_edge;
    } else if (++r->seek_misses > kMaxSeekMisses) {
        r->phase = ReadPhase::kFailed;
    }
    r->bits = 0;
    r->zero_run = 0;
    r->byte_index = 0;
}

void name_byte(BlockReading* r, uint8_t byte, uint32_t end_edge) {
    if (r->block != nullptr && r->byte_index < kNameBufferBytes)
        r->block->name[r->byte_index] = byte;
    ++r->byte_index;
    r->name_hash = r->name_hash * 31 + byte;
    if (byte != 0) {
        if (byte < kFirstPrintable || byte > kLastPrintable) r->name_odd = true;
        if (r->byte_index >= kMaxNameBytes) {
            r->name_too_long = true;
            r->phase = ReadPhase::kFailed;
        }
        return;
    }
    if (r->block != nullptr) r->block->name_length = r->byte_index;
    r->name_edge = end_edge;
    r->phase = ReadPhase::kHeader;
    r->byte_index = 0;
}

void field_byte(BlockReading* r, uint8_t byte, uint32_t end_edge) {
    if (r->phase == ReadPhase::kName) {
        name_byte(r, byte, end_edge);
    } else if (r->phase == ReadPhase::kHeader) {
        r->header[r->byte_index] = byte;
        if (r->block != nullptr) r->block->header[r->byte_index] = byte;
        if (++r->byte_index < kBlockHeaderBytes) return;
        r->remaining = static_cast<uint32_t>(r->header[2] | (r->header[3] << 8));
        r->phase = ReadPhase::kData;
        r->header_edge = end_edge;
        r->byte_index = 0;
        r->checksum = 0;
    } else if (r->phase == ReadPhase::kData) {
        if (r->block != nullptr) r->block->data[r->byte_index] = byte;
        ++r->byte_index;
        if (r->remaining > 0) {
            --r->remaining;
            r->checksum = static_cast<uint8_t>(r->checksum + byte);
            return;
        }
        r->crc_ok = byte == r->checksum;
        r->stop_edge = end_edge;
        r->phase = ReadPhase::kComplete;
    }
}

void take_bit(BlockReading* r, int bit, uint32_t period_q, uint32_t end_edge) {
    r->shift = static_cast<uint8_t>((r->shift << 1) | bit);
    if (r->phase == ReadPhase::kSeekSync) {
        seek_bit(r, bit, period_q, end_edge);
        return;
    }
    if (++r->bits < 8) return;
    r->bits = 0;
    field_byte(r, r->shift, end_edge);
}

}  // namespace

void reading_start(BlockReading* r, double long_q, TapeBlock* block) {
    *r = BlockReading{};
    r->long_q = long_q;
    r->block = block;
}

void reading_period(BlockReading* r, uint32_t period_q, uint32_t end_edge, const ReaderParams& p) {
    if (r->phase == ReadPhase::kComplete || r->phase == ReadPhase::kFailed) return;
    const bool in_block = r->phase != ReadPhase::kSeekSync;
    if (period_q < p.glitch_ratio * r->long_q) {
        r->carry += period_q;
        if (in_block) ++r->glitches, ++r->doubtful;
        return;
    }
    const uint32_t period = period_q + r->carry;
    r->carry = 0;
    const double threshold = p.threshold * r->long_q;
    bool is_long = period > threshold;
    const uint32_t number = r->period_number++;
    while (r->next_flip < p.flip_count && p.flips[r->next_flip] < number) ++r->next_flip;
    if (r->next_flip < p.flip_count && p.flips[r->next_flip] == number) is_long = !is_long;
    const bool plausible = period < kOverlongRatio * r->long_q;
    if (in_block) {
        if (!plausible) ++r->errors;
        const double margin = std::fabs(period - threshold) / threshold;
        if (margin < kDoubtMargin) ++r->doubtful;
        const double x = period / r->long_q;
        if (plausible) stats_add(&r->stats, is_long, x);
        if (plausible && p.score != nullptr) score_period(*r, number, x, is_long, p);
    }
    if (plausible) {
        const double as_long = is_long ? period : 2.0 * period;
        r->long_q += (as_long - r->long_q) * p.track_gain;
    }
    if (!is_long && !r->pending_short) {
        r->pending_short = true;
        return;
    }
    if (is_long && r->pending_short && in_block) ++r->errors;
    r->pending_short = false;
    take_bit(r, is_long ? 0 : 1, period, end_edge);
}
