// Whole recordings through the vorlane binary, compared byte for byte with
// the console output and the images a tape of known content must give. The
// recordings are made here, independently of vorlane-synth; the expected
// standard error of each is in tests/data. Recordings cut inside a block.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "tape_signal.h"

namespace {

/// A tape whose first data bit (a 0) is played as a short period followed by
/// an overlong one: the bit survives, with both pulse warnings.
std::string glitched_tape(const std::string& image) {
    TapeSignalOptions o, rest;
    o.trail_silence = 0;
    o.closing_edge = false;
    rest.lead_silence = 0;
    std::string payload =
        tape_payload(image.substr(0, 264), o) + tape_period(36, o) + tape_period(80, o);
    // The rest of the first data byte 0x01 (seven bits: 0000001), then the others.
    for (int i = 0; i < 6; ++i) payload += tape_period(72, rest);
    return payload + tape_period(36, rest) + tape_period(36, rest) +
           tape_payload(image.substr(265), rest);
}

std::vector<RunCase> golden_cases() {
    const TapeSignalOptions plain;
    const std::string hi = htp_image("HI", 0x1234, std::string("\x01\x02\x03", 3));
    const std::string long_name = htp_image(std::string(64, 'N'), 0, std::string(1, '\0'));
    std::string cut_after_checksum = htp_image("END", 0x8000, "\x02");
    cut_after_checksum.pop_back();  // the end marker never comes
    TapeSignalOptions square = plain, silent_end = plain;
    square.square = true;  // a quiet square wave
    square.amplitude = 30;
    silent_end.closing_edge = false;
    const std::string cond = htp_image("COND", 0x4000, "abc");
    const auto golden = [](const char* name, const std::string& payload,
                           std::vector<std::string> options, unsigned files,
                           std::vector<std::pair<std::string, std::string>> made) {
        return on_wav(name, make_wav(WavFixture{}, payload), std::move(options), 0,
                      expected_header_report(1, 44100, 8, 36, payload.size()) + summary(files),
                      test_data(std::string("decode_") + name + ".txt"), std::move(made));
    };
    return {
        // An 80-sample period: (80 * 1000000 + 22050) / 44100 = 1814 usec, too long.
        golden("verbose_warnings", glitched_tape(hi), {"-v"}, 1, {{"00.03.495_HI.htp", hi}}),
        // The second block's leader history: 97 periods of 1633 usec and three
        // short ones of 816 recorded while the warning budget was spent.
        golden("long_name_then_good_block",
               tape_payload(long_name, plain) + tape_payload(htp_image("OK", 1, "x"), plain), {}, 1,
               {{"00.07.993_OK.htp", htp_image("OK", 1, "x")}}),
        // The end-of-input sample makes the edge that completes the checksum.
        golden("ends_after_checksum", tape_payload(cut_after_checksum, silent_end), {}, 1,
               {{"00.03.509_END.htp", htp_image("END", 0x8000, "\x02")}}),
        // Every conditioning stage at once: the filter reaches the console
        // through edge mode's baseline (its memories decaying after the tape
        // make the last edges), the rest through -o.
        golden("filtered_edge_mode_gain", tape_payload(cond, square),
               {"-f", "-m", "-g", "6", "-v", "-o", "raw.bin"}, 1,
               {{"raw.bin", "fnv1a64:6ebd070bee106bd5 164929"}, {"00.03.522_COND.htp", cond}}),
        golden("filtered", tape_payload(cond, square), {"-f", "-o", "raw.bin"}, 1,
               {{"raw.bin", "fnv1a64:37cbefce6796e153 164929"}, {"00.03.522_COND.htp", cond}}),
    };
}

RUN_CASE_TABLE(DecodeGolden, ConsoleOutputAndImages, golden_cases());

/// A recording that stops inside a block: the lines read so far, no image.
std::vector<RunCase> cut_cases() {
    const std::string data(300, 'd'), hello = htp_image("HELLO", 0x1234, data);
    const std::string lines = good_block_lines(Placement{}, "HELLO", 0x1234, data);
    const std::string sync = lines.substr(0, lines.find("  File found"));
    return {
        on_tape("cut after the sync byte", hello, 257, sync),
        on_tape("cut in the name", hello, 259, sync),
        on_tape("cut in the data", hello, 367, lines.substr(0, lines.find("  Stop time"))),
    };
}

RUN_CASE_TABLE(CutTapes, NothingWritten, cut_cases());

}  // namespace
