#pragma once

#include <cstdint>

/// How one sample is stored in a frame. 8-bit PCM is unsigned around 0x80;
/// every other format is read as a signed 16-bit value first.
enum class SampleFormat : uint8_t {
    kUnsigned8,  ///< PCM, 8 bits
    kSigned16,   ///< PCM, 16 bits little-endian
};

/// Where the decoded sample sits in a frame and how it is read.
struct FrameFormat {
    SampleFormat format = SampleFormat::kUnsigned8;
    unsigned sample_bytes = 1;    ///< bytes of one sample
    unsigned frame_bytes = 1;     ///< channels x sample_bytes
    unsigned channel_offset = 0;  ///< byte offset of the decoded channel in a frame
    bool inverted = false;        ///< -r: complement every sample
};

/// Samples on the signed 16-bit scale, -32768..32767.
constexpr int kSampleScale = 256;  ///< one step of the signed 8-bit scale

inline uint16_t read_le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t read_le32(const uint8_t* p) {
    return static_cast<uint32_t>(read_le16(p)) | (static_cast<uint32_t>(read_le16(p + 2)) << 16);
}
inline uint64_t read_le64(const uint8_t* p) {
    return static_cast<uint64_t>(read_le32(p)) | (static_cast<uint64_t>(read_le32(p + 4)) << 32);
}

/// The sample of format F at `p`, on the signed 16-bit scale. Inversion
/// complements the stored value: 8-bit 0x00 becomes 0xFF, 16-bit v becomes ~v.
template <SampleFormat F>
inline int sample_at(const uint8_t* p, bool inverted) {
    if constexpr (F == SampleFormat::kUnsigned8) {
        const uint8_t byte = inverted ? static_cast<uint8_t>(~*p) : *p;
        return (byte - 128) * kSampleScale;
    } else {
        const auto v = static_cast<int16_t>(read_le16(p));
        return inverted ? ~v : v;
    }
}

/// The decoded channel's sample of the frame at `frame`.
inline int frame_sample(const uint8_t* frame, const FrameFormat& f) {
    const uint8_t* p = frame + f.channel_offset;
    switch (f.format) {
        case SampleFormat::kUnsigned8:
            return sample_at<SampleFormat::kUnsigned8>(p, f.inverted);
        case SampleFormat::kSigned16:
            return sample_at<SampleFormat::kSigned16>(p, f.inverted);
    }
    return 0;
}

/// The read that meets the end of the input still yields one sample: for
/// 8-bit input the end marker taken as the byte 0xFF, otherwise the previous
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
