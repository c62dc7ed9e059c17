#pragma once

// --analyze: what is on a tape, in numbers and, with --plot, in a picture.
// Several passes over the file, none holding samples: the recovering decoder
// measures the blocks, the levels and the envelope are measured, the signal
// outside the blocks is looked at, and the default decoder runs quietly to
// tell which blocks the options given convert. A pipe cannot be read again,
// so it is refused before the first pass.

#include "analyze/foreign_signal.h"
#include "analyze/level_stats.h"
#include "decoder/block_tally.h"
#include "decoder/pipeline.h"
#include "recover/tape_measures.h"
#include "report/json_writer.h"
#include "settings.h"
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
    bool foreign_scanned = false;  ///< the signal outside the blocks was looked at
    ForeignScan foreign;
    bool default_ran = false;  ///< the default decoder could work at this rate
    BlockTally defaults;       ///< what it read
};

enum class AnalyzeStatus {
    kDone,
    kPlotFailed,   ///< the picture could not be written
    kNotSeekable,  ///< the input cannot be read more than once: nothing analysed
};

/// Analyses the samples from the stream's position (the first frame) to the
/// end, prints the report and writes the picture when settings.plot_path is
/// set. `decoder` is the default decoder's state, used for its quiet run.
/// With a `record`, the blocks and the measurements go into it too.
AnalyzeStatus analyze_recording(InputStream* in, const WavHeader& header,
                                const ConverterSettings& settings, DecoderState* decoder,
                                JsonWriter* record);
