// The command line end to end: the scanning of letters and long options, the
// numbers they take, the usage text and the help, the exit codes, the notices
// of options without effect, the raw output's opening rules and the checks
// made once the header is read; the rows are in tests/data/command_lines.txt.
// --output-dir: images land in the folder, or a bad one stops the run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/output_folder.h"
#include "end_to_end.h"

namespace {

/// 1000 samples of 8-bit silence: nothing decodes.
std::string silent_wav(uint16_t channels, uint32_t rate) {
    return make_wav({.channels = channels, .sample_rate = rate}, std::string(1000, '\x80'));
}

/// Replaces every `from` in `text` by `to`.
std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

/// The rows of command_lines.txt, then the numbers no option can read.
std::vector<RunCase> command_line_cases() {
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
    const std::pair<const char*, std::string> texts[] = {
        {"\\n", "\n"},
        {"{usage}", test_data("usage.txt")},
        {"{help}", test_data("help.txt")},
        {"{none}", summary(0)},
        {"{head}", expected_header_report(1, 44100, 8, 36, 1000)},
        {"{analysis}", test_data("analyze_silence.txt")},
        {"{stereo}", expected_header_report(2, 44100, 8, 36, 1000)},
        {"{slow}", expected_header_report(1, 7999, 8, 36, 1000)},
        {"{ch0}", expected_header_report(0, 44100, 8, 36, 1000)},
        {"{rate22050}", expected_header_report(1, 22050, 8, 36, 1000)},
        {"{nodata}", expected_header_report(1, 44100, 8, 42, -1)},
        {"{raw}", std::string(1000, '\0') + '\x7F'},  // 0 per sample, then end of input
    };
    std::vector<RunCase> cases;
    std::istringstream table(test_data("command_lines.txt"));
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        for (size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 3) {
            bar = line.find(" | ", at);
            const std::string field = line.substr(at, bar - at);
            fields.push_back(field == "-" ? "" : field);
        }
        for (auto& [from, to] : texts)
            for (std::string& f : fields) f = replace_all(f, from, to);
        RunCase c{"vorlane " + fields[0], given,     words(fields[0]),
                  std::stoi(fields[1]),   fields[2], fields[3]};
        if (fields.size() > 4 && fields[4].find('=') != std::string::npos)
            c.made = {{fields[4].substr(0, fields[4].find('=')),
                       fields[4].substr(fields[4].find('=') + 1)}};
        cases.push_back(c);
    }
    for (const std::string number : {"x", "''", "-", "dB3", "2147483648", "-2147483649",
                                     "4294967297", "99999999999999999999999"}) {
        for (const std::string option : {"-g ", "--channel="}) {
            const std::string args = option + number + " -i in.wav";
            cases.push_back(
                {args, given, words(args), 2, "",
                 "Error parsing argument for '" + option.substr(0, option.size() - 1) + "'.\n"});
        }
    }
    return cases;
}

TEST(RunSequence, EveryRowOfTheTableRead) {
    EXPECT_EQ(command_line_cases().size(), 106u + 16u) << "the table's rows, then the numbers";
}

RUN_CASE_TABLE(CommandLines, Run, command_line_cases());

const std::string kImage = htp_image("HELLO", 0x4000, "some data");
const std::string kChain =
    htp_image("PROG", 0x4000, "one", 256, '\xD8') + htp_image("", 0x4003, "two", 128, '\0');
const std::string kHello = start_time({}, "HELLO") + "_HELLO.htp";
const std::string kProg = start_time({}, "PROG") + "_PROG.htp";

struct FolderCase {
    const char* name;
    std::string tape, options;  ///< options come before "-i in.wav"
    int exit_code;
    std::string err_line;                  ///< a line standard error must hold
    std::vector<std::string> top, inside;  ///< entries of the working dir and of out/a
};

// clang-format off
const FolderCase kFolders[] = {
    {"made_with_parents", kImage, "--report r.json --output-dir out/a", 0, "File written: out/a/" + kHello, {"in.wav", "out", "r.json"}, {kHello}},
    {"chain_temporary_inside", kChain, "--join --output-dir out/a", 0, "File written: out/a/" + kProg, {"in.wav", "out"}, {kProg}},
    {"recover_inside", kImage, "--recover --output-dir out/a/", 0, "File written: out/a//" + kHello, {"in.wav", "out"}, {kHello}},
    {"file_in_the_way", kImage, "--output-dir in.wav", 2, "Cannot use in.wav as the output folder: Not a directory.", {"in.wav"}, {}},
    {"file_as_parent", kImage, "--output-dir in.wav/x", 2, "Cannot use in.wav/x as the output folder: Not a directory.", {"in.wav"}, {}},
    {"raw_output_protected", kImage, "-o out/a/" + kHello + " --output-dir out/a", 1, "Error writing out/a/" + kHello + ".", {"in.wav", "out"}, {kHello}},
    {"chain_never_replaces_the_raw_output", kChain, "--join -o out/a/" + kProg + " --output-dir out/a", 1, "Error writing out/a/" + kProg + ".", {"in.wav", "out"}, {kProg}},
    // No room left for the path's end: refused before the parent "a" is made.
    {"path_too_long", kImage, "--output-dir a/" + std::string(kFolderPathBytes - 2, 'b'), 2, ": File name too long.", {"in.wav"}, {}},
    {"ignored_by_analyze", kImage, "--analyze --output-dir out/a", 0, "Note: --output-dir has no effect with --analyze and is ignored.", {"in.wav"}, {}},
};
// clang-format on

class OutputFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(OutputFolder, ImagesLandInsideOrTheRunStops) {
    const FolderCase& c = GetParam();
    ScopedTempDir dir;
    const ProcessResult p = run_on_wav(dir, make_wav({}, tape_payload(c.tape, {})), c.options);
    EXPECT_EQ(p.exit_code, c.exit_code) << p.err;
    EXPECT_NE(p.err.find(c.err_line), std::string::npos) << p.err;
    EXPECT_TRUE(c.exit_code != 2 || p.out.empty()) << p.out;  // refused before the header
    EXPECT_EQ(list_dir(dir.path()), c.top);
    const bool folder = !c.inside.empty();  // out/a exists only when images went there
    EXPECT_EQ(folder ? list_dir(dir.file("out/a")) : c.inside, c.inside) << p.err;
    if (c.top.size() == 3) {
        EXPECT_NE(read_file(dir.file("r.json")).find("\"image\": \"out/a/" + kHello),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, OutputFolder, testing::ValuesIn(kFolders), row_name<FolderCase>);

}  // namespace
