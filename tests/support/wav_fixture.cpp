#include "wav_fixture.h"

std::string le16(uint16_t v) {
    std::string s;
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
    return s;
}

std::string le32(uint32_t v) {
    return le16(static_cast<uint16_t>(v)) + le16(static_cast<uint16_t>(v >> 16));
}

std::string make_wav(const WavFixture& f, const std::string& payload) {
    const uint32_t data_size =
        f.explicit_data_size ? f.data_size : static_cast<uint32_t>(payload.size());
    const uint16_t block_align = static_cast<uint16_t>(f.channels * (f.bits_per_sample / 8));
    std::string h = "RIFF" + le32(36 + static_cast<uint32_t>(payload.size())) + "WAVE";
    h += "fmt " + le32(16) + le16(1) + le16(f.channels) + le32(f.sample_rate);
    h += le32(f.sample_rate * block_align) + le16(block_align) + le16(f.bits_per_sample);
    h += "data" + le32(data_size);
    return h + payload;
}
