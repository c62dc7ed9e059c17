#include "cli/numeric_options.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

bool parse_int_argument(const char* text, int* value) {
    if (text == nullptr) return false;
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text, &end, 0);
    if (end == text) return false;
    // A number too large for an int must never wrap silently into another value.
    if (errno == ERANGE || n < INT_MIN || n > INT_MAX) return false;
    *value = static_cast<int>(n);
    return true;
}

bool apply_gain(const char* arg, ConverterSettings* s) {
    int gain = 0;
    if (!parse_int_argument(arg, &gain)) {
        std::fprintf(stderr, "Error parsing argument for '-g'.\n");
        return false;
    }
    if (gain < kMinGainDb || gain > kMaxGainDb) {
        std::fprintf(stderr, "Illegal gain value: %i.\n", gain);
        std::fprintf(stderr, "Gain must be between %i and %i.\n", kMinGainDb, kMaxGainDb);
        return true;
    }
    s->gain_db = gain;
    std::fprintf(stderr, "Gain set to %i dB.\n", gain);
    return true;
}

bool apply_threshold(const char* arg, ConverterSettings* s) {
    int t = 0;
    if (!parse_int_argument(arg, &t)) {
        std::fprintf(stderr, "Error parsing argument for '-t'.\n");
        return false;
    }
    if (t < 0 || t > kMaxThreshold) {
        std::fprintf(stderr, "Illegal argument for '-t' (%i).\n", t);
        std::fprintf(stderr, "Using default value of %i.\n", s->threshold);
        return true;
    }
    s->threshold = t;
    return true;
}

bool apply_forced_rate(const char* arg, ConverterSettings* s) {
    int rate = 0;
    // A rate of 0 or below would divide by zero or wrap: it is no rate at all.
    if (!parse_int_argument(arg, &rate) || rate <= 0) {
        std::fprintf(stderr, "Error parsing argument for '-s'.\n");
        return false;
    }
    s->has_forced_rate = true;
    s->forced_rate = static_cast<uint32_t>(rate);
    return true;
}

bool apply_channel(const char* arg, ConverterSettings* s) {
    if (!parse_int_argument(arg, &s->channel)) {
        std::fprintf(stderr, "Error parsing argument for '--channel'.\n");
        return false;
    }
    s->channel_given = true;
    return true;
}
