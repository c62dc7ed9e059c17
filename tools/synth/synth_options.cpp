#include "synth_options.h"

#include <cstring>

#include "decimal_parser.h"
#include "synth_message.h"

namespace {

/// Accepted values of a numeric option.
struct NumberRule {
    char letter;
    double low;
    double high;
    bool low_included;  ///< false: the value must be above low
    bool whole;         ///< the value must be a whole number
    bool ends_only;     ///< only low or high themselves are accepted
};

constexpr NumberRule kNumberRules[] = {
    {'s', kMinSampleRateHz, kMaxSampleRateHz, true, true, false},
    {'b', 8, 16, true, true, true},
    {'c', 1, 2, true, true, true},
    {'a', 0, 1, false, false, false},
    {'S', kMinPeriodUs, kMaxPeriodUs, true, false, false},
    {'L', kMinPeriodUs, kMaxPeriodUs, true, false, false},
    {'B', 0, kMaxSilenceS, true, false, false},
    {'P', 0, kMaxSilenceS, true, false, false},
    {'E', 0, kMaxSilenceS, true, false, false},
    {'n', 0, kMaxSnrDb, false, false, false},
    {'d', -kMaxDcOffset, kMaxDcOffset, true, false, false},
    {'W', 0, kMaxWowPercent, true, false, false},
    {'j', 0, kMaxPeriodUs, true, false, false},
};

const NumberRule* number_rule(char letter) {
    for (const NumberRule& rule : kNumberRules) {
        if (rule.letter == letter) return &rule;
    }
    return nullptr;
}

bool accepts(const NumberRule& rule, double v) {
    if (rule.ends_only) return v == rule.low || v == rule.high;
    const bool above_low = rule.low_included ? v >= rule.low : v > rule.low;
    return above_low && v <= rule.high && (!rule.whole || v == static_cast<long long>(v));
}

void store_number(SynthSettings* s, char letter, double v) {
    switch (letter) {
        case 's':
            s->sample_rate = static_cast<uint32_t>(v);
            break;
        case 'b':
            s->bits_per_sample = static_cast<int>(v);
            break;
        case 'c':
            s->channels = static_cast<int>(v);
            break;
        case 'a':
            s->amplitude = v;
            break;
        case 'S':
            s->short_period_us = v;
            break;
        case 'L':
            s->long_period_us = v;
            break;
        case 'B':
            s->silence_before_s = v;
            break;
        case 'P':
            s->silence_between_s = v;
            break;
        case 'E':
            s->silence_after_s = v;
            break;
        case 'n':
            s->noise_snr_db = v;
            break;
        case 'd':
            s->dc_offset = v;
            break;
        case 'W':
            s->wow_percent = v;
            break;
        case 'j':
            s->jitter_us = v;
            break;
        default:
            break;
    }
}

bool parse_waveform(const char* name, Waveform* waveform) {
    if (std::strcmp(name, "pulse") == 0) {
        *waveform = Waveform::kPulse;
    } else if (std::strcmp(name, "square") == 0) {
        *waveform = Waveform::kSquare;
    } else if (std::strcmp(name, "sine") == 0) {
        *waveform = Waveform::kSine;
    } else {
        return false;
    }
    return true;
}

/// Acts on one option that takes an argument. Returns a SynthExitCode.
int apply_option(SynthOptions* o, char letter, const char* arg, char* message,
                 size_t message_bytes) {
    if (letter == 'o') {
        o->out_path = arg;
        return kSynthOk;
    }
    if (letter == 'w') {
        if (parse_waveform(arg, &o->settings.waveform)) return kSynthOk;
        synth_message(message, message_bytes, "-w: '%s' is not pulse, square or sine", arg);
        return kSynthParameter;
    }
    if (letter == 'R') {
        if (parse_unsigned(arg, &o->settings.seed)) return kSynthOk;
        synth_message(message, message_bytes, "-R: '%s' is not a whole number from 0 to %llu", arg,
                      static_cast<unsigned long long>(UINT64_MAX));
        return kSynthParameter;
    }
    const NumberRule& rule = *number_rule(letter);
    double v = 0;
    if (parse_decimal(arg, &v) && accepts(rule, v)) {
        store_number(&o->settings, letter, v);
        return kSynthOk;
    }
    if (rule.ends_only) {
        synth_message(message, message_bytes, "-%c: '%s' is not %g or %g", letter, arg, rule.low,
                      rule.high);
    } else {
        synth_message(message, message_bytes, "-%c: '%s' is not a %snumber %s %g %s %g", letter,
                      arg, rule.whole ? "whole " : "", rule.low_included ? "from" : "above",
                      rule.low, rule.low_included ? "to" : "up to", rule.high);
    }
    return kSynthParameter;
}

}  // namespace

int synth_parse_options(int argc, char* const argv[], SynthOptions* options, char* message,
                        size_t message_bytes) {
    *options = SynthOptions{};
    int index = 1;
    while (index < argc && argv[index][0] == '-' && argv[index][1] != '\0') {
        const char* cluster = argv[index++];
        if (std::strcmp(cluster, "--") == 0) break;
        for (const char* c = cluster + 1; *c != '\0'; ++c) {
            const char* known = *c == ':' ? nullptr : std::strchr(kSynthOptionString, *c);
            if (known == nullptr) {
                synth_message(message, message_bytes, "unknown option -%c (-h for help)", *c);
                return kSynthParameter;
            }
            if (*c == 'h') {
                options->help = true;
                return kSynthOk;
            }
            if (*c == 'r') {
                options->settings.inverted = true;
                continue;
            }
            // The rest of the cluster, or else the next argument, is the value.
            const char* arg = c[1] != '\0' ? c + 1 : (index < argc ? argv[index++] : nullptr);
            if (arg == nullptr) {
                synth_message(message, message_bytes, "option -%c needs a value (-h for help)", *c);
                return kSynthParameter;
            }
            const int status = apply_option(options, *c, arg, message, message_bytes);
            if (status != kSynthOk) return status;
            break;
        }
    }
    options->first_image = index;
    if (options->out_path == nullptr || index >= argc) {
        synth_message(
            message, message_bytes, "%s (-h for help)",
            options->out_path == nullptr ? "no output given with -o" : "no image to play");
        return kSynthParameter;
    }
    return synth_check_settings(options->settings, message, message_bytes);
}
