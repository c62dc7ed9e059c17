#include "cli/help_text.h"

#include <cstring>

#include "cli/option_scanner.h"

namespace {

constexpr const char kBanner[] =
    "vorlane v1.0\n"
    "Homelab/Aircomp family PCM WAV to HTP tape image converter.\n";

// Printed as formats: "%%" is one percent sign. The letters' text stays as it
// always was; --help replaces only its last line, which predates the formats
// read today.
constexpr const char kLetterUsage[] =
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
    "\n";

constexpr const char kUsageInputLine[] =
    "\t- 'input-file' needs to be a valid 8 or 16 bit PCM WAV file.\n";

constexpr const char kHelpFormats[] =
    "    'input-file' is a WAV file (RIFF or RF64) of one channel or more, at any\n"
    "    sample rate, in one of these formats:\n"
    "        PCM of 8 (unsigned), 16, 24 or 32 bits\n"
    "        IEEE float of 32 or 64 bits\n"
    "        A-law or mu-law of 8 bits\n"
    "        WAVE_FORMAT_EXTENSIBLE holding one of the above\n"
    "\n"
    "    The whole manual: man vorlane\n";

/// Space between the widest long option and its description.
constexpr int kDescriptionGap = 2;

/// "--name VALUE" of one long option, as --help shows it.
int option_width(const LongOption& option) {
    const int value = option.value_name != nullptr ? 1 + std::strlen(option.value_name) : 0;
    return 2 + static_cast<int>(std::strlen(option.name)) + value;
}

void print_long_options(FILE* to) {
    int column = 0;
    for (const LongOption* o = kLongOptions; o->name != nullptr; ++o)
        if (option_width(*o) + kDescriptionGap > column)
            column = option_width(*o) + kDescriptionGap;
    std::fprintf(to, "    long options:\n");
    for (const LongOption* o = kLongOptions; o->name != nullptr; ++o) {
        std::fprintf(to, "        --%s%s%s%*s%s\n", o->name, o->value_name != nullptr ? " " : "",
                     o->value_name != nullptr ? o->value_name : "", column - option_width(*o), "",
                     o->help);
    }
    std::fprintf(to, "\n");
}

}  // namespace

void print_usage(FILE* to) {
    std::fprintf(to, "\n%s\n", kBanner);
    std::fprintf(to, kLetterUsage);
    std::fprintf(to, kUsageInputLine);
}

void print_help(FILE* to) {
    std::fprintf(to, "\n%s\n", kBanner);
    std::fprintf(to, kLetterUsage);
    print_long_options(to);
    std::fprintf(to, kHelpFormats);
}

void print_version(FILE* to) {
    std::fprintf(to, "vorlane %s\n", kVersion);
}
