// What vorlane-synth plays, through the binary: every well-formed image plays
// all of its bytes with every edge in its place, and a refusal names the file,
// the problem and the offset, leaving no recording behind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "synth_test_helpers.h"

namespace {

// "GAME" with ten data bytes (sum 0x0D): sync at 256, name at 257, address at 262,
// length at 264, data at 266, checksum at 276, marker at 277.
const std::string kGood = htp_image("GAME", 0x4000, "0123456789");
const std::string kChain =
    htp_image("GAME", 0x4000, "0123456789", 256, '\xD8') + htp_image("", 0x5000, "AB", 128);

std::string with_byte(std::string s, size_t offset, char value) {
    s[offset] = value;
    return s;
}

TEST(SynthImages, PlayedWholeOrRefusedWithTheReason) {
    const std::string a = "a.htp: ", no_sync = "no sync byte 0xA5 after the leader at offset ";
    const std::string chained = htp_image("A", 0, "1", 256, '\xD8');
    // clang-format off
    const struct {
        std::vector<std::string> images;  ///< a.htp and b.htp
        std::string problem;              ///< empty: played
    } cases[] = {
        {{kGood}, ""},
        {{chained + htp_image("", 0, "22", 128, '\xD8') + htp_image("", 0, "", 128)}, ""},
        {{htp_image("GAME", 0, "0123456789", 256, '\xD8')}, ""},  // saved out of a chain
        {{chained + htp_image("", 0, "2", 128, '\xD8') + std::string(9, '\0')}, ""},
        {{kChain.substr(256)}, ""},  // no leader
        {{htp_image(std::string(63, 'N'), 0, "x") + std::string(5, '\0')}, ""},
        {{kGood, kChain}, ""},
        {{""}, a + no_sync + "0"},
        {{std::string(256, '\0')}, a + no_sync + "256"},
        {{with_byte(kGood, 256, 'Z')}, a + no_sync + "256"},
        {{htp_image(std::string(64, 'N'), 0, "x")}, a + "name longer than 63 characters at offset 257"},
        {{kGood.substr(0, 261)}, a + "name not terminated at offset 257"},
        {{kGood.substr(0, 264)}, a + "address and length cut off at offset 262"},
        {{kGood.substr(0, 270)}, a + "length 10 runs past the end of the file at offset 264"},
        {{kGood.substr(0, 276)}, a + "checksum missing at offset 276"},
        {{with_byte(kGood, 276, 0x12)}, a + "checksum 0x12 does not match the data (0x0D) at offset 276"},
        {{kGood.substr(0, 277)}, a + "marker missing at offset 277"},
        {{with_byte(kGood, 277, 'U')}, a + "marker 0x55 is neither 0x00 nor 0xD8 at offset 277"},
        {{with_byte(kGood, 277, '\xD8') + std::string("\0\x01", 2)}, a + no_sync + "279"},
        {{kGood + std::string("\0\0\x01", 3)}, a + "non-zero byte after the last block at offset 280"},
        // Second block: leader 278..405, sync 406, name 407, header 408, data 412, checksum 414.
        {{with_byte(kChain, 414, 0)}, a + "checksum 0x00 does not match the data (0x83) at offset 414"},
        {{kGood.substr(0, 20), kGood}, a + no_sync + "20"},
        {{kGood, kGood.substr(0, 20)}, "b.htp: " + no_sync + "20"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const bool two = c.images.size() == 2, played = c.problem.empty();
        const SynthRun run =
            run_synth(two ? "-b 16 -o out.wav a.htp b.htp" : "-b 16 -o out.wav a.htp", c.images);
        const std::string row = "row " + std::to_string(&c - cases);
        EXPECT_EQ(run.result.exit_code, played ? 0 : 5) << row;
        EXPECT_EQ(run.result.err, played ? "" : "vorlane-synth: " + c.problem + "\n") << row;
        std::vector<std::string> files = {"a.htp", "b.htp", "out.wav", "sub"};
        if (!played) files.erase(files.begin() + 2);
        if (!two) files.erase(files.begin() + 1);
        EXPECT_EQ(run.files, files) << row;
        // Every byte of every image is played: its periods and one closing edge each.
        size_t edges = 0;
        for (const std::string& image : c.images)
            edges += played ? periods_of(image).size() + 1 : 0;
        EXPECT_EQ(rising_edges(samples16(run.wav)).size(), edges) << row;
    }
}

// The timing measured independently of the synthesizer: every edge where the
// bit periods, the rate and the silences put it.
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

// Gaussian jitter measured from the edges: the periods' deviation from their
// nominal lengths is the one asked for, with tails past the 2.5-deviation mark
// a uniform jitter of the same spread never reaches.
TEST(SynthSignal, GaussianJitterHasItsDeviationAndTails) {
    const std::string image = htp_image("J", 0x4000, std::string(400, '\x5A'));
    for (const double sd : {40.5, 100.0}) {  // a deviation need not be whole
        const SynthRun run = run_synth(
            "-s 96000 -b 16 --jitter-sd " + std::to_string(sd) + " -o out.wav a.htp", {image});
        const std::vector<int64_t> edges = rising_edges(samples16(run.wav));
        const std::vector<double> nominal = periods_of(image, 816, 1633);
        ASSERT_EQ(edges.size(), nominal.size() + 1) << sd;
        double squares = 0;
        size_t tails = 0;
        for (size_t k = 0; k < nominal.size(); ++k) {
            const double error = (edges[k + 1] - edges[k]) / 0.096 - nominal[k];
            squares += error * error;
            tails += std::fabs(error) > 2.5 * sd;
        }
        EXPECT_NEAR(std::sqrt(squares / nominal.size()), sd, sd * 0.05) << sd;
        // 1.2 % of a normal distribution lies beyond 2.5 deviations.
        EXPECT_GT(tails, nominal.size() / 200) << sd;
    }
}

}  // namespace
