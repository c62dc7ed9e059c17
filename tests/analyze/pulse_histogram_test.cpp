// The histogram's marks: the fullest bucket on each side of the blocks' mean
// threshold, the bucket holding the threshold on neither side, ties to the first.
#include "analyze/pulse_histogram.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

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

}  // namespace
