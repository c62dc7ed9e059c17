#pragma once

#include "decoder/block_tally.h"
#include "decoder/pipeline.h"
#include "decoder/raw_output.h"
#include "settings.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

enum class DecodeStatus {
    kFinished,             ///< ran to the end of the input
    kImageFailed,          ///< ran to the end, but an image could not be written
    kEdgeModeUnavailable,  ///< -m at a rate its windows cannot handle
};

/// How the samples are walked. Every path gives the same output to the byte;
/// kPerSample is the reference the faster ones must equal.
enum class DecodePath {
    kFastest,    ///< the quickest path for the options in force
    kPerSample,  ///< one sample at a time through every stage, the plain way
};

/// Decodes the samples from the stream's position to the end of the input,
/// writes an image per good block and prints the summary. The conditioned
/// signal goes to `raw` when its file is open; the caller closes it.
DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& settings, RawOutput* raw,
                    DecodePath path = DecodePath::kFastest);

/// The default decoder with the options given, run quietly: it prints
/// nothing and writes no image, and says in `tally` what it read.
/// kEdgeModeUnavailable when -m cannot work at the recording's rate.
DecodeStatus decode_tally(DecoderState* st, InputStream* in, const WavHeader& header,
                          const ConverterSettings& settings, BlockTally* tally);
