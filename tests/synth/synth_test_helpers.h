#pragma once

// Shared by the vorlane-synth tests: images built byte by byte, and a reading of
// the produced samples with the converter's comparator rule, written independently
// of the synthesizer.

#include <cstdint>
#include <string>
#include <vector>

#include "process_runner.h"
#include "synth.h"

/// One tape block of an image built in a test.
struct TestBlock {
    std::string name;  ///< without the terminating zero
    uint16_t address = 0x4000;
    std::string data;
};

/// A well-formed image: leader (256, then 128), sync, name and zero, address,
/// length, data, checksum, marker (0xD8 between blocks, 0x00 at the end).
inline std::string htp_bytes(const std::vector<TestBlock>& blocks) {
    std::string out;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const TestBlock& b = blocks[i];
        out.append(i == 0 ? 256 : 128, '\0');
        out += '\xA5';
        out += b.name;
        out += '\0';
        const size_t n = b.data.size();
        out += static_cast<char>(b.address & 0xFF);
        out += static_cast<char>(b.address >> 8);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += b.data;
        uint8_t sum = 0;
        for (char c : b.data) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        out += static_cast<char>(sum);
        out += i + 1 < blocks.size() ? '\xD8' : '\0';
    }
    return out;
}

inline SynthImage image_of(const std::string& bytes, const char* label = "test.htp") {
    return SynthImage{label, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

/// The first channel of a canonical WAV file on the converter's signed 8-bit scale:
/// 8-bit b becomes b - 128, 16-bit s becomes s / 256 truncated.
inline std::vector<int> converter_scale(const std::string& wav) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(wav[i]); };
    const int channels = byte(22) | (byte(23) << 8);
    const int bits = byte(34) | (byte(35) << 8);
    const size_t frame = static_cast<size_t>(channels * bits / 8);
    std::vector<int> out;
    for (size_t i = 44; i + frame <= wav.size(); i += frame) {
        if (bits == 8) {
            out.push_back(byte(i) - 128);
        } else {
            out.push_back(static_cast<int16_t>(byte(i) | (byte(i + 1) << 8)) / 256);
        }
    }
    return out;
}

/// Sample indices of the rising edges the converter's comparator finds at its
/// default gain: low goes high above 0.252, high goes low below 5.0.
inline std::vector<int64_t> rising_edges(const std::vector<int>& samples) {
    const double gain = 1.1220184543019633;  // 1 dB
    bool high = false;
    std::vector<int64_t> edges;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double d = samples[i] * gain;
        if (high && d < 5.0) {
            high = false;
        } else if (!high && d > 32 / 127.0) {
            high = true;
            edges.push_back(static_cast<int64_t>(i));
        }
    }
    return edges;
}

/// The period of every bit, most significant first, in microseconds.
inline std::vector<double> periods_of(const std::string& bytes, double short_us, double long_us) {
    std::vector<double> out;
    for (char c : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            if ((static_cast<uint8_t>(c) >> bit) & 1) {
                out.push_back(short_us);
                out.push_back(short_us);
            } else {
                out.push_back(long_us);
            }
        }
    }
    return out;
}

/// Plays images through the module into path; returns the exit code.
inline int synthesize(const SynthSettings& settings, const std::vector<std::string>& images,
                      const std::string& path, std::string* message = nullptr) {
    std::vector<SynthImage> list;
    for (const std::string& bytes : images) list.push_back(image_of(bytes));
    char text[256] = "";
    const int code =
        synth_write_wav(settings, list.data(), list.size(), path.c_str(), text, sizeof text);
    if (message != nullptr) *message = text;
    return code;
}
