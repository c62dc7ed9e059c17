// --analyze end to end: the report's numbers on recordings of known level, noise,
// speed and polarity, a cut block drawn; the advice agrees with the decoders, foreign
// signal is listed and drawn, labels never overlap, and a pipe is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "analyze/level_stats.h"
#include "analyze/svg_plot.h"
#include "end_to_end.h"
#include "synth.h"

namespace {

/// The report's lines, read back by their formats.
struct Report {
    double peak_db = NAN, signal_db = NAN, snr_db = NAN, speed = NAN;
    std::vector<std::string> verdicts;
    std::vector<bool> rising;
    std::vector<double> doubts;                   ///< first doubtful pulse per block, -1: none
    bool noise_unmeasured = false;                ///< too little silence to measure the noise
    unsigned read = 0, found = 0, recovered = 0;  ///< the advice's counts
    std::string stretches;  ///< the "Signal without a block" lines, times to 0.1 s
    unsigned unlisted = 0;  ///< stretches only counted
};

Report parse(const std::string& out) {
    Report r;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        char word[64] = "", edge[16] = "", rest[128] = "";
        double x = 0, y = 0;
        if (std::sscanf(line.c_str(), "Channel 1: peak %lf dBFS, signal %lf", &x, &y) == 2)
            r.peak_db = x, r.signal_db = y;
        if (std::sscanf(line.c_str(), "  noise floor %lf dBFS, SNR %lf", &x, &y) == 2) r.snr_db = y;
        if (line == "  noise floor not measured: too little silence in the recording")
            r.noise_unmeasured = true;
        if (std::sscanf(line.c_str(), "  short %lf us, long %*f us (nominal 816/1633: speed %lf",
                        &x, &y) == 2)
            r.speed = y;
        std::sscanf(line.c_str(),
                    "Advice: the default options read %u of %u block(s); --recover reads %u",
                    &r.read, &r.found, &r.recovered);
        if (std::sscanf(line.c_str(), "Signal without a block: %lf-%lf s, %127[^\n]", &x, &y,
                        rest) == 3) {
            char text[160];
            std::snprintf(text, sizeof text, "%.1f-%.1f s, %s\n", x, y, rest);
            r.stretches += text;
        }
        unsigned n = 0;
        int end = 0;
        std::sscanf(line.c_str(), "%u more stretch(es) of signal without a block.%n", &n, &end);
        if (end > 0) r.unlisted = n;
        // The name may hold quotes: the verdict follows the last one.
        const size_t quote = line.rfind("\" ");
        if (line.rfind("Block ", 0) == 0 && quote != std::string::npos &&
            std::sscanf(line.c_str() + quote + 2, "%63[^,], channel 1, periods from %15s", word,
                        edge) == 2) {
            r.verdicts.push_back(word);
            r.rising.push_back(std::string(edge) == "rising");
            r.doubts.push_back(-1);
        }
        if (std::sscanf(line.c_str(), "  first doubtful pulse at %lf s", &x) == 1)
            r.doubts.back() = x;
    }
    return r;
}

const std::string kBlock = htp_image("DEMO", 0x4000, std::string(200, 'x') + "12345");

/// A recording of kBlock as vorlane-synth's options make it (16-bit).
struct LevelRow {
    const char* name;
    const char* synth;
};

const LevelRow kLevels[] = {
    {"loud pulses", "-a 0.85"},
    {"noisy square", "-w square -a 0.5 -n 20"},
    {"quiet inverted pulses, 6% fast", "-a 0.01 --speed 6 -r"},
    {"sine, 30 dB, 4% slow", "-w sine -a 0.3 -n 30 --speed=-4"},
    {"noisy square without silence", "-w square -a 0.5 -n 30 -B 0 -E 0"},
};

class AnalyzeLevels : public testing::TestWithParam<LevelRow> {};

