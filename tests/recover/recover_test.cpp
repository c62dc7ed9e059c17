// --recover end to end: a grid of degradations and shapes through
// vorlane-synth, damaged blocks that must never give a wrong image, recordings
// with nothing on them, and the exact lines of blocks with and without help.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "recover/recover_tape.h"
#include "synth.h"

namespace {

/// Runs vorlane --recover on dir/tape.wav.
ProcessResult run_recover(const ScopedTempDir& dir) {
    return run_process(vorlane_binary(), {"--recover", "-i", "tape.wav"}, dir.path());
}

/// How many images equal one on the tape, and how many equal none.
std::vector<int> score(const ScopedTempDir& dir, const std::vector<std::string>& images) {
    std::vector<int> got{0, 0};
    for (const auto& [name, bytes] : htp_images(dir.path()))
        ++got[std::count(images.begin(), images.end(), bytes) > 0 ? 0 : 1];
    return got;
}

/// A degradation, as vorlane-synth's options.
struct GridRow {
    const char* name;
    const char* synth;
};

// clang-format off
const GridRow kGrid[] = {
    {"noise 12 dB", "-n 12"},
    {"-50 dBFS", "-a 0.00316"},
    {"inverted, DC +0.5", "-r -d 0.5"},
    {"speed plus 10%", "-S 741.818 -L 1484.545"},
    {"speed minus 10%", "-S 906.667 -L 1814.444"},
    {"wow 2%, jitter 100 us", "-W 2 -j 100"},
    // Normal jitter puts periods near the boundary, where a match needs the evidence.
    {"Gaussian jitter 80 us", "--jitter-sd 80 -R 3"},
    {"-14 dBFS, DC -0.2, noise 20 dB, Gaussian 80 us, wow 2%", "-a 0.2 -d -0.2 -n 20 --jitter-sd 80 -W 2 -R 5"},
    {"11025 Hz", "-s 11025"},
    {"192000 Hz", "-s 192000"},
    {"16-bit, right channel only", "-b 16 -c 2 -C 2"},
    {"hum -10 dB", "--hum 10"},
    {"band-limited", "--highpass 300 --lowpass 3000"},
};
// clang-format on

class RecoverGrid : public testing::TestWithParam<GridRow> {};

TEST_P(RecoverGrid, EveryShapeReadsEveryBlock) {
    const std::vector<std::string> images = test_images(4, 120, 7);
    for (const char* shape : {"pulse", "square", "sine"}) {
        ScopedTempDir dir;
        SynthSettings s =
            synth_settings(std::string("-b 16 -P 0.3 -w ") + shape + " " + GetParam().synth);
        // The narrow pulse is promised 20 dB, the other shapes 12 dB.
        if (s.waveform == Waveform::kPulse && s.noise_snr_db > 0) s.noise_snr_db = 20;
        ASSERT_EQ(synthesize(dir.file("tape.wav"), s, images), "");
        EXPECT_EQ(run_recover(dir).exit_code, 0) << shape;
        EXPECT_EQ(score(dir, images), (std::vector<int>{4, 0})) << shape;
    }
}

INSTANTIATE_TEST_SUITE_P(Degradations, RecoverGrid, testing::ValuesIn(kGrid), row_name<GridRow>);

TEST(Recover, DamagedBlocksNeverGiveAWrongImage) {
    const std::vector<std::string> images = test_images(12, 30, 11);
    int written = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        ScopedTempDir dir;
        SynthSettings s = synth_settings("-s 22050 -P 0.2");
        s.waveform = static_cast<Waveform>(seed % 3);
        s.noise_snr_db = 5 + seed % 4;
        s.jitter_us = 40.0 * (seed % 5);
        s.seed = seed;
        ASSERT_EQ(synthesize(dir.file("tape.wav"), s, images), "");
        run_recover(dir);
        const std::vector<int> got = score(dir, images);
        EXPECT_EQ(got[1], 0) << "seed " << seed;
        written += got[0];
    }
    // The damage must really bite, or the test proves nothing.
    EXPECT_LT(written, 12 * 12 * 3 / 4);
}

TEST(Recover, NothingFromTenMinutesOfNoiseHumOrSilence) {
    const std::vector<std::string> image = test_images(1, 1, 3);
    for (const auto& [snr, hum] : {std::pair{0.0, 0.0}, {3.0, 0.0}, {30.0, 10.0}}) {
        ScopedTempDir dir;
        SynthSettings s = synth_settings("-s 11025 -a 0.3 -B 600");
        s.noise_snr_db = snr, s.hum_db = hum;
        ASSERT_EQ(synthesize(dir.file("tape.wav"), s, {image}), "");
        // Cut the recording where the image would begin.
        ASSERT_EQ(truncate(dir.file("tape.wav").c_str(), 44 + 600 * 11025), 0);
        const ProcessResult r = run_recover(dir);
        EXPECT_EQ(r.err, "") << "snr " << snr << " hum " << hum;
        EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"tape.wav"}) << "snr " << snr;
    }
}

