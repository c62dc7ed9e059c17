#pragma once

// --analyze: what is on a tape, in numbers and, with --plot, in a picture.
// Two passes over the file, none holding samples: the recovering decoder
// measures the blocks, then the levels and the envelope are measured.

#include "analyze/level_stats.h"
#include "recover/tape_measures.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Everything the report and the picture are made from.
struct Analysis {
    uint32_t rate = 0;
    unsigned channels = 1;
    uint64_t frames = 0;           ///< frames of the recording
    bool levels_measured = false;  ///< the file could be read a second time
    TapeMeasures tape;
    LevelStats levels;
};

/// Analyses the samples from the stream's position (the first frame) to the
/// end, prints the report and writes the picture when settings.plot_path is
/// set, never over a file the sink protects; a picture that cannot be
/// written is a failure of the sink's outputs.
void analyze_recording(InputStream* in, const WavHeader& header, const ConverterSettings& settings,
                       BlockSink* sink);
