#pragma once

#include <cstddef>

#include "synth_settings.h"

/// The command line once scanned: the settings, the output and where the images start.
struct SynthOptions {
    SynthSettings settings;
    const char* out_path = nullptr;  ///< argument of -o
    int first_image = 0;             ///< index in argv of the first image name
    bool help = false;               ///< -h was given
};

/// The letters vorlane-synth understands; a letter before ':' takes an argument.
constexpr const char kSynthOptionString[] = "hro:s:b:c:w:a:S:L:B:P:E:n:R:d:W:j:";

/// Scans argv in the classic single-letter style (clusters such as -rs48000, "--"
/// ends the options, the first other argument is the first image). Stops at -h.
/// Returns kSynthOk, or kSynthParameter for an unknown option, a missing argument,
/// no -o, no image or a value out of range, with a one-line message (none for -h).
int synth_parse_options(int argc, char* const argv[], SynthOptions* options, char* message,
                        size_t message_bytes);
