#pragma once

// Where the run meets the recovering decoder: from the header to its input.

#include "recover/recover_tape.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Runs the recovering decoder on a stream standing at the first sample,
/// handing every block to `sink`; `channel` is 1-based, 0 finds the tape's
/// channel. Its state (about 4.5 MB) is taken once, here.
void recover_recording(InputStream* in, const WavHeader& header, int channel, BlockSink* sink);
