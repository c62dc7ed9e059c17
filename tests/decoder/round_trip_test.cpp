// The backbone of decoder testing: images played by vorlane-synth's module come
// back byte for byte, across formats, rates, waveforms, polarities and chained
// programs. Then recordings made here, whole or cut inside a block, with the
// exact console output (standard error in tests/data) and images.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "end_to_end.h"

namespace {

/// Expects exactly `images` back, in order.
void expect_images(const ScopedTempDir& dir, const ProcessResult& r,
                   const std::vector<std::string>& images, const std::string& label) {
    EXPECT_EQ(r.exit_code, 0) << label;
    const auto written = htp_images(dir.path());
    ASSERT_EQ(written.size(), images.size()) << label << "\n" << r.err;
    for (size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(written[i].second, images[i]) << label << ", image " << i;
}

/// Images with the awkward parts of the format: short and long names, odd
/// name bytes, lengths 0, 1 and 300, and every byte value.
std::vector<std::string> awkward_images() {
    std::string data300, every_byte;
    for (int i = 0; i < 300; ++i) data300 += static_cast<char>((i * 37) ^ 0x5A);
    for (int i = 0; i < 256; ++i) every_byte += static_cast<char>(i);
    return {htp_image("A", 0x4000, ""), htp_image("EIGHTCHR", 0x1234, "x"),
            htp_image(std::string(63, 'M'), 0xFFFF, data300),
            htp_image("odd \x01\x7F\xC3\xA9 name", 0x0000, every_byte)};
}

/// How vorlane-synth plays the awkward images (its options), and vorlane's
/// options that read them back.
struct FormatRow {
    const char* name;
    const char* synth;
    const char* options;
};

// clang-format off
const FormatRow kFormats[] = {
    {"8-bit 22050 Hz", "-s 22050", ""},
    {"8-bit stereo square, inverted", "-w square -c 2 -r", "-r"},
    {"16-bit 48 kHz sine", "-b 16 -w sine -s 48000", ""},
    {"16-bit stereo 22050 Hz, inverted", "-b 16 -s 22050 -c 2 -r", "-r"},
    {"16-bit 96 kHz square", "-b 16 -w square -s 96000", ""},
    {"8-bit 11025 Hz square", "-w square -s 11025", ""},
    {"24-bit sine", "-b 24 -w sine", ""},
    {"32-bit square, inverted", "-b 32 -w square -r", "-r"},
    {"float", "-F", ""},
    {"double, inverted", "-F -b 64 -r", "-r"},
    {"A-law square", "--alaw -w square", ""},
    {"mu-law", "--mulaw", ""},
    {"the tape on the right channel", "-b 16 -c 2 -C 2", "--channel 2"},
    {"24-bit extensible", "-b 24 -x", ""},
    {"16-bit RF64 with chunks", "-b 16 --rf64 --junk --list-text tape-data", ""},
    // Degraded recordings need the right options.
    {"wow and jitter", "-W 1.5 -j 40 -R 7", ""},
    {"noise with edge detection", "-n 30 -R 7", "-m"},
    {"noise with the filter", "-n 30 -R 7", "-f"},
    {"DC offset with edge detection", "-d 0.05 -R 7", "-m"},
};
// clang-format on

class RoundTripFormats : public testing::TestWithParam<FormatRow> {};
TEST_P(RoundTripFormats, EveryImageBack) {
    const std::vector<std::string> images = awkward_images();
    ScopedTempDir dir;
    const std::string wav = synthesized(std::string("-P 0.3 ") + GetParam().synth, images);
    expect_images(dir, run_on_wav(dir, wav, GetParam().options), images, "");
}
INSTANTIATE_TEST_SUITE_P(, RoundTripFormats, testing::ValuesIn(kFormats), row_name<FormatRow>);

/// A chained program: blocks after the first have an empty name and a
/// 128-byte leader, and every marker but the last is 0xD8.
std::string chain(const std::vector<std::string>& blocks, char last_marker = '\0') {
    std::string out;
    for (size_t i = 0; i < blocks.size(); ++i) {
        std::string b =
            htp_image(i == 0 ? "PROG" : "", static_cast<uint16_t>(0x4000 + i), blocks[i]);
        b.back() = i + 1 < blocks.size() ? '\xD8' : last_marker;
        out += i == 0 ? b : b.substr(128);
    }
    return out;
}

TEST(RoundTrip, JoinWritesEachProgramAsOneImage) {
    const std::string single = htp_image("1", 0x4000, "single");
    const std::string two = chain({std::string(300, 'a'), "second"});
    const std::string three = chain({"first", std::string(200, '\x80'), std::string(1, '\0')});
    const std::string cut = chain({"cut", "after its marker"}, '\xD8');
    // The cut chain is broken by the block after it, named with one letter.
    const std::vector<std::string> images = {cut, single, two, three};
    for (const char* format : {"", "-b 16", "-F -c 2"}) {
        ScopedTempDir dir;
        const ProcessResult r = run_on_wav(dir, synthesized(format, images), "--join");
        expect_images(dir, r, images, std::string("--join ") + format);
        // A chain, written under a temporary name first, gets a new file's permissions.
        EXPECT_TRUE(has_new_file_mode(dir.file(htp_images(dir.path())[3].first)));
    }
    // Without --join every block is an image of its own, ending with 0x00.
    ScopedTempDir dir;
    std::string first = three.substr(0, three.find('\xD8', 256 + 10) + 1);
    first.back() = '\0';
    const ProcessResult r = run_on_wav(dir, synthesized("", {three}), "");
    const auto written = htp_images(dir.path());
    ASSERT_EQ(written.size(), 3u) << r.err;
    EXPECT_EQ(written[0].second, first);
    EXPECT_EQ(written[2].first.substr(9), "_.htp");
}

TEST(RoundTrip, BrokenChainsKeepWhatArrived) {
    // Each block is played on its own, after 4410 samples of silence, with a
    // closing edge and 4410 more; the tape's own recording, not the synth's.
    const std::string blocks[] = {htp_image("PROG", 0x4000, "first", 256, '\xD8'),
                                  htp_image("", 0x4000, "second", 256, '\xD8'),
                                  htp_image("", 0x4000, "third")};
    std::string payload;
    std::vector<Placement> at;
    for (size_t i = 0; i < 3; ++i) {
        std::string tape = blocks[i];
        if (i == 1) tape[tape.size() - 2] ^= 0x40;  // the middle block's checksum is wrong
        at.push_back(Placement{44, 1, payload.size()});
        payload += tape_payload(tape, TapeSignalOptions{});
    }
    // The bad block's marker bits reach the leader history: the third block's
    // 100 leader pulses average 1608 usec.
    const std::string first = start_time(at[0], "PROG") + "_PROG.htp";
    const std::string third = start_time(at[2], "") + "_.htp";
    // Cut inside the second block's data: the recording ends before its checksum.
    const size_t cut = at[1].frames_before + 4410 + 576 * 268;
    check_run(on_wav("a bad checksum in the middle", make_wav({}, payload), {"--join"}, 0,
                     expected_header_report(1, 44100, 8, 36, payload.size()) + summary(2),
                     test_data("join_bad_checksum.txt"), {{first, blocks[0]}, {third, blocks[2]}}));
    check_run(on_wav("the recording ends inside the last block",
                     make_wav({}, payload.substr(0, cut)), {"--join"}, 0,
                     expected_header_report(1, 44100, 8, 36, cut) + summary(1),
                     test_data("join_cut.txt"), {{first, blocks[0]}}));
}

TEST(RoundTrip, LargestBlock) {
    std::string data;
    for (int i = 0; i < 65535; ++i) data += static_cast<char>((i * 7) ^ (i >> 8));
    const std::string image = htp_image("BIG", 0x0100, data);
    ScopedTempDir dir;
    expect_images(dir, run_on_wav(dir, synthesized("-b 16", {image}), ""), {image}, "65535 bytes");
}

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
