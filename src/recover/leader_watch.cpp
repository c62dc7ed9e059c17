#include "recover/leader_watch.h"

#include <cmath>

#include "recover/edge_tracker.h"
#include "tape/tape_block.h"

namespace {

/// Speed errors of 10%, wow and jitter on top.
constexpr double kFastestRatio = 0.85;
constexpr double kSlowestRatio = 1.18;
/// A leader period may differ this much from the run's mean (jitter).
constexpr double kSteadyRatio = 0.15;
constexpr double kMeanGain = 0.1;

}  // namespace

LeaderLimits leader_limits(uint32_t rate) {
    const double long_q = kNominalLongUs * rate * kTimeSteps / 1e6;
    return LeaderLimits{long_q * kFastestRatio, long_q * kSlowestRatio};
}

bool leader_watch_edge(LeaderWatch* w, uint64_t q, const LeaderLimits& lim) {
    const bool seen = w->seen;
    const auto period = static_cast<double>(q - w->last_q);
    w->seen = true;
    w->last_q = q;
    if (!seen) return false;
    if (period < lim.min_q || period > lim.max_q) {
        w->run = 0;
        return false;
    }
    if (w->run > 0 && std::fabs(period - w->mean_q) < kSteadyRatio * w->mean_q) {
        ++w->run;
        w->mean_q += (period - w->mean_q) * kMeanGain;
    } else {
        w->run = 1;
        w->mean_q = period;
    }
    return w->run >= kLeaderLockPeriods;
}
