#include "decoder/conditioner.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings.h"
#include "decoder/stage_limits.h"
#include "wav/wav_header.h"

namespace {

StageLimits limits_for(uint32_t rate, double gain_db = 1.0) {
    WavHeader h;
    h.sample_rate = rate;
    h.bits_per_sample = 8;
    h.channels = 1;
    ConverterSettings s;
    s.gain_db = gain_db;
    return derive_limits(h, s);
}

TEST(Conditioner, GainAndClamp) {
    struct Case {
        double gain_db;
        int sample;
        double d;
        int raw;
    };
    const Case cases[] = {
        {1.0, 0, 0.0, 0},
        {1.0, 100, 112.20184543019633, 112},
        {1.0, -100, -112.20184543019633, -112},
        {1.0, 1, 1.1220184543019633, 1},
        {1.0, -1, -1.1220184543019633, -1},  // truncated toward zero
        {1.0, 127, 127.0, 127},              // 142.5 clamps
        {1.0, -128, -128.0, -128},
        {6.0, 127, 127.0, 127},
        {6.0, 50, 99.76311574844397, 99},
        {20.0, -13, -128.0, -128},
    };
    for (const Case& c : cases) {
        ConditionerState st;
        const Conditioned out = conditioner_step(&st, c.sample, limits_for(44100, c.gain_db), {});
        EXPECT_DOUBLE_EQ(out.comparator_input, c.d) << c.gain_db << " dB, " << c.sample;
        EXPECT_EQ(out.raw, c.raw) << c.gain_db << " dB, " << c.sample;
    }
}

TEST(Conditioner, EdgeModeRampsBothAverages) {
    const StageLimits lim = limits_for(44100);
    ASSERT_EQ(lim.long_window, 67u);
    ASSERT_EQ(lim.short_window, 5u);
    ConditionerState st;
    std::vector<Conditioned> out;
    for (int i = 0; i < 80; ++i) out.push_back(conditioner_step(&st, 100, lim, {false, true}));
    // The smoothing average climbs 20, 40, ... 100 over five samples; the
    // baseline 100/67, 200/67, ... 100 over 67; d is the amplified average
    // (clamped to 127) minus the baseline.
    const double gain = 1.1220184543019633;
    for (int i = 0; i < 80; ++i) {
        const double smooth = 20.0 * (i < 5 ? i + 1 : 5);
        const double v = std::min(127.0, gain * smooth);
        const double baseline = 100.0 * (i < 67 ? i + 1 : 67) / 67.0;
        EXPECT_DOUBLE_EQ(out[i].comparator_input, v - baseline) << "sample " << i;
        EXPECT_EQ(out[i].raw, static_cast<int>(v)) << "sample " << i;
    }
}

TEST(Conditioner, FilterFollowsTheSmoothingRecurrence) {
    const StageLimits lim = limits_for(44100);
    ConditionerState st;
    // a = exp(-2 pi 7500 / 44100) = 0.34354..., so a step of 100 gives a
    // low-pass of 65.65... on the first sample, and the 50 Hz high-pass
    // slowly removes the constant part afterwards.
    const Conditioned first = conditioner_step(&st, 100, lim, {true, false});
    EXPECT_NEAR(first.comparator_input, 1.1220184543019633 * 65.650026, 1e-5);
    double previous = first.comparator_input;
    double peak = previous;
    for (int i = 1; i < 44100; ++i) {
        const Conditioned c = conditioner_step(&st, 100, lim, {true, false});
        peak = std::max(peak, c.comparator_input);
        previous = c.comparator_input;
    }
    EXPECT_GT(peak, 100.0);
    EXPECT_LT(std::abs(previous), 1e-3) << "a constant must be filtered out within a second";
}

TEST(StageLimits, WindowsAndPulseLimitsFollowTheRate) {
    struct Case {
        uint32_t rate;
        unsigned long_window, short_window, long_pulse, overlong;
        bool edge_mode;
    };
    const Case cases[] = {
        {44100, 67, 5, 52, 74, true},         {48000, 72, 6, 57, 81, true},
        {22050, 33, 2, 26, 37, true},         {8000, 12, 1, 9, 13, true},
        {7999, 12, 0, 9, 13, false},          {658552, 1000, 82, 790, 1119, true},
        {658553, 1001, 82, 790, 1119, false}, {1, 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        const StageLimits lim = limits_for(c.rate);
        EXPECT_EQ(lim.long_window, c.long_window) << c.rate;
        EXPECT_EQ(lim.short_window, c.short_window) << c.rate;
        EXPECT_EQ(lim.long_pulse_limit, c.long_pulse) << c.rate;
        EXPECT_EQ(lim.overlong_limit, c.overlong) << c.rate;
        EXPECT_EQ(edge_mode_available(lim), c.edge_mode) << c.rate;
    }
    EXPECT_DOUBLE_EQ(limits_for(44100).rise_level, 0.25196850393700787);
}

}  // namespace

namespace {

TEST(StageLimits, SampleIndexDividesByTheFrameSize) {
    for (uint16_t channels : {0, 1, 2, 3, 6, 65535}) {
        for (uint16_t bits : {8, 16}) {
            WavHeader h;
            h.sample_rate = 44100;
            h.channels = channels;
            h.bits_per_sample = bits;
            const StageLimits lim = derive_limits(h, ConverterSettings{});
            const uint64_t frame = (channels == 0 ? 1u : channels) * (bits / 8u);
            EXPECT_EQ(lim.frame_bytes, frame);
            for (uint64_t offset : {0ull, 1ull, 44ull, 12345ull, 0x100000001ull, ~0ull})
                EXPECT_EQ(sample_index(offset, lim), offset / frame) << channels << "x" << bits;
        }
    }
}

}  // namespace
