// --recover end to end: a grid of degradations and shapes through
// vorlane-synth, damaged blocks that must never give a wrong image, recordings
// with nothing on them, and the exact lines of a block that needed help.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "synth.h"
#include "tape_signal.h"

namespace {

/// Runs vorlane --recover on dir/tape.wav.
ProcessResult run_recover(const ScopedTempDir& dir) {
    return run_process(vorlane_binary(), {"--recover", "-i", "tape.wav"}, dir.path());
}

void synthesize(const ScopedTempDir& dir, const SynthSettings& s,
                const std::vector<std::string>& images) {
    std::vector<SynthImage> list;
    for (const std::string& b : images)
        list.push_back({"t.htp", reinterpret_cast<const uint8_t*>(b.data()), b.size()});
    char message[256] = "";
    ASSERT_EQ(synth_write_wav(s, list.data(), list.size(), dir.file("tape.wav").c_str(), message,
                              sizeof message),
              0)
        << message;
}

/// Blocks of pseudo-random data with names B0, B1, ...
std::vector<std::string> test_images(int count, int length, unsigned seed) {
    std::vector<std::string> images;
    for (int i = 0; i < count; ++i) {
        std::string data;
        for (int k = 0; k < length; ++k) {
            seed = seed * 1103515245u + 12345u;
            data += static_cast<char>(seed >> 16);
        }
        images.push_back(
            htp_image("B" + std::to_string(i), static_cast<uint16_t>(0x4000 + i), data));
    }
    return images;
}

struct Score {
    int recovered = 0;  ///< images equal to one on the tape
    int wrong = 0;      ///< images equal to none
};

Score score(const ScopedTempDir& dir, const std::vector<std::string>& images) {
    Score s;
    for (const std::string& name : list_dir(dir.path())) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".htp") continue;
        const bool known = std::count(images.begin(), images.end(), read_file(dir.file(name))) > 0;
        ++(known ? s.recovered : s.wrong);
    }
    return s;
}

struct GridRow {
    const char* label;
    void (*apply)(SynthSettings*);
};

const GridRow kGrid[] = {
    {"noise 12 dB", [](SynthSettings* s) { s->noise_snr_db = 12; }},
    {"DC +0.5", [](SynthSettings* s) { s->dc_offset = 0.5; }},
    {"-50 dBFS", [](SynthSettings* s) { s->amplitude = 0.00316; }},
    {"inverted", [](SynthSettings* s) { s->inverted = true; }},
    {"speed +10%", [](SynthSettings* s) { s->short_period_us /= 1.1, s->long_period_us /= 1.1; }},
    {"speed -10%", [](SynthSettings* s) { s->short_period_us /= 0.9, s->long_period_us /= 0.9; }},
    {"wow 2%", [](SynthSettings* s) { s->wow_percent = 2; }},
    {"jitter 100 us", [](SynthSettings* s) { s->jitter_us = 100; }},
    {"11025 Hz", [](SynthSettings* s) { s->sample_rate = 11025; }},
    {"192000 Hz", [](SynthSettings* s) { s->sample_rate = 192000; }},
    {"8-bit stereo", [](SynthSettings* s) { s->bits_per_sample = 8, s->channels = 2; }},
};

TEST(Recover, GridOfDegradationsAndShapes) {
    const std::vector<std::string> images = test_images(2, 40, 7);
    for (const GridRow& row : kGrid) {
        for (Waveform w : {Waveform::kPulse, Waveform::kSquare, Waveform::kSine}) {
            ScopedTempDir dir;
            SynthSettings s;
            s.bits_per_sample = 16;
            s.waveform = w;
            // The narrow pulse is promised 20 dB, the other shapes 12 dB.
            row.apply(&s);
            if (w == Waveform::kPulse && s.noise_snr_db > 0) s.noise_snr_db = 20;
            synthesize(dir, s, images);
            const ProcessResult r = run_recover(dir);
            const Score got = score(dir, images);
            EXPECT_EQ(r.exit_code, 0) << row.label << " shape " << static_cast<int>(w);
            EXPECT_EQ(got.recovered, 2) << row.label << " shape " << static_cast<int>(w);
            EXPECT_EQ(got.wrong, 0) << row.label << " shape " << static_cast<int>(w);
        }
    }
}

TEST(Recover, DamagedBlocksNeverGiveAWrongImage) {
    const std::vector<std::string> images = test_images(12, 30, 11);
    int written = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        ScopedTempDir dir;
        SynthSettings s;
        s.sample_rate = 22050;
        s.waveform = static_cast<Waveform>(seed % 3);
        s.noise_snr_db = 5 + seed % 4;
        s.jitter_us = 40.0 * (seed % 5);
        s.seed = seed;
        s.silence_between_s = 0.2;
        synthesize(dir, s, images);
        run_recover(dir);
        const Score got = score(dir, images);
        EXPECT_EQ(got.wrong, 0) << "seed " << seed;
        written += got.recovered;
    }
    // The damage must really bite, or the test proves nothing.
    EXPECT_LT(written, 12 * 12 * 3 / 4);
}

TEST(Recover, NothingFromTenMinutesOfNoiseOrSilence) {
    const std::vector<std::string> image = test_images(1, 1, 3);
    for (double snr : {0.0, 3.0}) {
        ScopedTempDir dir;
        SynthSettings s;
        s.sample_rate = 11025;
        s.noise_snr_db = snr;
        s.amplitude = 0.3;
        s.silence_before_s = 600;
        synthesize(dir, s, image);
        // Cut the recording where the image would begin.
        ASSERT_EQ(truncate(dir.file("tape.wav").c_str(), 44 + 600 * 11025), 0);
        const ProcessResult r = run_recover(dir);
        EXPECT_EQ(r.err, "") << "snr " << snr;
        EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"tape.wav"}) << "snr " << snr;
    }
}

TEST(Recover, ReportsAnUpsideDownNoisyBlockLikeTheDefaultMode) {
    ScopedTempDir dir;
    SynthSettings s;
    s.bits_per_sample = 16;
    s.waveform = Waveform::kSine;
    s.noise_snr_db = 12;
    s.inverted = true;
    const std::string image = htp_image("GAME", 0x4000, "abc");
    synthesize(dir, s, {image});
    const ProcessResult r = run_recover(dir);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, expected_header_report(1, 44100, 16, 36, 400528) +
                         "Finished writing output file(s). 1 file(s) created.\n");
    EXPECT_EQ(r.err,
              "Sync found at offset: 340282 (0x0005313A) time: 3.857574 sec.\n"
              "  Average sync pulse distance: 1633 usec.\n"
              "  File found:  GAME\n"
              "  Start time: 00.03.922\n"
              "  Start: 4000h - length: 0003h\n"
              "  Data block length: 3 (0x0003) bytes\n"
              "  Stop time: 00.04.027\n"
              "  CRC OK (26h)\n"
              "  File written: 00.03.922_GAME.htp\n\n");
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"00.03.922_GAME.htp", "tape.wav"}));
    EXPECT_EQ(read_file(dir.file("00.03.922_GAME.htp")), image);
}

}  // namespace
