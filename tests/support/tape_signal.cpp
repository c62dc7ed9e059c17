#include "tape_signal.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "process_runner.h"
#include "synth.h"
#include "synth_options.h"

std::string le16(uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string le32(uint32_t v) {
    return le16(static_cast<uint16_t>(v)) + le16(static_cast<uint16_t>(v >> 16));
}

std::string make_wav(const WavFixture& f, const std::string& payload) {
    const auto size = static_cast<uint32_t>(payload.size());
    const auto align = static_cast<uint16_t>(f.channels * (f.bits_per_sample / 8));
    return "RIFF" + le32(36 + size) + "WAVEfmt " + le32(16) + le16(1) + le16(f.channels) +
           le32(f.sample_rate) + le32(f.sample_rate * align) + le16(align) +
           le16(f.bits_per_sample) + "data" +
           le32(f.data_size < 0 ? size : static_cast<uint32_t>(f.data_size)) + payload;
}

namespace {

uint8_t checksum(const std::string& data) {
    unsigned sum = 0;
    for (char c : data) sum += static_cast<uint8_t>(c);
    return static_cast<uint8_t>(sum);
}

}  // namespace

std::string htp_image(const std::string& name, uint16_t address, const std::string& data,
                      size_t leader, char marker) {
    return std::string(leader, '\0') + '\xA5' + name + '\0' + le16(address) +
           le16(static_cast<uint16_t>(data.size())) + data + static_cast<char>(checksum(data)) +
           marker;
}

namespace {

void put_sample(std::string* out, int level, const TapeSignalOptions& o) {
    if (o.inverted) level = -level;
    for (int ch = 1; ch <= o.channels; ++ch) {
        const int v = o.signal_channel == 0 || ch == o.signal_channel ? level : 0;
        *out += o.bits == 16 ? le16(static_cast<uint16_t>(v * 256))
                             : std::string(1, static_cast<char>(v + 128));
    }
}

}  // namespace

std::string tape_period(unsigned samples, const TapeSignalOptions& o) {
    std::string out;
    const unsigned high = o.square ? samples / 2 : o.pulse_samples;
    for (unsigned i = 0; i < samples; ++i)
        put_sample(&out, i < high ? o.amplitude : o.square ? -o.amplitude : 0, o);
    return out;
}

std::string tape_payload(const std::string& tape, const TapeSignalOptions& o) {
    std::string out;
    for (unsigned i = 0; i < o.lead_silence; ++i) put_sample(&out, 0, o);
    const std::string one = tape_period(o.short_samples, o), zero = tape_period(o.long_samples, o);
    for (char c : tape)
        for (int bit = 7; bit >= 0; --bit) out += (c >> bit) & 1 ? one + one : zero;
    if (o.closing_edge) out += tape_period(o.pulse_samples * 2, o);
    for (unsigned i = 0; i < o.trail_silence; ++i) put_sample(&out, 0, o);
    return out;
}

namespace {

/// Frames up to and including the edge that completes tape byte k.
uint64_t frames_to_byte_end(const Placement& p, uint64_t k) {
    return p.frames_before + 4410 + 576 * (k + 1) + 1;
}

/// "mm.ss.mmm" for a count of frames at 44100 Hz, by integer arithmetic.
std::string time_text(uint64_t frames) {
    const uint64_t ms = frames * 1000 / 44100;
    char text[32];
    std::snprintf(text, sizeof text, "%02" PRIu64 ".%02" PRIu64 ".%03" PRIu64, ms / 60000,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace

uint64_t name_end_frames(const Placement& p, const std::string& name) {
    return frames_to_byte_end(p, 256 + name.size() + 1);
}

std::string start_time(const Placement& p, const std::string& name) {
    return time_text(name_end_frames(p, name));
}

std::string good_block_lines(const Placement& p, const std::string& name, uint16_t address,
                             const std::string& data) {
    const uint64_t sync = frames_to_byte_end(p, 256) + p.sync_delay,
                   offset = p.data_start + sync * p.frame_bytes;
    const auto length = static_cast<unsigned>(data.size());
    const std::string stop = time_text(frames_to_byte_end(p, 256 + name.size() + 6 + length));
    char text[640];
    std::snprintf(text, sizeof text,
                  "Sync found at offset: %" PRIu64 " (0x%08" PRIX64
                  ") time: %.6f sec.\n  Average sync pulse distance: 1633 usec.\n"
                  "  File found:  %s\n  Start time: %s\n  Start: %04Xh - length: %04Xh\n"
                  "  Data block length: %u (0x%04X) bytes\n  Stop time: %s\n  CRC OK (%02Xh)\n",
                  offset, offset, static_cast<double>(sync) / 44100, name.c_str(),
                  start_time(p, name).c_str(), address, length, length, length, stop.c_str(),
                  checksum(data));
    return text;
}

std::string synthesize(const std::string& path, const SynthSettings& settings,
                       const std::vector<std::string>& images) {
    std::vector<SynthImage> list;
    for (const std::string& b : images)
        list.push_back({"test.htp", reinterpret_cast<const uint8_t*>(b.data()), b.size()});
    char message[256] = "";
    const int code =
        synth_write_wav(settings, list.data(), list.size(), path.c_str(), message, sizeof message);
    return code == 0 ? "" : message;
}

SynthSettings synth_settings(const std::string& options) {
    // The settings point into the words (a --list-text value): they live on.
    static std::deque<std::string> kept;
    std::vector<std::string> words = {"vorlane-synth", "-o", "x.wav", "x.htp"};
    std::string word;
    for (char c : options + " ") {
        if (c != ' ') word += c;
        if (c == ' ' && !word.empty()) words.insert(words.end() - 3, word), word.clear();
    }
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(kept.emplace_back(w).data());
    SynthOptions parsed;
    char message[256] = "";
    if (synth_parse_options(static_cast<int>(argv.size()), argv.data(), &parsed, message,
                            sizeof message) != 0) {
        std::fprintf(stderr, "synth_settings(\"%s\"): %s\n", options.c_str(), message);
        std::abort();
    }
    return parsed.settings;
}

std::string synthesized(const std::string& options, const std::vector<std::string>& images) {
    ScopedTempDir dir;
    if (!synthesize(dir.file("t.wav"), synth_settings(options), images).empty()) std::abort();
    return read_file(dir.file("t.wav"));
}

std::vector<std::string> test_images(int count, int length, unsigned seed) {
    std::vector<std::string> images;
    for (int i = 0; i < count; ++i) {
        std::string data;
        while (data.size() < static_cast<size_t>(length))
            data += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        images.push_back(
            htp_image("B" + std::to_string(i), static_cast<uint16_t>(0x4000 + i), data));
    }
    return images;
}
