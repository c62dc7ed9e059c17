// The command line end to end: exit codes, messages, files left behind, and the
// letters that shape the signal.
#include "synth_cli.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decimal_parser.h"
#include "synth_test_helpers.h"

namespace {

std::string usage_text() {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    synth_print_usage(stream);
    std::fclose(stream);
    std::string out(text, size);
    std::free(text);
    return out;
}

TEST(SynthCommandLine, ExitCodesMessagesAndFiles) {
    const std::string usage = usage_text(), version = "vorlane-synth 1.0\n";
    const struct {
        std::string args;
        int exit_code;
        std::string err;  ///< after "vorlane-synth: ", or the usage text
    } cases[] = {
        {"", 1, usage},
        {"-o out.wav -rh a.htp", 1, usage},
        {"--help -q", 0, ""},
        {"-o out.wav --version", 0, ""},
        {"-q -o x a.htp", 2, "unknown option -q (-h for help)"},
        {"-r:", 2, "unknown option -: (-h for help)"},
        {"--speedy=3", 2, "unknown option --speedy (-h for help)"},
        {"-o", 2, "option -o needs a value (-h for help)"},
        {"-o out.wav --hum", 2, "option --hum needs a value (-h for help)"},
        {"--rf64=1", 2, "option --rf64 takes no value (-h for help)"},
        {"a.htp", 2, "no output given with -o (-h for help)"},
        {"-o out.wav", 2, "no image to play (-h for help)"},
        {"-s 44100.5 -o x a.htp", 2, "-s: '44100.5' is not a whole number from 4000 to 384000"},
        {"-Fb16 -o x a.htp", 2, "bits per sample must be 32 or 64 for float samples, not 16"},
        {"--alaw -b 16 -o x a.htp", 2,
         "bits per sample must be 8 for A-law and mu-law samples, not 16"},
        {"-x --mulaw -o x a.htp", 2, "an extensible header holds PCM or float only"},
        {"-c 3 -o x a.htp", 2, "-c: '3' is not 1 or 2"},
        {"-C 2 -o x a.htp", 2, "the signal on channel 2 needs 2 channels (-c 2)"},
        {"-rws square -o x a.htp", 2, "-w: 's' is not pulse, square or sine"},
        {"-R -1 -o x a.htp", 2, "-R: '-1' is not a whole number from 0 to 18446744073709551615"},
        {"-S 900 -L 800 -o x a.htp", 2,
         "long period 800 us must be longer than the short period 900 us"},
        {"-s 8000 -S 600 --speed 50 -o x a.htp", 2,
         "short period 600 us is under 4 samples at 8000 Hz"},
        {"-j 500 -o x a.htp", 2, "jitter 500 us is more than half the short period 816 us"},
        {"--clip 1.5 -o x a.htp", 2, "--clip: '1.5' is not a number above 0 up to 1"},
        {"-s 8000 --lowpass 4000 -o x a.htp", 2, "filter corners must lie below 4000 Hz"},
        {"--highpass 300 --lowpass=300 -o x a.htp", 2,
         "high-pass 300 Hz must lie below low-pass 300 Hz"},
        {"--list-text " + std::string(256, 'T') + " -o x a.htp", 2,
         "LIST text longer than 255 characters"},
        {"-o out.wav a.htp --hum", 4, "cannot open --hum: No such file or directory"},
        {"-o out.wav sub", 4, "cannot read sub: Is a directory"},
        {"-o nodir/out.wav a.htp", 1,
         "cannot create a file next to nodir/out.wav: No such file or directory"},
        {"-o sub a.htp", 1, "cannot write sub: Is a directory"},
        {"-oout.wav -xFc2 -C2 a.htp a.htp", 0, ""},
        {"-o out.wav -- a.htp", 0, ""},
    };
    for (const auto& c : cases) {
        const SynthRun run = run_synth(c.args);
        EXPECT_EQ(run.result.exit_code, c.exit_code) << c.args;
        const bool info =
            c.args.find("--help") == 0 || c.args.find("--version") != std::string::npos;
        EXPECT_EQ(run.result.out, !info ? "" : c.args[2] == 'h' ? usage : version) << c.args;
        EXPECT_EQ(run.result.err,
                  c.err.empty() || c.err == usage ? c.err : "vorlane-synth: " + c.err + "\n")
            << c.args;
        std::vector<std::string> files = {"a.htp", "sub"};
        if (c.exit_code == 0 && !info) files.insert(files.begin() + 1, "out.wav");
        EXPECT_EQ(run.files, files) << c.args;
    }
    double value = 0;  // the decimal point is '.' whatever the locale; the value is exact
    EXPECT_TRUE(parse_decimal("+1633.25", &value) && value == 1633.25 &&
                parse_decimal(".5", &value) && value == 0.5);
    EXPECT_FALSE(parse_decimal("1,5", &value) || parse_decimal(".", &value) ||
                 parse_decimal("1234567890123456789", &value));
}

TEST(SynthCommandLine, EdgesFollowPeriodsAndSilences) {
    const struct {
        std::string args;
        size_t channels;
        double rate, short_us, long_us, before_s, between_s, after_s;
    } cases[] = {
        {"-s 8000", 1, 8000, 816, 1633, 0.5, 1, 0.5},
        {"-w square -s 96000 -c 2 -S 700 -L 1500", 2, 96000, 700, 1500, 0.5, 1, 0.5},
        {"-w sine -s 11025 -B 0.25 -P 0.75 -E 0.125", 1, 11025, 816, 1633, 0.25, 0.75, 0.125},
    };
    const std::string second = htp_bytes({{"NEXT", 0x5000, "\x0F"}});
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
        for (size_t k = 0; k < expected.size(); ++k) {
            EXPECT_NEAR(edges[k + 1] - edges[k], expected[k] * c.rate / 1e6, 1.0) << c.args << k;
        }
        const double frames = (run.wav.size() - 44) / (2.0 * c.channels);
        EXPECT_NEAR(frames - edges.back(), (c.short_us / 1e6 + c.after_s) * c.rate, 2) << c.args;
    }
}

}  // namespace
