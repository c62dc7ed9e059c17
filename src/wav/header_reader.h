#pragma once

#include "settings.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

enum class HeaderStatus {
    kOk,          ///< header reported, stream at the first sample
    kNotWav,      ///< not RIFF, or a rate or sample width vorlane cannot decode
    kNoWaveData,  ///< the file ends before any "data" tag
};

/// Reads and reports the header of a stream standing at offset 0, applies a
/// forced rate, finds the first "data" tag anywhere in the file and leaves the
/// stream at the first sample. The report and the scan go to standard output,
/// the failure messages to standard error.
HeaderStatus read_header(InputStream* in, const ConverterSettings& settings, WavHeader* header);
