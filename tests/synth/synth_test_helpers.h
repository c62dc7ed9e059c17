#pragma once

// Shared by the vorlane-synth tests: images built byte by byte, runs of the real
// binary, and readings of the recordings written independently of the synthesizer.

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "synth.h"

/// One tape block of an image built in a test.
struct TestBlock {
    std::string name;  ///< without the terminating zero
    uint16_t address = 0x4000;
    std::string data;
};

/// A well-formed image: leader (256, then 128), sync, name and zero, address,
/// length, data, checksum, marker (0xD8 between blocks, `last` at the end).
inline std::string htp_bytes(const std::vector<TestBlock>& blocks, char last = '\0') {
    std::string out;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const TestBlock& b = blocks[i];
        const size_t n = b.data.size();
        out.append(i == 0 ? 256 : 128, '\0');
        out += '\xA5' + b.name + '\0';
        out += {static_cast<char>(b.address), static_cast<char>(b.address >> 8),
                static_cast<char>(n), static_cast<char>(n >> 8)};
        uint8_t sum = 0;
        for (char c : b.data) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        out += b.data + static_cast<char>(sum) + (i + 1 < blocks.size() ? '\xD8' : last);
    }
    return out;
}

/// Every bit value and byte edge: runs of zeros and ones, alternations.
inline const std::string kSynthImage =
    htp_bytes({{"PERIODS", 0x4000, std::string("\x00\xFF\x55\xAA\x81\x7E", 6)}});

/// A run of vorlane-synth in a fresh directory holding the images a.htp, b.htp, ...
/// and an empty directory "sub"; the recording is out.wav.
struct SynthRun {
    ProcessResult result;
    std::vector<std::string> files;  ///< the directory's entries afterwards
    std::string wav;                 ///< out.wav, empty when absent
};

/// args is split at spaces.
inline SynthRun run_synth(const std::string& text,
                          const std::vector<std::string>& images = {kSynthImage}) {
    std::vector<std::string> args;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) args.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    ScopedTempDir dir;
    for (size_t i = 0; i < images.size(); ++i) {
        write_file(dir.file(std::string(1, static_cast<char>('a' + i)) + ".htp"), images[i]);
    }
    mkdir(dir.file("sub").c_str(), 0755);
    SynthRun run{run_process(vorlane_synth_binary(), args, dir.path()), list_dir(dir.path()), ""};
    if (file_exists(dir.file("out.wav"))) run.wav = read_file(dir.file("out.wav"));
    return run;
}

/// The samples of one channel of a canonical 16-bit recording.
inline std::vector<int> samples16(const std::string& wav, size_t channels = 1, size_t channel = 0) {
    std::vector<int> out;
    for (size_t i = 44 + 2 * channel; i + 1 < wav.size(); i += 2 * channels) {
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(wav[i]) |
                                           (static_cast<uint8_t>(wav[i + 1]) << 8)));
    }
    return out;
}

/// Sample indices of the rising edges the converter's comparator finds at its
/// default gain on the 16-bit value / 256: low goes high above 0.252, high goes
/// low below 5.0.
inline std::vector<int64_t> rising_edges(const std::vector<int>& samples) {
    const double gain = 1.1220184543019633;  // 1 dB
    bool high = false;
    std::vector<int64_t> edges;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double d = samples[i] / 256 * gain;
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
inline std::vector<double> periods_of(const std::string& bytes, double short_us = 816,
                                      double long_us = 1633) {
    std::vector<double> out;
    for (char c : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool one = (static_cast<uint8_t>(c) >> bit) & 1;
            out.insert(out.end(), one ? 2 : 1, one ? short_us : long_us);
        }
    }
    return out;
}
