#include "recover/take_merge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "recover/anchored_reading.h"
#include "recover/reading_search.h"

namespace {

/// Readings of one block merged at most.
constexpr unsigned kMaxMerged = 16;
constexpr double kChecksumValues = 256;
constexpr unsigned kMergeSets = 1u << kMergeCandidates;

/// Another value for one byte and its odds against the merged one.
struct Alternative {
    uint32_t byte = 0;
    uint8_t value = 0;
    double odds = 0;
};

struct MergeWork {
    uint32_t readers[kMaxMerged];  ///< pool places of the readings merged
    unsigned count = 0;
    Alternative alternatives[kMergeCandidates];
    unsigned alternative_count = 0;
    double masses[kMergeSets];
    uint32_t sets[kMergeSets];
};

/// Keeps an alternative when it is among the likeliest.
void note_alternative(MergeWork* w, const Alternative& a) {
    unsigned i = w->alternative_count;
    if (i == kMergeCandidates) {
        if (a.odds <= w->alternatives[i - 1].odds) return;
        --i;
    } else {
        ++w->alternative_count;
    }
    for (; i > 0 && w->alternatives[i - 1].odds < a.odds; --i)
        w->alternatives[i] = w->alternatives[i - 1];
    w->alternatives[i] = a;
}

/// Byte `i`: the value whose readings are surest together, its odds of
/// being wrong (values no reading gave share the chance that all readings of
/// the chosen one are wrong), and the other values read as alternatives.
double merge_byte(const TakeBook& book, MergeWork* w, uint32_t i, uint8_t* chosen) {
    double weight[kMaxMerged] = {};  // -ln(doubt) summed per distinct value, at its first reading
    unsigned best = 0;
    for (unsigned k = 0; k < w->count; ++k) {
        const uint8_t v = book.bytes[w->readers[k] + i];
        unsigned first = 0;
        while (book.bytes[w->readers[first] + i] != v) ++first;
        weight[first] -= std::log(byte_doubt(book.codes[w->readers[k] + i]));
        if (weight[first] > weight[best]) best = first;
    }
    *chosen = book.bytes[w->readers[best] + i];
    double q = (kChecksumValues - 1) * std::exp(-weight[best]);
    for (unsigned k = 0; k < w->count; ++k) {
        if (k == best || weight[k] <= 0) continue;
        const double odds = std::exp(weight[k] - weight[best]);
        q += odds;
        note_alternative(w, Alternative{i, book.bytes[w->readers[k] + i], odds});
    }
    return q;
}

/// True when the alternatives of `set` change distinct bytes.
bool distinct_bytes(const MergeWork& w, uint32_t set) {
    for (unsigned a = 0; a < w.alternative_count; ++a)
        for (unsigned b = a + 1; b < w.alternative_count; ++b)
            if ((set >> a & set >> b & 1) && w.alternatives[a].byte == w.alternatives[b].byte)
                return false;
    return true;
}

/// The checksum of the merged data with the alternatives of `set` in place.
bool set_matches(const MergeWork& w, const TapeBlock& b, uint32_t n, uint32_t set) {
    uint8_t sum = 0;
    uint8_t received = b.data[n - 1];
    for (uint32_t i = 0; i + 1 < n; ++i) sum = static_cast<uint8_t>(sum + b.data[i]);
    for (unsigned a = 0; a < w.alternative_count; ++a) {
        if ((set >> a & 1) == 0) continue;
        const Alternative& alt = w.alternatives[a];
        if (alt.byte + 1 == n) {
            received = alt.value;
        } else {
            sum = static_cast<uint8_t>(sum - b.data[alt.byte] + alt.value);
        }
    }
    return sum == received;
}

/// Tries the merged reading and its alternatives likeliest first while one
/// could still be accepted; puts the accepted one into `b`.
MergeOutcome search_sets(MergeWork* w, double unexplored, uint32_t n, TapeBlock* b) {
    MergeOutcome out;
    unsigned count = 0;
    for (uint32_t set = 0; set < 1u << w->alternative_count; ++set) {
        if (!distinct_bytes(*w, set)) continue;
        double mass = 1;
        for (unsigned a = 0; a < w->alternative_count; ++a)
            if (set >> a & 1) mass *= w->alternatives[a].odds;
        w->masses[count] = mass;
        w->sets[count++] = set;
    }
    uint32_t order[kMergeSets];
    for (unsigned k = 0; k < count; ++k) order[k] = k;
    std::sort(order, order + count,
              [&](uint32_t x, uint32_t y) { return w->masses[x] > w->masses[y]; });
    double matched = 0, best = 0;
    uint32_t best_set = 0;
    for (unsigned k = 0; k < count && k < kMaxSearchReadings; ++k) {
        const double mass = w->masses[order[k]];
        const uint32_t set = w->sets[order[k]];
        const double reachable =
            std::fmax(0.0, unexplored - mass * (kMaxSearchReadings - k)) + kUnmodelledMass;
        if (reachable / kChecksumValues / std::fmax(mass, best) > kMaxWrongChance) break;
        ++out.readings;
        if ((set & (set - 1)) != 0) unexplored -= mass;
        if (!set_matches(*w, *b, n, set)) continue;
        ++out.matches;
        matched += mass;
        if (mass > best) best = mass, best_set = set;
        const double wrong =
            ((unexplored + kUnmodelledMass) / kChecksumValues + (matched - best)) / best;
        if (wrong > kMaxWrongChance) continue;
        for (unsigned a = 0; a < w->alternative_count; ++a)
            if (best_set >> a & 1) b->data[w->alternatives[a].byte] = w->alternatives[a].value;
        out.accepted = true;
        out.wrong_chance = wrong;
        return out;
    }
    return out;
}

}  // namespace

MergeOutcome merge_group(const TakeBook& book, unsigned group, TapeBlock* b) {
    const BookGroup& g = book.groups[group];
    auto w = std::make_unique<MergeWork>();
    const uint32_t n = group_bytes(g);
    for (unsigned e = 0; e < book.entry_count && w->count < kMaxMerged; ++e) {
        const BookEntry& entry = book.entries[e];
        if (entry.group != group || !entry.has_bytes) continue;
        // A copy of a recording read again adds no evidence: the same reading counts once.
        bool seen = false;
        for (unsigned k = 0; k < w->count && !seen; ++k) {
            seen = std::memcmp(book.bytes + w->readers[k], book.bytes + entry.pool_at, n) == 0 &&
                   std::memcmp(book.codes + w->readers[k], book.codes + entry.pool_at, n) == 0;
        }
        if (!seen) w->readers[w->count++] = entry.pool_at;
    }
    if (w->count < 2) return MergeOutcome{};
    std::memcpy(b->name, g.name, g.name_length);
    b->name_length = g.name_length;
    std::memcpy(b->header, g.header, kBlockHeaderBytes);
    double log_mass = 0;
    double single = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const double q = merge_byte(book, w.get(), i, &b->data[i]);
        log_mass += std::log1p(q);
        single += q;
    }
    // A single byte changed never keeps the sum: only changes of two bytes or more can match.
    const double unexplored = std::fmax(0.0, std::expm1(log_mass) - single);
    return search_sets(w.get(), unexplored, n, b);
}
