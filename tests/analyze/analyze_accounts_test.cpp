// --analyze accounts for the whole recording: its advice agrees with what the
// default options and --recover actually write, signal outside the blocks is
// listed and drawn, levels suit one-sided pulses, labels never overlap, and
// a pipe is refused rather than analysed as nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "synth.h"
#include "tape_signal.h"

namespace {

const std::string kBlock = htp_image("DEMO", 0x4000, std::string(60, 'x') + "123");

/// A block, then 1000 bytes played with periods of `short_samples` and `long_samples`.
std::string block_then_foreign(unsigned short_samples, unsigned long_samples) {
    const TapeSignalOptions fast{.short_samples = short_samples, .long_samples = long_samples};
    return make_wav({}, tape_payload(kBlock, {}) + tape_payload(std::string(1000, 'Z'), fast));
}

/// 8-bit pulses from a silence at 32 up to 223, as some tools write them.
std::string rail_pulses() {
    std::string payload = tape_payload(kBlock, {});
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
};

// Two seconds of noise between the blocks: noise is no signal without a block.
// clang-format off
const AccountCase kCases[] = {
    {"clean_pulses", [] { return synthesized("", {kBlock}); }, 1, 1, 1, ""},
    {"noisy_pulses_30dB", [] { return synthesized("-P 2 -b 16 -a 0.5 -n 30", {kBlock, kBlock}); }, 2, 0, 2, ""},
    {"inverted", [] { return synthesized("-P 2 -b 16 -a 0.5 -r", {kBlock}); }, 1, 0, 1, ""},
    {"silence_at_one_rail", rail_pulses, 1, 1, 1, ""},
    {"block_then_foreign_pulses", [] { return block_then_foreign(9, 20); }, 1, 1, 1, "4.6-8.1 s, periods near 204 and 454 us: not this tape format\n"},
    // 431 and 476 us: one cluster in neighbouring buckets, its period the mean of both.
    {"foreign_pulses_in_neighbouring_buckets", [] { return block_then_foreign(19, 21); }, 1, 1, 1, "4.6-10.0 s, periods near 446 us: not this tape format\n"},
    {"crowded_names", crowded_names, 6, 6, 6, ""},
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
    unsigned read = 0, found = 0, recovered = 0;
    std::string stretches;
    double peak = 0, signal = 1;
    std::istringstream lines(p.out);
    for (std::string line; std::getline(lines, line);) {
        std::sscanf(line.c_str(), "Channel 1: peak %lf dBFS, signal %lf", &peak, &signal);
        std::sscanf(line.c_str(),
                    "Advice: the default options read %u of %u block(s); --recover reads %u", &read,
                    &found, &recovered);
        double from = 0, to = 0;
        char rest[128] = "";
        if (std::sscanf(line.c_str(), "Signal without a block: %lf-%lf s, %127[^\n]", &from, &to,
                        rest) == 3) {
            char text[160];
            std::snprintf(text, sizeof text, "%.1f-%.1f s, %s\n", from, to, rest);
            stretches += text;
        }
    }
    EXPECT_EQ(found, c.found) << p.out;
    EXPECT_EQ(read, c.by_default) << p.out;
    EXPECT_EQ(recovered, c.by_recover) << p.out;
    // The advice is a fact about the runs, not a guess.
    EXPECT_EQ(read, images_written(wav, ""));
    EXPECT_EQ(recovered, images_written(wav, "--recover"));
    EXPECT_EQ(stretches, c.stretches) << p.out;
    EXPECT_LE(signal, peak) << p.out;
    EXPECT_NE(p.out.find("(pulses to one side)"), std::string::npos) << p.out;
    EXPECT_EQ(p.out.find("off centre"), std::string::npos) << p.out;
    // One grey band per stretch; no two labels of a row overlap (monospace, 0.6 em of 11 px).
    const std::string svg = read_file(dir.file("p.svg"));
    size_t bands = 0;
    for (size_t at = 0; (at = svg.find("band foreign", at)) != std::string::npos; ++at) ++bands;
    EXPECT_EQ(bands, static_cast<size_t>(std::count(stretches.begin(), stretches.end(), '\n')));
    const std::regex label("<text class=\"name\" x=\"(\\d+)\" y=\"(\\d+)\">([^<]*)</text>");
    std::vector<std::array<double, 3>> drawn;  // y, left, right
    for (std::sregex_iterator m(svg.begin(), svg.end(), label), end; m != end; ++m) {
        const double x = std::stod((*m)[1]), y = std::stod((*m)[2]);
        const std::string text = std::regex_replace((*m)[3].str(), std::regex("&[a-z]+;"), "_");
        for (const auto& d : drawn)
            EXPECT_FALSE(d[0] == y && x < d[2] && d[1] < x + 6.6 * text.size()) << text;
        drawn.push_back({y, x, x + 6.6 * text.size()});
        // Every label, a block's or a stretch's, starts 2 px into its band.
        const std::string band = "band \\w+\" x=\"" + std::to_string(std::stoi((*m)[1]) - 2) + "\"";
        EXPECT_TRUE(std::regex_search(svg, std::regex(band))) << text;
    }
    EXPECT_GE(drawn.size(), std::min<size_t>(c.found, 4));
}

INSTANTIATE_TEST_SUITE_P(Recordings, AnalyzeAccounts, testing::ValuesIn(kCases),
                         row_name<AccountCase>);

TEST(AnalyzeInput, PipeRefusedRedirectedFileAnalysed) {
    ScopedTempDir dir;
    const std::string payload = tape_payload(kBlock, {});
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
