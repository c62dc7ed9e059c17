#pragma once

#include <cstdio>

/// Prints the banner and the usage text, with the current defaults, to stream.
void synth_print_usage(std::FILE* stream);

/// The whole program: scans the command line, reads the images, writes the
/// recording. Messages go to standard error. Returns the process exit code.
int synth_cli_run(int argc, char* const argv[]);
