#pragma once

// A --recover run: the recording, then each --take in command-line order
// (its header report first, checked as the recording's), then the blocks
// rebuilt from several readings, then the count.

#include <cstdio>

#include "settings.h"
#include "sink/block_sink.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// The checks of a header just read, as an exit code; a channel that is not
/// there is a parameter error, found only now.
int header_exit_code(HeaderStatus status, const WavHeader& header, const ConverterSettings& s);

/// Runs the recovering decoder on `in` (at its first sample) and on the
/// takes (`takes`: open files, s.take_count of them) into `sink`, merges,
/// and finishes the sink. Returns the exit code: a take's header or read
/// failure ends the run as the recording's would.
int recover_run(InputStream* in, const WavHeader& header, const ConverterSettings& s,
                FILE* const* takes, BlockSink* sink);
