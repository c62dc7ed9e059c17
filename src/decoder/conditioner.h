#pragma once

#include <cstdint>

#include "decoder/stage_limits.h"

/// Filter memories and edge-mode averaging windows. All start at zero, so
/// both averages ramp up over their first window of samples.
struct ConditionerState {
    double lowpass = 0.0;   ///< 7.5 kHz low-pass memory
    double highpass = 0.0;  ///< 50 Hz high-pass memory (the low-frequency part removed)
    int long_ring[kLongWindowCapacity] = {};    ///< conditioned samples for the baseline
    unsigned long_index = 0;                    ///< wraps at W_long
    int64_t long_sum = 0;                       ///< running sum of the W_long entries in use
    int short_ring[kShortWindowCapacity] = {};  ///< raw samples for the smoothing average
    unsigned short_index = 0;                   ///< wraps at W_short
    int64_t short_sum = 0;                      ///< running sum of the W_short entries in use
};

/// Result of conditioning one sample.
struct Conditioned {
    double comparator_input;  ///< d: the clamped value minus the baseline
    int8_t raw;               ///< the clamped value truncated toward zero, for -o
};

/// Entries of the quotient tables; windows whose sums reach further divide.
constexpr unsigned kLongQuotients = 1u << 16;
constexpr unsigned kShortQuotients = 1u << 15;

/// The averages of edge mode divide a window sum by the window size. The sums
/// are integers in a small range, so each quotient can be computed once,
/// exactly as the division gives it, and looked up afterwards.
struct WindowQuotients {
    int64_t long_min = 0;      ///< window sum of long_q[0]
    uint64_t long_count = 0;   ///< entries filled
    int64_t short_min = 0;     ///< window sum of short_q[0]
    uint64_t short_count = 0;  ///< entries filled
    double long_q[kLongQuotients];
    double short_q[kShortQuotients];
};

void conditioner_reset(ConditionerState* st);

/// Fills the quotient tables for every sum the windows can reach.
void window_quotients_fill(WindowQuotients* q, const ConditionerLimits& lim);

/// Where the tables stand and what they cover; small enough to live in
/// registers in the sample loops.
struct QuotientView {
    const double* long_q;
    int64_t long_min;
    uint64_t long_count;
    const double* short_q;
    int64_t short_min;
    uint64_t short_count;
};

inline QuotientView quotient_view(const WindowQuotients& q) {
    return QuotientView{q.long_q, q.long_min, q.long_count, q.short_q, q.short_min, q.short_count};
}

/// sum / window, from the table when the sum lies in it.
inline double window_average(int64_t sum, unsigned window, const double* table, int64_t min,
                             uint64_t count) {
    const auto k = static_cast<uint64_t>(sum - min);
    return k < count ? table[k] : static_cast<double>(sum) / window;
}

/// Filters (-f), smooths and subtracts a baseline (-m), amplifies and clamps
/// one sample h of the signed 8-bit scale. With `q` the averages come from
/// its tables, which hold the very same quotients.
template <bool kFilter, bool kEdge>
inline Conditioned condition_sample(ConditionerState* st, int h, const ConditionerLimits& lim,
                                    const QuotientView* q) {
    double x = h;
    if (kFilter) {
        st->lowpass = st->lowpass + (1 - lim.lowpass_a) * (x - st->lowpass);
        const double y = st->lowpass - st->highpass;
        st->highpass = st->highpass + (1 - lim.highpass_b) * y;
        x = y;
    }
    double baseline = 0.0;
    if (kEdge) {
        // The sums are of integers, so keeping them running is exact.
        const int truncated = static_cast<int>(x);
        st->long_sum += truncated - st->long_ring[st->long_index];
        st->long_ring[st->long_index] = truncated;
        baseline = q != nullptr ? window_average(st->long_sum, lim.long_window, q->long_q,
                                                 q->long_min, q->long_count)
                                : static_cast<double>(st->long_sum) / lim.long_window;
        if (++st->long_index == lim.long_window) st->long_index = 0;

        // The smoothing window takes the unfiltered sample.
        st->short_sum += h - st->short_ring[st->short_index];
        st->short_ring[st->short_index] = h;
        if (++st->short_index == lim.short_window) st->short_index = 0;
        x = q != nullptr ? window_average(st->short_sum, lim.short_window, q->short_q, q->short_min,
                                          q->short_count)
                         : static_cast<double>(st->short_sum) / lim.short_window;
    }
    double v = lim.gain_factor * x;
    if (v > 127.0) v = 127.0;
    if (v < -128.0) v = -128.0;
    // The baseline is not amplified.
    return Conditioned{v - baseline, static_cast<int8_t>(static_cast<int>(v))};
}

/// condition_sample with the options chosen at run time, dividing.
inline Conditioned conditioner_step(ConditionerState* st, int h, const ConditionerLimits& lim) {
    if (lim.mode.filter) {
        return lim.mode.edge_mode ? condition_sample<true, true>(st, h, lim, nullptr)
                                  : condition_sample<true, false>(st, h, lim, nullptr);
    }
    return lim.mode.edge_mode ? condition_sample<false, true>(st, h, lim, nullptr)
                              : condition_sample<false, false>(st, h, lim, nullptr);
}
