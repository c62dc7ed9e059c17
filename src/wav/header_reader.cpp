#include "wav/header_reader.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kChannelsOffset = 22;
constexpr int kRateOffset = 24;
constexpr int kBitsOffset = 34;
constexpr size_t kTagBytes = 4;

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

/// Advances the stream to the first "data" tag. Every offset tried that does
/// not hold the tag prints a dot, the one whose read meets the end included.
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

/// The one validation block: everything after it divides by the rate or
/// steps by the frame, so both are decided here before anything uses them.
bool decide_frame_format(WavHeader* h) {
    if (h->sample_rate == 0) return false;
    FrameFormat& f = h->frame;
    if (h->bits_per_sample == 8) {
        f.format = SampleFormat::kUnsigned8;
        f.sample_bytes = 1;
    } else if (h->bits_per_sample == 16) {
        f.format = SampleFormat::kSigned16;
        f.sample_bytes = 2;
    } else {
        return false;
    }
    const unsigned channels = h->channels == 0 ? 1 : h->channels;
    f.frame_bytes = channels * f.sample_bytes;
    f.channel_offset = 0;
    f.inverted = false;
    return true;
}

}  // namespace

HeaderStatus read_header(InputStream* in, uint32_t forced_rate, WavHeader* h) {
    const size_t have = input_require(in, kWavHeaderBytes);
    std::memset(h->raw, 0, sizeof h->raw);
    std::memcpy(h->raw, in->bytes + in->pos, have);
    h->channels = read_le16(h->raw + kChannelsOffset);
    h->sample_rate = read_le32(h->raw + kRateOffset);
    h->bits_per_sample = read_le16(h->raw + kBitsOffset);

    if (std::memcmp(h->raw, "RIFF", kTagBytes) != 0) {
        std::fprintf(stderr, "This is not a valid WAV file. Exiting...\n");
        return HeaderStatus::kNotWav;
    }
    if (forced_rate != 0) h->sample_rate = forced_rate;
    if (!decide_frame_format(h)) {
        std::fprintf(stderr, "This is not a valid WAV file. Exiting...\n");
        return HeaderStatus::kNotWav;
    }
    report_format(*h);

    if (!find_data_tag(in)) {
        std::fflush(stdout);
        std::fprintf(stderr, "Wave data chunk not found. Exiting...\n");
        return HeaderStatus::kNoWaveData;
    }
    in->pos += kTagBytes;
    std::printf("\nWave data chunk found at offset: %" PRIu64 ".\n", input_position(in));

    uint8_t size_field[kTagBytes] = {};
    const size_t got = input_require(in, kTagBytes);
    std::memcpy(size_field, in->bytes + in->pos, got);
    in->pos += got;
    h->data_size = read_le32(size_field);
    std::printf("Wave data length: %u bytes\n", h->data_size);
    h->data_start = input_position(in);
    return HeaderStatus::kOk;
}
