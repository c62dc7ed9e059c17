// The image's file name: the block's start time, then the name the tape chose,
// never a path and any byte kept; names too long are refused. Images and the
// raw output meeting files they must not or cannot replace: a failed image is
// reported, removed and not counted, decoding goes on, and the run ends with
// exit code 1 after the summary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/raw_output.h"
#include "end_to_end.h"
#include "tape/tape_block.h"

namespace {

/// One block named `name`, written as `file_part`, after `silence` frames of silence.
RunCase named(const std::string& name, const std::string& file_part, uint64_t silence = 0) {
    const std::string image = htp_image(name, 0x4000, "data");
    const Placement p{44, 1, silence};
    const std::string file = start_time(p, name) + "_" + file_part + ".htp";
    const std::string wav =
        make_wav(WavFixture{}, std::string(silence, '\x80') + tape_payload(image, {}));
    return on_wav("name " + file_part + " at " + file.substr(0, 9), wav, {}, 0,
                  expected_header_report(1, 44100, 8, 36, wav.size() - 44) + summary(1),
                  good_block_lines(p, name, 0x4000, "data") + "  File written: " + file + "\n\n",
                  {{file, image}});
}

std::string bytes_from(int first, int last) {
    std::string s;
    for (int b = first; b <= last; ++b) s += static_cast<char>(b);
    return s;
}

std::vector<RunCase> name_cases() {
    const std::string sync = good_block_lines(Placement{}, "", 0, "");
    const std::string sync_lines = sync.substr(0, sync.find("  File found"));
    std::vector<RunCase> cases = {
        named("/tmp/x", "_tmp_x"),
        named("..\\..\\x", ".._.._x"),
        named("../../x", ".._.._x"),
        named("..", ".."),
        named("%s%n%x%%", "%s%n%x%%"),
        named(bytes_from(0x01, 0x1F), bytes_from(0x01, 0x1F)),
        named(bytes_from(0x80, 0xBE), bytes_from(0x80, 0xBE)),
        named(bytes_from(0xC1, 0xFF), bytes_from(0xC1, 0xFF)),
        named(std::string(kMaxNameBytes - 1, 'M'), std::string(kMaxNameBytes - 1, 'M')),
        named("", ""),
        // The last millisecond of a minute: the name ends 59.99959 s into the recording.
        named("T", "T", static_cast<uint64_t>(59.99959 * 44100) - name_end_frames({}, "T")),
        on_tape("a name that never ends", htp_image(std::string(300, 'Q'), 0, ""), 557, sync_lines),
    };
    // The name's zero makes it too long; the count must not wrap at the buffer's end.
    for (unsigned length : {kMaxNameBytes, kNameBufferBytes - 1, kNameBufferBytes, 270u}) {
        cases.push_back(on_tape("name of " + std::to_string(length),
                                htp_image(std::string(length, '/'), 0, ""), std::string::npos,
                                sync_lines +
                                    "  Abort. Filename too long: " + std::to_string(length + 1) +
                                    " > " + std::to_string(kMaxNameBytes) + ".\n"));
    }
    return cases;
}

RUN_CASE_TABLE(ImageNames, Written, name_cases());

std::vector<RunCase> obstacle_cases() {
    const std::string one = htp_image("ONE", 0x0100, "first");
    const std::string two = htp_image("TWO", 0x0200, "second");
    const std::string one_payload = tape_payload(one, {});
    const std::string wav = make_wav({}, one_payload + tape_payload(two, {}));
    const Placement second{44, 1, one_payload.size()};
    const std::string file1 = start_time(Placement{}, "ONE") + "_ONE.htp";
    const std::string file2 = start_time(second, "TWO") + "_TWO.htp";
    const std::string block1 = good_block_lines(Placement{}, "ONE", 0x0100, "first");
    const std::string block2 = good_block_lines(second, "TWO", 0x0200, "second");
    const std::string written2 = "  File written: " + file2 + "\n\n";
    const std::string failed1 = "Error writing " + file1 + ".\n";
    const std::string report = expected_header_report(1, 44100, 8, 36, wav.size() - 44);

    // Each case starts from in.wav alone, plus the obstacle given.
    const auto with = [&](const char* name, std::vector<GivenEntry> obstacle,
                          std::vector<std::string> options, unsigned files, std::string err,
                          std::vector<std::pair<std::string, std::string>> made) {
        RunCase c = on_wav(name, wav, std::move(options), 1, report + summary(files),
                           std::move(err), std::move(made));
        c.given.insert(c.given.end(), obstacle.begin(), obstacle.end());
        return c;
    };
    const std::string first_failed = block1 + failed1 + block2 + written2;
    const GivenEntry folder{file1, "", GivenEntry::kDirectory};
    // clang-format off
    std::vector<RunCase> cases = {
        with("image name taken by a directory", {folder}, {}, 1, first_failed, {{file2, two}}),
        with("image name is a link to a full device", {{file1, "/dev/full", GivenEntry::kSymlink}}, {}, 1, first_failed, {{file2, two}}),
        with("raw output to a full device", {}, {"-o", "/dev/full"}, 2, block1 + "  File written: " + file1 + "\n\n" + block2 + written2 + "Error writing /dev/full.\n", {{file1, one}, {file2, two}}),
        with("raw output and an image both fail", {folder}, {"-o", "/dev/full"}, 1, first_failed + "Error writing /dev/full.\n", {{file2, two}}),
        with("an image never replaces the raw output", {}, {"-o", file1}, 1, first_failed, {{file1, "fnv1a64:82f792c1d850e5ee " + std::to_string(wav.size() - 43)}, {file2, two}}),
        with("--recover: image name taken by a directory", {folder}, {"--recover"}, 1, good_block_lines({44, 1, 0, 2}, "ONE", 0x0100, "first") + failed1 + good_block_lines({44, 1, second.frames_before, 2}, "TWO", 0x0200, "second") + written2, {{file2, two}}),
    };
    // clang-format on
    cases[1].removed = {file1};  // the partial image goes, link and all
    // An image of over a KiB on a full disk fails, and its temporary file goes too; so does
    // the record's.
    const std::string big = std::string(1100, 'b'),
                      big_wav = tape_payload(htp_image("B", 1, big), {});
    const std::string full = make_wav({}, big_wav + one_payload);
    const Placement after{44, 1, big_wav.size()};
    const std::string file = start_time(after, "ONE") + "_ONE.htp";
    cases.push_back(on_wav("a full disk", full, {"--report", "r.json"}, 1,
                           expected_header_report(1, 44100, 8, 36, full.size() - 44) + summary(1),
                           good_block_lines({}, "B", 1, big) + "Error writing " +
                               start_time({}, "B") + "_B.htp.\n" +
                               good_block_lines(after, "ONE", 0x0100, "first") +
                               "  File written: " + file + "\n\nError writing r.json.\n",
                           {{file, one}}));
    cases.back().full_disk = true;
    // The raw output's first buffer fails whole, leaving nothing for the close to fail on.
    const std::string silence = make_wav({}, std::string(kRawOutputBufferBytes * 3 / 2, '\x80'));
    cases.push_back(
        on_wav("raw output of a buffer and a half to a full device", silence, {"-o", "/dev/full"},
               1, expected_header_report(1, 44100, 8, 36, silence.size() - 44) + summary(0),
               "Error writing /dev/full.\n"));
    // The recording itself bears the first image's name.
    cases.push_back(
        with("an image never replaces the recording", {}, {}, 1, first_failed, {{file2, two}}));
    cases.back().given = {{file1, wav}};
    cases.back().args = {"-i", file1};
    return cases;
}

RUN_CASE_TABLE(ImageWriter, OutputsThatCannotOrMustNotBeWritten, obstacle_cases());

}  // namespace
