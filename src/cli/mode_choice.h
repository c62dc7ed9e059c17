#pragma once

// Where the run picks its decoder: --analyze or the original comparator
// (--recover runs through cli/recover_run), each handed the input at its first sample, the header,
// the settings and the block sink.

#include "decoder/decode_loop.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Decodes the stream from its first sample with the mode the settings
/// choose, its blocks into `sink`, and finishes the sink (the count) when
/// the mode writes images; `raw` is the -o output (its file may be closed).
DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& settings, BlockSink* sink, RawOutput* raw);
