// --output-dir: images and chains land in the folder (made with its parents),
// the record names their paths, a bad folder stops the run before decoding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/output_folder.h"
#include "end_to_end.h"
#include "process_runner.h"
#include "tape_signal.h"

namespace {

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

INSTANTIATE_TEST_SUITE_P(Runs, OutputFolder, testing::ValuesIn(kFolders),
                         [](const testing::TestParamInfo<FolderCase>& i) { return i.param.name; });

}  // namespace
