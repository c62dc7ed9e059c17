#include "decoder/pulse_detector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings.h"
#include "decoder/stage_limits.h"
#include "wav/wav_header.h"

namespace {

constexpr uint64_t kDataStart = 44;

StageLimits limits_44k() {
    WavHeader h;
    h.sample_rate = 44100;
    h.bits_per_sample = 8;
    h.channels = 1;
    return derive_limits(h, ConverterSettings{});
}

/// Drives the detector with rising edges after the given gaps (in samples)
/// and writes what comes out as text: the bits, and "w" for each warning.
struct EdgeRun {
    std::string bits;
    std::string err;
    int budget_left;
};

EdgeRun run_edges(const std::vector<unsigned>& gaps, bool verbose, bool seeking) {
    const StageLimits lim = limits_44k();
    PulseDetectorState st;
    pulse_detector_reset(&st, kDataStart, lim);
    const PulseContext ctx{kDataStart, verbose, seeking};
    uint64_t index = kDataStart;
    EdgeRun run;
    testing::internal::CaptureStderr();
    for (unsigned gap : gaps) {
        index += gap;
        // One high sample at the edge and one low sample after it.
        BitEvent ev;
        if (pulse_detector_step(&st, 100.0, index, lim, ctx, &ev)) {
            run.bits += static_cast<char>('0' + ev.bit);
            EXPECT_EQ(ev.pulse_length, ev.bit ? 36u : gap);
        }
        EXPECT_FALSE(pulse_detector_step(&st, 0.0, index + 1, lim, ctx, &ev));
    }
    run.err = testing::internal::GetCapturedStderr();
    run.budget_left = st.warning_budget;
    return run;
}

TEST(PulseDetector, ClassifiesPulsesIntoBits) {
    struct Case {
        const char* name;
        std::vector<unsigned> gaps;
        std::string bits;
        int budget_left;
    };
    const Case cases[] = {
        {"53 samples is long", {53}, "0", 10},
        {"52 samples is short and waits", {52}, "", 10},
        {"two shorts are a 1", {36, 36}, "1", 10},
        {"long shorts long", {72, 36, 36, 72}, "010", 10},
        {"three shorts then a long", {36, 36, 36, 72}, "10", 9},
        {"eleven long-after-short events spend the budget",
         {36, 72, 36, 72, 36, 72, 36, 72, 36, 72, 36, 72, 36, 72, 36, 72, 36, 72, 36, 72, 36, 72},
         "00000000000",
         0},
    };
    for (const Case& c : cases) {
        for (bool verbose : {false, true}) {
            const EdgeRun r = run_edges(c.gaps, verbose, true);
            EXPECT_EQ(r.bits, c.bits) << c.name;
            EXPECT_EQ(r.budget_left, c.budget_left) << c.name;
            const size_t warnings = static_cast<size_t>(10 - c.budget_left);
            size_t lines = 0;
            for (char ch : r.err) lines += ch == '\n';
            EXPECT_EQ(lines, verbose ? warnings : 0) << c.name << (verbose ? " verbose" : "");
        }
    }
}

TEST(PulseDetector, WarningTexts) {
    // The gaps run from the data start at byte 44; the second edge is the
    // 36 + 75 = 111th sample after it, byte offset 155.
    EdgeRun r = run_edges({36, 75}, true, false);
    EXPECT_EQ(r.bits, "0");
    EXPECT_EQ(r.err,
              "Warning: pulse (1701 usec) too long @ 155 (0x0000009B) time: 0.002517 sec.\n"
              "Warning: long pulse after short @ 155 (0x0000009B) time: 0.002517 sec.\n");
    // While seeking a sync byte, long pulses are the leader: no warning.
    r = run_edges({75}, true, true);
    EXPECT_EQ(r.err, "");
    // 74 samples is not overlong.
    r = run_edges({74}, true, false);
    EXPECT_EQ(r.err, "");
}

TEST(PulseDetector, ComparatorLevels) {
    const StageLimits lim = limits_44k();
    PulseDetectorState st;
    pulse_detector_reset(&st, 0, lim);
    const PulseContext ctx{0, false, true};
    BitEvent ev;
    // A constant sample of 2 (d = 2.244) lies between the levels: high, low,
    // high, ... so every second sample is a rising edge, pulses are 2 samples
    // long and every fourth sample completes a 1 bit.
    std::string bits;
    for (uint64_t i = 1; i <= 16; ++i) {
        if (pulse_detector_step(&st, 2.244, i, lim, ctx, &ev))
            bits += static_cast<char>('0' + ev.bit);
        else
            bits += '.';
    }
    EXPECT_EQ(bits, "..1...1...1...1.");
    // Both comparisons are strict.
    pulse_detector_reset(&st, 0, lim);
    EXPECT_FALSE(pulse_detector_step(&st, lim.rise_level, 100, lim, ctx, &ev));
    EXPECT_EQ(st.level, 0);
    EXPECT_TRUE(pulse_detector_step(&st, 100.0, 200, lim, ctx, &ev));  // 200 samples: a 0 bit
    EXPECT_FALSE(pulse_detector_step(&st, kFallLevel, 201, lim, ctx, &ev));
    EXPECT_EQ(st.level, 1);
}

TEST(PulseDetector, MicrosecondsAreExactForLongGaps) {
    EXPECT_EQ(pulse_microseconds(72, 44100), 1633u);
    EXPECT_EQ(pulse_microseconds(75, 44100), 1701u);
    // 32-bit arithmetic would wrap here (about 97 ms at 44.1 kHz and beyond).
    EXPECT_EQ(pulse_microseconds(441000, 44100), 10000000u);
    EXPECT_EQ(pulse_microseconds(0xFFFFFFFFu, 1), 4294967295000000ull);
}

}  // namespace
