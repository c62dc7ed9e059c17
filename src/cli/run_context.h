#pragma once

// What one run of the program owns, from the command line to the summary.

#include <cstdio>
#include <memory>

#include "decoder/raw_output.h"
#include "report/run_report.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// How many letter options --recover does without (see the run sequence).
constexpr int kRecoverIgnoresCount = 5;

/// Everything one run owns, on the heap (the input buffer alone is 512 KiB):
/// nothing is global, and the stack stays small enough for any thread.
struct RunContext {
    ConverterSettings settings;
    FILE* input = nullptr;
    InputStream stream;  ///< its buffer is touched only as far as it is read
    WavHeader header;
    std::unique_ptr<RawOutput> raw;         ///< -o only
    BlockSink sink;                         ///< every block, image and chain of the run
    RunReport report;                       ///< --report: the run's record
    bool decoded = false;                   ///< the decoder ran to the end of the input
    bool given[kRecoverIgnoresCount] = {};  ///< which of kRecoverIgnores were on the command line
    FILE* takes[kMaxTakeFiles] = {};        ///< --take: opened as they come, like -i
};
