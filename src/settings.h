#pragma once

#include <cstdint>

/// Comparator threshold T in percent of the signed 8-bit range: the rise level is T / 127.
constexpr int kDefaultThreshold = 32;
constexpr int kMaxThreshold = 100;
/// Accepted gain range of -g, whole dB.
constexpr int kMinGainDb = 1;
constexpr int kMaxGainDb = 50;

/// Further recordings of the tape --take may name.
constexpr unsigned kMaxTakeFiles = 7;

/// The run options, filled from the command line. Every default is here, so a
/// default-constructed record is a run without options.
struct ConverterSettings {
    double gain_db = 1.0;                   ///< amplification in dB (1 dB, not 0, by default)
    bool verbose = false;                   ///< -v: print the pulse and sync warnings
    bool filter = false;                    ///< -f: 7.5 kHz low-pass, then 50 Hz high-pass
    bool edge_mode = false;                 ///< -m: subtract a moving baseline
    bool inverted = false;                  ///< -r: complement every sample
    const char* raw_output_path = nullptr;  ///< -o: conditioned signal file, opened after the scan
    int threshold = kDefaultThreshold;      ///< -t: comparator threshold T, 0..100
    bool has_forced_rate = false;           ///< -s given
    uint32_t forced_rate = 0;               ///< -s: replaces the header's rate, Hz
    int channel = 1;                        ///< --channel: the channel decoded, 1-based
    bool channel_given = false;             ///< --channel given: --recover searches no other
    bool join = false;                      ///< --join: a chained program as one image
    bool recover = false;                   ///< --recover: the decoder for damaged tapes
    bool analyze = false;                   ///< --analyze: report on the tape, write no image
    const char* plot_path = nullptr;        ///< --plot: the analysis picture, SVG
    const char* input_path = nullptr;       ///< -i: the recording, as given
    const char* report_path = nullptr;      ///< --report: the run's record, JSON
    const char* output_dir = nullptr;  ///< --output-dir: the images' folder; null: the current one
    const char* takes[kMaxTakeFiles] = {};  ///< --take: further recordings of the tape, in order
    unsigned take_count = 0;
};
