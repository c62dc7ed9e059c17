// Headers and containers built to break the front end: cut short, with
// impossible rates, sample widths and channel counts, and data tags that
// straddle the reader's buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expected_output.h"
#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "wav_fixture.h"

namespace {

const std::string kNotValid = "This is not a valid WAV file. Exiting...\n";
const std::string kNoData = "Wave data chunk not found. Exiting...\n";
const std::string kNoFiles = "0 file(s) created.\n";
const std::string kRateZero = kNotValid + "Sample rate of 0 Hz.\n";

std::string unsupported(unsigned bits, unsigned tag) {
    return kNotValid + "Unsupported sample format: " + std::to_string(bits) +
           " bits per sample (format tag " + std::to_string(tag) + ").\n";
}

struct FileCase {
    std::string name;
    std::string file;
    std::vector<std::string> options;  // before -i in.wav
    int exit_code;
    std::string out;
    std::string err;
};

/// Runs vorlane on `c.file` in a fresh directory; nothing but the input may
/// be left there afterwards.
void check_file_case(const FileCase& c) {
    ScopedTempDir dir;
    const ProcessResult r = run_vorlane_on(dir.path(), c.file, c.options);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"in.wav"}) << c.name;
    EXPECT_EQ(read_file(dir.file("in.wav")), c.file) << c.name;
}

TEST(HostileHeader, HeaderCutAtEveryLength) {
    // 8-bit mono 44100 Hz whose size field has four different bytes, so a cut
    // inside it shows which bytes were read.
    WavFixture f;
    f.explicit_data_size = true;
    f.data_size = 0x04030201u;
    const std::string whole = make_wav(f, "");
    ASSERT_EQ(whole.size(), 44u);
    const uint32_t partial_size[] = {0, 0x01, 0x0201, 0x030201, 0x04030201};

    for (size_t length = 0; length <= 44; ++length) {
        FileCase c{
            "cut at " + std::to_string(length), whole.substr(0, length), {}, 5, "", kNotValid};
        if (length >= 40) {
            // The tag is whole; the size field has length - 40 of its bytes, the
            // rest read as zero. No samples: only the end-of-input sample.
            c.exit_code = 0;
            c.out = expected_header_report(1, 44100, 8, 36, partial_size[length - 40]) + kNoFiles;
            c.err = "";
        } else if (length >= 35) {
            // Rate and bits are whole from 35 bytes on, but the tag is not: one
            // dot per offset tried, the one whose read meets the end included.
            c.exit_code = 6;
            c.out = expected_format_report(1, 44100, 8) + std::string(length - 2, '.');
            c.err = kNoData;
        } else if (length >= 4) {
            // The fields read so far, missing bytes as zero, name the reason:
            // the rate's low byte arrives at byte 24, the format tag at 20
            // and the 8 of the width at byte 34.
            c.err = length <= 24 ? kRateZero : unsupported(0, length <= 20 ? 0 : 1);
        }
        check_file_case(c);
    }
}

/// 1000 bytes of 8-bit silence behind a header with these fields.
std::string silent_wav(uint16_t channels, uint32_t rate, uint16_t bits) {
    WavFixture f;
    f.channels = channels;
    f.sample_rate = rate;
    f.bits_per_sample = bits;
    return make_wav(f, std::string(1000, '\x80'));
}

std::string report(uint16_t channels, uint32_t rate, uint16_t bits) {
    return expected_header_report(channels, rate, bits, 36, 1000);
}

std::string edge_refused(uint32_t rate) {
    return "Edge detection is not available at " + std::to_string(rate) + " Hz.\n";
}

