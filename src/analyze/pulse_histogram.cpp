#include "analyze/pulse_histogram.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace {

constexpr unsigned kTextBarWidth = 40;

}  // namespace

HistogramMarks histogram_marks(const TapeMeasures& t) {
    HistogramMarks m;
    if (t.blocks_found > 0) m.threshold_us = t.threshold_us_sum / t.blocks_found;
    const unsigned split = period_bucket(m.threshold_us);
    uint64_t short_most = 0;
    uint64_t long_most = 0;
    for (unsigned b = 0; b < kPeriodBuckets; ++b) {
        const uint64_t n = t.period_counts[b];
        if (n == 0) continue;
        if (m.empty) m.first = b;
        m.empty = false;
        m.last = b;
        if (n > m.largest) m.largest = n;
        if (b < split && n > short_most) {
            short_most = n;
            m.short_peak = b;
        }
        if (b > split && n > long_most) {
            long_most = n;
            m.long_peak = b;
        }
    }
    return m;
}

unsigned log_bar(uint64_t count, uint64_t largest, unsigned width) {
    if (count == 0 || largest == 0) return 0;
    const double share = std::log10(1.0 + count) / std::log10(1.0 + largest);
    const auto bar = static_cast<unsigned>(std::lround(share * width));
    return bar > 0 ? bar : 1;
}

void print_pulse_histogram(const TapeMeasures& t, const HistogramMarks& m) {
    std::printf("Pulse lengths (periods of the blocks and their leaders, log scale):\n");
    if (m.empty) {
        std::printf("  none timed\n");
        return;
    }
    const unsigned split = period_bucket(m.threshold_us);
    for (unsigned b = std::min(m.first, split); b <= std::max(m.last, split); ++b) {
        const uint64_t n = t.period_counts[b];
        char bar[kTextBarWidth + 1];
        const unsigned length = log_bar(n, m.largest, kTextBarWidth);
        for (unsigned i = 0; i < kTextBarWidth; ++i) bar[i] = i < length ? '#' : ' ';
        bar[kTextBarWidth] = '\0';
        const char* mark = "";
        if (b == split) mark = "  <- threshold";
        if (b == m.short_peak && n > 0) mark = "  <- short peak";
        if (b == m.long_peak && n > 0) mark = "  <- long peak";
        std::printf("  %4u-%4u us |%s| %8" PRIu64 "%s\n", b * kPeriodBucketUs,
                    (b + 1) * kPeriodBucketUs, bar, n, mark);
    }
    if (t.periods_over > 0)
        std::printf("  longer than %u us: %" PRIu64 "\n", kPeriodBuckets * kPeriodBucketUs,
                    t.periods_over);
    std::printf("  threshold %.0f us (nominal periods %.0f and %.0f us)\n", m.threshold_us,
                kNominalShortUs, kNominalLongUs);
}
