#pragma once

#include "decoder/decode_loop.h"

struct RunContext;

/// Process exit codes of vorlane. Only the run sequence turns a status into one.
enum ExitCode : int {
    kExitSuccess = 0,     ///< the conversion ran to the end of the input; --help, --version
    kExitUsageOrIo = 1,   ///< usage text shown by -h, or a file could not be read or written
    kExitParameter = 2,   ///< an option or its argument is not acceptable
    kExitInputOpen = 4,   ///< the input named by -i cannot be opened
    kExitNotWav = 5,      ///< the input is not a WAV file vorlane can read
    kExitNoWaveData = 6,  ///< no "data" chunk in the input
};

/// The whole program: scans the command line, reads the header, decodes the
/// recording and returns the process exit code.
int run(int argc, char* argv[]);

/// The run up to its decoding: scans the command line, makes the outputs,
/// reads the header. `*ready` when the decoder may start (the stream stands
/// at the first sample); otherwise the run is over with the code returned.
int run_prepare(int argc, char* argv[], RunContext* ctx, bool* ready);

/// Decodes a prepared run from its stream with the mode chosen; its code.
int run_decode(RunContext* ctx);

/// The code of a run whose decoder ended with `status`.
int run_decoded(RunContext* ctx, DecodeStatus status);

/// Closes the outputs and the input after the summary; the final exit code.
int run_close(RunContext* ctx, int code);