/// A tape on one channel of many, found where a tracker watches it: every
/// channel up to the trackers' count, or the one named with --channel.
struct ChannelRow {
    const char* name;
    int channels, signal_channel, named;  ///< the channel given with --channel, 0: none
    bool found;
};

const ChannelRow kChannelRows[] = {
    {"the second of three", 3, 2, 0, true},
    {"another named", 3, 2, 1, false},
    {"the last tracked", kMaxTrackedChannels, kMaxTrackedChannels, 0, true},
    {"past the last tracked", kMaxTrackedChannels + 1, kMaxTrackedChannels + 1, 0, false},
    {"past the last tracked, named", kMaxTrackedChannels + 1, kMaxTrackedChannels + 1,
     kMaxTrackedChannels + 1, true},
};

class RecoverChannels : public testing::TestWithParam<ChannelRow> {};
TEST_P(RecoverChannels, SearchedByTheirTrackers) {
    const ChannelRow& row = GetParam();
    TapeSignalOptions o;
    o.channels = row.channels, o.signal_channel = row.signal_channel;
    const std::string image = htp_image("CH", 0x4000, "abc"), payload = tape_payload(image, o);
    const Placement p{44, static_cast<unsigned>(row.channels), 0, 2};
    const std::string file = start_time(p, "CH") + "_CH.htp";
    std::vector<std::string> options = {"--recover"};
    if (row.named) options.insert(options.end(), {"--channel", std::to_string(row.named)});
    RunCase c = on_wav(
        row.name, make_wav(WavFixture{static_cast<uint16_t>(row.channels)}, payload), options, 0,
        expected_header_report(row.channels, 44100, 8, 36, payload.size()) + summary(row.found),
        "");
    if (row.found) {
        c.err = good_block_lines(p, "CH", 0x4000, "abc") + "  File written: " + file + "\n\n";
        c.made = {{file, image}};
    }
    check_run(c);
}
INSTANTIATE_TEST_SUITE_P(, RecoverChannels, testing::ValuesIn(kChannelRows), row_name<ChannelRow>);

// --recover --join reads the chain marker and hands chains to the same sink:
// the images of a whole recording and of one cut inside a chain's second block
// equal the default decoder's, byte for byte.
TEST(Recover, JoinWritesTheChainsTheDefaultDecoderWrites) {
    const std::string chain = htp_image("PROG", 0x4000, std::string(90, 'p'), 256, '\xD8') +
                              htp_image("", 0x405A, std::string(60, 'q'), 128, '\xD8') +
                              htp_image("", 0x4096, "end", 128);
    const std::string wav = synthesized("-b 16", {chain, htp_image("ONE", 0, "1")});
    for (const double keep : {1.0, 0.55}) {
        const size_t frames = static_cast<size_t>((wav.size() - 44) / 2 * keep);
        std::vector<std::vector<std::string>> images;
        for (const bool recover : {false, true}) {
            ScopedTempDir dir;
            ASSERT_TRUE(write_file(dir.file("tape.wav"), wav.substr(0, 44 + 2 * frames)));
            std::vector<std::string> args{"--join", "-i", "tape.wav"};
            if (recover) args.insert(args.begin(), "--recover");
            EXPECT_EQ(run_process(vorlane_binary(), args, dir.path()).exit_code, 0);
            images.push_back({});
            for (const std::string& name : list_dir(dir.path()))
                images.back().push_back(name + ":" + read_file(dir.file(name)).substr(0, 4096));
        }
        EXPECT_EQ(images[1], images[0]) << keep;
        EXPECT_EQ(images[0].size(), keep == 1.0 ? 3u : 2u) << keep;
    }
}

/// Moves the `from_end`-th pulse before the end of a 16-bit narrow-pulse
/// recording `shift` samples earlier (the period before it shrinks, the next
/// grows), or with `copy` plays it there too (the period before splits).
void move_pulse(const ScopedTempDir& dir, unsigned from_end, int shift, bool copy) {
    std::string wav = read_file(dir.file("tape.wav"));
    std::vector<int16_t> x((wav.size() - 44) / 2);
    std::memcpy(x.data(), wav.data() + 44, x.size() * 2);
    size_t p = x.size() - 1;  // walks back to the pulse's first sample above half the amplitude
    for (unsigned n = 0; !(x[p] > 16000 && x[p - 1] <= 16000 && n++ == from_end);) --p;
    for (size_t i = p; x[i] > 16000; ++i) x[i - shift] = x[i], x[i] = copy ? x[i] : 0;
    std::memcpy(wav.data() + 44, x.data(), x.size() * 2);
    ASSERT_TRUE(write_file(dir.file("tape.wav"), wav));
}

