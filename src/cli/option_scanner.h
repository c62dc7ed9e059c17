#pragma once

/// Classic single-letter option scanner. The three first fields persist for the
/// whole scan of one command line.
struct OptionScanner {
    int option_index = 1;            ///< argument being scanned
    int cluster_position = 1;        ///< next letter inside it (1 = just after the '-')
    const char* argument = nullptr;  ///< argument of the option just returned, or null
    /// The letter that caused the last error ('?' return with a message printed),
    /// or 0 when the last '?' was the option -? itself.
    char error_letter = 0;
    bool missing_argument = false;  ///< the last error was a missing option argument
};

/// The options vorlane understands; a letter before ':' takes an argument.
constexpr const char kOptionString[] = "?fhs:i:g:mo:rt:v";

/// Returns the next option letter, '?' for an illegal option or a missing
/// argument (after printing "<argv0>: ..." to standard error), or -1 when the
/// options are exhausted.
int next_option(OptionScanner* scanner, int argc, char* const argv[], const char* options);