// Stated tolerances: level and SNR within 1.5 dB, speed within 0.3 %.
TEST_P(AnalyzeLevels, ReportsLevelNoiseSpeedAndPolarity) {
    const std::string options = std::string("-b 16 ") + GetParam().synth;
    const SynthSettings s = synth_settings(options);
    const bool silence = s.silence_before_s > 0;
    ScopedTempDir dir;
    const ProcessResult p = run_on_wav(dir, synthesized(options, {kBlock}), "--analyze");
    const Report r = parse(p.out);
    EXPECT_EQ(p.exit_code, 0);
    // The signal is half the peak-to-peak: half a pulse's height.
    const double half = s.waveform == Waveform::kPulse ? 0.5 : 1.0;
    EXPECT_NEAR(r.signal_db, 20 * std::log10(s.amplitude * half), 1.5);
    EXPECT_EQ(r.noise_unmeasured, !silence) << p.out;
    if (s.noise_snr_db > 0 && silence) {
        EXPECT_NEAR(r.snr_db, s.noise_snr_db, 1.5);
    }
    EXPECT_NEAR(r.speed, s.speed_percent, 0.3);
    ASSERT_EQ(r.verdicts, std::vector<std::string>{"good"}) << p.out;
    // Square and sine read the same either way; a pulse only from its rising edge.
    EXPECT_TRUE(s.waveform != Waveform::kPulse || r.rising[0] == !s.inverted);
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"in.wav"});
}

INSTANTIATE_TEST_SUITE_P(, AnalyzeLevels, testing::ValuesIn(kLevels), row_name<LevelRow>);

TEST(Analyze, CutBlockReportedAndDrawn) {
    ScopedTempDir dir;
    const std::string odd = htp_image("A<&>\"B", 0x4000, std::string(200, 'y') + "12345");
    std::string wav = synthesized("-b 16 -w square", {kBlock, odd, kBlock});
    // 100 ms of silence (16-bit zeros) in the middle of the second block, whose
    // sync byte ends at 11.037 s and its last period at 13.871 s.
    const double cut = 12.454;
    const size_t at = 44 + 2 * static_cast<size_t>(cut * 44100);
    wav.replace(at, 2 * 4410, 2 * 4410, '\0');
    const ProcessResult p = run_on_wav(dir, wav, "--analyze --plot plot.svg");
    const Report r = parse(p.out);
    EXPECT_EQ(p.exit_code, 0);
    ASSERT_EQ(r.verdicts.size(), 3u) << p.out;
    EXPECT_EQ(r.verdicts[0], "good");
    EXPECT_NE(r.verdicts[1], "good");
    EXPECT_NE(r.verdicts[1], "recovered");
    EXPECT_EQ(r.verdicts[2], "good");
    EXPECT_GE(r.doubts[1], cut) << p.out;
    EXPECT_LE(r.doubts[1], cut + 0.11) << p.out;
    const std::string svg = read_file(dir.file("plot.svg"));
    EXPECT_NE(svg.find(">A&lt;&amp;&gt;\\&quot;B</text>"), std::string::npos);
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"in.wav", "plot.svg"}));
    // The rest of the report and the picture, bands and bars, pinned (checked by eye).
    EXPECT_EQ(fingerprint(p.out), "fnv1a64:d2eafb4b696165c5 3280") << p.out;
    EXPECT_EQ(fingerprint(svg), "fnv1a64:bbfa0aa40f997c3a 8822");
    EXPECT_TRUE(has_new_file_mode(dir.file("plot.svg")));
}

TEST(Analyze, PictureTextIsPrintableAscii) {  // names come escaped; any stray byte is '?'
    char text[64] = "";
    FILE* f = fmemopen(text, sizeof text, "w");
    svg_write_text(f, "a\x01\xC3<&>\"~\x7F");
    std::fclose(f);
    EXPECT_STREQ(text, "a??&lt;&amp;&gt;&quot;~?");
}

const std::string kShortBlock = htp_image("DEMO", 0x4000, std::string(60, 'x') + "123");

/// A block, then `bursts` times `bytes` bytes played with periods of `short_samples` and
/// `long_samples`, each burst with 0.1 s of silence before and after it.
std::string block_then_foreign(unsigned short_samples, unsigned long_samples, unsigned bytes = 1000,
                               unsigned bursts = 1) {
    const TapeSignalOptions fast{.short_samples = short_samples, .long_samples = long_samples};
    std::string payload = tape_payload(kShortBlock, {});
    for (unsigned i = 0; i < bursts; ++i) payload += tape_payload(std::string(bytes, 'Z'), fast);
    return make_wav({}, payload);
}

