#include "tape_signal.h"

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
