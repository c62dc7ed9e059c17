#pragma once

/// Classic single-letter option scanner, with long options beside it. The three
/// first fields persist for the whole scan of one command line.
struct OptionScanner {
    int option_index = 1;            ///< argument being scanned
    int cluster_position = 1;        ///< next letter inside it (1 = just after the '-')
    const char* argument = nullptr;  ///< argument of the option just returned, or null
    /// The letter that caused the last error ('?' return with a message printed),
    /// '-' for a long option's error, or 0 when the last '?' was the option -? itself.
    char error_letter = 0;
};

/// The letter options vorlane understands; a letter before ':' takes an argument.
constexpr const char kOptionString[] = "?fhs:i:g:mo:rt:v";

/// A long option, written "--name", "--name value" or "--name=value" ("--name=x"
/// is an error for a flag). Its line of --help lives here, so an option cannot
/// be added without one.
struct LongOption {
    const char* name;        ///< without the leading "--"; matched exactly
    const char* value_name;  ///< its value in --help ("N", "FILE"); null: a flag
    int code;                ///< what next_option returns for it, above every letter
    const char* help;        ///< what it does, one short line of --help (and of the README table)
};

enum LongOptionCode : int {
    kOptChannel = 256,
    kOptJoin,
    kOptRecover,
    kOptAnalyze,
    kOptPlot,
    kOptReport,
    kOptOutputDir,
    kOptTake,
    kOptHelp,
    kOptVersion,
};

/// The long options vorlane understands; the last entry has a null name.
extern const LongOption kLongOptions[];

/// Returns the next option: a letter, a long option's code, '?' for an illegal
/// or unknown option or a missing or unwanted value (after printing
/// "<argv0>: ..." to standard error), or -1 when the options are exhausted.
/// An argument is a long option when it begins with "--" and its third
/// character is neither the end nor '='.
int next_option(OptionScanner* scanner, int argc, char* const argv[], const char* options,
                const LongOption* long_options);
