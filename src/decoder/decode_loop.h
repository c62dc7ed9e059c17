#pragma once

#include "decoder/pipeline.h"
#include "decoder/raw_output.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

enum class DecodeStatus {
    kFinished,             ///< ran to the end of the input
    kEdgeModeUnavailable,  ///< -m at a rate its windows cannot handle
};

/// How the samples are walked. Every path gives the same output to the byte;
/// kPerSample is the reference the faster ones must equal.
enum class DecodePath {
    kFastest,    ///< the quickest path for the options in force
    kPerSample,  ///< one sample at a time through every stage, the plain way
};

/// Decodes the samples from the stream's position to the end of the input
/// and hands every block to `sink`; the caller finishes the sink. The
/// conditioned signal goes to `raw` when its file is open; the caller closes it.
DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& settings, BlockSink* sink, RawOutput* raw,
                    DecodePath path = DecodePath::kFastest);
