#pragma once

#include <cstdint>

#include "wav/input_stream.h"
#include "wav/wav_header.h"

enum class HeaderStatus {
    kOk,          ///< header reported, stream at the first sample
    kNotWav,      ///< not RIFF, or a rate or sample width vorlane cannot decode
    kNoWaveData,  ///< the file ends before any "data" tag
};

/// Reads and reports the header of a stream standing at offset 0, applies a
/// forced rate (0: none), finds the first "data" tag anywhere in the file and
/// leaves the stream at the first sample. The report and the scan go to
/// standard output, the failure messages to standard error. The frame format
/// reads the first channel, not inverted.
HeaderStatus read_header(InputStream* in, uint32_t forced_rate, WavHeader* header);
