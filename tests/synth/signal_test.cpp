#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "scoped_temp_dir.h"
#include "synth_test_helpers.h"

namespace {

// Every bit value and byte edge: a run of zeros, of ones, alternations.
const std::string kImage =
    htp_bytes({{"PERIODS", 0x4000, std::string("\x00\xFF\x55\xAA\x81\x7E", 6)}});

std::string render_images(const SynthSettings& s, const std::vector<std::string>& images) {
    ScopedTempDir dir;
    std::string message;
    EXPECT_EQ(synthesize(s, images, dir.file("out.wav"), &message), kSynthOk) << message;
    return read_file(dir.file("out.wav"));
}

std::string render(const SynthSettings& s) {
    return render_images(s, {kImage});
}

struct PeriodCase {
    Waveform waveform;
    uint32_t rate;
    int bits;
    int channels;
    double short_us;
    double long_us;
};

std::string describe(const PeriodCase& c) {
    return std::to_string(static_cast<int>(c.waveform)) + " " + std::to_string(c.rate) + " Hz " +
           std::to_string(c.bits) + " bit " + std::to_string(c.channels) + " ch " +
           std::to_string(c.short_us) + "/" + std::to_string(c.long_us) + " us";
}

// A sine falls slowly through the comparator's band between 5.0 and 0.252 at high
// rates or low amplitudes, where the comparator chatters; these cases stay where a
// sine falls through the band within one sample.
TEST(SynthPeriods, EdgesMatchTheRequestedPeriodsWithinOneSample) {
    const std::vector<PeriodCase> cases = {
        {Waveform::kPulse, 44100, 8, 1, 816, 1633},   {Waveform::kPulse, 48000, 16, 1, 816, 1633},
        {Waveform::kPulse, 22050, 8, 2, 816, 1633},   {Waveform::kPulse, 8000, 8, 1, 816, 1633},
        {Waveform::kPulse, 44100, 8, 1, 500, 1000},   {Waveform::kSquare, 44100, 8, 1, 816, 1633},
        {Waveform::kSquare, 96000, 16, 2, 816, 1633}, {Waveform::kSquare, 32000, 8, 1, 700, 1500},
        {Waveform::kSine, 44100, 8, 1, 816, 1633},    {Waveform::kSine, 11025, 16, 1, 816, 1633},
        {Waveform::kSine, 48000, 16, 1, 600, 1400},
    };
    for (const PeriodCase& c : cases) {
        SynthSettings s;
        s.waveform = c.waveform;
        s.sample_rate = c.rate;
        s.bits_per_sample = c.bits;
        s.channels = c.channels;
        s.short_period_us = c.short_us;
        s.long_period_us = c.long_us;
        const std::vector<int64_t> edges = rising_edges(converter_scale(render(s)));
        const std::vector<double> periods = periods_of(kImage, c.short_us, c.long_us);
        // The image's first period starts at the first edge; the closing edge ends the last.
        ASSERT_EQ(edges.size(), periods.size() + 1) << describe(c);
        const double lead = 0.5 * c.rate;
        EXPECT_GE(edges[0], std::ceil(lead)) << describe(c);
        EXPECT_LE(edges[0], std::ceil(lead) + 1) << describe(c);
        for (size_t k = 0; k < periods.size(); ++k) {
            const double expected = periods[k] * c.rate / 1e6;
            EXPECT_LT(std::fabs(static_cast<double>(edges[k + 1] - edges[k]) - expected), 1.0)
                << describe(c) << " period " << k;
        }
    }
}

TEST(SynthPeriods, ImagesFollowEachOtherAfterTheirSilences) {
    const std::string second = htp_bytes({{"NEXT", 0x5000, "\x0F"}});
    SynthSettings s;
    s.silence_before_s = 0.25;
    s.silence_between_s = 0.75;
    s.silence_after_s = 0.125;
    const std::string wav = render_images(s, {kImage, second});
    const std::vector<int64_t> edges = rising_edges(converter_scale(wav));
    const size_t first_periods = periods_of(kImage, 816, 1633).size();
    const size_t second_periods = periods_of(second, 816, 1633).size();
    ASSERT_EQ(edges.size(), first_periods + 1 + second_periods + 1);
    const double rate = s.sample_rate;
    EXPECT_EQ(edges[0], static_cast<int64_t>(std::ceil(0.25 * rate)));
    // The closing edge is followed by the rest of its short period, then the silence.
    const double gap = (816e-6 + 0.75) * rate;
    const double measured = static_cast<double>(edges[first_periods + 1] - edges[first_periods]);
    EXPECT_LT(std::fabs(measured - gap), 1.0);
    const double tail = (816e-6 + 0.125) * rate;
    const double frames = static_cast<double>(wav.size() - 44);
    EXPECT_LT(std::fabs(frames - static_cast<double>(edges.back()) - tail), 2.0);
}

TEST(SynthSignalLevels, BaselinePeakAndOffsetOnTheSampleScale) {
    struct Case {
        const char* name;
        Waveform waveform;
        double amplitude;
        double dc_offset;
        int baseline;          ///< 8-bit value of the silence
        std::set<int> values;  ///< every 8-bit sample value in the recording
    };
    const std::vector<Case> cases = {
        {"pulse", Waveform::kPulse, 0.85, 0, 128, {128, 236}},  // 0.85 * 127 = 107.95
        {"square", Waveform::kSquare, 0.85, 0, 128, {20, 128, 236}},
        {"full scale", Waveform::kSquare, 1.0, 0, 128, {1, 128, 255}},
        {"dc offset", Waveform::kPulse, 0.85, 0.1, 141, {141, 249}},  // 12.7 and 120.65
    };
    for (const Case& c : cases) {
        SynthSettings s;
        s.waveform = c.waveform;
        s.amplitude = c.amplitude;
        s.dc_offset = c.dc_offset;
        const std::string wav = render(s);
        std::set<int> values;
        for (size_t i = 44; i < wav.size(); ++i) values.insert(static_cast<uint8_t>(wav[i]));
        EXPECT_EQ(values, c.values) << c.name;
        EXPECT_EQ(static_cast<uint8_t>(wav[44]), c.baseline) << c.name;
        EXPECT_EQ(static_cast<uint8_t>(wav.back()), c.baseline) << c.name;
    }
}

TEST(SynthSignalLevels, InversionNegatesEverySample) {
    for (Waveform w : {Waveform::kPulse, Waveform::kSquare, Waveform::kSine}) {
        for (int bits : {8, 16}) {
            SynthSettings s;
            s.waveform = w;
            s.bits_per_sample = bits;
            const std::string plain = render(s);
            s.inverted = true;
            const std::string inverted = render(s);
            ASSERT_EQ(plain.size(), inverted.size());
            ASSERT_EQ(plain.substr(0, 44), inverted.substr(0, 44));
            int mismatches = 0;
            for (size_t i = 44; i + bits / 8 <= plain.size(); i += static_cast<size_t>(bits / 8)) {
                if (bits == 8) {
                    mismatches +=
                        static_cast<uint8_t>(plain[i]) + static_cast<uint8_t>(inverted[i]) != 256;
                } else {
                    const auto at = [](const std::string& w16, size_t j) {
                        return static_cast<int16_t>(static_cast<uint8_t>(w16[j]) |
                                                    (static_cast<uint8_t>(w16[j + 1]) << 8));
                    };
                    mismatches += at(plain, i) != -at(inverted, i);
                }
            }
            EXPECT_EQ(mismatches, 0)
                << "waveform " << static_cast<int>(w) << ", " << bits << " bit";
        }
    }
}

/// Largest and smallest difference, in samples, between an edge interval and its period.
struct Deviation {
    double low = 0;
    double high = 0;
};

Deviation deviation(const SynthSettings& s, double scale_low, double scale_high) {
    const std::vector<int64_t> edges = rising_edges(converter_scale(render(s)));
    const std::vector<double> periods = periods_of(kImage, s.short_period_us, s.long_period_us);
    Deviation d;
    EXPECT_EQ(edges.size(), periods.size() + 1);
    for (size_t k = 0; k + 1 < edges.size() && k < periods.size(); ++k) {
        const double interval = static_cast<double>(edges[k + 1] - edges[k]);
        const double nominal = periods[k] * s.sample_rate / 1e6;
        d.low = std::min(d.low, interval - nominal * scale_low);
        d.high = std::max(d.high, interval - nominal * scale_high);
    }
    return d;
}

TEST(SynthDegradations, JitterMovesPeriodsWithinItsBound) {
    SynthSettings s;
    s.jitter_us = 100;  // 4.41 samples at 44100 Hz
    const Deviation d = deviation(s, 1, 1);
    EXPECT_GT(d.low, -5.41);
    EXPECT_LT(d.high, 5.41);
    EXPECT_LT(d.low, -2.0) << "jitter had no visible effect";
    EXPECT_GT(d.high, 2.0) << "jitter had no visible effect";
}

TEST(SynthDegradations, WowStretchesPeriodsWithinItsDepth) {
    SynthSettings s;
    s.wow_percent = 5;
    const Deviation within = deviation(s, 0.95, 1.05);
    EXPECT_GT(within.low, -1.0);
    EXPECT_LT(within.high, 1.0);
    const Deviation plain = deviation(s, 1, 1);
    // The image lasts 0.35 s, starting 0.5 s in: the drift runs from +5 % toward -4 %.
    EXPECT_GT(plain.high, 2.0) << "wow had no visible effect";
}

TEST(SynthDegradations, NoiseHasTheRequestedDeviation) {
    SynthSettings s;
    const std::string clean = render(s);
    s.noise_snr_db = 20;  // deviation 0.085 of full scale: 10.8 steps of 8 bits
    const std::string noisy = render(s);
    ASSERT_EQ(clean.size(), noisy.size());
    double sum = 0;
    double squares = 0;
    const size_t n = clean.size() - 44;
    for (size_t i = 44; i < clean.size(); ++i) {
        const double e = static_cast<uint8_t>(noisy[i]) - static_cast<uint8_t>(clean[i]);
        sum += e;
        squares += e * e;
    }
    EXPECT_NEAR(sum / n, 0, 0.2);
    EXPECT_NEAR(std::sqrt(squares / n), 0.085 * 127, 0.03 * 0.085 * 127);
}

TEST(SynthDeterminism, SameSeedSameBytesOtherSeedOtherBytes) {
    SynthSettings s;
    s.noise_snr_db = 30;
    s.wow_percent = 2;
    s.jitter_us = 50;
    s.seed = 7;
    const std::string first = render(s);
    EXPECT_EQ(render(s), first);
    s.seed = 8;
    EXPECT_NE(render(s), first);
}

TEST(SynthDeterminism, SeedDoesNotMatterWithoutDegradations) {
    SynthSettings s;
    const std::string first = render(s);
    s.seed = 12345;
    EXPECT_EQ(render(s), first);
}

TEST(SynthDeterminism, BinaryRepeatsItsOutput) {
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("a.htp"), kImage));
    const std::vector<std::string> common = {"-n", "25", "-j", "40", "-W", "1", "-s", "22050"};
    std::vector<std::string> runs[3] = {common, common, common};
    const char* seeds[3] = {"5", "5", "6"};
    const char* outs[3] = {"one.wav", "two.wav", "three.wav"};
    for (int i = 0; i < 3; ++i) {
        runs[i].insert(runs[i].end(), {"-R", seeds[i], "-o", outs[i], "a.htp"});
        ASSERT_EQ(run_process(vorlane_synth_binary(), runs[i], dir.path()).exit_code, 0);
    }
    EXPECT_EQ(read_file(dir.file("one.wav")), read_file(dir.file("two.wav")));
    EXPECT_NE(read_file(dir.file("one.wav")), read_file(dir.file("three.wav")));
}

}  // namespace
