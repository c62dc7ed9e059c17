// End-to-end runs of the vorlane binary for everything that happens before
// the first sample is decoded: options, usage, exit codes, the header report.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "expected_output.h"
#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "wav_fixture.h"

namespace {

/// 1000 samples of 8-bit silence: decodes to nothing.
std::string silent_wav(uint32_t rate = 44100) {
    WavFixture f;
    f.sample_rate = rate;
    return make_wav(f, std::string(1000, '\x80'));
}

const std::string kSummaryNone = "0 file(s) created.\n";

struct CliCase {
    const char* name;
    std::vector<std::string> args;  // "$0" in expectations stands for argv[0]
    int exit_code;
    std::string out;
    std::string err;
};

std::string replace_argv0(std::string text) {
    const std::string token = "$0";
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token))
        text.replace(at, token.size(), vorlane_binary());
    return text;
}

TEST(RunSequence, OptionsUsageAndExitCodes) {
    const std::string report = expected_header_report(1, 44100, 8, 36, 1000);
    const CliCase cases[] = {
        {"no arguments", {}, 1, "", expected_usage()},
        {"help", {"-h"}, 1, "", expected_usage()},
        {"question mark", {"-?"}, 1, "", expected_usage()},
        {"illegal option", {"-x", "-i", "in.wav"}, 2, "", "$0: illegal option -- x\n"},
        {"illegal option t-less cluster", {"-vq"}, 2, "", "$0: illegal option -- q\n"},
        {"missing argument", {"-i"}, 2, "", "$0: option requires an argument -- i\n"},
        {"no input", {"-v"}, 2, "", "Could not open input file.\n"},
        {"input missing", {"-i", "missing.wav"}, 4, "", "Error opening missing.wav.\n"},
        {"input is a directory", {"-i", "folder"}, 4, "", "Error opening folder.\n"},
        {"exit at once, input first",
         {"-i", "missing.wav", "-h"},
         4,
         "",
         "Error opening missing.wav.\n"},
        {"exit at once, help first", {"-h", "-i", "missing.wav"}, 1, "", expected_usage()},
        {"gain unreadable",
         {"-g", "x", "-i", "in.wav"},
         2,
         "",
         "Error parsing argument for '-g'.\n"},
        {"gain too wide for int",
         {"-g", "4294967297", "-i", "in.wav"},
         2,
         "",
         "Error parsing argument for '-g'.\n"},
        {"gain accepted",
         {"-g", "3dB", "-i", "in.wav"},
         0,
         report + kSummaryNone,
         "Gain set to 3 dB.\n"},
        {"gain rejected then kept",
         {"-g", "0", "-g", "51", "-i", "in.wav"},
         0,
         report + kSummaryNone,
         "Illegal gain value: 0.\nGain must be between 1 and 50.\n"
         "Illegal gain value: 51.\nGain must be between 1 and 50.\n"},
        {"threshold unreadable",
         {"-t", "", "-i", "in.wav"},
         2,
         "",
         "Error parsing argument for '-t'.\n"},
        {"threshold out of range",
         {"-t", "20", "-t", "101", "-i", "in.wav"},
         0,
         report + kSummaryNone,
         "Illegal argument for '-t' (101).\nUsing default value of 20.\n"},
        {"threshold negative",
         {"-t", "-1", "-i", "in.wav"},
         0,
         report + kSummaryNone,
         "Illegal argument for '-t' (-1).\nUsing default value of 32.\n"},
        {"rate unreadable",
         {"-s", "fast", "-i", "in.wav"},
         2,
         "",
         "Error parsing argument for '-s'.\n"},
        {"rate zero", {"-s", "0", "-i", "in.wav"}, 2, "", "Error parsing argument for '-s'.\n"},
        {"rate negative",
         {"-s", "-44100", "-i", "in.wav"},
         2,
         "",
         "Error parsing argument for '-s'.\n"},
        {"forced rate",
         {"-s", "22050", "-i", "in.wav"},
         0,
         "Number of channels: 1\nNumber of samples per sec: 22050\nNumber of bits per sample: 8\n"
         "Usec per sample: 45\n." +
             std::string(36, '.') +
             "\nWave data chunk found at offset: 40.\nWave data length: 1000 bytes\n" +
             kSummaryNone,
         ""},
        {"forced rate in hex",
         {"-s0x5622", "-i", "in.wav"},
         0,
         expected_header_report(1, 22050, 8, 36, 1000) + kSummaryNone,
         ""},
        {"later input replaces earlier",
         {"-i", "in.wav", "-i", "rate8000.wav", "-m"},
         0,
         expected_header_report(1, 8000, 8, 36, 1000) + kSummaryNone,
         ""},
        {"edge mode refused at 7999 Hz",
         {"-m", "-i", "rate7999.wav"},
         2,
         expected_header_report(1, 7999, 8, 36, 1000),
         "Edge detection is not available at 7999 Hz.\n"},
        {"arguments after the options are ignored",
         {"-i", "in.wav", "extra", "-h"},
         0,
         report + kSummaryNone,
         ""},
    };

    for (const CliCase& c : cases) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("in.wav"), silent_wav()));
        ASSERT_TRUE(write_file(dir.file("rate8000.wav"), silent_wav(8000)));
        ASSERT_TRUE(write_file(dir.file("rate7999.wav"), silent_wav(7999)));
        ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0755), 0);
        const ProcessResult r = run_process(vorlane_binary(), c.args, dir.path());
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, replace_argv0(c.err)) << c.name;
    }
}

