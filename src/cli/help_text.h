#pragma once

#include <cstdio>

/// The banner and the usage text of -h, -? and an empty command line, as they
/// always were: only the letter options.
void print_usage(FILE* to);

/// The banner and the letter usage of print_usage, then every long option of
/// kLongOptions one line each, the WAV formats read and where the manual is.
void print_help(FILE* to);

/// The version number, as --version and the run's record give it.
constexpr const char kVersion[] = "1.0";

/// The version line of --version.
void print_version(FILE* to);
