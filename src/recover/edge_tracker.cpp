#include "recover/edge_tracker.h"

#include <cmath>

namespace {

/// Corner of the low-pass: above the tape's highest tone, well below the rate.
constexpr double kSmoothingHz = 2500.0;
/// Corner of the baseline: mains hum (50/60 Hz) and drift fall below it,
/// the tape's tones (300-1300 Hz) lie well above.
constexpr double kBaselineHz = 150.0;
/// Three long periods without an edge: the levels no longer fit the signal.
constexpr double kStaleUs = 5000.0;
constexpr double kFixedOne = 1 << kFixedShift;

/// std::lround for a level (far inside the range of int64_t), inline: the
/// library call is a good part of an edge's work, in WebAssembly most of all.
/// The remainder after truncation is exact, so half-way cases go away from
/// zero as the library rounds them.
int32_t round_level(double x) {
    const auto whole = static_cast<int64_t>(x);
    const double rest = x - static_cast<double>(whole);
    return static_cast<int32_t>(whole + (rest >= 0.5 ? 1 : rest <= -0.5 ? -1 : 0));
}

void set_triggers(EdgeTracker* t, const TrackerLimits& lim) {
    const double centre = (t->high_level + t->low_level) / 2;
    double h = lim.hysteresis * (t->high_level - t->low_level) / 2;
    if (h < lim.min_hysteresis * kFixedOne) h = lim.min_hysteresis * kFixedOne;
    t->rise_level = round_level(centre + h);
    t->fall_level = round_level(centre - h);
}

void start_phase(EdgeTracker* t, uint64_t index) {
    t->phase_start = index;
    t->phase_max = t->value;
    t->phase_min = t->value;
}

}  // namespace

TrackerLimits tracker_limits(uint32_t rate) {
    TrackerLimits lim;
    // The power of two nearest the one-pole coefficient for the corner.
    const double a = 1.0 - std::exp(-2.0 * M_PI * kSmoothingHz / rate);
    lim.smoothing_shift = static_cast<int>(std::lround(std::log2(1.0 / a)));
    if (lim.smoothing_shift < 0) lim.smoothing_shift = 0;
    lim.baseline_shift =
        static_cast<int>(std::lround(std::log2(rate / (2.0 * M_PI * kBaselineHz))));
    if (lim.baseline_shift < 1) lim.baseline_shift = 1;
    lim.stale_samples = static_cast<uint64_t>(kStaleUs * rate / 1e6);
    return lim;
}

void tracker_prime(EdgeTracker* t, int x, uint64_t index, const TrackerLimits& lim) {
    *t = EdgeTracker{};
    t->smooth = x * (1 << kFixedShift);
    t->baseline = t->smooth;
    t->value = 0;
    t->high_level = t->low_level = 0;
    set_triggers(t, lim);
    start_phase(t, index);
}

void tracker_edge(EdgeTracker* t, int32_t previous, uint64_t index, const TrackerLimits& lim,
                  EdgeEvent* ev) {
    const int32_t level = t->high ? t->fall_level : t->rise_level;
    // Where between the two samples the signal passed the level, in quarters
    // back from this sample: 0..3, so ceil(q / 4) is always this sample.
    double frac = static_cast<double>(level - previous) / (t->value - previous);
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

void tracker_check_stale(EdgeTracker* t, uint64_t index, const TrackerLimits& lim) {
    if (index - t->phase_start < lim.stale_samples) return;
    t->high_level = t->phase_max;
    t->low_level = t->phase_min;
    set_triggers(t, lim);
    start_phase(t, index);
}
