// vorlane-synth end to end: exit codes, messages and files left; every format,
// container, shape and degradation byte for byte; every image played with each
// edge in its place, measured apart from the synthesizer; refusals naming the
// file, the problem and the offset.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "decimal_parser.h"
#include "end_to_end.h"
#include "synth.h"

namespace {

/// Every bit value and byte edge: runs of zeros and ones, alternations.
const std::string kSynthImage =
    htp_image("PERIODS", 0x4000, std::string("\x00\xFF\x55\xAA\x81\x7E", 6));

/// A run of vorlane-synth with `args` in a directory holding `images` as
/// a.htp, b.htp, ..., an empty directory "sub" and a link "link.wav" to "out.wav".
RunCase synth_case(const std::string& args, int exit_code, std::string err,
                   std::vector<std::pair<std::string, std::string>> made = {},
                   const std::vector<std::string>& images = {kSynthImage}) {
    RunCase c{args,
              {{"sub", "", GivenEntry::kDirectory}, {"link.wav", "out.wav", GivenEntry::kSymlink}},
              words(args),
              exit_code,
              "",
              std::move(err),
              std::move(made)};
    for (size_t i = 0; i < images.size(); ++i)
        c.given.push_back({std::string(1, static_cast<char>('a' + i)) + ".htp", images[i]});
    c.synth = true;
    return c;
}

/// A run of vorlane-synth in a fresh directory like synth_case's; the recording is out.wav.
struct SynthRun {
    ProcessResult result;
    std::vector<std::string> files;  ///< the directory's entries afterwards
    std::string wav;                 ///< out.wav, empty when absent
};

SynthRun run_synth(const std::string& args,
                   const std::vector<std::string>& images = {kSynthImage}) {
    ScopedTempDir dir;
    for (size_t i = 0; i < images.size(); ++i)
        write_file(dir.file(std::string(1, static_cast<char>('a' + i)) + ".htp"), images[i]);
    mkdir(dir.file("sub").c_str(), 0755);
    SynthRun run{run_process(vorlane_synth_binary(), words(args), dir.path()), {}, ""};
    run.files = list_dir(dir.path());
    run.wav = read_file(dir.file("out.wav"));
    return run;
}

/// The samples of one channel of a canonical 16-bit recording.
std::vector<int> samples16(const std::string& wav, size_t channels = 1) {
    std::vector<int> out;
    for (size_t i = 44; i + 1 < wav.size(); i += 2 * channels)
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(wav[i]) |
                                           (static_cast<uint8_t>(wav[i + 1]) << 8)));
    return out;
}

/// Sample indices of the rising edges the converter's comparator finds at its
/// default gain (1 dB) on the 16-bit value / 256: low goes high above 32 / 127,
/// high goes low below 5.0.
std::vector<int64_t> rising_edges(const std::vector<int>& samples) {
    bool high = false;
    std::vector<int64_t> edges;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double d = samples[i] / 256 * 1.1220184543019633;
        if (high ? d < 5.0 : d > 32 / 127.0) {
            high = !high;
            if (high) edges.push_back(static_cast<int64_t>(i));
        }
    }
    return edges;
}

/// The period of every bit, most significant first, in microseconds.
std::vector<double> periods_of(const std::string& bytes, double short_us = 816,
                               double long_us = 1633) {
    std::vector<double> out;
    for (char c : bytes)
        for (int bit = 7; bit >= 0; --bit)
            out.insert(out.end(), (c >> bit) & 1 ? 2 : 1, (c >> bit) & 1 ? short_us : long_us);
    return out;
}