struct HeaderCase {
    const char* name;
    std::string file;
    std::vector<std::string> extra_args;
    int exit_code;
    std::string out;
    std::string err;
};

TEST(RunSequence, HeaderChecksAndDataScan) {
    WavFixture stereo16;
    stereo16.channels = 2;
    stereo16.bits_per_sample = 16;
    WavFixture streamed;
    streamed.explicit_data_size = true;
    streamed.data_size = 0xFFFFFFFFu;
    WavFixture rate0;
    rate0.sample_rate = 0;
    WavFixture bits24;
    bits24.bits_per_sample = 24;

    // A RIFF file of exactly 44 bytes whose data tag is misspelt.
    std::string no_data = make_wav(WavFixture{}, "");
    no_data.replace(36, 4, "dat_");
    // A LIST chunk before the data chunk whose text ends in "data": the size
    // field is then read from the real tag that follows.
    std::string with_list = make_wav(WavFixture{}, std::string(200, '\x80'));
    with_list.insert(36, "LIST" + le32(12) + "INFOmy data");
    const std::string not_riff = "RIFX" + make_wav(WavFixture{}, "").substr(4);

    const std::string summary = "0 file(s) created.\n";
    const std::string not_valid = "This is not a valid WAV file. Exiting...\n";
    const HeaderCase cases[] = {
        {"canonical 8-bit mono",
         make_wav(WavFixture{}, std::string(100, '\x80')),
         {},
         0,
         expected_header_report(1, 44100, 8, 36, 100) + summary,
         ""},
        {"16-bit stereo",
         make_wav(stereo16, std::string(400, '\0')),
         {},
         0,
         expected_header_report(2, 44100, 16, 36, 400) + summary,
         ""},
        {"streamed size field",
         make_wav(streamed, std::string(100, '\x80')),
         {},
         0,
         expected_header_report(1, 44100, 8, 36, 4294967295u) + summary,
         ""},
        {"empty file", "", {}, 5, "", not_valid},
        {"three bytes", "RIF", {}, 5, "", not_valid},
        {"not RIFF", not_riff, {}, 5, "", not_valid},
        {"rate zero", make_wav(rate0, "\x80\x80"), {}, 5, "", not_valid + "Sample rate of 0 Hz.\n"},
        {"rate zero rescued by -s",
         make_wav(rate0, "\x80\x80"),
         {"-s", "8000"},
         0,
         expected_header_report(1, 8000, 8, 36, 2) + summary,
         ""},
        {"24 bits per sample",
         make_wav(bits24, "\x80\x80\x80"),
         {},
         0,
         expected_header_report(1, 44100, 24, 36, 3) + summary,
         ""},
        {"no data chunk",
         no_data,
         {},
         6,
         expected_format_report(1, 44100, 8) + std::string(42, '.'),
         "Wave data chunk not found. Exiting...\n"},
        {"data inside a LIST chunk",
         with_list,
         {},
         0,
         expected_header_report(1, 44100, 8, 36 + 15, 0x61746164u) + summary,
         ""},
        {"data tag as the last four bytes",
         make_wav(WavFixture{}, "").substr(0, 40),
         {},
         0,
         expected_header_report(1, 44100, 8, 36, 0) + summary,
         ""},
    };
    for (const HeaderCase& c : cases) {
        ScopedTempDir dir;
        const ProcessResult r = run_vorlane_on(dir.path(), c.file, c.extra_args);
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

TEST(RunSequence, RawOutputNeverTruncatesTheInput) {
    const std::string wav = silent_wav();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string err;
        int exit_code;
    };
    const Case cases[] = {
        {"-o before -i", {"-o", "in.wav", "-i", "in.wav"}, "Error opening in.wav.\n", 0},
        {"-o after -i", {"-i", "in.wav", "-o", "in.wav"}, "Error opening in.wav.\n", 0},
        {"-o through a symbolic link",
         {"-i", "in.wav", "-o", "link.wav"},
         "Error opening link.wav.\n",
         0},
        {"-o through a hard link",
         {"-i", "in.wav", "-o", "hard.wav"},
         "Error opening hard.wav.\n",
         0},
        {"-o with an exit before the input",
         {"-o", "in.wav", "-i", "missing.wav"},
         "Error opening missing.wav.\n",
         4},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("in.wav"), wav));
        ASSERT_EQ(symlink("in.wav", dir.file("link.wav").c_str()), 0);
        ASSERT_EQ(link(dir.file("in.wav").c_str(), dir.file("hard.wav").c_str()), 0);
        const ProcessResult r = run_process(vorlane_binary(), c.args, dir.path());
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        EXPECT_EQ(read_file(dir.file("in.wav")), wav) << c.name;
    }
}

