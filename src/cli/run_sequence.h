#pragma once

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
