#pragma once

// Where the run picks its decoder: --analyze, --recover or the original
// comparator, each handed the input at its first sample, the header and
// the settings.

#include "decoder/decode_loop.h"
#include "settings.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Decodes the stream from its first sample with the mode the settings
/// choose; `raw` is the -o output (its file may be closed). Returns the
/// decoder's verdict.
DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& settings, RawOutput* raw);
