// The backbone of decoder testing: images played into recordings by
// vorlane-synth's module come back from vorlane byte for byte, across sample
// formats, rates, waveforms and polarities.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "synth.h"
#include "tape_signal.h"

namespace {

/// The image files vorlane wrote, in the order of their start times.
std::vector<std::pair<std::string, std::string>> written_images(const ScopedTempDir& dir) {
    std::vector<std::pair<std::string, std::string>> images;
    for (const std::string& name : list_dir(dir.path())) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".htp")
            images.emplace_back(name, read_file(dir.file(name)));
    }
    return images;
}

/// Plays `images` with `settings` into dir/tape.wav; returns the synth's code.
int synthesize(const ScopedTempDir& dir, const SynthSettings& settings,
               const std::vector<std::string>& images) {
    std::vector<SynthImage> list;
    for (const std::string& bytes : images)
        list.push_back({"test.htp", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    char message[256] = "";
    const int code = synth_write_wav(settings, list.data(), list.size(),
                                     dir.file("tape.wav").c_str(), message, sizeof message);
    EXPECT_EQ(code, 0) << message;
    return code;
}

std::string all_byte_values() {
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
    return s;
}

/// Images with the awkward parts of the format: short and long names, odd
/// name bytes, lengths 0, 1 and 300, and every byte value.
std::vector<std::string> awkward_images() {
    std::string data300;
    for (int i = 0; i < 300; ++i) data300 += static_cast<char>((i * 37) ^ 0x5A);
    return {
        htp_image("A", 0x4000, ""),
        htp_image("EIGHTCHR", 0x1234, "x"),
        htp_image(std::string(63, 'M'), 0xFFFF, data300),
        htp_image("odd \x01\x7F\xC3\xA9 name", 0x0000, all_byte_values()),
    };
}

struct Format {
    int bits;
    int channels;
    uint32_t rate;
};

TEST(RoundTrip, EveryFormatWaveformAndPolarity) {
    const std::vector<std::string> images = awkward_images();
    const Format formats[] = {{8, 1, 22050},  {8, 2, 44100}, {16, 1, 48000},
                              {16, 2, 22050}, {8, 1, 48000}, {16, 1, 44100}};
    const Waveform waveforms[] = {Waveform::kPulse, Waveform::kSquare, Waveform::kSine};
    for (const Format& f : formats) {
        for (Waveform w : waveforms) {
            for (bool inverted : {false, true}) {
                const std::string label =
                    std::to_string(f.bits) + "-bit " + std::to_string(f.channels) + " ch " +
                    std::to_string(f.rate) + " Hz waveform " + std::to_string(static_cast<int>(w)) +
                    (inverted ? " inverted" : "");
                SynthSettings s;
                s.bits_per_sample = f.bits;
                s.channels = f.channels;
                s.sample_rate = f.rate;
                s.waveform = w;
                s.inverted = inverted;
                s.silence_between_s = 0.3;
                ScopedTempDir dir;
                if (synthesize(dir, s, images) != 0) continue;
                std::vector<std::string> args{"-i", "tape.wav"};
                if (inverted) args.insert(args.begin(), "-r");
                const ProcessResult r = run_process(vorlane_binary(), args, dir.path());
                EXPECT_EQ(r.exit_code, 0) << label;
                const auto written = written_images(dir);
                ASSERT_EQ(written.size(), images.size()) << label << "\n" << r.err;
                for (size_t i = 0; i < images.size(); ++i)
                    EXPECT_EQ(written[i].second, images[i]) << label << ", image " << i;
            }
        }
    }
}

TEST(RoundTrip, NamesChooseNoDirectory) {
    const std::string image = htp_image("../etc/x\\y", 0x4000, "data");
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir, SynthSettings{}, {image}), 0);
    const ProcessResult r = run_process(vorlane_binary(), {"-i", "tape.wav"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    const auto written = written_images(dir);
    ASSERT_EQ(written.size(), 1u) << r.err;
    // Only the file name changes; the tape name inside the image stays.
    EXPECT_EQ(written[0].first.substr(9), "_.._etc_x_y.htp");
    EXPECT_EQ(written[0].second, image);
    EXPECT_EQ(list_dir(dir.path()).size(), 2u) << "only the recording and the image";
}

TEST(RoundTrip, MultiBlockImageGivesOneImagePerBlock) {
    // Blocks after the first carry an empty name and a 128-byte leader, and
    // the marker 0xD8 says another block follows.
    const std::string first = htp_image("MULTI", 0x4000, "first block");
    const std::string second = htp_image("", 0x5000, "second");
    const std::string third = htp_image("", 0x6000, std::string(1, '\0'));
    std::string multi = first;
    multi.back() = '\xD8';
    multi += second.substr(128);
    multi.back() = '\xD8';
    multi += third.substr(128);
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir, SynthSettings{}, {multi}), 0);
    const ProcessResult r = run_process(vorlane_binary(), {"-i", "tape.wav"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    const auto written = written_images(dir);
    ASSERT_EQ(written.size(), 3u) << r.err;
    EXPECT_EQ(written[0].second, first);
    EXPECT_EQ(written[1].second, second);
    EXPECT_EQ(written[2].second, third);
    EXPECT_EQ(written[1].first.substr(9), "_.htp");
}

TEST(RoundTrip, LargestBlock) {
    std::string data;
    for (int i = 0; i < 65535; ++i) data += static_cast<char>((i * 7) ^ (i >> 8));
    const std::string image = htp_image("BIG", 0x0100, data);
    SynthSettings s;
    s.bits_per_sample = 16;
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir, s, {image}), 0);
    const ProcessResult r = run_process(vorlane_binary(), {"-i", "tape.wav"}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    const auto written = written_images(dir);
    ASSERT_EQ(written.size(), 1u) << r.err;
    EXPECT_EQ(written[0].second, image);
}

TEST(RoundTrip, DegradedRecordingsDecodeWithTheRightOptions) {
    struct Case {
        const char* name;
        double noise_db, dc, wow, jitter;
        std::vector<std::string> options;
    };
    const Case cases[] = {
        {"wow and jitter", 0, 0, 1.5, 40, {}},
        {"noise with edge detection", 30, 0, 0, 0, {"-m"}},
        {"noise with the filter", 30, 0, 0, 0, {"-f"}},
        {"DC offset with edge detection", 0, 0.05, 0, 0, {"-m"}},
    };
    const std::vector<std::string> images = awkward_images();
    for (const Case& c : cases) {
        SynthSettings s;
        s.noise_snr_db = c.noise_db;
        s.dc_offset = c.dc;
        s.wow_percent = c.wow;
        s.jitter_us = c.jitter;
        s.seed = 7;
        ScopedTempDir dir;
        ASSERT_EQ(synthesize(dir, s, images), 0) << c.name;
        std::vector<std::string> args = c.options;
        args.push_back("-i");
        args.push_back("tape.wav");
        const ProcessResult r = run_process(vorlane_binary(), args, dir.path());
        const auto written = written_images(dir);
        ASSERT_EQ(written.size(), images.size()) << c.name << "\n" << r.err;
        for (size_t i = 0; i < images.size(); ++i)
            EXPECT_EQ(written[i].second, images[i]) << c.name << ", image " << i;
    }
}

}  // namespace
