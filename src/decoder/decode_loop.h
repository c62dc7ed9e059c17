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
    kInputNotSeekable,     ///< --analyze reads the input more than once, and it is a pipe
};

/// How the samples are walked. Every path gives the same output to the byte;
/// kPerSample is the reference the faster ones must equal.
enum class DecodePath {
    kFastest,    ///< the quickest path for the options in force
    kPerSample,  ///< one sample at a time through every stage, the plain way
};

/// Starts a decoding of sample data laid out as `header` says, its first
/// frame at file offset `data_start`; every block goes to `sink`, which the
/// caller finishes. The conditioned signal goes to `raw` when its file is
/// open; the caller closes it. Nothing is decoded when this fails.
DecodeStatus decoder_begin(DecoderState* st, const WavHeader& header, uint64_t data_start,
                           const ConverterSettings& settings, BlockSink* sink, RawOutput* raw,
                           DecodePath path = DecodePath::kFastest);

/// The next `n` bytes of sample data, cut anywhere (even inside a frame).
void decoder_feed(DecoderState* st, const uint8_t* bytes, size_t n);

/// The end of the sample data: the closing sample, and a good block that
/// was waiting for it.
void decoder_end(DecoderState* st);

/// Begins, feeds the samples from the stream's position to the end of the
/// input, and ends.
DecodeStatus decode(DecoderState* st, InputStream* in, const WavHeader& header,
                    const ConverterSettings& settings, BlockSink* sink, RawOutput* raw,
                    DecodePath path = DecodePath::kFastest);
