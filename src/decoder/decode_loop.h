#pragma once

#include <cstdio>

#include "settings.h"
#include "decoder/decoder_state.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

enum class DecodeStatus {
    kFinished,             ///< ran to the end of the input, every output complete
    kOutputFailed,         ///< an image or the raw output could not be written
    kInputFailed,          ///< reading the input failed before its end
    kEdgeModeUnavailable,  ///< -m at a rate its windows cannot handle
};

/// How the samples are walked. Every path gives the same output to the byte.
enum class DecodePath {
    kFastest,    ///< the quickest path for the options in force
    kPerSample,  ///< one sample at a time through every stage, the plain way
};

/// Decodes the samples from the stream's position to the end of the input,
/// writes an image per good block, prints the summary and closes `raw_file`
/// (the -o output, may be null; `raw_path` names it in messages).
DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& settings, FILE* raw_file, const char* raw_path,
                    DecodePath path = DecodePath::kFastest);
