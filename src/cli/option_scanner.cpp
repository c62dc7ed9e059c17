#include "cli/option_scanner.h"

#include <cstring>

const LongOption kLongOptions[] = {
    {"channel", true, kOptChannel},  {"join", false, kOptJoin}, {"recover", false, kOptRecover},
    {"analyze", false, kOptAnalyze}, {"plot", true, kOptPlot},  {"help", false, kOptHelp},
    {"version", false, kOptVersion}, {nullptr, false, 0},
};

namespace {

constexpr const char kBanner[] =
    "vorlane v1.0\n"
    "Homelab/Aircomp family PCM WAV to HTP tape image converter.\n";

// Printed as a format: "%%" is one percent sign. The long options are in the
// manual page and the README, not here: this text stays as it always was.
constexpr const char kUsage[] =
    "    Usage:  vorlane [flags] -i input-file\n"
    "\n"
    "        -f           enable simple HP-LP filtering (50 Hz and 7.5 kHz cutoff)\n"
    "        -g <value>   amplify signal by <value> dB\n"
    "        -h           display this help\n"
    "        -m           use edge detection rather than hysteresis\n"
    "        -r           invert input signal\n"
    "        -s <value>   force sample rate of <value>\n"
    "        -t <value>   set comparison threshold to <value>%% of dynamic range (0..100)\n"
    "\n"
    "        -v           verbose screen output\n"
    "    error levels: 0 = no error, 1 = help shown or I/O error, 2 = parameter error,\n"
    "                  4 = input file cannot be opened, 5 = not a valid WAV file,\n"
    "                  6 = no wave data found\n"
    "\n"
    "\t- 'input-file' needs to be a valid 8 or 16 bit PCM WAV file.\n";

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
    if (!option->takes_value) {
        if (equals == nullptr) return option->code;
        return long_option_error(s, argv[0], "option takes no argument", name, length);
    }
    if (equals != nullptr) {
        s->argument = equals + 1;
    } else if (s->option_index < argc) {
        s->argument = argv[s->option_index++];
    } else {
        s->missing_argument = true;
        return long_option_error(s, argv[0], "option requires an argument", name, length);
    }
    return option->code;
}

}  // namespace

int next_option(OptionScanner* s, int argc, char* const argv[], const char* options,
                const LongOption* long_options) {
    s->error_letter = 0;
    s->missing_argument = false;
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
            s->missing_argument = true;
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

void print_usage(FILE* to) {
    std::fprintf(to, "\n%s\n", kBanner);
    std::fprintf(to, kUsage);
}

void print_version(FILE* to) {
    std::fprintf(to, "vorlane 1.0\n");
}
