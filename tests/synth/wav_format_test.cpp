// The recording's header, chunk by chunk, for every format and optional chunk,
// and its samples: every format but 8-bit PCM carries the 16-bit recording's values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sample_encoder.h"
#include "synth_test_helpers.h"
#include "wav_fixture.h"

namespace {

std::string le64(uint64_t v) {
    return le32(static_cast<uint32_t>(v)) + le32(v >> 32);
}

struct FormatCase {
    std::string args;
    uint16_t tag;  ///< the format's own tag, also inside an extensible chunk
    uint16_t channels, bits;
    bool extensible = false, rf64 = false, junk = false;
    std::string list_text = "";  ///< empty: no LIST chunk
    int signal_channel = 0;      ///< 0: the signal on every channel
};

/// The header the case must have, for a payload of data bytes.
std::string expected_header(const FormatCase& c, uint64_t data) {
    const uint16_t align = static_cast<uint16_t>(c.channels * c.bits / 8);
    std::string fmt = le16(c.extensible ? 0xFFFE : c.tag) + le16(c.channels) + le32(44100) +
                      le32(44100 * align) + le16(align) + le16(c.bits);
    if (c.extensible) {
        fmt += le16(22) + le16(c.bits) + le32(c.channels == 1 ? 4 : 3) + le32(c.tag) +
               std::string("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
    }
    std::string chunks = "fmt " + le32(static_cast<uint32_t>(fmt.size())) + fmt;
    if (c.junk) chunks = "JUNK" + le32(28) + std::string(28, '\0') + chunks;
    if (!c.list_text.empty()) {
        const uint32_t size = static_cast<uint32_t>(13 + c.list_text.size());
        chunks += "LIST" + le32(size) + "INFOINAM" + le32(size - 12) + c.list_text + '\0';
        if (size % 2) chunks += '\0';
    }
    const uint64_t riff = 4 + chunks.size() + (c.rf64 ? 36 : 0) + 8 + data;
    if (!c.rf64)
        return "RIFF" + le32(static_cast<uint32_t>(riff)) + "WAVE" + chunks + "data" +
               le32(static_cast<uint32_t>(data));
    return "RF64" + le32(0xFFFFFFFF) + "WAVEds64" + le32(28) + le64(riff) + le64(data) +
           le64(data / align) + le32(0) + chunks + "data" + le32(0xFFFFFFFF);
}

/// The 16-bit value a stored sample carries; refuses stray low bits and fractions.
/// 8-bit PCM, quantised on a scale of its own, must come within half a step.
int value16(const std::string& b, const FormatCase& c, int reference) {
    const auto u = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
    if (c.tag == 1 && c.bits == 8)
        return std::abs((u(0) - 128) * 32767 / 127 - reference) <= 130 ? reference : -99999;
    if (c.tag == 6) return u(0) == g711_alaw(reference) ? reference : -99999;
    if (c.tag == 7) return u(0) == g711_mulaw(reference) ? reference : -99999;
    if (c.tag == 3) {
        double x = 0;
        float f = 0;
        if (c.bits == 32) std::memcpy(&f, b.data(), sizeof f);
        if (c.bits == 64) std::memcpy(&x, b.data(), sizeof x);
        if (c.bits == 32) x = f;
        return x * 32768 == static_cast<int>(x * 32768) ? static_cast<int>(x * 32768) : -99999;
    }
    const size_t top = b.size() - 2;
    if (b.substr(0, top) != std::string(top, '\0')) return -99999;
    return static_cast<int16_t>(u(top) | (u(top + 1) << 8));
}

TEST(SynthWavFormats, HeaderChunksAndSamplesPerFormat) {
    const std::vector<FormatCase> cases = {
        {"", 1, 1, 8},
        {"-b 16 -c 2", 1, 2, 16},
        {"-b 24", 1, 1, 24},
        {"-b 32", 1, 1, 32},
        {"-F", 3, 1, 32},
        {"-F -b 64", 3, 1, 64},
        {"-x -b 24", 1, 1, 24, true},
        {"-xF -c 2", 3, 2, 32, true},
        {"--alaw", 6, 1, 8},
        {"--mulaw", 7, 1, 8},
        {"--rf64 -b 16", 1, 1, 16, false, true},
        {"--junk --list-text tape-data -b 16", 1, 1, 16, false, false, true, "tape-data"},
        {"--list-text=ab --rf64", 1, 1, 8, false, true, false, "ab"},
        {"-c 2 -C 2 -b 16", 1, 2, 16, false, false, false, "", 2},
        {"-c 2 -C 1 -b 32", 1, 2, 32, false, false, false, "", 1},
    };
    const std::string common = " -w sine -n 30 -o out.wav a.htp";
    const std::vector<int> reference = samples16(run_synth("-b 16" + common).wav);
    for (const FormatCase& c : cases) {
        const std::string& row = c.args;
        const SynthRun run = run_synth(c.args + common);
        ASSERT_EQ(run.result.exit_code, 0) << row << run.result.err;
        const size_t header = expected_header(c, 0).size();
        ASSERT_GT(run.wav.size(), header) << row;
        const uint64_t data = run.wav.size() - header;
        EXPECT_EQ(run.wav.substr(0, header), expected_header(c, data)) << row;
        EXPECT_EQ(data % 2, 0u) << row << ": a RIFF chunk has an even size";
        const size_t width = c.bits / 8u, frame = width * c.channels;
        ASSERT_GE(data / frame, reference.size()) << row;
        int wrong = 0;
        for (size_t i = 0; i < reference.size(); ++i) {
            for (int ch = 1; ch <= c.channels; ++ch) {
                const bool signal = c.signal_channel == 0 || ch == c.signal_channel;
                const int expected = signal ? reference[i] : 0;
                wrong += value16(run.wav.substr(header + i * frame + (ch - 1) * width, width), c,
                                 expected) != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << row;
    }
}

TEST(SynthWavFormats, G711CompressesLikeTheClassicCodec) {
    const struct {
        int value;
        int alaw, mulaw;
    } cases[] = {
        {0, 0xD5, 0xFF},     {1, 0xD5, 0xFF},      {-1, 0x55, 0x7E},    {8, 0xD5, 0xFE},
        {-9, 0x55, 0x7D},    {100, 0xD3, 0xF2},    {-100, 0x53, 0x72},  {1000, 0xFA, 0xCE},
        {-1000, 0x7A, 0x4E}, {4095, 0x9A, 0xAF},   {5000, 0x86, 0xAB},  {-5000, 0x06, 0x2B},
        {20000, 0xA6, 0x8C}, {-20000, 0x26, 0x0C}, {32767, 0xAA, 0x80}, {-32768, 0x2A, 0x00},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(g711_alaw(c.value), c.alaw) << c.value;
        EXPECT_EQ(g711_mulaw(c.value), c.mulaw) << c.value;
    }
}

}  // namespace
