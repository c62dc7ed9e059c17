#pragma once

#include <cstddef>

/// Formats an elapsed time as minutes.seconds.milliseconds ("%02.0f.%02.0f.%03u"):
/// 75.5 s gives 01.15.500; minutes do not roll over into hours.
void format_timestamp(double seconds, char* text, size_t text_bytes);
