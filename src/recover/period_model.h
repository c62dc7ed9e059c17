#pragma once

// How likely each period was read wrong, from the block's own periods. A
// period is measured against the tracked long period (so speed drift and wow
// drop out) and compared with two normal distributions, one per class, whose
// means and spreads are those of the block's short and long periods. Each
// class has a wider tail too (a small share of its periods spread twice
// as far), so a period far out in the tails is never taken as certain. The odds that a period
// belongs to the class it was not read as are what the search for another reading is ordered by and
// what decides whether a checksum match can be trusted.

#include <cstdint>

/// Sums of a class's periods as fractions of the tracked long period.
struct ClassSums {
    uint32_t count = 0;
    double sum = 0;
    double squares = 0;
};

/// The block's periods by class: [0] short, [1] long.
struct PeriodStats {
    ClassSums classes[2];
};

/// Narrowest spread a class is given, a fraction of the long period: sample
/// steps and edge timing blur even a perfect tape this much.
constexpr double kMinClassSpread = 0.02;
/// Share of a class's periods in its wide tail, and how much wider it is.
constexpr double kTailShare = 1e-3;
constexpr double kTailWidth = 2;

struct PeriodModel {
    double mean[2] = {0.5, 1.0};  ///< class means, fractions of the long period
    double spread[2] = {kMinClassSpread, kMinClassSpread};  ///< standard deviations
    double weight[2] = {0.5, 0.5};                          ///< share of the periods in each class
    double boundary = 0.75;  ///< where both classes are equally likely
};

void stats_add(PeriodStats* s, bool is_long, double x);

/// The model of a block whose periods gave `stats`.
PeriodModel period_model(const PeriodStats& stats);

/// Odds that a period of `x` long periods, read as long (or short), is of
/// the other class: 1 means a coin toss, 1e-9 a sure reading.
double period_flip_odds(const PeriodModel& model, double x, bool read_long);