TEST(HostileHeader, RatesWidthsAndChannels) {
    const std::vector<FileCase> cases = {
        {"RIFF alone", "RIFF", {}, 5, "", kRateZero},
        // Rates. Edge mode needs 1..1000 samples in 1520 us and 1..100 in
        // 125 us; 7999 Hz and 8000 Hz with -m are covered with the options.
        {"rate 1", silent_wav(1, 1, 8), {}, 0, report(1, 1, 8) + kNoFiles, ""},
        {"rate 1, -m", silent_wav(1, 1, 8), {"-m"}, 2, report(1, 1, 8), edge_refused(1)},
        {"rate 7999", silent_wav(1, 7999, 8), {}, 0, report(1, 7999, 8) + kNoFiles, ""},
        {"rate 8000", silent_wav(1, 8000, 8), {}, 0, report(1, 8000, 8) + kNoFiles, ""},
        {"rate 658552", silent_wav(1, 658552, 8), {}, 0, report(1, 658552, 8) + kNoFiles, ""},
        {"rate 658552, -m: 1000 samples fill the baseline ring",
         silent_wav(1, 658552, 8),
         {"-m"},
         0,
         report(1, 658552, 8) + kNoFiles,
         ""},
        {"rate 658553", silent_wav(1, 658553, 8), {}, 0, report(1, 658553, 8) + kNoFiles, ""},
        {"rate 658553, -m: 1001 samples overflow it",
         silent_wav(1, 658553, 8),
         {"-m"},
         2,
         report(1, 658553, 8),
         edge_refused(658553)},
        {"rate 4294967295",
         silent_wav(1, 4294967295u, 8),
         {},
         0,
         report(1, 4294967295u, 8) + kNoFiles,
         ""},
        {"rate 4294967295, -m",
         silent_wav(1, 4294967295u, 8),
         {"-m"},
         2,
         report(1, 4294967295u, 8),
         edge_refused(4294967295u)},
        {"rate 0 forced over a good one is refused",
         silent_wav(1, 44100, 8),
         {"-s", "0"},
         2,
         "",
         "Error parsing argument for '-s'.\n"},
        // Sample widths other than 8 and 16 bits.
        {"0 bits", silent_wav(1, 44100, 0), {}, 5, "", unsupported(0, 1)},
        {"4 bits", silent_wav(1, 44100, 4), {}, 5, "", unsupported(4, 1)},
        {"12 bits", silent_wav(1, 44100, 12), {}, 5, "", unsupported(12, 1)},
        {"32 bits", silent_wav(1, 44100, 32), {}, 0, report(1, 44100, 32) + kNoFiles, ""},
        // 65535 channels of 8 bits: the 1000 bytes are not one whole frame, so
        // only the end-of-input sample is decoded.
        {"65535 channels of 8 bits",
         silent_wav(65535, 44100, 8),
         {},
         0,
         report(65535, 44100, 8) + kNoFiles,
         ""},
    };
    for (const FileCase& c : cases) check_file_case(c);
}

TEST(HostileHeader, WidestFramesAcrossTheReadBuffer) {
    // 65535 channels of 16 bits: 131070-byte frames. Two and a half of them
    // cross the reader's buffer; the half frame is the end of the input.
    WavFixture f;
    f.channels = 65535;
    f.bits_per_sample = 16;
    const size_t frame = 65535u * 2;
    const std::string payload(frame * 5 / 2, '\0');
    check_file_case(
        {"2.5 frames of 65535 16-bit channels",
         make_wav(f, payload),
         {},
         0,
         expected_header_report(65535, 44100, 16, 36, static_cast<uint32_t>(payload.size())) +
             kNoFiles,
         ""});
}

TEST(HostileHeader, DataTagAroundTheReadBuffer) {
    // The reader takes 256 KiB at a time; a tag at any offset, straddling the
    // end of a buffer or not, must be found with one dot per offset before it.
    constexpr size_t kBuffer = 256 * 1024;
    std::vector<FileCase> cases;
    for (size_t tag : {kBuffer - 5, kBuffer - 4, kBuffer - 3, kBuffer - 2, kBuffer - 1, kBuffer,
                       kBuffer + 1, 2 * kBuffer - 2}) {
        std::string file = make_wav(WavFixture{}, "");
        file.replace(36, 4, "dat_");
        file.resize(tag, 'a');
        file += "data" + le32(2) + "\x80\x80";
        cases.push_back({"tag at " + std::to_string(tag),
                         file,
                         {},
                         0,
                         expected_header_report(1, 44100, 8, tag, 2) + kNoFiles,
                         ""});
        // The same tag as the very last bytes of the file: no size field at all.
        file.resize(tag + 4);
        cases.push_back({"tag at " + std::to_string(tag) + " ending the file",
                         file,
                         {},
                         0,
                         expected_header_report(1, 44100, 8, tag, 0) + kNoFiles,
                         ""});
        // One byte short of the tag: not found, one dot per offset tried.
        file.resize(tag + 3);
        cases.push_back({"tag cut at " + std::to_string(tag),
                         file,
                         {},
                         6,
                         expected_format_report(1, 44100, 8) + std::string(tag + 1, '.'),
                         kNoData});
    }
    for (const FileCase& c : cases) check_file_case(c);
}

}  // namespace