/// The first `count` stretches of block_then_foreign(30, 50, 120, ...) as listed: a 'Z'
/// lasts 4 periods of 50 samples and 8 of 30, each burst's first edge ends its silence.
std::string bursts_listed(unsigned count) {
    const TapeSignalOptions o{.short_samples = 30, .long_samples = 50};
    const size_t block = tape_payload(kShortBlock, {}).size(),
                 burst = tape_payload(std::string(120, 'Z'), o).size();
    char line[96];
    std::string text;
    for (unsigned i = 0; i < count; ++i, text += line) {
        const double start = (block + i * burst + 4410) / 44100.0;
        std::snprintf(line, sizeof line,
                      "%.1f-%.1f s, periods near 680 and 1134 us: not this tape format\n", start,
                      start + 120 * 440 / 44100.0);
    }
    return text;
}

/// 8-bit pulses from a silence at 32 up to 223, as some tools write them.
std::string rail_pulses() {
    std::string payload = tape_payload(kShortBlock, {});
    for (char& c : payload) c = static_cast<char>(static_cast<uint8_t>(c) == 128 ? 32 : 223);
    return make_wav({}, payload);
}

/// Six blocks of long names close together: their labels must share rows.
std::string crowded_names() {
    std::vector<std::string> tapes;
    for (char c = 'A'; c < 'G'; ++c) tapes.push_back(htp_image(std::string(50, c) + "\"", 0, "x"));
    return synthesized("-P 0.05", tapes);
}

struct AccountCase {
    const char* name;
    std::function<std::string()> wav;
    unsigned found, by_default, by_recover;
    std::string stretches;  ///< the "Signal without a block" lines, times to 0.1 s
    unsigned unlisted = 0;  ///< stretches only counted
};

// Two seconds of noise between the blocks: noise is no signal without a block.
// clang-format off
const AccountCase kCases[] = {
    {"clean_pulses", [] { return synthesized("", {kShortBlock}); }, 1, 1, 1, ""},
    {"noisy_pulses_30dB", [] { return synthesized("-P 2 -b 16 -a 0.5 -n 30", {kShortBlock, kShortBlock}); }, 2, 0, 2, ""},
    {"inverted", [] { return synthesized("-P 2 -b 16 -a 0.5 -r", {kShortBlock}); }, 1, 0, 1, ""},
    {"silence_at_one_rail", rail_pulses, 1, 1, 1, ""},
    {"block_then_foreign_pulses", [] { return block_then_foreign(9, 20); }, 1, 1, 1, "4.6-8.1 s, periods near 204 and 454 us: not this tape format\n"},
    // 431 and 476 us: one cluster in neighbouring buckets, its period the mean of both.
    {"foreign_pulses_in_neighbouring_buckets", [] { return block_then_foreign(19, 21); }, 1, 1, 1, "4.6-10.0 s, periods near 446 us: not this tape format\n"},
    {"crowded_names", crowded_names, 6, 6, 6, ""},
    // Sixteen stretches are listed, later ones only counted.
    {"seventeen_foreign_bursts", [] { return block_then_foreign(30, 50, 120, 17); }, 1, 1, 1, bursts_listed(16), 1},
};
// clang-format on

/// The images a run with `options` writes.
size_t images_written(const std::string& wav, const char* options) {
    ScopedTempDir dir;
    run_on_wav(dir, wav, options);
    return htp_images(dir.path()).size();
}

class AnalyzeAccounts : public testing::TestWithParam<AccountCase> {};

