#include "recover/period_model.h"

#include <cmath>

namespace {

constexpr double kSqrtTwoPi = 2.5066282746310002;
/// Bisection steps for the boundary: far below a quarter sample.
constexpr int kBoundarySteps = 40;

double normal(double x, double mean, double spread) {
    const double z = (x - mean) / spread;
    return std::exp(-0.5 * z * z) / (spread * kSqrtTwoPi);
}

double class_density(const PeriodModel& m, int c, double x) {
    const double core = normal(x, m.mean[c], m.spread[c]);
    const double tail = normal(x, m.mean[c], m.spread[c] * kTailWidth);
    return m.weight[c] * ((1 - kTailShare) * core + kTailShare * tail);
}

}  // namespace

void stats_add(PeriodStats* s, bool is_long, double x) {
    ClassSums& c = s->classes[is_long ? 1 : 0];
    ++c.count;
    c.sum += x;
    c.squares += x * x;
}

PeriodModel period_model(const PeriodStats& stats) {
    PeriodModel m;
    const uint32_t total = stats.classes[0].count + stats.classes[1].count;
    for (int c = 0; c < 2; ++c) {
        const ClassSums& s = stats.classes[c];
        // A class with too few periods keeps the nominal mean and the narrowest spread.
        if (s.count < 2 || total == 0) continue;
        m.mean[c] = s.sum / s.count;
        const double variance = (s.squares - s.sum * s.sum / s.count) / (s.count - 1);
        m.spread[c] = std::fmax(kMinClassSpread, std::sqrt(std::fmax(variance, 0)));
        m.weight[c] = static_cast<double>(s.count) / total;
    }
    if (!(m.mean[0] < m.mean[1])) return PeriodModel{};
    double low = m.mean[0];
    double high = m.mean[1];
    for (int i = 0; i < kBoundarySteps; ++i) {
        const double mid = (low + high) / 2;
        if (class_density(m, 0, mid) > class_density(m, 1, mid)) {
            low = mid;
        } else {
            high = mid;
        }
    }
    m.boundary = (low + high) / 2;
    return m;
}

double period_flip_odds(const PeriodModel& m, double x, bool read_long) {
    const double as_short = class_density(m, 0, x);
    const double as_long = class_density(m, 1, x);
    // Beyond both tails the densities vanish: call it an even bet.
    if (as_short + as_long <= 0) return 1;
    return read_long ? as_short / as_long : as_long / as_short;
}
