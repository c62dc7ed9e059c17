#include "synth_options.h"

#include <cstring>

#include "decimal_parser.h"
#include "synth_message.h"

namespace {

/// The settings a numeric option sets.
enum class Field {
    kRate,
    kBits,
    kChannels,
    kAmplitude,
    kShort,
    kLong,
    kBefore,
    kBetween,
    kAfter,
    kNoise,
    kDc,
    kWow,
    kWowHz,
    kJitter,
    kJitterSd,
    kSignalChannel,
    kSpeed,
    kClip,
    kHighpass,
    kLowpass,
    kDropouts,
    kDropoutMs,
    kBursts,
    kBurstMs,
    kHum,
    kHumHz,
};

/// Accepted values of a numeric option.
struct NumberRule {
    const char* option;  ///< "-s" or "--speed", as messages name it
    Field field;
    double low;
    double high;
    bool low_included;  ///< false: the value must be above low
    bool whole;         ///< the value must be a whole number
    bool ends_only;     ///< only low or high themselves are accepted
};

constexpr NumberRule kNumberRules[] = {
    {"-s", Field::kRate, kMinSampleRateHz, kMaxSampleRateHz, true, true, false},
    {"-b", Field::kBits, 8, 64, true, true, false},
    {"-c", Field::kChannels, 1, 2, true, true, true},
    {"-a", Field::kAmplitude, 0, 1, false, false, false},
    {"-S", Field::kShort, kMinPeriodUs, kMaxPeriodUs, true, false, false},
    {"-L", Field::kLong, kMinPeriodUs, kMaxPeriodUs, true, false, false},
    {"-B", Field::kBefore, 0, kMaxSilenceS, true, false, false},
    {"-P", Field::kBetween, 0, kMaxSilenceS, true, false, false},
    {"-E", Field::kAfter, 0, kMaxSilenceS, true, false, false},
    {"-n", Field::kNoise, 0, kMaxSnrDb, false, false, false},
    {"-d", Field::kDc, -kMaxDcOffset, kMaxDcOffset, true, false, false},
    {"-W", Field::kWow, 0, kMaxWowPercent, true, false, false},
    {"-j", Field::kJitter, 0, kMaxPeriodUs, true, false, false},
    {"-C", Field::kSignalChannel, 1, 2, true, true, true},
    {"--speed", Field::kSpeed, -kMaxSpeedPercent, kMaxSpeedPercent, true, false, false},
    {"--clip", Field::kClip, 0, 1, false, false, false},
    {"--highpass", Field::kHighpass, 0, kMaxSampleRateHz / 2.0, false, false, false},
    {"--lowpass", Field::kLowpass, 0, kMaxSampleRateHz / 2.0, false, false, false},
    {"--dropouts", Field::kDropouts, 0, kMaxDropouts, true, true, false},
    {"--dropout-ms", Field::kDropoutMs, 0, kMaxDropoutMs, false, false, false},
    {"--wow-hz", Field::kWowHz, 0, kMaxWowHz, false, false, false},
    {"--jitter-sd", Field::kJitterSd, 0, kMaxPeriodUs, true, false, false},
    {"--bursts", Field::kBursts, 0, kMaxDropouts, true, true, false},
    {"--burst-ms", Field::kBurstMs, 0, kMaxDropoutMs, false, false, false},
    {"--hum", Field::kHum, 0, kMaxSnrDb, false, false, false},
    {"--hum-freq", Field::kHumHz, 50, 60, true, true, true},
};

/// Long options without a value; "--list-text" takes any text.
enum class Flag { kNone, kAlaw, kMulaw, kRf64, kJunk, kHelp, kVersion };
struct FlagName {
    const char* name;
    Flag flag;
};
constexpr FlagName kFlags[] = {{"alaw", Flag::kAlaw}, {"mulaw", Flag::kMulaw},
                               {"rf64", Flag::kRf64}, {"junk", Flag::kJunk},
                               {"help", Flag::kHelp}, {"version", Flag::kVersion}};

const NumberRule* number_rule(const char* option) {
    for (const NumberRule& rule : kNumberRules) {
        if (std::strcmp(rule.option, option) == 0) return &rule;
    }
    return nullptr;
}

bool accepts(const NumberRule& rule, double v) {
    if (rule.ends_only) return v == rule.low || v == rule.high;
    const bool above_low = rule.low_included ? v >= rule.low : v > rule.low;
    return above_low && v <= rule.high && (!rule.whole || v == static_cast<long long>(v));
}

void store_number(SynthSettings* s, Field field, double v) {
    switch (field) {
        case Field::kRate:
            s->sample_rate = static_cast<uint32_t>(v);
            break;
        case Field::kBits:
            s->bits_per_sample = static_cast<int>(v);
            break;
        case Field::kChannels:
            s->channels = static_cast<int>(v);
            break;
        case Field::kAmplitude:
            s->amplitude = v;
            break;
        case Field::kShort:
            s->short_period_us = v;
            break;
        case Field::kLong:
            s->long_period_us = v;
            break;
        case Field::kBefore:
            s->silence_before_s = v;
            break;
        case Field::kBetween:
            s->silence_between_s = v;
            break;
        case Field::kAfter:
            s->silence_after_s = v;
            break;
        case Field::kNoise:
            s->noise_snr_db = v;
            break;
        case Field::kDc:
            s->dc_offset = v;
            break;
        case Field::kWow:
            s->wow_percent = v;
            break;
        case Field::kJitter:
            s->jitter_us = v;
            break;
        case Field::kSignalChannel:
            s->signal_channel = static_cast<int>(v);
            break;
        case Field::kSpeed:
            s->speed_percent = v;
            break;
        case Field::kClip:
            s->clip_level = v;
            break;
        case Field::kHighpass:
            s->highpass_hz = v;
            break;
        case Field::kLowpass:
            s->lowpass_hz = v;
            break;
        case Field::kDropouts:
            s->dropouts = static_cast<unsigned>(v);
            break;
        case Field::kDropoutMs:
            s->dropout_ms = v;
            break;
        case Field::kWowHz:
            s->wow_hz = v;
            break;
        case Field::kJitterSd:
            s->jitter_sd_us = v;
            break;
        case Field::kBursts:
            s->bursts = static_cast<unsigned>(v);
            break;
        case Field::kBurstMs:
            s->burst_ms = v;
            break;
        case Field::kHum:
            s->hum_db = v;
            break;
        case Field::kHumHz:
            s->hum_hz = v;
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

/// Reads a numeric option's value. Returns a SynthExitCode.
int apply_number(SynthSettings* s, const NumberRule& rule, const char* arg, char* message,
                 size_t message_bytes) {
    double v = 0;
    if (parse_decimal(arg, &v) && accepts(rule, v)) {
        store_number(s, rule.field, v);
        return kSynthOk;
    }
    if (rule.ends_only) {
        synth_message(message, message_bytes, "%s: '%s' is not %g or %g", rule.option, arg,
                      rule.low, rule.high);
    } else {
        synth_message(message, message_bytes, "%s: '%s' is not a %snumber %s %g %s %g", rule.option,
                      arg, rule.whole ? "whole " : "", rule.low_included ? "from" : "above",
                      rule.low, rule.low_included ? "to" : "up to", rule.high);
    }
    return kSynthParameter;
}

/// Acts on one letter option that takes an argument. Returns a SynthExitCode.
int apply_letter(SynthOptions* o, char letter, const char* arg, char* message,
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
    o->bits_given = o->bits_given || letter == 'b';
    const char option[3] = {'-', letter, '\0'};
    return apply_number(&o->settings, *number_rule(option), arg, message, message_bytes);
}

/// Acts on a long option; *index is past it and moves past its value.
int apply_long(SynthOptions* o, const char* text, int argc, char* const argv[], int* index,
               char* message, size_t message_bytes) {
    char option[32] = "--";
    const char* equals = std::strchr(text, '=');
    const size_t name_chars =
        equals != nullptr ? static_cast<size_t>(equals - text) : std::strlen(text);
    std::strncat(option, text, name_chars < sizeof option - 3 ? name_chars : sizeof option - 3);
    Flag flag = Flag::kNone;
    for (const FlagName& f : kFlags) {
        if (std::strcmp(option + 2, f.name) == 0) flag = f.flag;
    }
    const NumberRule* rule = number_rule(option);
    const bool text_option = std::strcmp(option, "--list-text") == 0;
    if (flag == Flag::kNone && rule == nullptr && !text_option) {
        synth_message(message, message_bytes, "unknown option --%.*s (-h for help)",
                      static_cast<int>(name_chars), text);
        return kSynthParameter;
    }
    SynthSettings& s = o->settings;
    if (flag != Flag::kNone) {
        if (equals != nullptr) {
            synth_message(message, message_bytes, "option %s takes no value (-h for help)", option);
            return kSynthParameter;
        }
        if (flag == Flag::kAlaw) s.encoding = SampleEncoding::kAlaw;
        if (flag == Flag::kMulaw) s.encoding = SampleEncoding::kMulaw;
        if (flag == Flag::kRf64) s.rf64 = true;
        if (flag == Flag::kJunk) s.junk_chunk = true;
        if (flag == Flag::kHelp) o->action = SynthAction::kHelp;
        if (flag == Flag::kVersion) o->action = SynthAction::kVersion;
        return kSynthOk;
    }
    const char* arg = equals != nullptr ? equals + 1 : (*index < argc ? argv[(*index)++] : nullptr);
    if (arg == nullptr) {
        synth_message(message, message_bytes, "option %s needs a value (-h for help)", option);
        return kSynthParameter;
    }
    if (text_option) {
        s.list_text = arg;
        return kSynthOk;
    }
    return apply_number(&s, *rule, arg, message, message_bytes);
}

/// Acts on one cluster of letters. Returns a SynthExitCode.
int apply_cluster(SynthOptions* o, const char* cluster, int argc, char* const argv[], int* index,
                  char* message, size_t message_bytes) {
    for (const char* c = cluster + 1; *c != '\0'; ++c) {
        const char* known = *c == ':' ? nullptr : std::strchr(kSynthOptionString, *c);
        if (known == nullptr) {
            synth_message(message, message_bytes, "unknown option -%c (-h for help)", *c);
            return kSynthParameter;
        }
        if (*c == 'h') {
            o->action = SynthAction::kUsage;
            return kSynthOk;
        }
        if (known[1] != ':') {
            if (*c == 'r') o->settings.inverted = true;
            if (*c == 'F') o->settings.encoding = SampleEncoding::kFloat;
            if (*c == 'x') o->settings.extensible = true;
            continue;
        }
        // The rest of the cluster, or else the next argument, is the value.
        const char* arg = c[1] != '\0' ? c + 1 : (*index < argc ? argv[(*index)++] : nullptr);
        if (arg == nullptr) {
            synth_message(message, message_bytes, "option -%c needs a value (-h for help)", *c);
            return kSynthParameter;
        }
        return apply_letter(o, *c, arg, message, message_bytes);
    }
    return kSynthOk;
}

}  // namespace

int synth_parse_options(int argc, char* const argv[], SynthOptions* options, char* message,
                        size_t message_bytes) {
    *options = SynthOptions{};
    int index = 1;
    while (index < argc && argv[index][0] == '-' && argv[index][1] != '\0') {
        const char* arg = argv[index++];
        if (std::strcmp(arg, "--") == 0) break;
        const bool is_long = arg[1] == '-' && arg[2] != '=';
        const int status =
            is_long ? apply_long(options, arg + 2, argc, argv, &index, message, message_bytes)
                    : apply_cluster(options, arg, argc, argv, &index, message, message_bytes);
        if (status != kSynthOk || options->action != SynthAction::kPlay) return status;
    }
    // Float samples are 32-bit unless -b says 64.
    if (options->settings.encoding == SampleEncoding::kFloat && !options->bits_given) {
        options->settings.bits_per_sample = 32;
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