TEST_P(AnalyzeAccounts, AdviceMatchesTheRunsAndEverySignalIsListed) {
    const AccountCase& c = GetParam();
    const std::string wav = c.wav();
    ScopedTempDir dir;
    const ProcessResult p = run_on_wav(dir, wav, "--analyze --plot p.svg");
    EXPECT_EQ(p.exit_code, 0);
    const Report r = parse(p.out);
    EXPECT_EQ(r.found, c.found) << p.out;
    EXPECT_EQ(r.read, c.by_default) << p.out;
    EXPECT_EQ(r.recovered, c.by_recover) << p.out;
    // The advice is a fact about the runs, not a guess.
    EXPECT_EQ(r.read, images_written(wav, ""));
    EXPECT_EQ(r.recovered, images_written(wav, "--recover"));
    EXPECT_EQ(r.stretches, c.stretches) << p.out;
    EXPECT_EQ(r.unlisted, c.unlisted) << p.out;
    EXPECT_LE(r.signal_db, r.peak_db) << p.out;
    EXPECT_NE(p.out.find("(pulses to one side)"), std::string::npos) << p.out;
    EXPECT_EQ(p.out.find("off centre"), std::string::npos) << p.out;
    // One grey band per stretch; no two labels of a row overlap (monospace, 0.6 em of 11 px).
    const std::string svg = read_file(dir.file("p.svg"));
    EXPECT_EQ(count_of(svg, "band foreign"), count_of(r.stretches, "\n"));
    // Every label starts 2 px right of its band.
    const std::regex band("<rect class=\"band [a-z]+\" x=\"(\\d+)\"");
    std::vector<double> band_x;
    for (std::sregex_iterator m(svg.begin(), svg.end(), band), end; m != end; ++m)
        band_x.push_back(std::stod((*m)[1]));
    const std::regex label("<text class=\"name\" x=\"(\\d+)\" y=\"(\\d+)\">([^<]*)</text>");
    std::vector<std::array<double, 3>> drawn;  // y, left, right
    for (std::sregex_iterator m(svg.begin(), svg.end(), label), end; m != end; ++m) {
        const double x = std::stod((*m)[1]), y = std::stod((*m)[2]);
        const std::string text = std::regex_replace((*m)[3].str(), std::regex("&[a-z]+;"), "_");
        for (const auto& d : drawn)
            EXPECT_FALSE(d[0] == y && x < d[2] && d[1] < x + 6.6 * text.size()) << text;
        drawn.push_back({y, x, x + 6.6 * text.size()});
        EXPECT_GE(std::count(band_x.begin(), band_x.end(), x - 2), 1) << text << " at " << x;
    }
    EXPECT_GE(drawn.size(), std::min<size_t>(c.found, 4));
}

INSTANTIATE_TEST_SUITE_P(Recordings, AnalyzeAccounts, testing::ValuesIn(kCases),
                         row_name<AccountCase>);

// The tape from the first frame, alone or on the first of the most channels measured.
TEST(Analyze, EnvelopeOfTheTapesChannelAmongTheMost) {
    std::string envelopes[2];
    for (const uint16_t channels : {uint16_t{1}, uint16_t{kMaxLevelChannels}}) {
        const TapeSignalOptions o{
            .channels = channels, .signal_channel = 1, .square = true, .lead_silence = 0};
        ScopedTempDir dir;
        const std::string wav = make_wav({.channels = channels}, tape_payload(kShortBlock, o));
        EXPECT_EQ(run_on_wav(dir, wav, "--analyze --plot p.svg").exit_code, 0);
        const std::string svg = read_file(dir.file("p.svg"));
        const size_t at = svg.find("<path class=\"envelope\"");
        ASSERT_NE(at, std::string::npos);
        envelopes[channels > 1] = svg.substr(at, svg.find('\n', at) - at);
    }
    EXPECT_EQ(envelopes[1], envelopes[0]);
}

TEST(AnalyzeInput, PipeRefusedRedirectedFileAnalysed) {
    ScopedTempDir dir;
    const std::string payload = tape_payload(kShortBlock, {});
    ASSERT_TRUE(write_file(dir.file("tape.wav"), make_wav({}, payload)));
    const std::string header =
        expected_header_report(1, 44100, 8, 36, static_cast<int64_t>(payload.size()));
    const ProcessResult pipe = run_process(
        "/bin/sh", {"-c", "cat tape.wav | " + vorlane_binary() + " --analyze -i /dev/stdin"},
        dir.path());
    EXPECT_EQ(pipe.exit_code, 2);
    EXPECT_EQ(pipe.out, header);
    EXPECT_EQ(pipe.err,
              "--analyze reads the recording more than once and cannot read it from a pipe: "
              "save it to a file first.\n");
    const ProcessResult file = run_process(
        "/bin/sh", {"-c", vorlane_binary() + " --analyze -i /dev/stdin < tape.wav"}, dir.path());
    EXPECT_EQ(file.exit_code, 0);
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "\nAnalysis: %.3f s of recording\n",
                  payload.size() / 44100.0);
    const std::string analysis = header + seconds;
    EXPECT_EQ(file.out.substr(0, analysis.size()), analysis);
}

}  // namespace
