#include "recover/block_measure.h"

#include <cmath>

#include "recover/block_reading.h"
#include "recover/leader_watch.h"
#include "recover/recover_report.h"

namespace {

/// The first reading's judgements time the periods by class.
constexpr ReaderParams kPlainReading;

/// Sums of the periods of one class, in µs.
struct PeriodClass {
    uint32_t count = 0;
    double sum = 0;
    double squares = 0;
};

void add_period(PeriodClass* c, double us) {
    ++c->count;
    c->sum += us;
    c->squares += us * us;
}

double class_mean(const PeriodClass& c) {
    return c.count == 0 ? 0 : c.sum / c.count;
}

/// Sum of squared distances from the class mean.
double class_spread(const PeriodClass& c) {
    return c.count == 0 ? 0 : c.squares - c.sum * c.sum / c.count;
}

TapeSpot spot(EdgePlace p) {
    return TapeSpot{p.offset, p.time};
}

BlockVerdict verdict_of(const RecoveryOutcome& o) {
    const BlockReading& r = o.reading;
    if (o.accepted) {
        const bool helped = o.flipped > 0 || o.retuned || r.glitches > 0;
        return helped ? BlockVerdict::kRecovered : BlockVerdict::kGood;
    }
    if (r.phase != ReadPhase::kComplete) return BlockVerdict::kIncomplete;
    return r.crc_ok ? BlockVerdict::kNotWritten : BlockVerdict::kCrcError;
}

void copy_fields(const BlockReading& r, BlockMeasure* m) {
    if (r.name_edge != 0 && r.block != nullptr) {
        for (unsigned i = 0; i + 1 < kMaxNameBytes && r.block->name[i] != 0; ++i)
            m->name[i] = static_cast<char>(r.block->name[i]);
    }
    m->has_header = r.phase == ReadPhase::kData || r.phase == ReadPhase::kComplete;
    if (!m->has_header) return;
    m->address = static_cast<uint16_t>(r.header[0] | (r.header[1] << 8));
    m->length = static_cast<uint16_t>(r.header[2] | (r.header[3] << 8));
}

/// Walks the periods of the direction read, up to the reading's last edge:
/// the histogram gets every one, the classes the plausible ones, and the
/// first doubtful one after the sync is noted.
void time_periods(const EdgeLog& log, const BlockReading& r, bool rising, double leader_q,
                  uint32_t last_edge, const RecoverInput& input, BlockMeasure* m,
                  TapeMeasures* measures) {
    const double us_per_q = 1e6 / (static_cast<double>(input.rate) * kTimeSteps);
    double long_q = leader_q;
    PeriodClass shorts;
    PeriodClass longs;
    for (uint32_t j = edge_log_first(log, rising); j + 2 < log.count && j + 2 <= last_edge;
         j += 2) {
        const double q = edge_log_period(log, j);
        const double us = q * us_per_q;
        const auto bucket = static_cast<unsigned>(us / kPeriodBucketUs);
        if (bucket < kPeriodBuckets) {
            ++measures->period_counts[bucket];
        } else {
            ++measures->periods_over;
        }
        const double threshold = kPlainReading.threshold * long_q;
        const bool glitch = q < kGlitchRatio * long_q;
        const bool overlong = q > kOverlongRatio * long_q;
        const bool near = std::fabs(q - threshold) < kDoubtMargin * threshold;
        if (j + 2 > r.sync_edge && !m->has_doubt && (glitch || overlong || near)) {
            m->has_doubt = true;
            m->doubt = spot(edge_place(log, j + 2, input));
        }
        if (glitch || overlong) continue;
        const bool is_long = q > threshold;
        add_period(is_long ? &longs : &shorts, us);
        long_q += ((is_long ? q : 2 * q) - long_q) * kPlainReading.track_gain;
    }
    m->short_count = shorts.count;
    m->long_count = longs.count;
    m->short_us = class_mean(shorts);
    m->long_us = class_mean(longs);
    const uint32_t n = shorts.count + longs.count;
    if (n > 0) m->jitter_us = std::sqrt((class_spread(shorts) + class_spread(longs)) / n);
    measures->threshold_us_sum += kPlainReading.threshold * long_q * us_per_q;
}

}  // namespace

void measure_block(const RecoveryOutcome& o, const EdgeLog& log, const BlockSession& session,
                   const RecoverInput& input, TapeMeasures* measures) {
    const BlockReading& r = o.reading;
    if (r.phase == ReadPhase::kSeekSync || r.sync_edge == 0) return;
    const unsigned index = measures->blocks_found++;
    BlockMeasure scratch;
    BlockMeasure* m = index < kMaxMeasuredBlocks ? &measures->blocks[index] : &scratch;
    *m = BlockMeasure{};
    m->verdict = verdict_of(o);
    m->channel = session.channel;
    m->rising = o.rising;
    m->readings = o.readings;
    m->refused = o.matches - (o.accepted ? 1 : 0);
    // The watch locks after this many leader periods.
    const double lead_q = kLeaderLockPeriods * session.leader_q;
    const double lock_q = static_cast<double>(session.lock_q);
    m->leader =
        spot(edge_place_at(lock_q > lead_q ? static_cast<uint64_t>(lock_q - lead_q) : 0, input));
    m->sync = spot(edge_place(log, r.sync_edge, input));
    const uint32_t last_edge = r.phase == ReadPhase::kComplete ? r.stop_edge : log.count - 1;
    m->end = spot(edge_place(log, last_edge, input));
    copy_fields(r, m);
    time_periods(log, r, o.rising, session.leader_q, last_edge, input, m, measures);
}
