#pragma once

#include "settings.h"

// The options that take a number. Each prints its own messages and returns
// false only when no number can be read (a parameter error); a number out
// of range is reported and the setting keeps its value.

/// -g: gain in whole dB, 1..50.
bool apply_gain(const char* argument, ConverterSettings* settings);

/// -t: comparator threshold in percent, 0..100.
bool apply_threshold(const char* argument, ConverterSettings* settings);

/// -s: forced sample rate, a positive number of Hz (anything else is unreadable).
bool apply_forced_rate(const char* argument, ConverterSettings* settings);
