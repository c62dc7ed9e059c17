// The record against Python's JSON parser: the writer's documents read back,
// every string as the bytes written; and --report end to end, in every mode
// and for refused, empty, cut and hostile recordings: the run's exit code and
// mode, and a tape name back byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "report/json_writer.h"
#include "tape_signal.h"
#include "wav/input_stream.h"

namespace {

std::string every_byte() {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    return all;
}

void bytes(JsonWriter* w, const char* key, const std::string& s) {
    json_bytes(w, key, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

struct JsonCase {
    const char* name;
    std::function<void(JsonWriter*)> write;
    std::string leaves;  ///< what the parser reads back, a line per leaf
};

const JsonCase kDocuments[] = {
    {"every_byte_value_round_trips",
     [](JsonWriter* w) {
         json_begin_object(w, nullptr);
         bytes(w, "name", every_byte());
         json_end_object(w);
     },
     ".6e616d65 s " + hex(every_byte()) + "\n"},
    {"keys_escaped_too",
     [](JsonWriter* w) {
         json_begin_object(w, nullptr);
         json_uint(w, "a\"\\\x01\xff", 7);
         json_end_object(w);
     },
     ".61225c01ff 7\n"},
    {"values_of_every_kind",
     [](JsonWriter* w) {
         json_begin_object(w, nullptr);
         json_begin_array(w, "list");
         json_int(w, nullptr, -5);
         json_number(w, nullptr, 3.857483);
         json_number(w, nullptr, NAN);
         json_bool(w, nullptr, true);
         json_null(w, nullptr);
         json_text(w, nullptr, nullptr);
         json_hex(w, nullptr, reinterpret_cast<const uint8_t*>("\xa5\x00"), 2);
         json_begin_object(w, nullptr);
         json_end_object(w);
         json_end_array(w);
         json_uint(w, "max", UINT64_MAX);
         json_end_object(w);
     },
     ".6c697374[0] -5\n.6c697374[1] 3.857483\n.6c697374[2] null\n.6c697374[3] true\n"
     ".6c697374[4] null\n.6c697374[5] null\n.6c697374[6] s 41353030\n.6d6178 "
     "18446744073709551615\n"},
    {"nesting_beyond_the_limit_refused",
     [](JsonWriter* w) {
         for (unsigned i = 0; i <= kMaxJsonDepth; ++i) json_begin_array(w, nullptr);
         json_uint(w, nullptr, 1);
         for (unsigned i = 0; i <= kMaxJsonDepth; ++i) json_end_array(w);
         EXPECT_TRUE(w->too_deep);
     },
     "[0][0][0][0][0][0][0][0] 1\n"},
};

class JsonDocuments : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonDocuments, ParseAndReadBack) {
    ScopedTempDir dir;
    FILE* f = std::fopen(dir.file("r.json").c_str(), "w");
    ASSERT_NE(f, nullptr);
    JsonWriter w;
    json_start(&w, f);
    GetParam().write(&w);
    ASSERT_EQ(std::fclose(f), 0);
    const ProcessResult p = run_process(
        "/usr/bin/env", {"python3", std::string(VORLANE_TEST_DATA) + "/json_leaves.py", "r.json"},
        dir.path());
    EXPECT_EQ(p.exit_code, 0) << read_file(dir.file("r.json"));
    EXPECT_EQ(p.out, GetParam().leaves) << read_file(dir.file("r.json"));
}

INSTANTIATE_TEST_SUITE_P(Writer, JsonDocuments, testing::ValuesIn(kDocuments), row_name<JsonCase>);

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
    std::string options;  ///< before "--report r.json -i in.wav"
    int exit_code;
    std::vector<std::string> leaves;       ///< lines the parser must read back, among others
    std::vector<std::string> absent = {};  ///< leaves the record must not hold
};

// clang-format off
const ReportCase kReports[] = {
    {"convert", kGood, "-v", 0, {".mode s " + hex("convert"), ".wav.data_offset 44", ".wav.data_length " + std::to_string(kGood.size() - 44), ".summary.images_written 1", ".blocks[0].name s " + hex(hostile_name()), ".blocks[0].verdict s " + hex("written"), ".options.verbose true", ".options.filter false", ".blocks[0].channel 1", ".blocks[0].polarity s " + hex("as recorded"), ".blocks[0].recovery null", ".blocks[0].address 16384", ".blocks[0].length 258"}},
    {"convert_right_channel_inverted", kRightInverted, "-r --channel 2", 0, {".blocks[0].name s " + hex("R"), ".blocks[0].checksum_received 195", ".blocks[0].channel 2", ".blocks[0].polarity s " + hex("inverted"), ".blocks[0].recovery null"}},
    {"recover", kGood, "--recover", 0, {".mode s " + hex("recover"), ".blocks[0].name s " + hex(hostile_name()), ".blocks[0].recovery.method s " + hex("read"), ".blocks[0].recovery.reading 1", ".blocks[0].recovery.wrong_chance null", ".blocks[0].channel 1"}},
    {"recover_drops_the_letters", kGood, "--recover -f -m -g 3 -t 5 -r", 0, {".options.filter false", ".options.edge_mode false", ".options.gain_db 1", ".options.threshold 32", ".options.inverted false", ".blocks[0].verdict s " + hex("written")}},
    {"recover_finds_right_channel", kRightInverted, "--recover", 0, {".blocks[0].verdict s " + hex("written"), ".blocks[0].channel 2", ".blocks[0].polarity s " + hex("inverted"), ".blocks[0].recovery.pulses_reread 0"}},
    {"analyze_with_plot", kGood, "--analyze --plot p.svg", 0, {".mode s " + hex("analyze"), ".blocks[0].name s " + hex(hostile_name()), ".blocks[0].default_options s " + hex("written"), ".blocks[0].length 258"}},
    {"empty_file", "", "", 5, {".wav.refused s " + hex("not RIFF or RF64")}, {".wav.format_tag"}},
    {"no_data_chunk", kGood.substr(0, 36), "", 6, {".wav.refused s " + hex("no data chunk")}},
    {"cut_in_block", kGood.substr(0, kGood.size() * 9 / 10), "--analyze", 0, {".blocks[0].verdict s " + hex("incomplete")}},
    {"channel_missing", kGood, "--channel 3", 2, {".summary.exit_code 2"}},
    {"name_too_long", make_wav({}, tape_payload(htp_image(std::string(70, 'L'), 0x4000, "x"), {})), "", 0, {".blocks[0].verdict s " + hex("aborted: name too long")}, {".blocks[0].chain_place"}},
    {"twelve_bit_samples", make_wav({1, 44100, 12}, "xx"), "", 5, {".wav.bits_per_sample 12", ".wav.refused s " + hex("unsupported sample format: 12 bits per sample (format tag 1)")}},
};
// clang-format on

class RunReports : public testing::TestWithParam<ReportCase> {};

TEST_P(RunReports, ParseAndTellTheRun) {
    const ReportCase& c = GetParam();
    ScopedTempDir dir;
    const ProcessResult run = run_on_wav(dir, c.wav, c.options + " --report r.json");
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

/// Whole runs pinned, rows in data/pinned_runs.txt: the console, the record (every
/// measure to ten digits), and every file written (images, picture, raw output) by its hash.
struct PinnedCase {
    std::string name, synth, options;
};

std::vector<PinnedCase> pinned_cases() {
    std::vector<PinnedCase> rows;
    std::istringstream table(test_data("pinned_runs.txt"));
    for (std::string line; std::getline(table, line);) {
        const size_t a = line.find(" | "), b = line.find(" | ", a + 3);
        if (!line.empty() && line[0] != '#')
            rows.push_back({line.substr(0, a), line.substr(a + 3, b - a - 3), line.substr(b + 3)});
    }
    return rows;
}

class PinnedRuns : public testing::TestWithParam<PinnedCase> {};

TEST_P(PinnedRuns, ConsoleRecordAndPictureAsBefore) {
    const std::string tape = htp_image("PIN", 0x4000, every_byte() + every_byte());
    const ScopedTempDir dir;
    const ProcessResult p = run_on_wav(dir, synthesized(GetParam().synth, {tape, tape}),
                                       GetParam().options + " --report r.json");
    std::string written = p.out + p.err + read_file(dir.file("r.json"));
    for (const std::string& name : list_dir(dir.path()))
        if (name != "in.wav" && name != "r.json")
            written += name + " " + fingerprint(read_file(dir.file(name))) + "\n";
    EXPECT_EQ(written, test_data("pinned/" + GetParam().name + ".txt"));
}

INSTANTIATE_TEST_SUITE_P(, PinnedRuns, testing::ValuesIn(pinned_cases()), row_name<PinnedCase>);

// A pipe cannot be read again: a refused format is named from the bytes read, more to come.
TEST(RunReport, RefusedFormatNamedFromAPipe) {
    ScopedTempDir dir;
    const std::string wav = make_wav({1, 44100, 12}, std::string(2 * kInputChunkBytes, 'x'));
    ASSERT_TRUE(write_file(dir.file("x.wav"), wav));
    const std::string run = "cat x.wav | " + vorlane_binary() + " --report r.json -i /dev/stdin";
    EXPECT_EQ(run_process("/bin/sh", {"-c", run}, dir.path()).exit_code, 5);
    const std::string reason = "unsupported sample format: 12 bits per sample (format tag 1)";
    EXPECT_NE(json_leaves(dir.path(), "r.json").find(hex(reason)), std::string::npos);
}

TEST(RunReport, NeverWrittenOverTheInputOrTheRawOutput) {
    for (const char* target : {"in.wav", "raw.bin"}) {
        ScopedTempDir dir;
        const ProcessResult p =
            run_on_wav(dir, kGood, std::string("-o raw.bin --report ") + target);
        EXPECT_EQ(p.exit_code, 1) << target;
        EXPECT_EQ(p.err.substr(0, p.err.find('\n') + 1),
                  "Error writing " + std::string(target) + ".\n");
        EXPECT_EQ(read_file(dir.file("in.wav")), kGood);
        EXPECT_EQ(list_dir(dir.path()).size(), 3u) << target;  // in.wav, raw.bin and the image
    }
}

}  // namespace
