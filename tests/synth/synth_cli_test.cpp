#include "synth_cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "scoped_temp_dir.h"
#include "synth_options.h"
#include "synth_test_helpers.h"
#include "wav_fixture.h"

namespace {

const std::string kImage = htp_bytes({{"CLI", 0x4000, "xyz"}});

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

struct CliCase {
    std::vector<std::string> args;
    int exit_code;
    std::string err;  ///< after "vorlane-synth: ", with its line end; or the whole usage text
};

TEST(SynthCommandLine, ExitCodesAndMessages) {
    const std::string usage = usage_text();
    const std::vector<CliCase> cases = {
        {{}, 1, usage},
        {{"-h"}, 1, usage},
        {{"-o", "out.wav", "-h", "a.htp"}, 1, usage},
        {{"-x", "-o", "out.wav", "a.htp"}, 2, "unknown option -x (-h for help)"},
        {{"-r:"}, 2, "unknown option -: (-h for help)"},
        {{"-o"}, 2, "option -o needs a value (-h for help)"},
        {{"a.htp"}, 2, "no output given with -o (-h for help)"},
        {{"-o", "out.wav"}, 2, "no image to play (-h for help)"},
        {{"-s", "1000", "-o", "out.wav", "a.htp"},
         2,
         "-s: '1000' is not a whole number from 4000 to 384000"},
        {{"-s", "44100.5", "-o", "out.wav", "a.htp"},
         2,
         "-s: '44100.5' is not a whole number from 4000 to 384000"},
        {{"-b", "12", "-o", "out.wav", "a.htp"}, 2, "-b: '12' is not 8 or 16"},
        {{"-c", "3", "-o", "out.wav", "a.htp"}, 2, "-c: '3' is not 1 or 2"},
        {{"-w", "triangle", "-o", "out.wav", "a.htp"},
         2,
         "-w: 'triangle' is not pulse, square or sine"},
        {{"-a", "0", "-o", "out.wav", "a.htp"}, 2, "-a: '0' is not a number above 0 up to 1"},
        {{"-n", "0", "-o", "out.wav", "a.htp"}, 2, "-n: '0' is not a number above 0 up to 200"},
        {{"-W", "30", "-o", "out.wav", "a.htp"}, 2, "-W: '30' is not a number from 0 to 25"},
        {{"-d", "-2", "-o", "out.wav", "a.htp"}, 2, "-d: '-2' is not a number from -1 to 1"},
        {{"-B", "-1", "-o", "out.wav", "a.htp"}, 2, "-B: '-1' is not a number from 0 to 3600"},
        {{"-R", "-1", "-o", "out.wav", "a.htp"},
         2,
         "-R: '-1' is not a whole number from 0 to 18446744073709551615"},
        {{"-R", "18446744073709551616", "-o", "out.wav", "a.htp"},
         2,
         "-R: '18446744073709551616' is not a whole number from 0 to 18446744073709551615"},
        {{"-S", "900", "-L", "800", "-o", "out.wav", "a.htp"},
         2,
         "long period 800 us must be longer than the short period 900 us"},
        {{"-s", "8000", "-S", "400", "-L", "800", "-o", "out.wav", "a.htp"},
         2,
         "short period 400 us is under 4 samples at 8000 Hz"},
        {{"-j", "500", "-o", "out.wav", "a.htp"},
         2,
         "jitter 500 us is more than half the short period 816 us"},
        {{"-o", "out.wav", "a.htp", "missing.htp"},
         4,
         "cannot open missing.htp: No such file or directory"},
        {{"-o", "out.wav", "sub"}, 4, "cannot read sub: Is a directory"},
        {{"-o", "out.wav", "a.htp"}, 0, ""},
        {{"-oout.wav", "a.htp", "a.htp"}, 0, ""},
        {{"-o", "out.wav", "--", "a.htp"}, 0, ""},
        {{"-rws", "square", "-ao", "0.5", "-o", "out.wav", "a.htp"},
         2,
         "-w: 's' is not pulse, square or sine"},
    };
    for (const CliCase& c : cases) {
        std::string row;
        for (const std::string& a : c.args) row += a + " ";
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("a.htp"), kImage));
        ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
        const ProcessResult r = run_process(vorlane_synth_binary(), c.args, dir.path());
        EXPECT_EQ(r.exit_code, c.exit_code) << row;
        EXPECT_EQ(r.out, "") << row;
        const std::string err =
            c.err.empty() || c.err == usage ? c.err : "vorlane-synth: " + c.err + "\n";
        EXPECT_EQ(r.err, err) << row;
        std::vector<std::string> files = {"a.htp"};
        if (c.exit_code == 0) files.push_back("out.wav");
        files.push_back("sub");
        EXPECT_EQ(list_dir(dir.path()), files) << row;
    }
}

