#include "recover/edge_tracker.h"

#include <cmath>

namespace {

/// Corner of the low-pass: above the tape's highest tone, well below the rate.
constexpr double kSmoothingHz = 2500.0;
/// Three long periods without an edge: the levels no longer fit the signal.
constexpr double kStaleUs = 5000.0;

void set_triggers(EdgeTracker* t, const TrackerLimits& lim) {
    const double centre = (t->high_level + t->low_level) / 2;
    double h = lim.hysteresis * (t->high_level - t->low_level) / 2;
    if (h < lim.min_hysteresis) h = lim.min_hysteresis;
    t->rise_level = centre + h;
    t->fall_level = centre - h;
}

void start_phase(EdgeTracker* t, uint64_t index) {
    t->phase_start = index;
    t->phase_max = t->smooth;
    t->phase_min = t->smooth;
}

}  // namespace

TrackerLimits tracker_limits(uint32_t rate) {
    TrackerLimits lim;
    lim.smoothing = 1.0 - std::exp(-2.0 * M_PI * kSmoothingHz / rate);
    lim.stale_samples = static_cast<uint64_t>(kStaleUs * rate / 1e6);
    return lim;
}

void tracker_edge(EdgeTracker* t, double previous, uint64_t index, const TrackerLimits& lim,
                  EdgeEvent* ev) {
    const double level = t->high ? t->fall_level : t->rise_level;
    // Where between the two samples the signal passed the level, in quarters
    // back from this sample: 0..3, so ceil(q / 4) is always this sample.
    double frac = (level - previous) / (t->smooth - previous);
    if (!(frac > 0)) frac = 0;
    if (frac > 1) frac = 1;
    auto back = static_cast<uint64_t>((1 - frac) * kTimeSteps);
    if (back >= kTimeSteps) back = kTimeSteps - 1;
    ev->q = index * kTimeSteps - back;
    ev->rising = !t->high;
    // The phase now ending gave an extreme: move its level toward it.
    if (t->high) {
        t->high_level += (t->phase_max - t->high_level) * lim.level_gain;
    } else {
        t->low_level += (t->phase_min - t->low_level) * lim.level_gain;
    }
    t->high = !t->high;
    set_triggers(t, lim);
    start_phase(t, index);
}

void tracker_prime(EdgeTracker* t, double x, uint64_t index, const TrackerLimits& lim) {
    *t = EdgeTracker{};
    t->smooth = x;
    t->high_level = t->low_level = x;
    set_triggers(t, lim);
    start_phase(t, index);
}

void tracker_check_stale(EdgeTracker* t, uint64_t index, const TrackerLimits& lim) {
    if (index - t->phase_start < lim.stale_samples) return;
    t->high_level = t->phase_max;
    t->low_level = t->phase_min;
    set_triggers(t, lim);
    start_phase(t, index);
}
