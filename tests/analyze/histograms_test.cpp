// The analysis's histograms. Periods: the fullest bucket each side of the mean
// threshold, its own bucket on neither side, ties to the first. Levels: the
// quietest 0.5 % of windows make the floor, silent if all are, and the baseline.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "analyze/level_stats.h"
#include "analyze/pulse_histogram.h"
#include "end_to_end.h"

namespace {

struct MarksRow {
    const char* name;
    std::vector<std::pair<unsigned, uint64_t>> counts;  ///< bucket and periods in it
    unsigned short_peak, long_peak, first, last;
    uint64_t largest;
};

// A threshold of 1200 us puts the split at bucket 24.
const MarksRow kMarks[] = {
    {"one period each side", {{16, 1}, {32, 1}}, 16, 32, 16, 32, 1},
    {"the threshold's bucket is neither", {{24, 90}, {15, 2}, {40, 3}}, 15, 40, 15, 40, 90},
    {"ties go to the first", {{10, 5}, {12, 5}, {30, 7}, {33, 9}, {35, 9}}, 10, 33, 10, 35, 9},
};

class HistogramMarksTest : public testing::TestWithParam<MarksRow> {};

TEST_P(HistogramMarksTest, PeaksEitherSideOfTheThreshold) {
    const MarksRow& row = GetParam();
    auto t = std::make_unique<TapeMeasures>();
    t->blocks_found = 2;
    t->threshold_us_sum = 2400;
    for (const auto& [bucket, n] : row.counts) t->period_counts[bucket] = n;
    const HistogramMarks m = histogram_marks(*t);
    EXPECT_FALSE(m.empty);
    EXPECT_EQ(m.short_peak, row.short_peak);
    EXPECT_EQ(m.long_peak, row.long_peak);
    EXPECT_EQ(m.first, row.first);
    EXPECT_EQ(m.last, row.last);
    EXPECT_EQ(m.largest, row.largest);
}

INSTANTIATE_TEST_SUITE_P(, HistogramMarksTest, testing::ValuesIn(kMarks), row_name<MarksRow>);

TEST(LevelStats, SilentFloorFromJustEnoughSilentWindows) {
    for (const unsigned silent : {5u, 4u}) {  // of 1000 two-frame windows; 4 too few: signal joins
        std::vector<int16_t> frames;
        for (unsigned w = 0; w < 1000; ++w)
            frames.insert(frames.end(),
                          {int16_t(w < silent ? 100 : 1000), int16_t(w < silent ? 100 : -1000)});
        auto st = std::make_unique<LevelStats>();
        level_stats_start(st.get(), 1, 200, 0);
        level_stats_frames(
            st.get(), reinterpret_cast<const uint8_t*>(frames.data()), frames.size(),
            {.format = SampleFormat::kSigned16, .sample_bytes = 2, .frame_bytes = 2});
        const ChannelSummary s = level_summary(st->channel[0]);
        EXPECT_EQ(s.silent_floor, silent == 5);
        EXPECT_DOUBLE_EQ(s.baseline, silent * 100.0 / (silent == 5 ? 5 : 1000) / 32768);
    }
}

}  // namespace
