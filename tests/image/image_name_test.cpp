// The image's file name: the block's start time, then the name the tape chose,
// never a path and any byte kept; names too long are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tape/tape_block.h"
#include "end_to_end.h"
#include "tape_signal.h"

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

/// Frames of silence before a block named "T" whose name ends `seconds` into the recording.
uint64_t silence_before(double seconds) {
    return static_cast<uint64_t>(seconds * 44100) - name_end_frames(Placement{}, "T");
}

std::vector<RunCase> name_cases() {
    const std::string sync = good_block_lines(Placement{}, "", 0, "");
    const std::string sync_lines = sync.substr(0, sync.find("  File found"));
    std::vector<RunCase> cases = {
        named("a/b", "a_b"),
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
        // The last millisecond of a minute.
        named("T", "T", silence_before(59.99959)),
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

class ImageNames : public RunCaseTest {};
TEST_P(ImageNames, Written) {
    check_run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(, ImageNames, testing::ValuesIn(name_cases()), row_name<RunCase>);

}  // namespace
