// Whole recordings through the vorlane binary, compared byte for byte with
// the console output and the images a tape of known content must give. The
// recordings are made here, independently of vorlane-synth.
#include <gtest/gtest.h>

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

/// The bits of 0xA5 shifting in after the zeros of the leader, from `offset` on.
std::string leader_warnings(unsigned offset, const std::vector<const char*>& times) {
    const char* bytes[] = {"01", "02", "05", "0A", "14", "29", "52"};
    std::string text;
    char line[96];
    for (size_t i = 0; i < times.size(); ++i, offset += 72) {
        std::snprintf(line, sizeof line, "Warning: non-zero sync (%s) @ %u (0x%08X) time: %s.\n",
                      bytes[i], offset, offset, times[i]);
        text += line;
    }
    return text;
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

TEST(DecodeGolden, ConsoleOutputAndImages) {
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
    const std::string cond_lines =
        "  File found:  COND\n  Start time: 00.03.522\n  Start: 4000h - length: 0003h\n"
        "  Data block length: 3 (0x0003) bytes\n  Stop time: 00.03.626\n  CRC OK (26h)\n"
        "  File written: 00.03.522_COND.htp\n\n";
    const auto golden = [](const char* name, const std::string& payload,
                           std::vector<std::string> options, std::string err, unsigned files,
                           std::vector<std::pair<std::string, std::string>> made) {
        return on_wav(name, make_wav(WavFixture{}, payload), std::move(options), 0,
                      expected_header_report(1, 44100, 8, 36, payload.size()) + summary(files),
                      std::move(err), std::move(made));
    };
    const std::vector<RunCase> cases = {
        golden("verbose warnings", glitched_tape(hi), {"-v"},
               leader_warnings(151983, {"3.445329", "3.446961", "3.448594", "3.450227", "3.451859",
                                        "3.453492", "3.455125"}) +
                   kSyncLines +
                   "  File found:  HI\n  Start time: 00.03.495\n  Start: 1234h - length: 0003h\n"
                   "  Data block length: 3 (0x0003) bytes\n"
                   // 80 samples: (80 * 1000000 + 22050) / 44100 = 1814 usec.
                   "Warning: pulse (1814 usec) too long @ 156635 (0x000263DB) time: 3.550816 sec.\n"
                   "Warning: long pulse after short @ 156635 (0x000263DB) time: 3.550816 sec.\n"
                   "  Stop time: 00.03.601\n  CRC OK (06h)\n  File written: 00.03.495_HI.htp\n\n",
               1, {{"00.03.495_HI.htp", hi}}),
        golden("refused long name then a good block",
               tape_payload(long_name, plain) + tape_payload(htp_image("OK", 1, "x"), plain), {},
               kSyncLines +
                   "  Abort. Filename too long: 65 > 64.\n"
                   "Sync found at offset: 350823 (0x00055A67) time: 7.954172 sec.\n"
                   // 97 leader periods of 1633 usec and three short ones of 816
                   // recorded while the warning budget was spent.
                   "  Average sync pulse distance: 1608 usec.\n"
                   "  File found:  OK\n  Start time: 00.07.993\n"
                   "  Start: 0001h - length: 0001h\n  Data block length: 1 (0x0001) bytes\n"
                   "  Stop time: 00.08.071\n  CRC OK (78h)\n"
                   "  File written: 00.07.993_OK.htp\n\n",
               1, {{"00.07.993_OK.htp", htp_image("OK", 1, "x")}}),
        golden("ends right after a good checksum", tape_payload(cut_after_checksum, silent_end), {},
               kSyncLines +
                   "  File found:  END\n  Start time: 00.03.509\n  Start: 8000h - length: 0001h\n"
                   "  Data block length: 1 (0x0001) bytes\n"
                   // The end-of-input sample makes the edge that completes the checksum.
                   "  Stop time: 00.03.687\n  CRC OK (02h)\n  File written: 00.03.509_END.htp\n\n",
               1, {{"00.03.509_END.htp", htp_image("END", 0x8000, "\x02")}}),
        // Every conditioning stage at once: the filter reaches the console
        // through edge mode's baseline, the rest through -o.
        golden("filtered, edge mode, amplified", tape_payload(cond, square),
               {"-f", "-m", "-g", "6", "-v", "-o", "raw.bin"},
               "Gain set to 6 dB.\n" +
                   leader_warnings(151985, {"3.445374", "3.447007", "3.448639", "3.450272",
                                            "3.451905", "3.453537", "3.455170"}) +
                   "Sync found at offset: 152489 (0x000253A9) time: 3.456803 sec.\n"
                   "  Average sync pulse distance: 1633 usec.\n" +
                   cond_lines +
                   // The filter's memories decaying after the tape make these edges.
                   "Warning: non-zero sync (01) @ 160602 (0x0002735A) time: 3.640771.\n"
                   "Warning: non-zero sync (03) @ 160606 (0x0002735E) time: 3.640862.\n"
                   "Warning: non-zero sync (07) @ 160610 (0x00027362) time: 3.640952.\n"
                   "Warning: non-zero sync (0E) @ 164972 (0x0002846C) time: 3.739864.\n",
               1, {{"raw.bin", "fnv1a64:6ebd070bee106bd5 164929"}, {"00.03.522_COND.htp", cond}}),
        golden("filtered alone", tape_payload(cond, square), {"-f", "-o", "raw.bin"},
               kSyncLines + cond_lines, 1,
               {{"raw.bin", "fnv1a64:37cbefce6796e153 164929"}, {"00.03.522_COND.htp", cond}}),
    };
    for (const RunCase& c : cases) check_run(c);
}

}  // namespace
