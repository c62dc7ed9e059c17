// --analyze end to end: the report's numbers on recordings of known level,
// noise, speed and polarity, a block cut by silence, and the SVG picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "synth.h"
#include "tape_signal.h"

namespace {

ProcessResult run_analyze(const ScopedTempDir& dir, const char* plot) {
    std::vector<std::string> args = {"--analyze", "-i", "tape.wav"};
    if (plot != nullptr) args.insert(args.end(), {"--plot", plot});
    return run_process(vorlane_binary(), args, dir.path());
}

/// The report's lines, read back by their formats.
struct Report {
    double signal_db = NAN, snr_db = NAN, speed = NAN;
    std::vector<std::string> verdicts;
    std::vector<bool> rising;
    std::vector<double> doubts;     ///< first doubtful pulse per block, -1: none
    bool noise_unmeasured = false;  ///< too little silence to measure the noise
};

Report parse(const std::string& out) {
    Report r;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        char word[64] = "", edge[16] = "";
        double x = 0, y = 0;
        if (std::sscanf(line.c_str(), "Channel 1: peak %lf dBFS, signal %lf", &x, &y) == 2)
            r.signal_db = y;
        if (std::sscanf(line.c_str(), "  noise floor %lf dBFS, SNR %lf", &x, &y) == 2) r.snr_db = y;
        if (line == "  noise floor not measured: too little silence in the recording")
            r.noise_unmeasured = true;
        if (std::sscanf(line.c_str(), "  short %lf us, long %*f us (nominal 816/1633: speed %lf",
                        &x, &y) == 2)
            r.speed = y;
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
    const SynthSettings s = synth_settings(std::string("-b 16 ") + GetParam().synth);
    const bool silence = s.silence_before_s > 0;
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir.file("tape.wav"), s, {kBlock}), "");
    const ProcessResult p = run_analyze(dir, nullptr);
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
    if (s.waveform == Waveform::kPulse) {
        EXPECT_EQ(r.rising[0], !s.inverted);
    }
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"tape.wav"});
}

INSTANTIATE_TEST_SUITE_P(, AnalyzeLevels, testing::ValuesIn(kLevels), row_name<LevelRow>);

TEST(Analyze, WholeReportAndPicture) {
    // Two blocks, 3 % fast, at half scale with noise 30 dB below it. The
    // picture, checked by eye when it was made, is pinned by its hash.
    const std::string wav = synthesized("-b 16 -w square -a 0.5 -n 30 --speed 3", {kBlock, kBlock});
    check_run(on_wav(
        "analysis", wav, {"--analyze", "--plot", "p.svg"}, 0,
        expected_header_report(1, 44100, 16, 36, 1228426) + "\n" + test_data("analyze_report.txt"),
        "", {{"p.svg", "fnv1a64:f53bfec15b8fab60 10455"}}));
}

TEST(Analyze, CutBlockReportedAndDrawn) {
    ScopedTempDir dir;
    const std::string odd = htp_image("A<&>\"B", 0x4000, std::string(200, 'y') + "12345");
    std::string wav = synthesized("-b 16 -w square", {kBlock, odd, kBlock});
    // 100 ms of silence (16-bit zeros) in the middle of the second block, whose
    // sync byte ends at 11.037 s and its last period at 13.871 s.
    const double cut = 12.454;
    const size_t at = 44 + 2 * static_cast<size_t>(cut * 44100);
    wav.replace(at, 2 * 4410, 2 * 4410, '\0');
    ASSERT_TRUE(write_file(dir.file("tape.wav"), wav));
    const ProcessResult p = run_analyze(dir, "plot.svg");
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
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"plot.svg", "tape.wav"}));
    // The rest of the report and the picture, bands and bars, pinned (checked by eye).
    EXPECT_EQ(fingerprint(p.out), "fnv1a64:d2eafb4b696165c5 3280") << p.out;
    EXPECT_EQ(fingerprint(svg), "fnv1a64:bbfa0aa40f997c3a 8822");
    EXPECT_TRUE(has_new_file_mode(dir.file("plot.svg")));
}

}  // namespace
