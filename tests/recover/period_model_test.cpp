// The odds a period was read as the wrong class, from a block's own classes:
// sure near a class's mean, even on the boundary, and never certain far out.
#include "recover/period_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "recover/reading_search.h"

namespace {

/// Classes of `count` periods each, spread evenly over mean +- spread * sqrt(3).
PeriodStats classes(double short_spread, double long_spread, uint32_t shorts, uint32_t longs) {
    PeriodStats s;
    const double means[2] = {0.5, 1.0};
    const double spreads[2] = {short_spread, long_spread};
    const uint32_t counts[2] = {shorts, longs};
    for (int c = 0; c < 2; ++c) {
        for (uint32_t i = 0; i < counts[c]; ++i) {
            const double u = (i + 0.5) / counts[c] * 2 - 1;  // uniform: deviation 1/sqrt(3)
            stats_add(&s, c == 1, means[c] + u * spreads[c] * 1.7320508075688772);
        }
    }
    return s;
}

struct OddsRow {
    const char* name;
    PeriodStats stats;
    double x;
    bool read_long;
    double low;  ///< the odds lie within [low, high]
    double high;
};

const OddsRow kOdds[] = {
    // Only the other class's wider tail reaches a period at its class's mean.
    {"short at its mean", classes(0.05, 0.05, 600, 300), 0.5, false, 1e-10, 1e-8},
    {"long at its mean", classes(0.05, 0.05, 600, 300), 1.0, true, 1e-10, 1e-8},
    {"on the boundary", classes(0.05, 0.05, 300, 300), 0.75, false, 0.8, 1.25},
    {"just past the boundary, read long", classes(0.05, 0.05, 300, 300), 0.76, true, 0.2, 1},
    {"a spread from the boundary", classes(0.05, 0.05, 300, 300), 0.70, false, 0.01, 0.2},
    // A perfect tape gets the narrowest spread, so its odds stay finite.
    {"tight classes, a period between", classes(0.001, 0.001, 300, 300), 0.74, false, 0.01, 1},
    {"too few periods: nominal classes", classes(0.05, 0.05, 1, 1), 0.74, false, 0.01, 1},
};

class PeriodOdds : public testing::TestWithParam<OddsRow> {};

TEST_P(PeriodOdds, FollowTheBlocksOwnClasses) {
    const OddsRow& row = GetParam();
    const double odds = period_flip_odds(period_model(row.stats), row.x, row.read_long);
    EXPECT_GE(odds, row.low);
    EXPECT_LE(odds, row.high);
}

INSTANTIATE_TEST_SUITE_P(Periods, PeriodOdds, testing::ValuesIn(kOdds), row_name<OddsRow>);

TEST(PeriodModel, BoundaryLeansTowardTheRarerClass) {
    EXPECT_NEAR(period_model(classes(0.05, 0.05, 300, 300)).boundary, 0.75, 0.002);
    const PeriodModel m = period_model(classes(0.05, 0.05, 900, 100));
    EXPECT_GT(m.boundary, 0.76);
    EXPECT_NEAR(m.spread[0], 0.05, 0.001);
    EXPECT_NEAR(m.weight[0], 0.9, 1e-9);
}

// The search tries candidate sets likeliest first: pushes and pops mixed as
// the search mixes them, every pop the largest mass still queued.
TEST(FlipQueue, HandsOutTheLikeliestSetFirst) {
    FlipQueue q;
    std::vector<double> queued;
    for (unsigned i = 0; i < 60 || q.count > 0; ++i) {
        if (i < 60) {
            queue_push(&q, FlipSet{(i * 37 % 61) / 61.0, i, i});
            queued.push_back((i * 37 % 61) / 61.0);
        }
        if (i % 3 != 2 && i < 60) continue;
        const auto largest = std::max_element(queued.begin(), queued.end());
        ASSERT_EQ(queue_pop(&q).mass, *largest) << "after " << i;
        queued.erase(largest);
    }
    EXPECT_TRUE(queued.empty());
}

// Noise that splits a period leaves two edges closer than a quarter of the
// leader's narrow phase (10 here, the limit 2.5); the limit comes from the
// leader before the sync alone, not from the sync's own long phases.
TEST(HeaderSplit, LimitFromTheLeaderBeforeTheSync) {
    for (const auto& [gap, unsplit] : {std::pair{3, true}, {2, false}}) {
        auto log = std::make_unique<EdgeLog>();
        log->count = 200;
        BlockReading r;
        r.sync_edge = 70, r.header_edge = 100;
        for (uint32_t j = 0; j < log->count; ++j) log->delta[j] = j < 70 && j % 2 == 0 ? 10 : 30;
        log->delta[70] = log->delta[71] = 1000;
        log->delta[85] = static_cast<uint16_t>(gap);
        EXPECT_EQ(header_unsplit(*log, r), unsplit) << gap;
    }
}

// The search's candidates: the likeliest flips among the data periods, in any order.
TEST(SearchCandidates, TheLikeliestDataPeriods) {
    const PeriodModel model = period_model(classes(0.05, 0.05, 300, 300));
    ReadingScore sc;
    const ReaderParams p{.track_gain = 0, .model = &model, .score = &sc};
    BlockReading r;
    reading_start(&r, 4000, nullptr);  // a long period of 4000 quarter samples
    uint32_t edge = 0;
    for (const uint8_t byte : {0, 0, 0, 0xA5, 0x41, 0, 0, 0x40, 0x40, 0})  // leader to length
        for (int b = 7; b >= 0; --b)
            for (int k = 0; k < (byte >> b & 1) + 1; ++k)
                reading_period(&r, byte >> b & 1 ? 2000 : 4000, edge += 2, p);
    ASSERT_EQ(r.phase, ReadPhase::kData);
    // One 0 bit more than are kept, 0.8 long and 0.25 % longer each, the last two swapped.
    std::vector<double> odds;
    for (unsigned k = 0; k <= kSearchCandidates; ++k) {
        const unsigned step = k + 1 < kSearchCandidates ? k : 2 * kSearchCandidates - 1 - k;
        odds.push_back(period_flip_odds(model, (3200 + 10 * step) / 4000.0, true));
        reading_period(&r, 3200 + 10 * step, edge += 2, p);
    }
    std::sort(odds.rbegin(), odds.rend());
    ASSERT_EQ(sc.count, kSearchCandidates);
    for (unsigned i = 0; i < kSearchCandidates; ++i) EXPECT_EQ(sc.odds[i], odds[i]) << i;
}

}  // namespace