TEST(RunSequence, RawOutputOpenedOnlyWhenTheRunGetsThatFar) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exit_code;
        bool raw_exists;
        size_t raw_size;
    };
    const Case cases[] = {
        {"usage exit", {"-o", "raw.bin", "-h"}, 1, false, 0},
        {"parameter exit", {"-o", "raw.bin", "-g", "x"}, 2, false, 0},
        {"no input", {"-o", "raw.bin"}, 2, false, 0},
        {"input missing", {"-o", "raw.bin", "-i", "missing.wav"}, 4, false, 0},
        {"not a WAV file", {"-o", "raw.bin", "-i", "text.txt"}, 5, true, 0},
        {"decoded: one byte per sample plus the end-of-input sample",
         {"-o", "raw.bin", "-i", "in.wav"},
         0,
         true,
         1001},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("in.wav"), silent_wav()));
        ASSERT_TRUE(write_file(dir.file("text.txt"), "hello"));
        const ProcessResult r = run_process(vorlane_binary(), c.args, dir.path());
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(file_exists(dir.file("raw.bin")), c.raw_exists) << c.name;
        if (c.raw_exists) {
            EXPECT_EQ(read_file(dir.file("raw.bin")).size(), c.raw_size) << c.name;
        }
    }
}

TEST(RunSequence, UnopenableRawOutputIsReportedAndTheRunGoesOn) {
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("in.wav"), silent_wav()));
    const ProcessResult r =
        run_process(vorlane_binary(), {"-o", "/no/such/dir/x.raw", "-i", "in.wav"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "Error opening /no/such/dir/x.raw.\n");
    EXPECT_EQ(r.out, expected_header_report(1, 44100, 8, 36, 1000) + "0 file(s) created.\n");
}

}  // namespace