struct ReportRow {
    const char* name;   ///< tests/data/recover_<name>.txt holds its standard error
    const char* synth;  ///< vorlane-synth's options
    /// Pulses (counted from the end: 12 is the checksum's 4th, 55 the length's 4th) and the
    /// samples each moves: 23 makes it doubtful, 36 a short.
    std::vector<std::pair<unsigned, int>> moves;
    bool copy;  ///< each pulse also stays where it was
    bool written;
    std::vector<std::string> recovery;  ///< the record's leaves of the block's recovery
    size_t leader = 256;  ///< leader bytes: fewer than 100 periods are averaged as they are
};

// An upside-down noisy sine needs no help, with a short leader too; doubtful periods are re-read; a
// lone short makes the match untrusted; a 0 bit played as a 1 has nothing to re-read; a header
// period made short beside a doubtful one counts both; a doubtful pair in a jittery header is
// a risk counted in full, as no checksum covers it; a leader too short to check the header
// against leaves a clean reading unwritten.
const char* const kSine = "-b 16 -w sine -n 12 -r";
// clang-format off
const ReportRow kReports[] = {
    {"undamaged", kSine, {}, false, true, {"method s " + hex("read"), "reading 1", "readings 1"}},
    {"reread", "-b 16", {{12, 23}}, false, true, {"method s " + hex("search"), "reading 4", "pulses_reread 1"}},
    {"two_rereads", "-b 16", {{12, 23}, {15, 23}}, false, true, {"method s " + hex("search"), "reading 6", "pulses_reread 2"}},
    {"not_trusted", "-b 16", {{12, 36}}, false, false, {"method s " + hex("none"), "reading null"}},
    {"crc_error", "-b 16", {{12, 36}}, true, false, {"method s " + hex("none"), "reading null"}},
    {"short_leader", kSine, {}, false, true, {"method s " + hex("read"), "pulses_reread 0"}, 12},
    {"leader_of_8", "-b 16 -n 24 -j 60", {}, false, false, {"method s " + hex("none")}, 8},
    {"header_doubts", "-b 16", {{55, 23}}, false, false, {"method s " + hex("none")}},
    {"header_pair", "-b 16 --jitter-sd 60 -R 3", {{55, 17}, {57, 17}}, false, true, {"method s " + hex("search"), "wrong_chance 4.082120033e-09"}}};
// clang-format on

class RecoverReports : public testing::TestWithParam<ReportRow> {};

TEST_P(RecoverReports, LikeTheDefaultModeSayingWhatHelped) {
    const ReportRow& row = GetParam();
    // The data sums to 0x100: the checksum byte and the image's last byte are eight 0 bits.
    const std::string image = htp_image("GAME", 0x4000, "ab=");
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir.file("tape.wav"), synth_settings(row.synth),
                         {image.substr(256 - row.leader)}),
              "");
    for (const auto& [pulse, shift] : row.moves) move_pulse(dir, pulse, shift, row.copy);
    const ProcessResult r = run_process(
        vorlane_binary(), {"--recover", "-i", "tape.wav", "--report", "r.json"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << row.name;
    const std::string leaves = json_leaves(dir.path(), "r.json");
    for (const std::string& leaf : row.recovery)
        EXPECT_NE(leaves.find("\n.blocks[0].recovery." + leaf + "\n"), std::string::npos)
            << leaf << leaves;
    // Only a search estimates its chance of being wrong, and writes none above a millionth.
    const double wrong = std::strtod(&leaves[leaves.find("wrong_chance ") + 13], nullptr);
    EXPECT_EQ(row.recovery[0] == "method s " + hex("search"), wrong > 0 && wrong <= 1e-6);
    const size_t samples = read_file(dir.file("tape.wav")).size() - 44;
    EXPECT_EQ(r.out, expected_header_report(1, 44100, 16, 36, samples) + summary(row.written));
    EXPECT_EQ(r.err, test_data("recover_" + std::string(row.name) + ".txt")) << row.name;
    const std::vector<std::string> files = list_dir(dir.path());
    ASSERT_EQ(files.size(), row.written ? 3u : 2u) << row.name;  // with r.json and tape.wav
    EXPECT_EQ(row.written ? read_file(dir.file(files[0])) : image, image) << row.name;
}

INSTANTIATE_TEST_SUITE_P(, RecoverReports, testing::ValuesIn(kReports), row_name<ReportRow>);

}  // namespace
