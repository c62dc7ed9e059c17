// The command line end to end: the scanning of letters and long options, the
// numbers they take, the usage text, the exit codes, the raw output's opening
// rules and the checks made once the header is read. Each row runs in a fresh
// directory holding the same files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "tape_signal.h"

namespace {

/// 1000 samples of 8-bit silence: nothing decodes.
std::string silent_wav(uint16_t channels, uint32_t rate) {
    WavFixture f;
    f.channels = channels;
    f.sample_rate = rate;
    return make_wav(f, std::string(1000, '\x80'));
}

struct Row {
    std::string args;
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
    const std::string none = summary(0), usage = expected_usage();
    const std::string head = expected_header_report(1, 44100, 8, 36, 1000), mono = head + none;
    const std::string stereo = expected_header_report(2, 44100, 8, 36, 1000);
    const std::string slow = expected_header_report(1, 7999, 8, 36, 1000);
    const std::string ch0 = expected_header_report(0, 44100, 8, 36, 1000);
    const std::string rate22050 = expected_header_report(1, 22050, 8, 36, 1000) + none;
    const std::string raw = std::string(1000, '\0') + '\x7F';  // 0 per sample, then end of input
    const std::string illegal = "$0: illegal option -- ", no_input = "Could not open input file.\n";
    const std::string s_error = "Error parsing argument for '-s'.\n", bad = " -i in.wav";
    const std::string channel_error = "Error parsing argument for '--channel'.\n";
    const std::string not_wav = "This is not a valid WAV file. Exiting...\n";
    const auto missing = [](const std::string& what, int channels) {
        return "Channel " + what + " does not exist: the recording has " +
               std::to_string(channels) + " channel(s).\n";
    };
    const auto gain = [](const std::string& v) { return "Gain set to " + v + " dB.\n"; };
    const auto bad_gain = [](const std::string& v) {
        return "Illegal gain value: " + v + ".\nGain must be between 1 and 50.\n";
    };
    // clang-format off
    std::vector<Row> rows = {
        {"", 1, "", usage},
        {"-h", 1, "", usage},
        {"-?", 1, "", usage},
        {"-x -i in.wav", 2, "", illegal + "x\n"},
        {"-vq", 2, "", illegal + "q\n"},
        {"-fxv", 2, "", illegal + "x\n"},
        {"-:", 2, "", illegal + ":\n"},
        {"-i", 2, "", "$0: option requires an argument -- i\n"},
        {"-vs", 2, "", "$0: option requires an argument -- s\n"},
        {"-v", 2, "", no_input},
        {"- -i in.wav", 2, "", no_input},
        {"in.wav -i in.wav", 2, "", no_input},
        {"-i missing.wav", 4, "", "Error opening missing.wav.\n"},
        {"-vifolder", 4, "", "Error opening folder.\n"},
        {"-fv -m -i -v", 4, "", "Error opening -v.\n"},
        {"-i missing.wav -h", 4, "", "Error opening missing.wav.\n"},
        {"-h -i missing.wav", 1, "", usage},
        // Numbers are read like %i: signs, hexadecimal, octal, trailing text.
        {"-g 3dB -g -4 -g +5 -g 0x10 -g 0X1f -g 010 -g 09 -g 1 -g 50 -i in.wav", 0, mono, gain("3") + bad_gain("-4") + gain("5") + gain("16") + gain("31") + gain("8") + bad_gain("0") + gain("1") + gain("50")},
        {"-g 2147483647 -g -2147483648 -g 51 -i in.wav", 0, mono, bad_gain("2147483647") + bad_gain("-2147483648") + bad_gain("51")},
        {"-t '' -i in.wav", 2, "", "Error parsing argument for '-t'.\n"},
        {"-t 20 -t 101 -i in.wav", 0, mono, "Illegal argument for '-t' (101).\nUsing default value of 20.\n"},
        {"-t -1 -i in.wav", 0, mono, "Illegal argument for '-t' (-1).\nUsing default value of 32.\n"},
        {"-t 0 -t 100 -i in.wav", 0, mono, ""},
        {"-s fast -i in.wav", 2, "", s_error},
        {"-s 0 -i in.wav", 2, "", s_error},
        {"-s -44100 -i in.wav", 2, "", s_error},
        {"-s 22050 -i in.wav", 0, rate22050, ""},
        {"-s0x5622 -i in.wav", 0, rate22050, ""},
        {"-i in.wav -i st.wav", 0, stereo + none, ""},
        {"-m -i r7999.wav", 2, slow, "Edge detection is not available at 7999 Hz.\n"},
        {"-i in.wav extra -h", 0, mono, ""},
        {"-- -x", 2, "", no_input},
        // The raw output: opened only once the input is open, never onto the input.
        {"-o raw.bin -i in.wav", 0, mono, "", {{"raw.bin", raw}}},
        {"-o /no/such/dir/x.raw -i in.wav", 0, mono, "Error opening /no/such/dir/x.raw.\n"},
        {"-o raw.bin -h", 1, "", usage},
        {"-o raw.bin -g x", 2, "", "Error parsing argument for '-g'.\n"},
        {"-o raw.bin", 2, "", no_input},
        {"-o raw.bin -i missing.wav", 4, "", "Error opening missing.wav.\n"},
        {"-o raw.bin -i text.txt", 5, "", not_wav, {{"raw.bin", ""}}},
        {"-o in.wav -i in.wav", 0, mono, "Error opening in.wav.\n"},
        {"-i in.wav -o in.wav", 0, mono, "Error opening in.wav.\n"},
        {"-o link.wav -i in.wav", 0, mono, "Error opening link.wav.\n"},
        {"-i in.wav -o hard.wav", 0, mono, "Error opening hard.wav.\n"},
        // Long options act in command-line order like the letters.
        {"--help", 0, usage, ""},
        {"--version", 0, "vorlane 1.0\n", ""},
        {"--version --help", 0, "vorlane 1.0\n", ""},
        {"--help -i missing.wav", 0, usage, ""},
        {"-i missing.wav --help", 4, "", "Error opening missing.wav.\n"},
        {"-h --version", 1, "", usage},
        {"--bogus", 2, "", "$0: unknown option --bogus\n"},
        {"-g 3 --bogus=1 -x", 2, "", gain("3") + "$0: unknown option --bogus\n"},
        {"--Help", 2, "", "$0: unknown option --Help\n"},
        {"--chan 1", 2, "", "$0: unknown option --chan\n"},
        {"--=x", 2, "", illegal + "-\n"},
        {"--join=yes -i in.wav", 2, "", "$0: option takes no argument --join\n"},
        {"-i in.wav --plot", 2, "", "$0: option requires an argument --plot\n"},
        {"--plot -v", 2, "", no_input},
        {"--channel", 2, "", "$0: option requires an argument --channel\n"},
        {"--channel= -i in.wav", 2, "", channel_error},
        {"--channel 1 -i in.wav", 0, mono, ""},
        {"--channel 0x2 -i in.wav", 2, head, missing("2", 1)},
        {"--channel=0 -i in.wav", 2, head, missing("0", 1)},
        {"--channel -1 -i st.wav", 2, stereo, missing("-1", 2)},
        {"--channel 3 -i st.wav", 2, stereo, missing("3", 2)},
        {"--channel 3 --channel=2 -i st.wav", 0, stereo + none, ""},
        {"--channel 1 -i ch0.wav", 0, ch0 + none, ""},
        {"--channel 2 -i ch0.wav", 2, ch0, missing("2", 1)},
        {"--channel 9 -i text.txt", 5, "", not_wav},
        {"--channel 9 -i nodata.wav", 6, expected_header_report(1, 44100, 8, 42, -1), "Wave data chunk not found. Exiting...\n"},
        {"--channel 2 -o raw.bin -i in.wav", 2, head, missing("2", 1), {{"raw.bin", ""}}},
        // --recover sets its own levels: the letters that would are dropped.
        {"--recover -f -g 3 -r -i in.wav", 0, mono, gain("3") + "Note: -f, -g and -r are not needed with --recover and are ignored.\n"},
        {"-m -t 9 --recover -i r7999.wav", 0, slow + none, "Note: -m and -t are not needed with --recover and are ignored.\n"},
        {"-v --recover -i in.wav", 0, mono, ""},
        {"--recover -t 50 -i in.wav", 0, mono, "Note: -t is not needed with --recover and is ignored.\n"},
    };
    // clang-format on
    for (const char* number : {"x", "''", "-", "dB3", "2147483648", "-2147483649", "4294967297",
                               "99999999999999999999999"}) {
        rows.push_back(
            {"-g " + std::string(number) + bad, 2, "", "Error parsing argument for '-g'.\n"});
        rows.push_back({"--channel=" + std::string(number) + bad, 2, "", channel_error});
    }
    for (const Row& row : rows)
        check_run(RunCase{"vorlane " + row.args, given, words(row.args), row.exit_code, row.out,
                          row.err, row.made});
}

}  // namespace
