#include "wav_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "scoped_temp_dir.h"
#include "synth_test_helpers.h"
#include "wav_fixture.h"

namespace {

const std::string kImage = htp_bytes({{"HDR", 0x4000, "abc"}});

/// Samples in a recording of kImage: silences, every period, the closing short period.
double expected_frames(uint32_t rate) {
    double us = 0.5e6 + 0.5e6 + 816;
    for (double p : periods_of(kImage, 816, 1633)) us += p;
    return us * rate / 1e6;
}

TEST(SynthWavHeader, CanonicalHeaderForEveryFormat) {
    struct Case {
        uint32_t rate;
        int bits;
        int channels;
    };
    const std::vector<Case> cases = {
        {44100, 8, 1},  {44100, 16, 1}, {44100, 8, 2}, {44100, 16, 2}, {48000, 8, 1},
        {22050, 16, 2}, {8000, 8, 1},   {11025, 8, 1}, {96000, 16, 1}, {384000, 8, 2},
    };
    for (const Case& c : cases) {
        const std::string row = std::to_string(c.rate) + " Hz " + std::to_string(c.bits) + " bit " +
                                std::to_string(c.channels) + " ch";
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("a.htp"), kImage));
        const ProcessResult r =
            run_process(vorlane_synth_binary(),
                        {"-s", std::to_string(c.rate), "-b", std::to_string(c.bits), "-c",
                         std::to_string(c.channels), "-o", "out.wav", "a.htp"},
                        dir.path());
        ASSERT_EQ(r.exit_code, 0) << row << ": " << r.err;
        const std::string wav = read_file(dir.file("out.wav"));
        ASSERT_GT(wav.size(), 44u) << row;
        const uint32_t data = static_cast<uint32_t>(wav.size() - 44);
        const uint16_t align = static_cast<uint16_t>(c.channels * c.bits / 8);
        const std::string header = "RIFF" + le32(36 + data) + "WAVE" + "fmt " + le32(16) + le16(1) +
                                   le16(static_cast<uint16_t>(c.channels)) + le32(c.rate) +
                                   le32(c.rate * align) + le16(align) +
                                   le16(static_cast<uint16_t>(c.bits)) + "data" + le32(data);
        EXPECT_EQ(wav.substr(0, 44), header) << row;
        EXPECT_EQ(data % 2, 0u) << row << ": a RIFF chunk has an even size";
        EXPECT_EQ(data % align, 0u) << row;
        EXPECT_NEAR(data / align, expected_frames(c.rate), 1.5) << row;
        if (c.channels == 2) {
            const size_t width = static_cast<size_t>(c.bits / 8);
            int differ = 0;
            for (size_t i = 44; i + align <= wav.size(); i += align) {
                differ += wav.compare(i, width, wav, i + width, width) != 0;
            }
            EXPECT_EQ(differ, 0) << row << ": both channels carry the signal";
        }
    }
}

TEST(SynthWavHeader, BuiltHeaderForGivenSizes) {
    uint8_t header[kWavHeaderBytes];
    wav_header_build(header, 22050, 16, 2, 1000);
    const std::string expected = "RIFF" + le32(1036) + "WAVEfmt " + le32(16) + le16(1) + le16(2) +
                                 le32(22050) + le32(88200) + le16(4) + le16(16) + "data" +
                                 le32(1000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(header), sizeof header), expected);
}

TEST(SynthOutputFiles, ReplacesAnExistingFileAndLeavesNoTemporary) {
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("out.wav"), "old contents"));
    std::string message;
    ASSERT_EQ(synthesize(SynthSettings{}, {kImage}, dir.file("out.wav"), &message), kSynthOk)
        << message;
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"out.wav"});
    EXPECT_EQ(read_file(dir.file("out.wav")).substr(0, 4), "RIFF");
}

TEST(SynthOutputFiles, FailuresLeaveNothingBehind) {
    struct Case {
        const char* name;
        std::string out;  ///< relative to the temporary directory
        std::string message;
    };
    const std::vector<Case> cases = {
        {"missing directory", "nodir/out.wav",
         "cannot create a file next to nodir/out.wav: No such file or directory"},
        {"directory as output", "taken", "cannot write taken: Is a directory"},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("a.htp"), kImage));
        ASSERT_EQ(mkdir(dir.file("taken").c_str(), 0755), 0);
        const ProcessResult r =
            run_process(vorlane_synth_binary(), {"-o", c.out, "a.htp"}, dir.path());
        EXPECT_EQ(r.exit_code, kSynthUsageOrIo) << c.name;
        EXPECT_EQ(r.err, "vorlane-synth: " + c.message + "\n") << c.name;
        EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"a.htp", "taken"})) << c.name;
        EXPECT_TRUE(list_dir(dir.file("taken")).empty()) << c.name;
    }
}

}  // namespace
