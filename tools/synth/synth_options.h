#pragma once

#include <cstddef>

#include "synth_settings.h"

/// What the command line asks for besides playing.
enum class SynthAction {
    kPlay,     ///< write the recording
    kUsage,    ///< -h, or no arguments: the usage text on standard error
    kHelp,     ///< --help: the usage text on standard output
    kVersion,  ///< --version
};

/// The command line once scanned: the settings, the output and where the images start.
struct SynthOptions {
    SynthSettings settings;
    const char* out_path = nullptr;  ///< argument of -o
    int first_image = 0;             ///< index in argv of the first image name
    SynthAction action = SynthAction::kPlay;
    bool bits_given = false;  ///< -b was given: -F alone means 32-bit float
};

/// The letters vorlane-synth understands; a letter before ':' takes an argument.
constexpr const char kSynthOptionString[] = "hro:s:b:c:w:a:S:L:B:P:E:n:R:d:W:j:FxC:";

/// Scans argv: letters in the classic style (clusters such as -rs48000), long
/// options as "--name value" or "--name=value"; "--" ends the options, the first
/// other argument is the first image. Stops at -h, --help and --version.
/// Returns kSynthOk, or kSynthParameter for an unknown option, a missing argument,
/// no -o, no image or a value out of range, with a one-line message.
int synth_parse_options(int argc, char* const argv[], SynthOptions* options, char* message,
                        size_t message_bytes);
