#pragma once

// Where the run meets the recovering decoder: from the header to its input.

#include "recover/recover_tape.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// The recovering decoder's input for a recording laid out as `header` says,
/// its first frame at file offset `data_start`; `channel` is 1-based, 0
/// finds the tape's channel.
RecoverInput recover_input(const WavHeader& header, uint64_t data_start, int channel,
                           BlockSink* sink);

/// Runs the recovering decoder on a stream standing at the first sample,
/// handing every block to `sink` and keeping it in `book`. Its state (about
/// 4.5 MB) is taken once, here.
void recover_recording(InputStream* in, const WavHeader& header, int channel, BlockSink* sink,
                       TakeBook* book);
