// Every setting of the signal and every degradation is measurably present, at
// the size asked for, and the same seed gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "synth_test_helpers.h"

namespace {

using Samples = std::vector<int>;

/// 16-bit mono recording of kSynthImage with the given extra arguments.
Samples record(const std::string& args) {
    const SynthRun run = run_synth(args + " -b 16 -o out.wav a.htp");
    EXPECT_EQ(run.result.exit_code, 0) << run.result.err;
    return samples16(run.wav);
}

/// Length of the image's edges, from the first to the last, over the clean one.
double edge_span_ratio(const Samples& clean, const Samples& damaged) {
    const auto span = [](const Samples& s) {
        const std::vector<int64_t> e = rising_edges(s);
        EXPECT_EQ(e.size(), periods_of(kSynthImage).size() + 1);
        return e.empty() ? 0.0 : static_cast<double>(e.back() - e.front());
    };
    return span(damaged) / span(clean);
}

/// Largest distance of an edge interval from its nominal period, in samples.
double worst_period_error(const Samples&, const Samples& damaged) {
    const std::vector<int64_t> e = rising_edges(damaged);
    const std::vector<double> periods = periods_of(kSynthImage);
    EXPECT_EQ(e.size(), periods.size() + 1);
    double worst = 0;
    for (size_t k = 0; k + 1 < e.size() && k < periods.size(); ++k) {
        worst = std::max(worst, std::fabs(e[k + 1] - e[k] - periods[k] * 0.0441));
    }
    return worst;
}

double peak(const Samples&, const Samples& s) {
    int p = 0;
    for (int v : s) p = std::max(p, std::abs(v));
    return p;
}

double first_off_baseline(const Samples&, const Samples& s) {
    for (int v : s) {
        if (v != 0) return v;
    }
    return 0;
}

double lead_in_mean(const Samples&, const Samples& s) {
    return std::accumulate(s.begin(), s.begin() + 22050, 0.0) / 22050;
}

/// Zero crossings in the first half second, the lead-in silence: twice the hum's frequency.
double lead_in_crossings(const Samples&, const Samples& s) {
    int n = 0;
    for (size_t i = 1; i < 22050; ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n;
}

/// Mean over the whole recording as a fraction of the clean mean: a high-pass removes it.
double mean_ratio(const Samples& clean, const Samples& s) {
    double a = 0, b = 0;
    for (size_t i = 0; i < s.size(); ++i) a += s[i], b += clean[i];
    return a / b;
}

/// Largest step between two samples over the clean one's: a low-pass slows the edges.
double step_ratio(const Samples& clean, const Samples& s) {
    const auto step = [](const Samples& x) {
        int m = 0;
        for (size_t i = 1; i < x.size(); ++i) m = std::max(m, std::abs(x[i] - x[i - 1]));
        return static_cast<double>(m);
    };
    return step(s) / step(clean);
}

/// Gaps of more than 10 ms without a pulse above half the peak, between the first and last pulse.
double dropout_count(const Samples&, const Samples& s) {
    int gaps = 0;
    int64_t last = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] < 13900) continue;
        if (last >= 0 && static_cast<int64_t>(i) - last > 441) ++gaps;
        last = static_cast<int64_t>(i);
    }
    return gaps;
}

double noise_deviation(const Samples& clean, const Samples& s) {
    double squares = 0;
    for (size_t i = 0; i < s.size(); ++i) squares += std::pow(s[i] - clean[i], 2);
    return std::sqrt(squares / s.size());
}

TEST(SynthDegradations, EachIsPresentAtTheSizeAskedFor) {
    const struct {
        std::string args;
        double (*measure)(const Samples& clean, const Samples& damaged);
        double low, high;
    } cases[] = {
        {"-s 44100", worst_period_error, 0, 0.99},
        {"--speed 3", edge_span_ratio, 0.9695, 0.9705},
        {"--speed=-5", edge_span_ratio, 1.0495, 1.0505},
        {"-W 5", worst_period_error, 2.5, 4.7},  // 5 % of a long period: 3.6 samples
        {"-j 100", worst_period_error, 2.5, 5.41},
        {"-a 0.5", peak, 16384, 16384},
        {"-a 1 -w square", peak, 32767, 32767},
        {"-r -w square", first_off_baseline, -27852, -27852},
        {"-w square", first_off_baseline, 27852, 27852},
        {"-d -0.1", lead_in_mean, -3277, -3277},
        {"-a 1 -w square --clip 0.3", peak, 9830, 9830},
        {"--hum 20", lead_in_crossings, 49, 51},
        {"--hum 20 --hum-freq 60", lead_in_crossings, 59, 61},
        {"--hum 20", peak, 0.85 * 32767 * 1.09, 0.85 * 32767 * 1.11},
        {"--highpass 300", mean_ratio, -0.02, 0.02},
        {"--lowpass 3000", step_ratio, 0.05, 0.4},
        {"--dropouts 3 --dropout-ms 20", dropout_count, 3, 3},
        {"-n 20", noise_deviation, 0.97 * 0.085 * 32767, 1.03 * 0.085 * 32767},
    };
    const Samples clean = record("");
    for (const auto& c : cases) {
        const Samples damaged = record(c.args);
        ASSERT_FALSE(damaged.empty()) << c.args;
        const double m = c.measure(clean, damaged);
        EXPECT_GE(m, c.low) << c.args;
        EXPECT_LE(m, c.high) << c.args;
    }
}

TEST(SynthDegradations, SameSeedSameBytesOtherSeedOtherBytes) {
    const std::string all =
        "-n 25 -j 40 -W 1 --speed 2 --clip 0.7 --highpass 200 --lowpass 4000 --hum 15 "
        "--dropouts 4 -R ";
    EXPECT_EQ(record(all + "5"), record(all + "5"));
    EXPECT_NE(record(all + "5"), record(all + "6"));
    EXPECT_EQ(record(""), record("-R 6")) << "the seed acts only through a degradation";
}

}  // namespace
