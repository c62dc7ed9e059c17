#pragma once

#include <cstddef>

/// Exit codes of vorlane-synth. The library returns them; only main ends the process.
enum SynthExitCode : int {
    kSynthOk = 0,         ///< the recording was written
    kSynthUsageOrIo = 1,  ///< usage text shown, or the output could not be written
    kSynthParameter = 2,  ///< an option or a setting is not acceptable
    kSynthInputOpen = 4,  ///< an image file cannot be opened or read
    kSynthBadImage = 5,   ///< an image file is not a well-formed HTP image
};

/// printf-style formatting into a caller's message buffer, always terminated and
/// truncated to fit. Does nothing when message is null or message_bytes is 0.
void synth_message(char* message, size_t message_bytes, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
