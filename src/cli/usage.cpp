#include "cli/usage.h"

#include <cstdio>

namespace {

constexpr const char kBanner[] =
    "vorlane v1.0\n"
    "Homelab/Aircomp family PCM WAV to HTP tape image converter.\n";

// Printed as a format: "%%" is one percent sign.
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

}  // namespace

void print_usage() {
    std::fprintf(stderr, "\n%s\n", kBanner);
    std::fprintf(stderr, kUsage);
}
