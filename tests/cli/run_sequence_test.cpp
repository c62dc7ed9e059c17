// The command line end to end: every letter and long option, the usage text,
// the exit codes, the raw output's opening rules and the checks made once the
// header is read. Each row runs in a fresh directory holding the same files.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "wav_fixture.h"

namespace {

/// 1000 samples of 8-bit silence: nothing decodes.
std::string silent_wav(uint16_t channels, uint32_t rate) {
    WavFixture f;
    f.channels = channels;
    f.sample_rate = rate;
    return make_wav(f, std::string(1000, '\x80'));
}

/// Space-separated arguments; '' is an empty one.
std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w == "''" ? "" : w);
    return out;
}

struct Row {
    const char* args;
    int exit_code;
    std::string out;
    std::string err;
    std::vector<std::pair<std::string, std::string>> made = {};
};

TEST(RunSequence, CommandLines) {
    std::string no_data = make_wav(WavFixture{}, "");
    no_data.replace(36, 4, "dat_");
    const std::vector<GivenEntry> given = {
        {"in.wav", silent_wav(1, 44100)},
        {"st.wav", silent_wav(2, 44100)},
        {"ch0.wav", silent_wav(0, 44100)},
        {"r7999.wav", silent_wav(1, 7999)},
        {"nodata.wav", no_data},
        {"text.txt", "hello"},
        {"folder", "", GivenEntry::kDirectory},
        {"link.wav", "in.wav", GivenEntry::kSymlink},
        {"hard.wav", "in.wav", GivenEntry::kHardLink},
    };
    const std::string none = summary(0);
    const std::string mono = expected_header_report(1, 44100, 8, 36, 1000);
    const std::string stereo = expected_header_report(2, 44100, 8, 36, 1000);
    const std::string raw = std::string(1000, '\0') + '\x7F';  // 0 per sample, then end of input
    const std::string illegal = "$0: illegal option -- ";
    const std::string g_error = "Error parsing argument for '-g'.\n";
    const std::string s_error = "Error parsing argument for '-s'.\n";
    const std::string channel_error = "Error parsing argument for '--channel'.\n";
    const std::string no_input = "Could not open input file.\n";
    const std::string gain_range = "Gain must be between 1 and 50.\n";
    const auto missing = [](const std::string& what) {
        return "Channel " + what + " does not exist: the recording has ";
    };
    // clang-format off
    const Row rows[] = {
        {"", 1, "", expected_usage()},
        {"-h", 1, "", expected_usage()},
        {"-?", 1, "", expected_usage()},
        {"-x -i in.wav", 2, "", illegal + "x\n"},
        {"-vq", 2, "", illegal + "q\n"},
        {"-i", 2, "", "$0: option requires an argument -- i\n"},
        {"-v", 2, "", no_input},
        {"-i missing.wav", 4, "", "Error opening missing.wav.\n"},
        {"-i folder", 4, "", "Error opening folder.\n"},
        {"-i missing.wav -h", 4, "", "Error opening missing.wav.\n"},
        {"-h -i missing.wav", 1, "", expected_usage()},
        {"-g x -i in.wav", 2, "", g_error},
        {"-g 4294967297 -i in.wav", 2, "", g_error},
        {"-g 3dB -i in.wav", 0, mono + none, "Gain set to 3 dB.\n"},
        {"-g 0 -g 51 -i in.wav", 0, mono + none, "Illegal gain value: 0.\n" + gain_range + "Illegal gain value: 51.\n" + gain_range},
        {"-g 1 -g 50 -i in.wav", 0, mono + none, "Gain set to 1 dB.\nGain set to 50 dB.\n"},
        {"-t '' -i in.wav", 2, "", "Error parsing argument for '-t'.\n"},
        {"-t 20 -t 101 -i in.wav", 0, mono + none, "Illegal argument for '-t' (101).\nUsing default value of 20.\n"},
        {"-t -1 -i in.wav", 0, mono + none, "Illegal argument for '-t' (-1).\nUsing default value of 32.\n"},
        {"-t 0 -t 100 -i in.wav", 0, mono + none, ""},
        {"-s fast -i in.wav", 2, "", s_error},
        {"-s 0 -i in.wav", 2, "", s_error},
        {"-s -44100 -i in.wav", 2, "", s_error},
        {"-s 22050 -i in.wav", 0, expected_header_report(1, 22050, 8, 36, 1000) + none, ""},
        {"-s0x5622 -i in.wav", 0, expected_header_report(1, 22050, 8, 36, 1000) + none, ""},
        {"-i in.wav -i st.wav", 0, stereo + none, ""},
        {"-m -i r7999.wav", 2, expected_header_report(1, 7999, 8, 36, 1000), "Edge detection is not available at 7999 Hz.\n"},
        {"-i in.wav extra -h", 0, mono + none, ""},
        {"-- -x", 2, "", no_input},
        // The raw output: opened only once the input is open, never onto the input.
        {"-o raw.bin -i in.wav", 0, mono + none, "", {{"raw.bin", raw}}},
        {"-o /no/such/dir/x.raw -i in.wav", 0, mono + none, "Error opening /no/such/dir/x.raw.\n"},
        {"-o raw.bin -h", 1, "", expected_usage()},
        {"-o raw.bin -g x", 2, "", g_error},
        {"-o raw.bin", 2, "", no_input},
        {"-o raw.bin -i missing.wav", 4, "", "Error opening missing.wav.\n"},
        {"-o raw.bin -i text.txt", 5, "", "This is not a valid WAV file. Exiting...\n", {{"raw.bin", ""}}},
        {"-o in.wav -i in.wav", 0, mono + none, "Error opening in.wav.\n"},
        {"-i in.wav -o in.wav", 0, mono + none, "Error opening in.wav.\n"},
        {"-o link.wav -i in.wav", 0, mono + none, "Error opening link.wav.\n"},
        {"-i in.wav -o hard.wav", 0, mono + none, "Error opening hard.wav.\n"},
        // Long options act in command-line order like the letters.
        {"--help", 0, expected_usage(), ""},
        {"--version", 0, "vorlane 1.0\n", ""},
        {"--version --help", 0, "vorlane 1.0\n", ""},
        {"--help -i missing.wav", 0, expected_usage(), ""},
        {"-i missing.wav --help", 4, "", "Error opening missing.wav.\n"},
        {"-h --version", 1, "", expected_usage()},
        {"--bogus", 2, "", "$0: unknown option --bogus\n"},
        {"-g 3 --bogus=1 -x", 2, "", "Gain set to 3 dB.\n$0: unknown option --bogus\n"},
        {"--Help", 2, "", "$0: unknown option --Help\n"},
        {"--=x", 2, "", illegal + "-\n"},
        {"--join=yes -i in.wav", 2, "", "$0: option takes no argument --join\n"},
        {"-i in.wav --plot", 2, "", "$0: option requires an argument --plot\n"},
        {"--channel", 2, "", "$0: option requires an argument --channel\n"},
        {"--channel x -i in.wav", 2, "", channel_error},
        {"--channel= -i in.wav", 2, "", channel_error},
        {"--channel=4294967297 -i in.wav", 2, "", channel_error},
        {"--channel 1 -i in.wav", 0, mono + none, ""},
        {"--channel 2 -i in.wav", 2, mono, missing("2") + "1 channel(s).\n"},
        {"--channel=0 -i in.wav", 2, mono, missing("0") + "1 channel(s).\n"},
        {"--channel -1 -i st.wav", 2, stereo, missing("-1") + "2 channel(s).\n"},
        {"--channel 3 -i st.wav", 2, stereo, missing("3") + "2 channel(s).\n"},
        {"--channel 3 --channel=2 -i st.wav", 0, stereo + none, ""},
        {"--channel 1 -i ch0.wav", 0, expected_header_report(0, 44100, 8, 36, 1000) + none, ""},
        {"--channel 2 -i ch0.wav", 2, expected_header_report(0, 44100, 8, 36, 1000), missing("2") + "1 channel(s).\n"},
        {"--channel 9 -i text.txt", 5, "", "This is not a valid WAV file. Exiting...\n"},
        {"--channel 9 -i nodata.wav", 6, expected_format_report(1, 44100, 8) + std::string(42, '.'), "Wave data chunk not found. Exiting...\n"},
        {"--channel 2 -o raw.bin -i in.wav", 2, mono, missing("2") + "1 channel(s).\n", {{"raw.bin", ""}}},
        // --recover sets its own levels: the letters that would are dropped.
        {"--recover -f -g 3 -r -i in.wav", 0, mono + none, "Gain set to 3 dB.\nNote: -f, -g and -r are not needed with --recover and are ignored.\n"},
        {"-m -t 9 --recover -i r7999.wav", 0, expected_header_report(1, 7999, 8, 36, 1000) + none, "Note: -m and -t are not needed with --recover and are ignored.\n"},
        {"-v --recover -i in.wav", 0, mono + none, ""},
        {"--recover -t 50 -i in.wav", 0, mono + none, "Note: -t is not needed with --recover and is ignored.\n"},
    };
    // clang-format on
    for (const Row& row : rows) {
        check_run(RunCase{std::string("vorlane ") + row.args, given, words(row.args), row.exit_code,
                          row.out, row.err, row.made});
    }
}

}  // namespace
