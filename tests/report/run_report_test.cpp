// --report end to end: in every mode and for refused, empty, cut and hostile
// recordings the record parses with Python's JSON parser, holds the run's
// exit code and mode, and gives a tape name back byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "tape_signal.h"

namespace {

/// Tape names hold any byte but the zero that ends them.
std::string hostile_name() {
    std::string name;
    for (int b = 1; b < 64; ++b) name += static_cast<char>(b * 4 - 1);
    return name;
}

// 258 data bytes: the length's high byte counts too.
const std::string kGood =
    make_wav({}, tape_payload(htp_image(hostile_name(), 0x4000, std::string(258, 'd')), {}));
/// The tape upside down on the right channel of two.
const std::string kRightInverted =
    make_wav({.channels = 2}, tape_payload(htp_image("R", 0x4000, "ab"),
                                           {.channels = 2, .signal_channel = 2, .inverted = true}));

struct ReportCase {
    const char* name;
    std::string wav;
    std::string options;  ///< before "-i in.wav --report r.json"
    int exit_code;
    std::vector<std::string> leaves;       ///< lines the parser must read back, among others
    std::vector<std::string> absent = {};  ///< leaves the record must not hold
};

// clang-format off
const ReportCase kReports[] = {
    {"convert", kGood, "-v", 0, {".mode s " + hex("convert"), ".summary.images_written 1", ".blocks[0].name s " + hex(hostile_name()), ".blocks[0].verdict s " + hex("written"), ".options.verbose true", ".options.filter false", ".blocks[0].channel 1", ".blocks[0].polarity s " + hex("as recorded"), ".blocks[0].recovery null", ".blocks[0].address 16384", ".blocks[0].length 258"}},
    {"convert_right_channel_inverted", kRightInverted, "-r --channel 2", 0, {".blocks[0].name s " + hex("R"), ".blocks[0].checksum_received 195", ".blocks[0].channel 2", ".blocks[0].polarity s " + hex("inverted"), ".blocks[0].recovery null"}},
    {"recover", kGood, "--recover", 0, {".mode s " + hex("recover"), ".blocks[0].name s " + hex(hostile_name()), ".blocks[0].recovery.method s " + hex("read"), ".blocks[0].recovery.reading 1", ".blocks[0].recovery.wrong_chance null", ".blocks[0].channel 1"}},
    {"recover_finds_right_channel", kRightInverted, "--recover", 0, {".blocks[0].verdict s " + hex("written"), ".blocks[0].channel 2", ".blocks[0].polarity s " + hex("inverted"), ".blocks[0].recovery.pulses_reread 0"}},
    {"analyze_with_plot", kGood, "--analyze --plot p.svg", 0, {".mode s " + hex("analyze"), ".blocks[0].name s " + hex(hostile_name()), ".blocks[0].default_options s " + hex("written"), ".blocks[0].length 258"}},
    {"empty_file", "", "", 5, {".wav.refused s " + hex("not RIFF or RF64")}},
    {"no_data_chunk", kGood.substr(0, 36), "", 6, {".wav.refused s " + hex("no data chunk")}},
    {"cut_in_block", kGood.substr(0, kGood.size() * 9 / 10), "--analyze", 0, {".blocks[0].verdict s " + hex("incomplete")}},
    {"channel_missing", kGood, "--channel 3", 2, {".summary.exit_code 2"}},
    {"name_too_long", make_wav({}, tape_payload(htp_image(std::string(70, 'L'), 0x4000, "x"), {})), "", 0, {".blocks[0].verdict s " + hex("aborted: name too long")}, {".blocks[0].chain_place"}},
    {"twelve_bit_samples", make_wav({1, 44100, 12}, "xx"), "", 5, {".wav.bits_per_sample 12"}},
};
// clang-format on

class RunReports : public testing::TestWithParam<ReportCase> {};

TEST_P(RunReports, ParseAndTellTheRun) {
    const ReportCase& c = GetParam();
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("in.wav"), c.wav));
    std::vector<std::string> args = words(c.options);
    args.insert(args.end(), {"-i", "in.wav", "--report", "r.json"});
    const ProcessResult run = run_process(vorlane_binary(), args, dir.path());
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    const std::string leaves = json_leaves(dir.path(), "r.json");
    ASSERT_NE(leaves, "") << read_file(dir.file("r.json"));
    std::vector<std::string> expected = c.leaves;
    expected.push_back(".summary.exit_code " + std::to_string(c.exit_code));
    for (const std::string& line : expected)
        EXPECT_NE(leaves.find("\n" + line + "\n"), std::string::npos) << line << leaves;
    for (const std::string& leaf : c.absent)
        EXPECT_EQ(leaves.find("\n" + leaf + " "), std::string::npos) << leaf << leaves;
    EXPECT_EQ(read_file(dir.file("in.wav")), c.wav);
}

INSTANTIATE_TEST_SUITE_P(Modes, RunReports, testing::ValuesIn(kReports), row_name<ReportCase>);

TEST(RunReport, NeverWrittenOverTheInputOrTheRawOutput) {
    for (const char* target : {"in.wav", "raw.bin"}) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("in.wav"), kGood));
        const ProcessResult p = run_process(
            vorlane_binary(), {"-o", "raw.bin", "-i", "in.wav", "--report", target}, dir.path());
        EXPECT_EQ(p.exit_code, 1) << target;
        EXPECT_EQ(p.err.substr(0, p.err.find('\n') + 1),
                  "Error writing " + std::string(target) + ".\n");
        EXPECT_EQ(read_file(dir.file("in.wav")), kGood);
        EXPECT_EQ(list_dir(dir.path()).size(), 3u) << target;  // in.wav, raw.bin and the image
    }
}

}  // namespace
