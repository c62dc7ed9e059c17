#include "sample_encoder.h"

#include <cmath>
#include <cstring>

#include "byte_order.h"

namespace {

constexpr double kMax8 = 127;
constexpr double kMax16 = 32767;
constexpr int kBaseline8 = 128;
constexpr float kFloatScale = 32768;
constexpr int kG711Segments = 8;
constexpr int kSegmentShift = 4;
constexpr int kQuantMask = 0xF;
/// Upper end of each segment on A-law's 13-bit and mu-law's 14-bit scale.
constexpr int kAlawSegmentEnd[kG711Segments] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
constexpr int kMulawSegmentEnd[kG711Segments] = {0x3F,  0x7F,  0xFF,  0x1FF,
                                                 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
constexpr int kMulawBias = 0x84 >> 2;
constexpr int kMulawClip = 8159;

/// Round to nearest (ties to even, symmetric, so an inverted signal is the exact
/// negation) and clamp to [-limit - 1, limit].
long quantise(double v, double limit) {
    const double scaled = std::fmax(-limit - 1, std::fmin(limit, v * limit));
    return std::lrint(scaled);
}

int segment_of(int magnitude, const int* ends) {
    int segment = 0;
    while (segment < kG711Segments && magnitude > ends[segment]) ++segment;
    return segment;
}

}  // namespace

uint8_t g711_alaw(int value) {
    int v = value >> 3;  // arithmetic shift: the 13-bit value A-law works on
    int mask = 0xD5;     // even bits inverted, sign bit set for positive values
    if (v < 0) {
        mask = 0x55;
        v = -v - 1;
    }
    const int segment = segment_of(v, kAlawSegmentEnd);
    if (segment == kG711Segments) return static_cast<uint8_t>(0x7F ^ mask);
    const int shift = segment < 2 ? 1 : segment;
    const int code = (segment << kSegmentShift) | ((v >> shift) & kQuantMask);
    return static_cast<uint8_t>(code ^ mask);
}

uint8_t g711_mulaw(int value) {
    int v = value >> 2;  // the 14-bit value mu-law works on
    int mask = 0xFF;     // every bit inverted, sign bit set for positive values
    if (v < 0) {
        v = -v;
        mask = 0x7F;
    }
    v = (v > kMulawClip ? kMulawClip : v) + kMulawBias;
    const int segment = segment_of(v, kMulawSegmentEnd);
    if (segment == kG711Segments) return static_cast<uint8_t>(0x7F ^ mask);
    const int code = (segment << kSegmentShift) | ((v >> (segment + 1)) & kQuantMask);
    return static_cast<uint8_t>(code ^ mask);
}

void sample_encode(uint8_t* out, const WavLayout& layout, double value) {
    if (layout.encoding == SampleEncoding::kPcm && layout.bits_per_sample == 8) {
        out[0] = static_cast<uint8_t>(kBaseline8 + quantise(value, kMax8));
        return;
    }
    const int s = static_cast<int>(quantise(value, kMax16));
    switch (layout.encoding) {
        case SampleEncoding::kPcm: {
            // The 16-bit value in the top bits, zeros below: 24 bits keep 3 bytes of 32.
            const uint32_t wide = static_cast<uint32_t>(s) << 16;
            uint8_t bytes[4];
            put_le32(bytes, wide);
            const size_t width = static_cast<size_t>(layout.bits_per_sample / 8);
            std::memcpy(out, bytes + 4 - width, width);
            break;
        }
        case SampleEncoding::kFloat:
            if (layout.bits_per_sample == 32) {
                const float f = static_cast<float>(s) / kFloatScale;
                uint32_t bits = 0;
                std::memcpy(&bits, &f, sizeof bits);
                put_le32(out, bits);
            } else {
                const double d = s / static_cast<double>(kFloatScale);
                uint64_t bits = 0;
                std::memcpy(&bits, &d, sizeof bits);
                put_le64(out, bits);
            }
            break;
        case SampleEncoding::kAlaw:
            out[0] = g711_alaw(s);
            break;
        case SampleEncoding::kMulaw:
            out[0] = g711_mulaw(s);
            break;
    }
}