TEST(SynthCommandLine, ClusteredOptionsAndAttachedValues) {
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("a.htp"), kImage));
    const ProcessResult r =
        run_process(vorlane_synth_binary(),
                    {"-rs48000", "-c2", "-wsquare", "-o", "out.wav", "a.htp"}, dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string wav = read_file(dir.file("out.wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(22, 6), le16(2) + le32(48000));
    // Inverted square: the first period starts downward.
    size_t first = 44;
    while (first < wav.size() && static_cast<uint8_t>(wav[first]) == 128) ++first;
    ASSERT_LT(first, wav.size());
    EXPECT_LT(static_cast<uint8_t>(wav[first]), 128);
}

/// Reads one field of the settings.
using Field = std::function<double(const SynthSettings&)>;

TEST(SynthCommandLine, EveryLetterSetsItsSetting) {
    struct Case {
        std::vector<const char*> args;
        Field field;
        double expected;
    };
    const std::vector<Case> cases = {
        {{"-s", "22050"}, [](const SynthSettings& s) { return s.sample_rate; }, 22050},
        {{"-b", "16"}, [](const SynthSettings& s) { return s.bits_per_sample; }, 16},
        {{"-c", "2"}, [](const SynthSettings& s) { return s.channels; }, 2},
        {{"-w", "sine"},
         [](const SynthSettings& s) { return static_cast<int>(s.waveform); },
         static_cast<int>(Waveform::kSine)},
        {{"-w", "square"},
         [](const SynthSettings& s) { return static_cast<int>(s.waveform); },
         static_cast<int>(Waveform::kSquare)},
        {{"-a", "0.5"}, [](const SynthSettings& s) { return s.amplitude; }, 0.5},
        {{"-r"}, [](const SynthSettings& s) { return s.inverted; }, 1},
        {{"-S", "700"}, [](const SynthSettings& s) { return s.short_period_us; }, 700},
        {{"-L", "1700.5"}, [](const SynthSettings& s) { return s.long_period_us; }, 1700.5},
        {{"-B", "2"}, [](const SynthSettings& s) { return s.silence_before_s; }, 2},
        {{"-P", "3"}, [](const SynthSettings& s) { return s.silence_between_s; }, 3},
        {{"-E", "4"}, [](const SynthSettings& s) { return s.silence_after_s; }, 4},
        {{"-n", "18"}, [](const SynthSettings& s) { return s.noise_snr_db; }, 18},
        {{"-R", "99"}, [](const SynthSettings& s) { return static_cast<double>(s.seed); }, 99},
        {{"-d", "-0.25"}, [](const SynthSettings& s) { return s.dc_offset; }, -0.25},
        {{"-W", "1.5"}, [](const SynthSettings& s) { return s.wow_percent; }, 1.5},
        {{"-j", "30"}, [](const SynthSettings& s) { return s.jitter_us; }, 30},
    };
    const SynthSettings defaults;
    for (const Case& c : cases) {
        std::vector<char*> argv = {const_cast<char*>("vorlane-synth")};
        for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
        argv.push_back(const_cast<char*>("-o"));
        argv.push_back(const_cast<char*>("out.wav"));
        argv.push_back(const_cast<char*>("a.htp"));
        SynthOptions options;
        char message[256] = "";
        ASSERT_EQ(synth_parse_options(static_cast<int>(argv.size()), argv.data(), &options, message,
                                      sizeof message),
                  kSynthOk)
            << c.args[0] << ": " << message;
        EXPECT_EQ(c.field(options.settings), c.expected) << c.args[0];
        EXPECT_NE(c.field(defaults), c.expected) << c.args[0] << ": the row must change a default";
        EXPECT_STREQ(options.out_path, "out.wav");
        EXPECT_EQ(options.first_image, static_cast<int>(argv.size()) - 1);
    }
}

}  // namespace
