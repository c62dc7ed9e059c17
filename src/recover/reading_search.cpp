#include "recover/reading_search.h"

#include <algorithm>
#include <cmath>

void queue_push(FlipQueue* q, const FlipSet& s) {
    if (q->count == kQueueEntries) return;
    unsigned i = q->count++;
    for (; i > 0 && q->entries[(i - 1) / 2].mass < s.mass; i = (i - 1) / 2)
        q->entries[i] = q->entries[(i - 1) / 2];
    q->entries[i] = s;
}

FlipSet queue_pop(FlipQueue* q) {
    const FlipSet top = q->entries[0];
    const FlipSet moved = q->entries[--q->count];
    unsigned i = 0;
    for (unsigned child; (child = 2 * i + 1) < q->count; i = child) {
        if (child + 1 < q->count && q->entries[child + 1].mass > q->entries[child].mass) ++child;
        if (q->entries[child].mass <= moved.mass) break;
        q->entries[i] = q->entries[child];
    }
    q->entries[i] = moved;
    return top;
}

namespace {

/// Each wrong reading matches the 8-bit sum by chance once in this many.
constexpr double kChecksumValues = 256;

/// Read to its checksum, which matched, with no structural doubt: no lone
/// short, no period of no plausible length, no glitch, a name of text, the
/// name and header of the plain reading, and no split period before the data.
bool matches(const EdgeLog& log, const BlockReading& r, const BlockReading& plain) {
    return r.phase == ReadPhase::kComplete && r.crc_ok && r.errors == 0 && r.glitches == 0 &&
           !r.name_odd && same_name_and_header(r, plain) && header_unsplit(log, r);
}

/// Where the search stands: masses relative to the scored reading's.
struct SearchTally {
    double unexplored = 0;  ///< mass of the readings not tried
    double matched = 0;     ///< mass of the matching readings tried
    double best = 0;        ///< mass of the likeliest matching reading
    double header = 0;      ///< chance of an unnoticed wrong name or header
};

double wrong_chance(const SearchTally& t) {
    if (t.best <= 0) return INFINITY;
    return ((t.unexplored + kUnmodelledMass) / kChecksumValues + (t.matched - t.best)) / t.best +
           t.header;
}

/// True when the unexplored mass counts the set: two candidates or more, all
/// within one window of segments.
bool counted(const ReadingScore& sc, uint32_t mask) {
    if ((mask & (mask - 1)) == 0) return false;
    uint32_t low = UINT32_MAX;
    uint32_t high = 0;
    for (unsigned i = 0; i < sc.count; ++i) {
        if ((mask >> i & 1) == 0) continue;
        low = std::min(low, sc.candidate_segment[i]);
        high = std::max(high, sc.candidate_segment[i]);
    }
    return high - low < kWindowSegments;
}

/// The candidates of `mask` as ascending period numbers.
unsigned flips_of(const ReadingScore& sc, uint32_t mask, uint32_t* flips) {
    unsigned n = 0;
    for (unsigned i = 0; i < sc.count; ++i) {
        if ((mask >> i & 1) == 0) continue;
        unsigned k = n++;
        for (; k > 0 && flips[k - 1] > sc.candidate[i]; --k) flips[k] = flips[k - 1];
        flips[k] = sc.candidate[i];
    }
    return n;
}

/// Reads the accepted reading again into `best`, the block reported, with
/// the chance `t` gives it of being wrong.
void accept(const EdgeLog& log, bool rising, double leader_q, const ReaderParams& params,
            const SearchTally& t, RecoveryOutcome* out, TapeBlock* best) {
    read_log(log, rising, leader_q, params, &out->reading, best);
    out->wrong_chance = wrong_chance(t);
    out->accepted = true;
    out->rising = rising;
    out->flipped = params.flip_count;
    out->retuned = params.flip_count == 0;
}

}  // namespace

bool same_name_and_header(const BlockReading& a, const BlockReading& b) {
    for (unsigned i = 0; i < kBlockHeaderBytes; ++i) {
        if (a.header[i] != b.header[i]) return false;
    }
    return a.name_hash == b.name_hash;
}

bool header_unsplit(const EdgeLog& log, const BlockReading& r) {
    if (!leader_sets_split_limit(r) || r.header_edge >= log.count) return false;
    // The leader's shorter phases: the narrow pulse, or half of a square or sine period.
    double narrow = 0;
    for (uint32_t j = r.sync_edge - kSplitLeaderEdges; j < r.sync_edge; j += 2)
        narrow += std::min(log.delta[j], log.delta[j + 1]);
    const double phase_limit = kSplitPhaseFraction * narrow / (kSplitLeaderEdges / 2);
    for (uint32_t j = r.sync_edge + 1; j <= r.header_edge; ++j) {
        if (log.delta[j] < phase_limit) return false;
    }
    return true;
}

