#pragma once

// Shared by the vorlane-synth tests: runs of the real binary on images built
// byte by byte, and readings of the recordings made independently of the synthesizer.

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "tape_signal.h"

/// Every bit value and byte edge: runs of zeros and ones, alternations.
inline const std::string kSynthImage =
    htp_image("PERIODS", 0x4000, std::string("\x00\xFF\x55\xAA\x81\x7E", 6));

/// A run of vorlane-synth with `args` in a directory holding `images` as
/// a.htp, b.htp, ... and an empty directory "sub".
inline RunCase synth_case(const std::string& args, int exit_code, std::string err,
                          std::vector<std::pair<std::string, std::string>> made = {},
                          const std::vector<std::string>& images = {kSynthImage}) {
    RunCase c{args,
              {{"sub", "", GivenEntry::kDirectory}},
              words(args),
              exit_code,
              "",
              std::move(err),
              std::move(made)};
    for (size_t i = 0; i < images.size(); ++i)
        c.given.push_back({std::string(1, static_cast<char>('a' + i)) + ".htp", images[i]});
    c.synth = true;
    return c;
}

/// A run of vorlane-synth in a fresh directory like synth_case's; the recording is out.wav.
struct SynthRun {
    ProcessResult result;
    std::vector<std::string> files;  ///< the directory's entries afterwards
    std::string wav;                 ///< out.wav, empty when absent
};

inline SynthRun run_synth(const std::string& args,
                          const std::vector<std::string>& images = {kSynthImage}) {
    ScopedTempDir dir;
    for (size_t i = 0; i < images.size(); ++i)
        write_file(dir.file(std::string(1, static_cast<char>('a' + i)) + ".htp"), images[i]);
    mkdir(dir.file("sub").c_str(), 0755);
    SynthRun run{run_process(vorlane_synth_binary(), words(args), dir.path()), {}, ""};
    run.files = list_dir(dir.path());
    run.wav = read_file(dir.file("out.wav"));
    return run;
}

/// The samples of one channel of a canonical 16-bit recording.
inline std::vector<int> samples16(const std::string& wav, size_t channels = 1) {
    std::vector<int> out;
    for (size_t i = 44; i + 1 < wav.size(); i += 2 * channels)
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(wav[i]) |
                                           (static_cast<uint8_t>(wav[i + 1]) << 8)));
    return out;
}

/// Sample indices of the rising edges the converter's comparator finds at its
/// default gain (1 dB) on the 16-bit value / 256: low goes high above 32 / 127,
/// high goes low below 5.0.
inline std::vector<int64_t> rising_edges(const std::vector<int>& samples) {
    bool high = false;
    std::vector<int64_t> edges;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double d = samples[i] / 256 * 1.1220184543019633;
        if (high ? d < 5.0 : d > 32 / 127.0) {
            high = !high;
            if (high) edges.push_back(static_cast<int64_t>(i));
        }
    }
    return edges;
}

/// The period of every bit, most significant first, in microseconds.
inline std::vector<double> periods_of(const std::string& bytes, double short_us = 816,
                                      double long_us = 1633) {
    std::vector<double> out;
    for (char c : bytes)
        for (int bit = 7; bit >= 0; --bit)
            out.insert(out.end(), (c >> bit) & 1 ? 2 : 1, (c >> bit) & 1 ? short_us : long_us);
    return out;
}
