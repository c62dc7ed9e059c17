// Whole recordings through the vorlane binary, compared byte for byte with
// the console output and the images a tape of known content must give. The
// recordings are made here, independently of vorlane-synth.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "end_to_end.h"
#include "tape_signal.h"

namespace {

// Every tape here starts after 4410 samples of silence with a 256-byte leader
// of 72-sample periods: the sync byte ends at sample 4410 + 257 * 576, byte
// offset 44 + 152442 + 1 = 152487, at (152487 - 44) / 44100 = 3.456757 s.
const std::string kSyncLines =
    "Sync found at offset: 152487 (0x000253A7) time: 3.456757 sec.\n"
    "  Average sync pulse distance: 1633 usec.\n";

// The bits of 0xA5 shifting in after the zeros of the leader.
const std::string kLeaderWarnings =
    "Warning: non-zero sync (01) @ 151983 (0x000251AF) time: 3.445329.\n"
    "Warning: non-zero sync (02) @ 152055 (0x000251F7) time: 3.446961.\n"
    "Warning: non-zero sync (05) @ 152127 (0x0002523F) time: 3.448594.\n"
    "Warning: non-zero sync (0A) @ 152199 (0x00025287) time: 3.450227.\n"
    "Warning: non-zero sync (14) @ 152271 (0x000252CF) time: 3.451859.\n"
    "Warning: non-zero sync (29) @ 152343 (0x00025317) time: 3.453492.\n"
    "Warning: non-zero sync (52) @ 152415 (0x0002535F) time: 3.455125.\n";

/// A tape whose first data bit (a 0) is played as a short period followed by
/// an overlong one: the bit survives, with both pulse warnings.
std::string glitched_tape() {
    const std::string image = htp_image("HI", 0x1234, std::string("\x01\x02\x03", 3));
    const size_t first_data_byte = 256 + 1 + 3 + 4;
    TapeSignalOptions o;
    o.trail_silence = 0;
    o.closing_edge = false;
    std::string payload = tape_payload(image.substr(0, first_data_byte), o);
    payload += tape_period(36, o) + tape_period(80, o);
    TapeSignalOptions rest;
    rest.lead_silence = 0;
    // The rest of the first data byte 0x01 (seven bits: 0000001), then the others.
    for (int i = 0; i < 6; ++i) payload += tape_period(72, rest);
    payload += tape_period(36, rest) + tape_period(36, rest);
    payload += tape_payload(image.substr(first_data_byte + 1), rest);
    return payload;
}

TEST(DecodeGolden, ConsoleOutputAndImages) {
    TapeSignalOptions plain;
    std::string bad_crc = htp_image("BAD", 0x4000, "\x34");
    bad_crc[bad_crc.size() - 2] = '\x12';
    const std::string long_name = htp_image(std::string(64, 'N'), 0, std::string(1, '\0'));
    std::string cut_after_checksum = htp_image("END", 0x8000, "\x02");
    cut_after_checksum.pop_back();     // the end marker never comes
    TapeSignalOptions square = plain;  // a quiet square wave
    square.square = true;
    square.amplitude = 30;
    const std::string conditioned = htp_image("COND", 0x4000, "abc");
    const std::string cond_lines =
        "  File found:  COND\n"
        "  Start time: 00.03.522\n"
        "  Start: 4000h - length: 0003h\n"
        "  Data block length: 3 (0x0003) bytes\n"
        "  Stop time: 00.03.626\n"
        "  CRC OK (26h)\n"
        "  File written: 00.03.522_COND.htp\n\n";
    TapeSignalOptions silent_end = plain;
    silent_end.closing_edge = false;
    const auto golden = [](const char* name, const std::string& payload,
                           std::vector<std::string> options, std::string err, unsigned files,
                           std::vector<std::pair<std::string, std::string>> made) {
        return on_wav(name, make_wav(WavFixture{}, payload), std::move(options), 0,
                      expected_header_report(1, 44100, 8, 36, payload.size()) + summary(files),
                      std::move(err), std::move(made));
    };
    const std::vector<RunCase> cases = {
        golden("verbose warnings", glitched_tape(), {"-v"},
               kLeaderWarnings + kSyncLines +
                   "  File found:  HI\n"
                   "  Start time: 00.03.495\n"
                   "  Start: 1234h - length: 0003h\n"
                   "  Data block length: 3 (0x0003) bytes\n"
                   // 80 samples: (80 * 1000000 + 22050) / 44100 = 1814 usec.
                   "Warning: pulse (1814 usec) too long @ 156635 (0x000263DB) time: 3.550816 sec.\n"
                   "Warning: long pulse after short @ 156635 (0x000263DB) time: 3.550816 sec.\n"
                   "  Stop time: 00.03.601\n"
                   "  CRC OK (06h)\n"
                   "  File written: 00.03.495_HI.htp\n\n",
               1, {{"00.03.495_HI.htp", htp_image("HI", 0x1234, std::string("\x01\x02\x03", 3))}}),
        golden("crc error shows the computed sum", tape_payload(bad_crc, plain), {},
               kSyncLines + "  File found:  BAD\n"
                            "  Start time: 00.03.509\n"
                            "  Start: 4000h - length: 0001h\n"
                            "  Data block length: 1 (0x0001) bytes\n"
                            "  Stop time: 00.03.587\n"
                            "  CRC error: 34h\n",
               0, {}),
        golden("refused long name then a good block",
               tape_payload(long_name, plain) + tape_payload(htp_image("OK", 1, "x"), plain), {},
               kSyncLines + "  Abort. Filename too long: 65 > 64.\n"
                            "Sync found at offset: 350823 (0x00055A67) time: 7.954172 sec.\n"
                            // 97 leader periods of 1633 usec and three short ones of 816
                            // recorded while the warning budget was spent.
                            "  Average sync pulse distance: 1608 usec.\n"
                            "  File found:  OK\n"
                            "  Start time: 00.07.993\n"
                            "  Start: 0001h - length: 0001h\n"
                            "  Data block length: 1 (0x0001) bytes\n"
                            "  Stop time: 00.08.071\n"
                            "  CRC OK (78h)\n"
                            "  File written: 00.07.993_OK.htp\n\n",
               1, {{"00.07.993_OK.htp", htp_image("OK", 1, "x")}}),
        golden("ends right after a good checksum", tape_payload(cut_after_checksum, silent_end), {},
               kSyncLines + "  File found:  END\n"
                            "  Start time: 00.03.509\n"
                            "  Start: 8000h - length: 0001h\n"
                            "  Data block length: 1 (0x0001) bytes\n"
                            // The end-of-input sample makes the edge that completes the checksum.
                            "  Stop time: 00.03.687\n"
                            "  CRC OK (02h)\n"
                            "  File written: 00.03.509_END.htp\n\n",
               1, {{"00.03.509_END.htp", htp_image("END", 0x8000, "\x02")}}),
        // Every conditioning stage at once: the filter reaches the console
        // through edge mode's baseline, the rest through -o.
        golden(
            "filtered, edge mode, amplified", tape_payload(conditioned, square),
            {"-f", "-m", "-g", "6", "-v", "-o", "raw.bin"},
            "Gain set to 6 dB.\n"
            "Warning: non-zero sync (01) @ 151985 (0x000251B1) time: 3.445374.\n"
            "Warning: non-zero sync (02) @ 152057 (0x000251F9) time: 3.447007.\n"
            "Warning: non-zero sync (05) @ 152129 (0x00025241) time: 3.448639.\n"
            "Warning: non-zero sync (0A) @ 152201 (0x00025289) time: 3.450272.\n"
            "Warning: non-zero sync (14) @ 152273 (0x000252D1) time: 3.451905.\n"
            "Warning: non-zero sync (29) @ 152345 (0x00025319) time: 3.453537.\n"
            "Warning: non-zero sync (52) @ 152417 (0x00025361) time: 3.455170.\n"
            "Sync found at offset: 152489 (0x000253A9) time: 3.456803 sec.\n"
            "  Average sync pulse distance: 1633 usec.\n" +
                cond_lines +
                // The filter's memories decaying after the tape make these edges.
                "Warning: non-zero sync (01) @ 160602 (0x0002735A) time: 3.640771.\n"
                "Warning: non-zero sync (03) @ 160606 (0x0002735E) time: 3.640862.\n"
                "Warning: non-zero sync (07) @ 160610 (0x00027362) time: 3.640952.\n"
                "Warning: non-zero sync (0E) @ 164972 (0x0002846C) time: 3.739864.\n",
            1,
            {{"raw.bin", "fnv1a64:6ebd070bee106bd5 164929"}, {"00.03.522_COND.htp", conditioned}}),
        golden(
            "filtered alone", tape_payload(conditioned, square), {"-f", "-o", "raw.bin"},
            kSyncLines + cond_lines, 1,
            {{"raw.bin", "fnv1a64:37cbefce6796e153 164929"}, {"00.03.522_COND.htp", conditioned}}),
    };
    for (const RunCase& c : cases) check_run(c);
}

}  // namespace
