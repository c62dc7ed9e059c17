// The timing of a recording measured independently of the synthesizer: every
// edge where the bit periods, the rate and the silences put it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "synth_test_helpers.h"

namespace {

TEST(SynthSignal, EdgesFollowPeriodsAndSilences) {
    const struct {
        std::string args;
        size_t channels;
        double rate, short_us, long_us, before_s, between_s, after_s;
    } cases[] = {
        {"-s 8000", 1, 8000, 816, 1633, 0.5, 1, 0.5},
        {"-w square -s 96000 -c 2 -S 700 -L 1500", 2, 96000, 700, 1500, 0.5, 1, 0.5},
        {"-w sine -s 11025 -B 0.25 -P 0.75 -E 0.125", 1, 11025, 816, 1633, 0.25, 0.75, 0.125},
    };
    const std::string second = htp_image("NEXT", 0x5000, "\x0F");
    for (const auto& c : cases) {
        const SynthRun run =
            run_synth(c.args + " -b 16 -o out.wav a.htp b.htp", {kSynthImage, second});
        const std::vector<int64_t> edges = rising_edges(samples16(run.wav, c.channels));
        std::vector<double> expected = periods_of(kSynthImage, c.short_us, c.long_us);
        // The closing edge, its short period and the pause come between the images.
        expected.push_back(c.short_us + c.between_s * 1e6);
        for (double p : periods_of(second, c.short_us, c.long_us)) expected.push_back(p);
        ASSERT_EQ(edges.size(), expected.size() + 1) << c.args;
        EXPECT_NEAR(edges[0], std::ceil(c.before_s * c.rate), 1) << c.args;
        for (size_t k = 0; k < expected.size(); ++k)
            EXPECT_NEAR(edges[k + 1] - edges[k], expected[k] * c.rate / 1e6, 1.0) << c.args << k;
        const double frames = (run.wav.size() - 44) / (2.0 * c.channels);
        EXPECT_NEAR(frames - edges.back(), (c.short_us / 1e6 + c.after_s) * c.rate, 2) << c.args;
    }
}

}  // namespace
