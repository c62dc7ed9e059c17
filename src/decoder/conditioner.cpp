#include "decoder/conditioner.h"

void conditioner_reset(ConditionerState* st) {
    *st = ConditionerState{};
}

namespace {

/// Largest magnitude of a conditioned sample before the long window: the
/// filter's output is the difference of two weighted averages of samples in
/// -128..127, so it stays within +-255.
constexpr int64_t kFilteredReach = 255;
constexpr int64_t kSampleReach = 128;

void fill(double* table, uint64_t capacity, unsigned window, int64_t reach, int64_t* min,
          uint64_t* count) {
    *min = -reach * window;
    const uint64_t wanted = static_cast<uint64_t>(2 * reach * window + 1);
    // A window too wide for the table divides instead; the lookup checks.
    *count = wanted <= capacity ? wanted : 0;
    for (uint64_t k = 0; k < *count; ++k)
        table[k] = static_cast<double>(*min + static_cast<int64_t>(k)) / window;
}

}  // namespace

void window_quotients_fill(WindowQuotients* q, const ConditionerLimits& lim) {
    fill(q->long_q, kLongQuotients, lim.long_window,
         lim.mode.filter ? kFilteredReach : kSampleReach, &q->long_min, &q->long_count);
    fill(q->short_q, kShortQuotients, lim.short_window, kSampleReach, &q->short_min,
         &q->short_count);
}
