// The range scans decide each comparator move from the stored sample alone;
// for every format, polarity and level setting they must agree with the
// frame reader and the conditioner on every value, boundaries included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "decoder/conditioner.h"
#include "decoder/pulse_detector.h"

namespace {

/// Every value worth storing in `format` of `bytes` bytes: all codes of the
/// narrow formats, every half step of the 16-bit scale for floats (plus NaN and
/// infinities).
std::vector<std::string> stored_values(SampleFormat format, int bytes) {
    std::vector<std::string> out;
    const auto put = [&](const void* p) { out.emplace_back(static_cast<const char*>(p), bytes); };
    if (bytes == 1) {
        for (int c = 0; c < 256; ++c) out.emplace_back(1, static_cast<char>(c));
    } else if (format == SampleFormat::kFloat32 || format == SampleFormat::kFloat64) {
        std::vector<double> xs = {std::nan(""), HUGE_VAL, -HUGE_VAL};
        for (int half = -2 * 32770; half <= 2 * 32770; ++half) xs.push_back(half / 65536.0);
        for (const double x : xs) {
            const float f = static_cast<float>(x);
            bytes == 4 ? put(&f) : put(&x);
        }
    } else {
        for (int v = -32768; v <= 32767; ++v) {
            // Low bytes below the top 16 bits must not matter.
            const uint32_t wide = (static_cast<uint32_t>(static_cast<uint16_t>(v)) << 16) |
                                  (static_cast<uint32_t>(v) & 0xFFFF);
            char b[4];
            for (int i = 0; i < bytes; ++i) b[i] = static_cast<char>(wide >> (8 * (i + 4 - bytes)));
            put(b);
        }
    }
    return out;
}

TEST(LevelScanner, RangesAgreeWithTheConditionerOnEveryValue) {
    using F = SampleFormat;
    const std::pair<SampleFormat, int> formats[] = {
        {F::kUnsigned8, 1}, {F::kSigned16, 2}, {F::kSigned24, 3}, {F::kSigned32, 4},
        {F::kFloat32, 4},   {F::kFloat64, 8},  {F::kALaw, 1},     {F::kMuLaw, 1}};
    const std::pair<double, int> levels[] = {{1, 32}, {1, 0}, {6, 100}, {50, 5}};
    for (const auto& [format, bytes] : formats) {
        const std::vector<std::string> values = stored_values(format, bytes);
        for (bool inverted : {false, true}) {
            for (const auto& [gain_db, threshold] : levels) {
                ConverterSettings s;
                s.inverted = inverted, s.gain_db = gain_db, s.threshold = threshold;
                const unsigned n = static_cast<unsigned>(values[0].size());
                const FrameFormat f{.format = format, .sample_bytes = n, .frame_bytes = n};
                const StageLimits lim = derive_limits(f, 44100, 0, s);
                PulseDetectorState det;
                ASSERT_TRUE(pulse_detector_offer_scan(&det, lim));
                const auto input = [&](const std::string& v) {
                    ConditionerState unused;
                    const int h = conditioning_input(
                        frame_sample(reinterpret_cast<const uint8_t*>(v.data()), lim.frame));
                    return conditioner_step(&unused, h, lim.conditioner).comparator_input;
                };
                // Up to 47 frames that cannot move the comparator lead to the value, so each
                // vector loop and tail sees it: the lowest from low, the highest from high.
                const auto [lowest, highest] = std::minmax_element(
                    values.begin(), values.end(), [&](const std::string& a, const std::string& b) {
                        return input(a) < input(b);
                    });
                for (const std::string& v : values) {
                    const double d = input(v);
                    const size_t lead = static_cast<size_t>(&v - values.data()) % 48;
                    for (int from : {0, 1}) {
                        std::string frames;
                        for (size_t i = 0; i < lead; ++i) frames += from == 0 ? *lowest : *highest;
                        frames += v;
                        det.level = from;
                        size_t next = 0;
                        BitEvent ev;
                        pulse_detector_scan(
                            &det,
                            FrameSpan{reinterpret_cast<const uint8_t*>(frames.data()), lead + 1, 0},
                            lim.frame, &next, lim.detector, &ev);
                        const bool moves = from == 0 ? d > lim.detector.rise_level : d < kFallLevel;
                        ASSERT_EQ(det.level != from, moves)
                            << "format " << static_cast<int>(format)
                            << (inverted ? " inverted" : "") << " gain " << gain_db << " T "
                            << threshold << " after " << lead;
                    }
                }
            }
        }
    }
}

}  // namespace
