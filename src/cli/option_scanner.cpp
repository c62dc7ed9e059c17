#include "cli/option_scanner.h"

#include <cstdio>
#include <cstring>

namespace {

/// Steps past the letter just taken; moves to the next argument at its end.
void advance_letter(OptionScanner* s, char* const argv[]) {
    ++s->cluster_position;
    if (argv[s->option_index][s->cluster_position] == '\0') {
        ++s->option_index;
        s->cluster_position = 1;
    }
}

}  // namespace

int next_option(OptionScanner* s, int argc, char* const argv[], const char* options) {
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
