#pragma once

// Where the run picks its decoder: --analyze or the original comparator
// (--recover runs through cli/recover_run), each handed the input at its first sample, the header,
// the settings and the block sink.

#include <memory>

#include "decoder/decode_loop.h"
#include "recover/recover_tape.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Decodes the stream from its first sample with the mode the settings
/// choose, its blocks into `sink`, and finishes the sink (the count) when
/// the mode writes images; `raw` is the -o output (its file may be closed).
DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& settings, BlockSink* sink, RawOutput* raw);

/// The decoder the settings choose (the default one or --recover's), fed
/// the sample data in pieces by its caller instead of reading the stream.
struct ChosenFeed {
    bool recover = false;
    std::unique_ptr<DecoderState> decoder;
    std::unique_ptr<RecoverState> recovering;
    std::unique_ptr<TakeBook> book;  ///< --recover's blocks, merged at the end as with no --take
    BlockSink* sink = nullptr;
};

/// Starts the chosen decoder (not --analyze, which reads the file more than
/// once, nor --recover with --take) on `in` standing at the first sample, and feeds it what `in`
/// has buffered: the caller goes on from file offset in->buffer_offset + in->filled.
DecodeStatus chosen_feed_begin(ChosenFeed* f, InputStream* in, const WavHeader& header,
                               const ConverterSettings& settings, BlockSink* sink, RawOutput* raw);

/// The next `n` bytes of the file, cut anywhere.
void chosen_feed(ChosenFeed* f, const uint8_t* bytes, size_t n);

/// The end of the file: the decoder's last blocks, and the sink finished.
void chosen_feed_end(ChosenFeed* f);
