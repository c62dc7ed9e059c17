#pragma once

#include "settings.h"

/// Reads a whole number the way "%i" scanning does: leading white space, an
/// optional sign, then decimal, hexadecimal after 0x or octal after a leading 0;
/// text after the number is ignored ("3dB" reads as 3). Returns false when no
/// number can be read or when it does not fit in an int.
bool parse_int_argument(const char* text, int* value);

// The options that take a number. Each prints its own messages and returns
// false only when no number can be read (a parameter error); a number out
// of range is reported and the setting keeps its value.

/// -g: gain in whole dB, 1..50.
bool apply_gain(const char* argument, ConverterSettings* settings);

/// -t: comparator threshold in percent, 0..100.
bool apply_threshold(const char* argument, ConverterSettings* settings);

/// -s: forced sample rate, a positive number of Hz (anything else is unreadable).
bool apply_forced_rate(const char* argument, ConverterSettings* settings);

/// --channel: any readable number; whether the recording has that channel is
/// known only once its header is read.
bool apply_channel(const char* argument, ConverterSettings* settings);
