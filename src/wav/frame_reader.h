#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

/// How one sample is stored in a frame. 8-bit PCM is unsigned around 0x80;
/// every other format becomes a signed 16-bit value first.
enum class SampleFormat : uint8_t {
    kUnsigned8,  ///< PCM, 8 bits
    kSigned16,   ///< PCM, 16 bits little-endian
    kSigned24,   ///< PCM, 24 bits: the top 16 bits
    kSigned32,   ///< PCM, 32 bits: the top 16 bits
    kFloat32,    ///< IEEE float, 1.0 is full scale
    kFloat64,    ///< IEEE double
    kALaw,       ///< G.711 A-law, 8 bits
    kMuLaw,      ///< G.711 mu-law, 8 bits
};

/// Where the decoded sample sits in a frame and how it is read.
struct FrameFormat {
    SampleFormat format = SampleFormat::kUnsigned8;
    unsigned sample_bytes = 1;    ///< bytes of one sample
    unsigned frame_bytes = 1;     ///< channels x sample_bytes
    unsigned channel_offset = 0;  ///< byte offset of the decoded channel in a frame
    bool inverted = false;        ///< -r: complement every sample
};

/// One step of the signed 8-bit scale on the signed 16-bit scale.
constexpr int kSampleScale = 256;

inline uint16_t read_le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t read_le32(const uint8_t* p) {
    return static_cast<uint32_t>(read_le16(p)) | (static_cast<uint32_t>(read_le16(p + 2)) << 16);
}
inline uint64_t read_le64(const uint8_t* p) {
    return static_cast<uint64_t>(read_le32(p)) | (static_cast<uint64_t>(read_le32(p + 4)) << 32);
}

/// x * 32768 rounded half away from zero into -32768..32767; NaN reads 0.
inline int16_t float_to_s16(double x) {
    if (!(x == x)) return 0;
    const double v = std::round(x * 32768.0);
    if (v >= 32767.0) return 32767;
    if (v <= -32768.0) return -32768;
    return static_cast<int16_t>(v);
}

/// The classic G.711 expansions: A-law gives +-8..+-32256, mu-law 0..+-32124.
inline int16_t alaw_to_s16(uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    t += segment == 0 ? 8 : 0x108;
    if (segment > 1) t <<= segment - 1;
    return static_cast<int16_t>((a & 0x80) != 0 ? t : -t);
}
inline int16_t mulaw_to_s16(uint8_t u) {
    constexpr int kBias = 0x84;
    u = static_cast<uint8_t>(~u);
    const int t = (((u & 0x0F) << 3) + kBias) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) != 0 ? kBias - t : t - kBias);
}

/// The stored value of format F at `p` as a signed 16-bit value, or for
/// 8-bit PCM the unsigned byte.
template <SampleFormat F>
inline int stored_value(const uint8_t* p) {
    if constexpr (F == SampleFormat::kUnsigned8) return *p;
    if constexpr (F == SampleFormat::kSigned16) return static_cast<int16_t>(read_le16(p));
    if constexpr (F == SampleFormat::kSigned24) return static_cast<int16_t>(read_le16(p + 1));
    if constexpr (F == SampleFormat::kSigned32) return static_cast<int16_t>(read_le16(p + 2));
    if constexpr (F == SampleFormat::kFloat32) {
        float x;
        std::memcpy(&x, p, sizeof x);
        return float_to_s16(x);
    }
    if constexpr (F == SampleFormat::kFloat64) {
        double x;
        std::memcpy(&x, p, sizeof x);
        return float_to_s16(x);
    }
    if constexpr (F == SampleFormat::kALaw) return alaw_to_s16(*p);
    if constexpr (F == SampleFormat::kMuLaw) return mulaw_to_s16(*p);
    return 0;
}

/// The sample of format F at `p`, on the signed 16-bit scale. Inversion
/// complements the stored value: 8-bit 0x00 becomes 0xFF, a 16-bit v becomes ~v.
template <SampleFormat F>
inline int sample_at(const uint8_t* p, bool inverted) {
    // Complementing is an exclusive or with all ones, cheaper than a choice.
    const int flip = inverted ? -1 : 0;
    if constexpr (F == SampleFormat::kUnsigned8) {
        return ((stored_value<F>(p) ^ (flip & 0xFF)) - 128) * kSampleScale;
    } else {
        return stored_value<F>(p) ^ flip;
    }
}

/// A sample format as a type: a loop over many frames is compiled once per format.
template <SampleFormat F>
using FormatTag = std::integral_constant<SampleFormat, F>;

/// The one switch over the sample formats: calls `fn(FormatTag<F>{})` for
/// `format` and returns what it returns. Loops over frames pick their
/// specialisation here once, so the per-sample read stays inlined; a new
/// format is one case here and its validation in the header reader.
template <class Fn>
inline decltype(auto) with_sample_format(SampleFormat format, Fn&& fn) {
    using F = SampleFormat;
    switch (format) {
        case F::kUnsigned8:
            return fn(FormatTag<F::kUnsigned8>{});
        case F::kSigned16:
            return fn(FormatTag<F::kSigned16>{});
        case F::kSigned24:
            return fn(FormatTag<F::kSigned24>{});
        case F::kSigned32:
            return fn(FormatTag<F::kSigned32>{});
        case F::kFloat32:
            return fn(FormatTag<F::kFloat32>{});
        case F::kFloat64:
            return fn(FormatTag<F::kFloat64>{});
        case F::kALaw:
            return fn(FormatTag<F::kALaw>{});
        case F::kMuLaw:
            return fn(FormatTag<F::kMuLaw>{});
    }
    // The header reader sets no other value.
    __builtin_unreachable();
}

/// The sample of format `format` at `p`, chosen at run time.
inline int sample_of(const uint8_t* p, SampleFormat format, bool inverted) {
    return with_sample_format(format, [&](auto f) { return sample_at<f()>(p, inverted); });
}

/// The decoded channel's sample of the frame at `frame`.
inline int frame_sample(const uint8_t* frame, const FrameFormat& f) {
    return sample_of(frame + f.channel_offset, f.format, f.inverted);
}

/// The read that meets the end of the input still yields one sample: for
/// 8-bit PCM the end marker taken as the byte 0xFF, otherwise the previous
/// sample again (0 when there was none).
inline int end_of_input_sample(const FrameFormat& f, int previous) {
    static constexpr uint8_t kEndByte = 0xFF;
    return f.format == SampleFormat::kUnsigned8
               ? sample_at<SampleFormat::kUnsigned8>(&kEndByte, f.inverted)
               : previous;
}

/// The signed 8-bit value all conditioning works on: the top byte's worth,
/// truncated toward zero (-255 gives 0).
inline int conditioning_input(int sample) {
    return sample / kSampleScale;
}
