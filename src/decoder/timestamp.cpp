#include "decoder/timestamp.h"

#include <cmath>
#include <cstdio>

void format_timestamp(double s, char* text, size_t text_bytes) {
    const double minutes = std::floor(s / 60);
    const double secs = std::floor(std::fmod(s, 60));
    const auto millis = static_cast<unsigned>(std::floor(std::fmod(s, 1) * 1000));
    std::snprintf(text, text_bytes, "%02.0f.%02.0f.%03u", minutes, secs, millis);
}
