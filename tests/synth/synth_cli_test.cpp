// The command line end to end: exit codes, messages and every file left behind;
// the recording of every format, container, signal shape and degradation
// compared byte for byte.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "decimal_parser.h"
#include "synth.h"
#include "synth_test_helpers.h"

namespace {

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
    EXPECT_EQ(synth_cases().size(), 7u + 66u) << "every row of the table read";
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

}  // namespace
