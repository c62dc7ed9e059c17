#include "cli/run_sequence.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "cli/exit_codes.h"
#include "cli/numeric_options.h"
#include "cli/option_scanner.h"
#include "cli/usage.h"
#include "decoder/decode_loop.h"
#include "settings.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"

namespace {

/// Everything one run owns. It lives on the stack of run(): nothing is global.
struct RunContext {
    ConverterSettings settings;
    FILE* input = nullptr;
    InputStream stream;
    WavHeader header;
    RawOutput raw;
    DecoderState decoder;
    bool decoded = false;  ///< the decoder ran to the end of the input
};

/// What scanning the options decided: go on, or end with a code.
struct ScanOutcome {
    bool finished = false;
    int exit_code = kExitSuccess;
};

ScanOutcome stop_with(int code) {
    return ScanOutcome{true, code};
}

/// -i: opened at once; a later -i replaces an earlier one.
ScanOutcome open_input(const char* path, RunContext* ctx) {
    if (ctx->input != nullptr) std::fclose(ctx->input);
    ctx->input = std::fopen(path, "rb");
    // A directory opens but cannot be read: it cannot be opened as a recording.
    struct stat st;
    if (ctx->input != nullptr && fstat(fileno(ctx->input), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(ctx->input);
        ctx->input = nullptr;
    }
    if (ctx->input == nullptr) {
        std::fprintf(stderr, "Error opening %s.\n", path);
        return stop_with(kExitInputOpen);
    }
    return ScanOutcome{};
}

/// Acts on one option letter, in command-line order.
ScanOutcome apply_option(int letter, const OptionScanner& scanner, RunContext* ctx) {
    ConverterSettings* s = &ctx->settings;
    switch (letter) {
        case 'f':
            s->filter = true;
            break;
        case 'm':
            s->edge_mode = true;
            break;
        case 'r':
            s->inverted = true;
            break;
        case 'v':
            s->verbose = true;
            break;
        case 'o':
            s->raw_output_path = scanner.argument;
            break;
        case 'g':
            return apply_gain(scanner.argument, s) ? ScanOutcome{} : stop_with(kExitParameter);
        case 's':
            return apply_forced_rate(scanner.argument, s) ? ScanOutcome{}
                                                          : stop_with(kExitParameter);
        case 't':
            return apply_threshold(scanner.argument, s) ? ScanOutcome{} : stop_with(kExitParameter);
        case 'i':
            return open_input(scanner.argument, ctx);
        case 'h':
            print_usage();
            return stop_with(kExitUsageOrIo);
        case '?':
            // The scanner has already named an illegal option or a missing
            // argument; -? itself asks for the usage text.
            if (scanner.error_letter != 0) return stop_with(kExitParameter);
            print_usage();
            return stop_with(kExitUsageOrIo);
        default:
            break;
    }
    return ScanOutcome{};
}

int run_conversion(int argc, char* argv[], RunContext* ctx) {
    OptionScanner scanner;
    for (;;) {
        const int letter = next_option(&scanner, argc, argv, kOptionString);
        if (letter == -1) break;
        const ScanOutcome outcome = apply_option(letter, scanner, ctx);
        if (outcome.finished) return outcome.exit_code;
    }
    if (argc < 2) {
        print_usage();
        return kExitUsageOrIo;
    }
    if (ctx->input == nullptr) {
        std::fprintf(stderr, "Could not open input file.\n");
        return kExitParameter;
    }

    if (ctx->settings.raw_output_path != nullptr)
        raw_output_open(&ctx->raw, ctx->settings.raw_output_path, ctx->input);

    // TEMPORARY test hook until the long options land: VORLANE_TEST_RECOVER=1 acts as --recover.
    if (std::getenv("VORLANE_TEST_RECOVER") != nullptr) ctx->settings.recover = true;
    input_open(&ctx->stream, ctx->input);
    const uint32_t forced_rate = ctx->settings.has_forced_rate ? ctx->settings.forced_rate : 0;
    switch (read_header(&ctx->stream, forced_rate, &ctx->header)) {
        case HeaderStatus::kNotWav:
            return kExitNotWav;
        case HeaderStatus::kNoWaveData:
            return kExitNoWaveData;
        case HeaderStatus::kOk:
            break;
    }
    const DecodeStatus status =
        decode(&ctx->decoder, &ctx->stream, ctx->header, ctx->settings, &ctx->raw);
    if (status == DecodeStatus::kEdgeModeUnavailable) return kExitParameter;
    ctx->decoded = true;
    return status == DecodeStatus::kImageFailed ? kExitUsageOrIo : kExitSuccess;
}

}  // namespace

int run(int argc, char* argv[]) {
    RunContext ctx;
    int code = run_conversion(argc, argv, &ctx);
    // The outputs' and the input's failures come after the summary, in that order.
    if (!raw_output_close(&ctx.raw)) {
        std::fprintf(stderr, "Error writing %s.\n", ctx.settings.raw_output_path);
        if (code == kExitSuccess) code = kExitUsageOrIo;
    }
    if (ctx.decoded && ctx.stream.read_error) {
        std::fprintf(stderr, "Error reading the input file.\n");
        if (code == kExitSuccess) code = kExitUsageOrIo;
    }
    if (ctx.input != nullptr) std::fclose(ctx.input);
    std::fflush(stdout);
    return code;
}
