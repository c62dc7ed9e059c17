#include "wav/header_reader.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "wav/chunk_walk.h"

namespace {

constexpr size_t kTagBytes = 4;

/// Where the format fields stand in a format chunk's body, and where the
/// canonical header has them when there is no format chunk.
constexpr int kCanonicalFormatBody = 20;
constexpr int kTagField = 0;
constexpr int kChannelsField = 2;
constexpr int kRateField = 4;
constexpr int kBlockAlignField = 12;
constexpr int kBitsField = 14;
constexpr int kSubFormatField = 24;

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagALaw = 6;
constexpr uint16_t kTagMuLaw = 7;
constexpr uint16_t kTagExtensible = 0xFFFE;
/// The extensible sub-format GUID after its first two bytes (the plain tag).
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

/// Prints `count` dots, one per offset the scan tried.
void print_dots(uint64_t count) {
    static constexpr char kDots[] =
        "................................................................"
        "................................................................";
    constexpr uint64_t kDotsPerWrite = sizeof kDots - 1;
    while (count > 0) {
        const uint64_t n = count < kDotsPerWrite ? count : kDotsPerWrite;
        std::fwrite(kDots, 1, static_cast<size_t>(n), stdout);
        count -= n;
    }
}

/// Advances the stream to the first "data" tag anywhere in the file. Every
/// offset tried that does not hold the tag prints a dot, the one whose read
/// meets the end included.
bool find_data_tag(InputStream* in) {
    for (;;) {
        if (input_require(in, kTagBytes) < kTagBytes) {
            print_dots(1);
            return false;
        }
        const uint8_t* p = in->bytes + in->pos;
        const size_t checkable = in->filled - in->pos - (kTagBytes - 1);
        size_t i = 0;
        while (i < checkable && std::memcmp(p + i, "data", kTagBytes) != 0) ++i;
        print_dots(i);
        in->pos += i;
        if (i < checkable) return true;
    }
}

void report_format(const WavHeader& h) {
    std::printf("Number of channels: %i\n", h.channels);
    std::printf("Number of samples per sec: %u\n", h.sample_rate);
    std::printf("Number of bits per sample: %i\n", h.bits_per_sample);
    // Unsigned 32-bit on purpose: this is the figure the report has always shown.
    const uint32_t usec = (h.sample_rate / 2 + 1000000u) / h.sample_rate;
    std::printf("Usec per sample: %i\n.", static_cast<int>(usec));
}

/// The format fields from the format chunk, or from the canonical offsets.
void read_format_fields(const uint8_t* first_bytes, const ChunkWalk& walk, WavHeader* h) {
    const uint8_t* body = walk.found_format ? walk.format_body : first_bytes + kCanonicalFormatBody;
    h->format_tag = read_le16(body + kTagField);
    h->channels = read_le16(body + kChannelsField);
    h->sample_rate = read_le32(body + kRateField);
    h->block_align = read_le16(body + kBlockAlignField);
    h->bits_per_sample = read_le16(body + kBitsField);
    std::memcpy(h->sub_format, body + kSubFormatField, sizeof h->sub_format);
}

/// The sample format of an extensible file: its sub-format names the plain
/// tag, and its width comes from the block alignment.
bool extensible_format(const WavHeader& h, uint16_t* tag, unsigned* bits) {
    if (std::memcmp(h.sub_format + 2, kGuidTail, sizeof kGuidTail) != 0) return false;
    *tag = read_le16(h.sub_format);
    const unsigned channels = h.channels == 0 ? 1 : h.channels;
    *bits = 8 * (h.block_align / channels);
    return *tag == kTagPcm || *tag == kTagFloat;
}

/// The format that reads samples of `tag` with `bits`, if there is one.
bool sample_format_for(uint16_t tag, unsigned bits, SampleFormat* format) {
    struct Entry {
        uint16_t tag;
        unsigned bits;
        SampleFormat format;
    };
    static constexpr Entry kFormats[] = {
        {kTagPcm, 8, SampleFormat::kUnsigned8},  {kTagPcm, 16, SampleFormat::kSigned16},
        {kTagPcm, 24, SampleFormat::kSigned24},  {kTagPcm, 32, SampleFormat::kSigned32},
        {kTagFloat, 32, SampleFormat::kFloat32}, {kTagFloat, 64, SampleFormat::kFloat64},
        {kTagALaw, 8, SampleFormat::kALaw},      {kTagMuLaw, 8, SampleFormat::kMuLaw},
    };
    for (const Entry& e : kFormats) {
        if (e.tag == tag && e.bits == bits) {
            *format = e.format;
            return true;
        }
    }
    // Any other tag with 8 or 16 bits is read as PCM, as it always was.
    const bool known = tag == kTagPcm || tag == kTagFloat || tag == kTagALaw || tag == kTagMuLaw ||
                       tag == kTagExtensible;
    if (known || (bits != 8 && bits != 16)) return false;
    *format = bits == 8 ? SampleFormat::kUnsigned8 : SampleFormat::kSigned16;
    return true;
}

/// The one validation block: everything after it divides by the rate or
/// steps by the frame, so both are decided here before anything uses them.
bool decide_frame_format(WavHeader* h) {
    if (h->sample_rate == 0) {
        std::fprintf(stderr, "This is not a valid WAV file. Exiting...\nSample rate of 0 Hz.\n");
        return false;
    }
    uint16_t tag = h->format_tag;
    unsigned bits = h->bits_per_sample;
    SampleFormat format = SampleFormat::kUnsigned8;
    const bool readable = (tag != kTagExtensible || extensible_format(*h, &tag, &bits)) &&
                          sample_format_for(tag, bits, &format);
    if (!readable) {
        std::fprintf(stderr,
                     "This is not a valid WAV file. Exiting...\n"
                     "Unsupported sample format: %u bits per sample (format tag %u).\n",
                     static_cast<unsigned>(h->bits_per_sample),
                     static_cast<unsigned>(h->format_tag));
        return false;
    }
    FrameFormat& f = h->frame;
    f.format = format;
    f.sample_bytes = format == SampleFormat::kUnsigned8 || format == SampleFormat::kALaw ||
                             format == SampleFormat::kMuLaw
                         ? 1
                         : bits / 8;
    f.frame_bytes = (h->channels == 0 ? 1u : h->channels) * f.sample_bytes;
    f.channel_offset = 0;
    f.inverted = false;
    return true;
}

/// Reports the data chunk the walk met, and stands at its first sample.
bool enter_walked_data(InputStream* in, const ChunkWalk& walk, WavHeader* h) {
    print_dots(walk.data_tag_offset);
    const uint64_t tag_end = walk.data_tag_offset + kTagBytes;
    std::printf("\nWave data chunk found at offset: %" PRIu64 ".\n", tag_end);
    std::printf("Wave data length: %" PRIu64 " bytes\n", walk.data_size);
    h->data_size = walk.data_size;
    h->data_start = tag_end + kTagBytes;
    return input_seek(in, h->data_start);
}

/// The byte scan: the first "data" anywhere in the file, and its 32-bit size.
bool enter_scanned_data(InputStream* in, WavHeader* h) {
    if (!find_data_tag(in)) return false;
    in->pos += kTagBytes;
    std::printf("\nWave data chunk found at offset: %" PRIu64 ".\n", input_position(in));
    uint8_t size_field[kTagBytes] = {};
    const size_t got = input_require(in, kTagBytes);
    std::memcpy(size_field, in->bytes + in->pos, got);
    in->pos += got;
    h->data_size = read_le32(size_field);
    std::printf("Wave data length: %" PRIu64 " bytes\n", h->data_size);
    h->data_start = input_position(in);
    return true;
}

}  // namespace

HeaderStatus read_header(InputStream* in, uint32_t forced_rate, WavHeader* h) {
    // The first bytes as the canonical header has them; missing bytes are zero.
    uint8_t first[kCanonicalFormatBody + kFormatBodyBytes] = {};
    std::memcpy(first, in->bytes + in->pos, input_require(in, sizeof first));
    const bool rf64 = std::memcmp(first, "RF64", kTagBytes) == 0;
    if (std::memcmp(first, "RIFF", kTagBytes) != 0 && !rf64) {
        std::fprintf(stderr, "This is not a valid WAV file. Exiting...\n");
        return HeaderStatus::kNotWav;
    }
    const ChunkWalk walk = walk_chunks(in, rf64);
    read_format_fields(first, walk, h);
    if (forced_rate != 0) h->sample_rate = forced_rate;
    if (!decide_frame_format(h)) return HeaderStatus::kNotWav;
    report_format(*h);

    const bool entered =
        walk.found_data ? enter_walked_data(in, walk, h) : enter_scanned_data(in, h);
    if (!entered) {
        std::fflush(stdout);
        std::fprintf(stderr, "Wave data chunk not found. Exiting...\n");
        return HeaderStatus::kNoWaveData;
    }
    return HeaderStatus::kOk;
}
