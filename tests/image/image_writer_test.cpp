// Images and the raw output meeting files they must not or cannot replace: a
// failed image is reported, removed and not counted, decoding goes on, and the
// run ends with exit code 1 after the summary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "tape_signal.h"

namespace {

std::vector<RunCase> obstacle_cases() {
    const std::string one = htp_image("ONE", 0x0100, "first");
    const std::string two = htp_image("TWO", 0x0200, "second");
    const std::string one_payload = tape_payload(one, TapeSignalOptions{});
    const std::string wav =
        make_wav(WavFixture{}, one_payload + tape_payload(two, TapeSignalOptions{}));
    Placement second;
    second.frames_before = one_payload.size();
    const std::string file1 = start_time(Placement{}, "ONE") + "_ONE.htp";
    const std::string file2 = start_time(second, "TWO") + "_TWO.htp";
    const std::string block1 = good_block_lines(Placement{}, "ONE", 0x0100, "first");
    const std::string block2 = good_block_lines(second, "TWO", 0x0200, "second");
    const Placement recovered1{44, 1, 0, 2}, recovered2{44, 1, second.frames_before, 2};
    const std::string written1 = "  File written: " + file1 + "\n\n";
    const std::string written2 = "  File written: " + file2 + "\n\n";
    const std::string failed1 = "Error writing " + file1 + ".\n";
    const std::string report =
        expected_header_report(1, 44100, 8, 36, static_cast<uint32_t>(wav.size() - 44));
    const std::string raw_fingerprint =
        "fnv1a64:82f792c1d850e5ee " + std::to_string(wav.size() - 43);

    // Each case starts from in.wav alone, plus the obstacle given.
    const auto with = [&](const char* name, std::vector<GivenEntry> obstacle,
                          std::vector<std::string> options, unsigned files, std::string err,
                          std::vector<std::pair<std::string, std::string>> made) {
        RunCase c = on_wav(name, wav, std::move(options), 1, report + summary(files),
                           std::move(err), std::move(made));
        c.given.insert(c.given.end(), obstacle.begin(), obstacle.end());
        return c;
    };
    std::vector<RunCase> cases = {
        with("image name taken by a directory", {{file1, "", GivenEntry::kDirectory}}, {}, 1,
             block1 + failed1 + block2 + written2, {{file2, two}}),
        with("image name is a link to a full device", {{file1, "/dev/full", GivenEntry::kSymlink}},
             {}, 1, block1 + failed1 + block2 + written2, {{file2, two}}),
        with("raw output to a full device", {}, {"-o", "/dev/full"}, 2,
             block1 + written1 + block2 + written2 + "Error writing /dev/full.\n",
             {{file1, one}, {file2, two}}),
        with("raw output and an image both fail", {{file1, "", GivenEntry::kDirectory}},
             {"-o", "/dev/full"}, 1,
             block1 + failed1 + block2 + written2 + "Error writing /dev/full.\n", {{file2, two}}),
        with("an image never replaces the raw output", {}, {"-o", file1}, 1,
             block1 + failed1 + block2 + written2, {{file1, raw_fingerprint}, {file2, two}}),
        with("--recover: image name taken by a directory", {{file1, "", GivenEntry::kDirectory}},
             {"--recover"}, 1,
             good_block_lines(recovered1, "ONE", 0x0100, "first") + failed1 +
                 good_block_lines(recovered2, "TWO", 0x0200, "second") + written2,
             {{file2, two}}),
    };
    cases[1].removed = {file1};  // the partial image goes, link and all
    // The recording itself bears the first image's name.
    cases.push_back(with("an image never replaces the recording", {}, {}, 1,
                         block1 + failed1 + block2 + written2, {{file2, two}}));
    cases.back().given = {{file1, wav}};
    cases.back().args = {"-i", file1};
    return cases;
}

class ImageWriter : public RunCaseTest {};
TEST_P(ImageWriter, OutputsThatCannotOrMustNotBeWritten) {
    check_run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(, ImageWriter, testing::ValuesIn(obstacle_cases()), row_name<RunCase>);

}  // namespace
