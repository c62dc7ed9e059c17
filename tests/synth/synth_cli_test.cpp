// The command line end to end: exit codes, messages and every file left behind;
// the recording of every format, container, signal shape and degradation
// compared byte for byte.
#include "synth_cli.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    const std::string usage = usage_text();
    const auto refused = [](const std::string& args, int code, const std::string& message) {
        return synth_case(args, code, "vorlane-synth: " + message + "\n");
    };
    const auto wav = [](const std::string& args, const std::string& hash) {
        return synth_case(args + " -o out.wav a.htp", 0, "", {{"out.wav", "fnv1a64:" + hash}});
    };
    const std::string all =
        "-n 25 -j 40 -W 1 --speed 2 --clip 0.7 --highpass 200 --lowpass 4000 "
        "--hum 15 --dropouts 4 -R ";
    std::vector<RunCase> cases = {
        synth_case("", 1, usage),
        synth_case("-o out.wav -rh a.htp", 1, usage),
        synth_case("--help -q", 0, ""),
        synth_case("-o out.wav --version", 0, ""),
        refused("-q -o x a.htp", 2, "unknown option -q (-h for help)"),
        refused("-r:", 2, "unknown option -: (-h for help)"),
        refused("--speedy=3", 2, "unknown option --speedy (-h for help)"),
        refused("-o", 2, "option -o needs a value (-h for help)"),
        refused("-o out.wav --hum", 2, "option --hum needs a value (-h for help)"),
        refused("--rf64=1", 2, "option --rf64 takes no value (-h for help)"),
        refused("a.htp", 2, "no output given with -o (-h for help)"),
        refused("-o out.wav", 2, "no image to play (-h for help)"),
        refused("-s 44100.5 -o x a.htp", 2,
                "-s: '44100.5' is not a whole number from 4000 to 384000"),
        refused("-Fb16 -o x a.htp", 2,
                "bits per sample must be 32 or 64 for float samples, not 16"),
        refused("--alaw -b 16 -o x a.htp", 2,
                "bits per sample must be 8 for A-law and mu-law samples, not 16"),
        refused("-x --mulaw -o x a.htp", 2, "an extensible header holds PCM or float only"),
        refused("-c 3 -o x a.htp", 2, "-c: '3' is not 1 or 2"),
        refused("-C 2 -o x a.htp", 2, "the signal on channel 2 needs 2 channels (-c 2)"),
        refused("-rws square -o x a.htp", 2, "-w: 's' is not pulse, square or sine"),
        refused("-R -1 -o x a.htp", 2,
                "-R: '-1' is not a whole number from 0 to 18446744073709551615"),
        refused("-S 900 -L 800 -o x a.htp", 2,
                "long period 800 us must be longer than the short period 900 us"),
        refused("-s 8000 -S 600 --speed 50 -o x a.htp", 2,
                "short period 600 us is under 4 samples at 8000 Hz"),
        refused("-j 500 -o x a.htp", 2, "jitter 500 us is more than half the short period 816 us"),
        refused("--clip 1.5 -o x a.htp", 2, "--clip: '1.5' is not a number above 0 up to 1"),
        refused("-s 8000 --lowpass 4000 -o x a.htp", 2, "filter corners must lie below 4000 Hz"),
        refused("--highpass 300 --lowpass=300 -o x a.htp", 2,
                "high-pass 300 Hz must lie below low-pass 300 Hz"),
        refused("--list-text " + std::string(256, 'T') + " -o x a.htp", 2,
                "LIST text longer than 255 characters"),
        refused("-o out.wav a.htp --hum", 4, "cannot open --hum: No such file or directory"),
        refused("-o out.wav sub", 4, "cannot read sub: Is a directory"),
        refused("-o nodir/out.wav a.htp", 1,
                "cannot create a file next to nodir/out.wav: No such file or directory"),
        refused("-o sub a.htp", 1, "cannot write sub: Is a directory"),
        synth_case("-oout.wav -xFc2 -C2 a.htp a.htp", 0, "",
                   {{"out.wav", "fnv1a64:260f2050698b92e6 3259580"}}),
        synth_case("-o out.wav -- a.htp", 0, "", {{"out.wav", "fnv1a64:34bd0481657aaa29 203764"}}),
        // Every format and container; a sine with noise reaches every sample value.
        wav("-w sine -n 30", "3e179f841b0751a4 203764"),
        wav("-w sine -n 30 -b 16 -c 2", "1cdacf6afe7a5056 814924"),
        wav("-w sine -n 30 -b 24", "3617b6cc9bc5cb81 611204"),
        wav("-w sine -n 30 -b 32", "518921aff96ae161 814924"),
        wav("-w sine -n 30 -F", "f8442c5ebd83d8fd 814924"),
        wav("-w sine -n 30 -F -b 64", "15936f4c9b9cdf8b 1629804"),
        wav("-w sine -n 30 -x -b 24", "3fbda411c9a7c76a 611228"),
        wav("-w sine -n 30 -xF -c 2", "47ffdf14c7e894a2 1629828"),
        wav("-w sine -n 30 --alaw", "a941bbf179fd9fb6 203764"),
        wav("-w sine -n 30 --mulaw", "2a78aeffa3764e1a 203764"),
        wav("-w sine -n 30 --rf64 -b 16", "1a8cb3e9f1b5b27d 407520"),
        wav("-w sine -n 30 --junk --list-text tape-data -b 16", "87685632fd6f59bb 407550"),
        wav("-w sine -n 30 --list-text=ab --rf64", "1310d5092827a0bd 203824"),
        wav("-w sine -n 30 -c 2 -C 2 -b 16", "223d5b002797c71e 814924"),
        wav("-w sine -n 30 -c 2 -C 1 -b 32", "2ceff51d35adb540 1629804"),
        // Every shape of the signal and every degradation on its own, then all at
        // once with two seeds; the seed acts only through a degradation.
        wav("-s 8000 -a 0.5", "9dd092558fafb331 37000"),
        wav("-w square -r -a 1 --clip 0.3 -d -0.1", "28210b1fd4122739 203764"),
        wav("--speed 3", "3823ff6b5baeefe0 197652"),
        wav("-R 6", "34bd0481657aaa29 203764"),  // as without: no degradation uses the seed
        wav("--speed=-5", "7de262e68c000efd 213950"),
        wav("-W 5", "c9a7c4736a952085 202902"),
        wav("-j 100", "7ebb4be5cc7e6aec 203812"),
        wav("--hum 20 --hum-freq 60", "ceb3dd9e3a6dce47 203764"),
        wav("--highpass 300", "558808ebb0bd63be 203764"),
        wav("--lowpass 3000", "f340c2b649ab4ba9 203764"),
        wav("--dropouts 3 --dropout-ms 20", "f4c899522baf99bc 203764"),
        wav("-n 20", "8d53b51ba245fd24 203764"),
        wav(all + "5", "81b14797ec8d52d5 199502"),
        wav(all + "6", "63b286973b8423b0 199502"),
    };
    cases[2].out = usage;
    cases[3].out = "vorlane-synth 1.0\n";
    for (const RunCase& c : cases) check_run(c);
    double value = 0;  // the decimal point is '.' whatever the locale; the value is exact
    EXPECT_TRUE(parse_decimal("+1633.25", &value) && value == 1633.25 &&
                parse_decimal(".5", &value) && value == 0.5);
    EXPECT_FALSE(parse_decimal("1,5", &value) || parse_decimal(".", &value) ||
                 parse_decimal("1234567890123456789", &value));
}

}  // namespace