void read_log(const EdgeLog& log, bool rising, double leader_q, const ReaderParams& params,
              BlockReading* r, TapeBlock* block) {
    reading_start(r, leader_q, block);
    for (uint32_t j = edge_log_first(log, rising); j + 2 < log.count; j += 2) {
        reading_period(r, edge_log_period(log, j), j + 2, params);
        if (r->phase == ReadPhase::kComplete || r->phase == ReadPhase::kFailed) break;
    }
}

namespace {

/// Tries the sets of candidates read the other way, likeliest first, while a
/// match could still be written; accepts the likeliest match once it is safe.
bool search_flips(const EdgeLog& log, bool rising, double leader_q, const BlockReading& plain,
                  ReadingScore* sc, ReaderParams params, SearchTally t, RecoveryOutcome* out,
                  TapeBlock* best, TapeBlock* trial) {
    static_assert(kSearchCandidates <= 32, "a candidate set is a 32-bit mask");
    for (unsigned i = 0; i < sc->count; ++i) sc->odds[i] = std::fmin(sc->odds[i], 1.0);
    FlipQueue queue;
    queue_push(&queue, FlipSet{sc->odds[0], 1u, 0});
    uint32_t flips[kSearchCandidates];
    uint32_t best_mask = 0;
    params.flips = flips;
    for (unsigned tried = 0; tried < kMaxSearchReadings && queue.count > 0; ++tried) {
        const FlipSet s = queue_pop(&queue);
        // Every later reading is at most as likely as this one.
        const double reachable =
            std::fmax(0.0, t.unexplored - s.mass * (kMaxSearchReadings - tried)) + kUnmodelledMass;
        if (reachable / kChecksumValues / std::fmax(s.mass, t.best) > kMaxWrongChance) break;
        if (s.last + 1 < sc->count) {
            const unsigned next = s.last + 1;
            const double odds = sc->odds[next];
            queue_push(&queue, FlipSet{s.mass * odds, s.mask | 1u << next, next});
            queue_push(&queue, FlipSet{s.mass / sc->odds[s.last] * odds,
                                       (s.mask & ~(1u << s.last)) | 1u << next, next});
        }
        params.flip_count = flips_of(*sc, s.mask, flips);
        BlockReading r;
        read_log(log, rising, leader_q, params, &r, trial);
        ++out->readings;
        out->matches += r.phase == ReadPhase::kComplete && r.crc_ok ? 1 : 0;
        if (counted(*sc, s.mask)) t.unexplored -= s.mass;
        if (matches(log, r, plain)) {
            t.matched += s.mass;
            if (s.mass > t.best) t.best = s.mass, best_mask = s.mask;
        }
        if (wrong_chance(t) > kMaxWrongChance) continue;
        params.flip_count = best_mask == 0 ? 0 : flips_of(*sc, best_mask, flips);
        accept(log, rising, leader_q, params, t, out, best);
        return true;
    }
    return false;
}

}  // namespace

bool search_readings(const EdgeLog& log, bool rising, double leader_q, const BlockReading& plain,
                     RecoveryOutcome* out, TapeBlock* best, TapeBlock* trial) {
    const PeriodModel model = period_model(plain.stats);
    ReadingScore sc;
    const double glitch = model.mean[0] - kGlitchSpreads * model.spread[0];
    ReaderParams params{.threshold = model.boundary,
                        .glitch_ratio = std::fmax(kMinGlitchRatio, std::fmin(kGlitchRatio, glitch)),
                        .model = &model,
                        .score = &sc};
    BlockReading base;
    read_log(log, rising, leader_q, params, &base, trial);
    ++out->readings;
    out->matches += base.phase == ReadPhase::kComplete && base.crc_ok ? 1 : 0;
    if (base.phase != ReadPhase::kComplete || !same_name_and_header(base, plain)) return false;
    SearchTally t;
    t.header = -std::expm1(-sc.header_pair_mass);
    // One period read the other way always leaves a run of short periods of odd
    // length, a lone short, and so do changes in runs apart: only readings
    // changing two or more periods close together can pass.
    t.unexplored = std::expm1(sc.pair_mass);
    if (matches(log, base, plain)) t.matched = t.best = 1;
    if (wrong_chance(t) <= kMaxWrongChance) {
        accept(log, rising, leader_q, params, t, out, best);
        return true;
    }
    if (t.header > kMaxWrongChance || sc.count == 0) return false;
    params.score = nullptr;
    return search_flips(log, rising, leader_q, plain, &sc, params, t, out, best, trial);
}