std::vector<RunCase> synth_cases() {
    const std::string usage = test_data("synth_usage.txt");
    std::vector<RunCase> cases = {
        synth_case("", 1, usage),
        synth_case("-o out.wav -rh a.htp", 1, usage),
        synth_case("--help -q", 0, ""),
        synth_case("-o out.wav --version", 0, ""),
        synth_case("-oout.wav -xFc2 -C2 a.htp a.htp", 0, "",
                   {{"out.wav", "fnv1a64:260f2050698b92e6 3259580"}}),
        synth_case("-o out.wav -- a.htp", 0, "", {{"out.wav", "fnv1a64:34bd0481657aaa29 203764"}}),
        synth_case("-o link.wav a.htp", 0, "", {{"out.wav", "fnv1a64:34bd0481657aaa29 203764"}}),
    };
    std::string too_many = "-o out.wav";  // more images than the command line takes
    for (size_t i = 0; i <= kMaxSynthImages; ++i) too_many += " a.htp";
    cases.push_back(synth_case(too_many, 2,
                               "vorlane-synth: " + std::to_string(kMaxSynthImages + 1) +
                                   " images: at most " + std::to_string(kMaxSynthImages) +
                                   " can be played\n"));
    cases.back().name = "one image more than it plays";
    cases[2].out = usage;
    cases[3].out = "vorlane-synth 1.0\n";
    std::istringstream table(test_data("synth_command_lines.txt"));
    for (std::string line; std::getline(table, line);) {
        const size_t bar = line.find(" | "), second = line.find(" | ", bar + 3);
        if (line.empty() || line[0] == '#' || second == std::string::npos) continue;
        const std::string args = line.substr(0, bar), given = line.substr(second + 3);
        const int code = std::stoi(line.substr(bar + 3));
        cases.push_back(code != 0 ? synth_case(args, code, "vorlane-synth: " + given + "\n")
                                  : synth_case(args + " -o out.wav a.htp", 0, "",
                                               {{"out.wav", "fnv1a64:" + given}}));
    }
    return cases;
}
RUN_CASE_TABLE(SynthCommandLine, Run, synth_cases());

TEST(SynthCommandLineTable, EveryRowReadAndDecimalsExact) {
    EXPECT_EQ(synth_cases().size(), 8u + 89u) << "every row of the table read";
    double value = 0;  // the decimal point is '.' whatever the locale; the value is exact
    EXPECT_TRUE(parse_decimal("+1633.25", &value) && value == 1633.25 &&
                parse_decimal(".5", &value) && value == 0.5);
    EXPECT_FALSE(parse_decimal("1,5", &value) || parse_decimal(".", &value) ||
                 parse_decimal("1234567890123456789", &value));
}

TEST(SynthSettings, TheModuleRefusesWhatTheCommandLineNeverPasses) {
    using S = SynthSettings;
    // clang-format off
    const std::pair<void (*)(S*), const char*> rows[] = {
        {[](S* s) { s->channels = 3; }, "channels must be 1 or 2, not 3"},
        {[](S* s) { s->sample_rate = 3999; }, "sample rate 3999 Hz is outside 4000..384000 Hz"},
        {[](S* s) { s->amplitude = 0; }, "amplitude 0 is outside (0, 1]"},
        {[](S* s) { s->amplitude = 1.001; }, "amplitude 1.001 is outside (0, 1]"},
        {[](S* s) { s->long_period_us = 0.5; }, "periods must lie within 1..1e+06 us"},
        {[](S* s) { s->silence_after_s = -0.1; }, "silences must lie within 0..3600 s"},
        {[](S* s) { s->noise_snr_db = 201; }, "signal-to-noise ratio 201 dB is not a number up to 200 dB"},
        {[](S* s) { s->dc_offset = -1.01; }, "DC offset -1.01 is outside -1..1"},
        {[](S* s) { s->wow_percent = 25.5; }, "wow 25.5% is outside 0..25%"},
        {[](S* s) { s->wow_hz = 0; }, "wow rate 0 Hz is outside (0, 50]"},
        {[](S* s) { s->jitter_us = -1; }, "jitter -1 us is negative or too large"},
        {[](S* s) { s->speed_percent = -50.5; }, "speed error -50.5% is outside -50..50%"},
        {[](S* s) { s->clip_level = 1.01; }, "clip level 1.01 is outside 0..1"},
        {[](S* s) { s->dropout_ms = 0; }, "dropouts: at most 1000 of up to 10000 ms"},
        {[](S* s) { s->dropouts = 1001; }, "dropouts: at most 1000 of up to 10000 ms"},
        {[](S* s) { s->burst_ms = 0; }, "noise bursts: at most 1000 of up to 10000 ms"},
        {[](S* s) { s->bursts = 1001; }, "noise bursts: at most 1000 of up to 10000 ms"},
        {[](S* s) { s->jitter_sd_us = -1; }, "jitter deviation -1 us is negative or too large"},
        {[](S* s) { s->jitter_sd_us = 204.5; }, "jitter deviation 204.5 us is more than a quarter of the short period 816 us"},
        {[](S* s) { s->hum_db = 10, s->hum_hz = 55; }, "hum must lie up to 200 dB below, at 50 or 60 Hz"},
    };
    // clang-format on
    for (const auto& [apply, message] : rows) {
        SynthSettings s;
        apply(&s);
        ScopedTempDir dir;
        EXPECT_EQ(synthesize(dir.file("x.wav"), s, {kSynthImage}), message);
        EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{}) << message;
    }
}

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
