// Writes the fuzzers' seed corpus: small recordings played by the tests' own
// tape signal helper, and the bit events of one good block.
//   fuzz_seed_corpus <dir>   writes <dir>/{header,conversion,assembler}/...
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "tape_signal.h"
#include "wav_fixture.h"

namespace {

/// A tape block as it is recorded: leader, sync, name, address, length,
/// data, checksum, and one trailing byte to close the checksum.
std::string tape_block(const std::string& name, uint16_t address, const std::string& data) {
    return htp_image(name, address, data).substr(252);
}

/// Small and quick to decode: 11025 Hz, where pulses of up to 13 samples
/// are short.
TapeSignalOptions small_signal(int bits, int channels) {
    TapeSignalOptions o;
    o.rate = 11025;
    o.bits = bits;
    o.channels = channels;
    o.short_samples = 8;
    o.long_samples = 16;
    o.pulse_samples = 3;
    o.lead_silence = 50;
    o.trail_silence = 50;
    return o;
}

/// Bit events for the assembler target: 1 bits as two short pulses' second,
/// 0 bits as one long pulse, most significant bit first.
std::string bit_events(const std::string& tape) {
    std::string events(1, '\x0D');  // verbose, 44100 Hz
    for (char c : tape)
        for (int bit = 7; bit >= 0; --bit)
            events +=
                ((c >> bit) & 1) ? static_cast<char>((30 << 2) | 1) : static_cast<char>(60 << 2);
    return events;
}

bool save(const std::string& dir, const std::string& name, const std::string& bytes) {
    const std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_corpus <dir>\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::string header = root + "/header";
    const std::string conversion = root + "/conversion";
    const std::string assembler = root + "/assembler";
    for (const std::string& d : {root, header, conversion, assembler}) mkdir(d.c_str(), 0755);

    const std::string good = tape_block("A", 0x4000, "xyz");
    const std::string slash = tape_block("a/b\\c", 0x1234, std::string("\x00\xFF", 2));
    const std::string mono8 = tape_wav(good, small_signal(8, 1));
    const std::string stereo16 = tape_wav(slash, small_signal(16, 2));
    std::string with_list = make_wav(WavFixture{}, std::string(64, '\x80'));
    with_list.insert(36, "LIST" + le32(12) + "INFOmy data");

    bool ok = true;
    ok &= save(header, "mono8.wav", mono8.substr(0, 200));
    ok &= save(header, "stereo16.wav", stereo16.substr(0, 200));
    ok &= save(header, "list_chunk.wav", with_list);
    ok &= save(header, "short_header.wav", mono8.substr(0, 30));

    // Option bytes first (see fuzz_conversion.cpp), then the file.
    ok &= save(conversion, "plain.bin", std::string(1, '\x00') + mono8);
    ok &= save(conversion, "verbose_raw.bin", std::string("\x88\x00", 2) + mono8);
    ok &= save(conversion, "stereo16_slash.bin", std::string(1, '\x08') + stereo16);
    ok &= save(conversion, "edge_filter.bin", std::string(1, '\x03') + mono8);
    ok &= save(conversion, "cut_in_block.bin",
               std::string(1, '\x08') + mono8.substr(0, mono8.size() * 3 / 4));
    ok &= save(conversion, "forced_rate_gain.bin", std::string("\x30\x06\x05", 3) + mono8);

    ok &= save(assembler, "good_block.bin", bit_events(good));
    ok &= save(assembler, "slash_block.bin", bit_events(slash));
    ok &= save(assembler, "long_name.bin", bit_events(tape_block(std::string(70, 'N'), 0, "")));
    return ok ? 0 : 1;
}
