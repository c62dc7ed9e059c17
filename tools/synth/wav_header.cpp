// The header of a recording, chunk by chunk:
//
//   "RIFF" size "WAVE"            ("RF64" 0xFFFFFFFF "WAVE" with --rf64)
//   "ds64" 28  riff size, data size, frame count (64-bit each), table 0   (RF64 only)
//   "JUNK" 28  zeros                                                     (--junk)
//   "fmt " 16  tag, channels, rate, byte rate, block align, bits
//              (40 with -x: + cbSize 22, valid bits, channel mask, sub-format GUID)
//   "LIST" n   "INFO" "INAM" text size, text and zero; a pad byte if n is odd (--list-text)
//   "data" size, the samples
//
// Without options it is the canonical 44-byte header.
#include "wav_header.h"

#include <cstring>

#include "byte_order.h"

namespace {

constexpr uint32_t kPlainFmtBytes = 16;
constexpr uint32_t kExtensibleFmtBytes = 40;
constexpr uint32_t kDs64Bytes = 28;
constexpr uint32_t kJunkBytes = 28;
constexpr uint32_t kIdBytes = 4;
constexpr uint32_t kChunkHeaderBytes = 8;
constexpr size_t kRiffHeaderBytes = 12;  ///< "RIFF", its size, "WAVE"
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagAlaw = 6;
constexpr uint16_t kTagMulaw = 7;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr uint16_t kExtensionBytes = 22;
constexpr uint32_t kMaskFrontCenter = 0x4;
constexpr uint32_t kMaskFrontLeftRight = 0x3;
constexpr uint32_t kUnknownSize = 0xFFFFFFFF;
/// The sub-format GUID after its first four bytes, which hold the format tag.
constexpr uint8_t kGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                   0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t format_tag(SampleEncoding encoding) {
    switch (encoding) {
        case SampleEncoding::kPcm:
            return kTagPcm;
        case SampleEncoding::kFloat:
            return kTagFloat;
        case SampleEncoding::kAlaw:
            return kTagAlaw;
        case SampleEncoding::kMulaw:
            return kTagMulaw;
    }
    return kTagPcm;
}

/// Bytes of the LIST chunk's body: "INFO", the INAM header, the text and its zero.
uint32_t list_body_bytes(const WavLayout& l) {
    return static_cast<uint32_t>(kIdBytes + kChunkHeaderBytes + std::strlen(l.list_text) + 1);
}

/// Appends a chunk header at *p.
void chunk(uint8_t** p, const char* id, uint32_t size) {
    std::memcpy(*p, id, kIdBytes);
    put_le32(*p + 4, size);
    *p += kChunkHeaderBytes;
}

void put_fmt(uint8_t** p, const WavLayout& l) {
    const uint32_t align = static_cast<uint32_t>(wav_frame_bytes(l));
    const uint16_t tag = format_tag(l.encoding);
    uint8_t* f = *p + kChunkHeaderBytes;
    chunk(p, "fmt ", l.extensible ? kExtensibleFmtBytes : kPlainFmtBytes);
    put_le16(f, l.extensible ? kTagExtensible : tag);
    put_le16(f + 2, static_cast<uint32_t>(l.channels));
    put_le32(f + 4, l.sample_rate);
    put_le32(f + 8, l.sample_rate * align);
    put_le16(f + 12, align);
    put_le16(f + 14, static_cast<uint32_t>(l.bits_per_sample));
    *p += kPlainFmtBytes;
    if (!l.extensible) return;
    put_le16(f + 16, kExtensionBytes);
    put_le16(f + 18, static_cast<uint32_t>(l.bits_per_sample));
    put_le32(f + 20, l.channels == 1 ? kMaskFrontCenter : kMaskFrontLeftRight);
    put_le32(f + 24, tag);
    std::memcpy(f + 28, kGuidTail, sizeof kGuidTail);
    *p += kExtensibleFmtBytes - kPlainFmtBytes;
}

}  // namespace

WavLayout wav_layout_of(const SynthSettings& s) {
    return WavLayout{s.sample_rate, s.bits_per_sample, s.channels, s.encoding, s.extensible,
                     s.rf64,        s.junk_chunk,      s.list_text};
}

size_t wav_frame_bytes(const WavLayout& l) {
    return static_cast<size_t>(l.channels * l.bits_per_sample / 8);
}

size_t wav_header_bytes(const WavLayout& l) {
    size_t n = kRiffHeaderBytes + kChunkHeaderBytes +
               (l.extensible ? kExtensibleFmtBytes : kPlainFmtBytes) + kChunkHeaderBytes;
    if (l.rf64) n += kChunkHeaderBytes + kDs64Bytes;
    if (l.junk_chunk) n += kChunkHeaderBytes + kJunkBytes;
    if (l.list_text != nullptr) n += kChunkHeaderBytes + (list_body_bytes(l) + 1) / 2 * 2;
    return n;
}

uint64_t wav_max_data_bytes(const WavLayout& l) {
    return l.rf64 ? UINT64_MAX / 2 : kUnknownSize - (wav_header_bytes(l) - kChunkHeaderBytes);
}

void wav_header_build(uint8_t* out, const WavLayout& l, uint64_t data_bytes) {
    const uint64_t riff_bytes = wav_header_bytes(l) - kChunkHeaderBytes + data_bytes;
    uint8_t* p = out;
    chunk(&p, l.rf64 ? "RF64" : "RIFF", l.rf64 ? kUnknownSize : static_cast<uint32_t>(riff_bytes));
    std::memcpy(p, "WAVE", kIdBytes);
    p += kIdBytes;
    if (l.rf64) {
        chunk(&p, "ds64", kDs64Bytes);
        put_le64(p, riff_bytes);
        put_le64(p + 8, data_bytes);
        put_le64(p + 16, data_bytes / wav_frame_bytes(l));
        put_le32(p + 24, 0);
        p += kDs64Bytes;
    }
    if (l.junk_chunk) {
        chunk(&p, "JUNK", kJunkBytes);
        std::memset(p, 0, kJunkBytes);
        p += kJunkBytes;
    }
    put_fmt(&p, l);
    if (l.list_text != nullptr) {
        const size_t text_bytes = std::strlen(l.list_text) + 1;
        const uint32_t body = list_body_bytes(l);
        chunk(&p, "LIST", body);
        std::memcpy(p, "INFO", kIdBytes);
        p += kIdBytes;
        chunk(&p, "INAM", static_cast<uint32_t>(text_bytes));
        std::memcpy(p, l.list_text, text_bytes);
        p += text_bytes;
        if (body % 2 != 0) *p++ = 0;
    }
    chunk(&p, "data", l.rf64 ? kUnknownSize : static_cast<uint32_t>(data_bytes));
}
