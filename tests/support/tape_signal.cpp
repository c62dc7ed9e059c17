#include "tape_signal.h"

#include <cinttypes>
#include <cstdio>

#include "wav_fixture.h"

uint8_t data_checksum(const std::string& data) {
    unsigned sum = 0;
    for (char c : data) sum += static_cast<uint8_t>(c);
    return static_cast<uint8_t>(sum);
}

std::string htp_image(const std::string& name, uint16_t address, const std::string& data) {
    std::string image(256, '\0');
    image += '\xA5';
    image += name;
    image += '\0';
    image += le16(address) + le16(static_cast<uint16_t>(data.size())) + data;
    image += static_cast<char>(data_checksum(data));
    image += '\0';
    return image;
}

namespace {

void put_sample(std::string* out, int level, const TapeSignalOptions& o) {
    if (o.inverted) level = -level;
    for (int ch = 0; ch < o.channels; ++ch) {
        if (o.bits == 16) {
            *out += le16(static_cast<uint16_t>(static_cast<int16_t>(level * 256)));
        } else {
            *out += static_cast<char>(static_cast<uint8_t>(level + 128));
        }
    }
}

void put_period(std::string* out, unsigned samples, const TapeSignalOptions& o) {
    const unsigned high = o.square ? samples / 2 : o.pulse_samples;
    const int low = o.square ? -o.amplitude : 0;
    for (unsigned i = 0; i < samples; ++i) put_sample(out, i < high ? o.amplitude : low, o);
}

}  // namespace

std::string tape_period(unsigned samples, const TapeSignalOptions& o) {
    std::string out;
    put_period(&out, samples, o);
    return out;
}

std::string tape_payload(const std::string& tape, const TapeSignalOptions& o) {
    std::string out;
    for (unsigned i = 0; i < o.lead_silence; ++i) put_sample(&out, 0, o);
    for (char c : tape) {
        const auto byte = static_cast<uint8_t>(c);
        for (int bit = 7; bit >= 0; --bit) {
            if ((byte >> bit) & 1) {
                put_period(&out, o.short_samples, o);
                put_period(&out, o.short_samples, o);
            } else {
                put_period(&out, o.long_samples, o);
            }
        }
    }
    if (o.closing_edge) put_period(&out, o.pulse_samples * 2, o);
    for (unsigned i = 0; i < o.trail_silence; ++i) put_sample(&out, 0, o);
    return out;
}

std::string tape_wav(const std::string& tape, const TapeSignalOptions& o) {
    WavFixture f;
    f.sample_rate = o.rate;
    f.bits_per_sample = static_cast<uint16_t>(o.bits);
    f.channels = static_cast<uint16_t>(o.channels);
    return make_wav(f, tape_payload(tape, o));
}

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint64_t kLeadSilence = 4410;
constexpr uint64_t kByteFrames = 576;
constexpr uint64_t kSyncIndex = 256;  ///< the sync byte's place in an image

/// Frames up to and including the edge that completes tape byte k.
uint64_t frames_to_byte_end(const Placement& p, uint64_t k) {
    return p.frames_before + kLeadSilence + kByteFrames * (k + 1) + 1;
}

/// "mm.ss.mmm" for a count of frames, by integer arithmetic.
std::string time_text(uint64_t frames) {
    const uint64_t ms = frames * 1000 / kRate;
    char text[32];
    std::snprintf(text, sizeof text, "%02" PRIu64 ".%02" PRIu64 ".%03" PRIu64, ms / 60000,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace

std::string sync_lines(const Placement& p) {
    const uint64_t frames = frames_to_byte_end(p, kSyncIndex);
    const uint64_t offset = p.data_start + frames * p.frame_bytes;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Sync found at offset: %" PRIu64 " (0x%08" PRIX64
                  ") time: %.6f sec.\n"
                  "  Average sync pulse distance: 1633 usec.\n",
                  offset, offset, static_cast<double>(frames) / kRate);
    return text;
}

std::string start_time(const Placement& p, const std::string& name) {
    return time_text(frames_to_byte_end(p, kSyncIndex + name.size() + 1));
}

std::string name_lines(const Placement& p, const std::string& name) {
    return "  File found:  " + name + "\n  Start time: " + start_time(p, name) + "\n";
}

std::string header_lines(uint16_t address, uint16_t length) {
    char text[120];
    std::snprintf(text, sizeof text,
                  "  Start: %04Xh - length: %04Xh\n  Data block length: %u (0x%04X) bytes\n",
                  address, length, length, length);
    return text;
}

std::string good_block_lines(const Placement& p, const std::string& name, uint16_t address,
                             const std::string& data) {
    const uint64_t checksum_byte = kSyncIndex + name.size() + 1 + 4 + data.size() + 1;
    char crc[48];
    std::snprintf(crc, sizeof crc, "  Stop time: %s\n  CRC OK (%02Xh)\n",
                  time_text(frames_to_byte_end(p, checksum_byte)).c_str(), data_checksum(data));
    return sync_lines(p) + name_lines(p, name) +
           header_lines(address, static_cast<uint16_t>(data.size())) + crc;
}
