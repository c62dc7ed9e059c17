#include "cli/option_scanner.h"

#include <cstdio>
#include <cstring>

constexpr LongOption kLongOptions[] = {
    {"channel", "N", kOptChannel, "decode channel N, counted from 1 (default 1)"},
    {"join", nullptr, kOptJoin, "write a chain of blocks as one image"},
    {"recover", nullptr, kOptRecover, "the decoder for damaged and degraded tapes"},
    {"analyze", nullptr, kOptAnalyze, "report what is on the tape instead of writing images"},
    {"plot", "FILE", kOptPlot, "with --analyze, also draw the analysis as SVG"},
    {"report", "FILE", kOptReport, "also write a JSON record of the run to FILE"},
    {"output-dir", "DIR", kOptOutputDir, "write images into DIR (made if missing)"},
    {"take", "FILE", kOptTake, "with --recover, one more recording of the same tape"},
    {"help", nullptr, kOptHelp, "show this help on standard output (exit code 0)"},
    {"version", nullptr, kOptVersion, "print the version on standard output (exit code 0)"},
    {nullptr, nullptr, 0, nullptr},
};

namespace {

/// Every option has a name and a line of help, so --help can list them all.
constexpr bool every_option_documented() {
    const LongOption* option = kLongOptions;
    for (; option->code != 0; ++option)
        if (option->name == nullptr || option->name[0] == '\0' || option->help == nullptr ||
            option->help[0] == '\0')
            return false;
    return option->name == nullptr;
}
static_assert(every_option_documented(), "a long option without a name or a line of help");

/// Steps past the letter just taken; moves to the next argument at its end.
void advance_letter(OptionScanner* s, char* const argv[]) {
    ++s->cluster_position;
    if (argv[s->option_index][s->cluster_position] == '\0') {
        ++s->option_index;
        s->cluster_position = 1;
    }
}

/// Reports a long option's error; the scan goes on with the next argument.
int long_option_error(OptionScanner* s, const char* argv0, const char* what, const char* name,
                      int name_length) {
    std::fprintf(stderr, "%s: %s --%.*s\n", argv0, what, name_length, name);
    s->error_letter = '-';
    return '?';
}

/// Scans the long option at the current argument, which begins with "--x".
int next_long_option(OptionScanner* s, int argc, char* const argv[], const LongOption* table) {
    const char* name = argv[s->option_index] + 2;
    const char* equals = std::strchr(name, '=');
    const int length = static_cast<int>(equals != nullptr ? equals - name : std::strlen(name));
    ++s->option_index;
    s->argument = nullptr;
    const LongOption* option = table;
    while (option->name != nullptr &&
           (std::strncmp(option->name, name, length) != 0 || option->name[length] != '\0'))
        ++option;
    if (option->name == nullptr)
        return long_option_error(s, argv[0], "unknown option", name, length);
    if (option->value_name == nullptr) {
        if (equals == nullptr) return option->code;
        return long_option_error(s, argv[0], "option takes no argument", name, length);
    }
    if (equals != nullptr) {
        s->argument = equals + 1;
    } else if (s->option_index < argc) {
        s->argument = argv[s->option_index++];
    } else {
        return long_option_error(s, argv[0], "option requires an argument", name, length);
    }
    return option->code;
}

}  // namespace

int next_option(OptionScanner* s, int argc, char* const argv[], const char* options,
                const LongOption* long_options) {
    s->error_letter = 0;
    if (s->cluster_position == 1) {
        if (s->option_index >= argc) return -1;
        const char* arg = argv[s->option_index];
        if (arg[0] != '-' || arg[1] == '\0') return -1;
        if (std::strcmp(arg, "--") == 0) {
            ++s->option_index;
            return -1;
        }
        if (arg[1] == '-' && arg[2] != '=') return next_long_option(s, argc, argv, long_options);
    }

    const char c = argv[s->option_index][s->cluster_position];
    const char* listed = std::strchr(options, c);
    if (c == ':' || listed == nullptr) {
        std::fprintf(stderr, "%s: illegal option -- %c\n", argv[0], c);
        s->error_letter = c;
        advance_letter(s, argv);
        return '?';
    }

    if (listed[1] == ':') {
        const char* rest = argv[s->option_index] + s->cluster_position + 1;
        if (*rest != '\0') {
            s->argument = rest;
            ++s->option_index;
        } else if (s->option_index + 1 < argc) {
            s->argument = argv[s->option_index + 1];
            s->option_index += 2;
        } else {
            std::fprintf(stderr, "%s: option requires an argument -- %c\n", argv[0], c);
            s->error_letter = c;
            s->cluster_position = 1;
            ++s->option_index;
            return '?';
        }
        s->cluster_position = 1;
        return c;
    }

    advance_letter(s, argv);
    s->argument = nullptr;
    return c;
}
