// The input read through a window of our own: the header's "data" tag across
// a window's end, and a format, a data chunk and a tape past the first window.
#include "wav/input_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "tape_signal.h"

namespace {

constexpr uint64_t kWindow = kInputChunkBytes;

/// The scan for "data" keeps the three bytes a tag may still begin with when
/// it refills, so the second window ends three bytes short of twice its size.
std::vector<RunCase> tag_cases() {
    std::vector<RunCase> cases;
    for (uint64_t tag : {kWindow - 3, kWindow - 1, kWindow, 2 * kWindow - 5}) {
        std::string file = make_wav(WavFixture{}, "");
        file.replace(36, 4, "dat_");
        file.resize(tag, 'a');
        file += "data" + le32(2) + "\x80\x80";
        const std::string at = " at " + std::to_string(tag);
        cases.push_back(on_wav("tag" + at, file, {}, 0,
                               expected_header_report(1, 44100, 8, tag, 2) + summary(0), ""));
        file.resize(tag + 4);  // the tag ends the file: no size field
        cases.push_back(on_wav("tag ending the file" + at, file, {}, 0,
                               expected_header_report(1, 44100, 8, tag, 0) + summary(0), ""));
        file.resize(tag + 3);  // one byte short of a tag
        cases.push_back(on_wav("tag cut" + at, file, {}, 6,
                               expected_header_report(1, 44100, 8, tag + 1, -1),
                               "Wave data chunk not found. Exiting...\n"));
    }
    // The format and a tape past the first window: the chunk walk looks ahead
    // of the buffer, and the stream moves there.
    const std::string image = htp_image("FAR", 0x4000, "far"), tape = tape_payload(image, {});
    std::string wav = make_wav(WavFixture{}, tape);
    wav.insert(12, "JUNK" + le32(kWindow) + std::string(kWindow, '\0'));
    wav.replace(4, 4, le32(static_cast<uint32_t>(wav.size() - 8)));
    const Placement far{kWindow + 52};
    const std::string file = start_time(far, "FAR") + "_FAR.htp";
    cases.push_back(
        on_wav("format and tape past the first window", wav, {}, 0,
               expected_header_report(1, 44100, 8, kWindow + 44, tape.size()) + summary(1),
               good_block_lines(far, "FAR", 0x4000, "far") + "  File written: " + file + "\n\n",
               {{file, image}}));
    return cases;
}
RUN_CASE_TABLE(DataTagAcrossWindows, Found, tag_cases());

}  // namespace
