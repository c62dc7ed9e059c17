#pragma once

// --analyze: what is on a tape, in numbers and, with --plot, in a picture.
// Several passes over the file, none holding samples: the recovering decoder
// measures the blocks, the levels and the envelope are measured, the signal
// outside the blocks is looked at, and the default decoder runs quietly to
// tell which blocks the options given convert. A pipe cannot be read again,
// so it is refused before the first pass.

#include "analyze/foreign_signal.h"
#include "analyze/level_stats.h"
#include "recover/tape_measures.h"
#include "report/json_writer.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "sink/block_tally.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Everything the report and the picture are made from.
struct Analysis {
    uint32_t rate = 0;
    uint64_t data_start = 0;  ///< file offset of the first frame, where every pass starts
    unsigned channels = 1;
    uint64_t frames = 0;           ///< frames of the recording
    bool levels_measured = false;  ///< the file could be read a second time
    TapeMeasures tape;
    LevelStats levels;
    bool foreign_scanned = false;  ///< the signal outside the blocks was looked at
    ForeignScan foreign;
    bool default_ran = false;  ///< the default decoder ran (its options work at this rate)
    BlockTally defaults;       ///< what it read, filled by the mode choice
};

/// The measuring passes over the samples from the stream's position (the
/// first frame) to the end. False, after saying why, when the input cannot
/// be read more than once (a pipe). The caller then runs the default decoder
/// quietly into `a->defaults` from `a->data_start`.
bool analyze_measure(InputStream* in, const WavHeader& header, const ConverterSettings& settings,
                     Analysis* a);

/// Prints the report and writes the picture when settings.plot_path is set,
/// never over a file the sink protects; a picture that cannot be written is
/// a failure of the sink's outputs. With the sink's record (--report), the
/// blocks and the measurements go into it too.
void analyze_report(const Analysis& a, const ConverterSettings& settings, BlockSink* sink);
