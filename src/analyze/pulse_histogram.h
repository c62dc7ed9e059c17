#pragma once

// The periods of the tape's blocks in buckets of 50 µs: where the short and
// the long ones pile up, where the decoder drew the line between them, and
// the text picture of it for the report.

#include "recover/tape_measures.h"

struct HistogramMarks {
    bool empty = true;   ///< no period was timed
    unsigned first = 0;  ///< first and last bucket that hold periods
    unsigned last = 0;
    unsigned short_peak = 0;                      ///< the fullest bucket below the threshold
    unsigned long_peak = 0;                       ///< the fullest bucket above it
    double threshold_us = kNominalLongUs * 0.75;  ///< mean short/long boundary of the blocks
    uint64_t largest = 0;                         ///< count of the fullest bucket
};

HistogramMarks histogram_marks(const TapeMeasures& t);

/// The bucket a length in µs falls in.
inline unsigned period_bucket(double us) {
    const auto b = static_cast<unsigned>(us / kPeriodBucketUs);
    return b < kPeriodBuckets ? b : kPeriodBuckets - 1;
}

/// Bar length for a count, on a log scale: 0 for none, `width` for the fullest.
unsigned log_bar(uint64_t count, uint64_t largest, unsigned width);

/// Prints the buckets from the first to the last that hold periods, one a
/// line, with the peaks and the threshold marked.
void print_pulse_histogram(const TapeMeasures& t, const HistogramMarks& marks);
