#include "cli/run_sequence.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/numeric_options.h"
#include "cli/option_scanner.h"
#include "settings.h"
#include "cli/usage.h"
#include "decoder/decode_loop.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"

namespace {

/// Everything one run owns. It lives on the stack of run(): nothing is global.
struct RunContext {
    ConverterSettings settings;
    FILE* input = nullptr;
    InputStream stream;
    WavHeader header;
    DecoderState decoder;
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
            s->inversion_mask = 0xFFFF;
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

/// Opens the raw signal output once the input is open. A path that names the
/// input itself is refused: truncating it would destroy the recording.
FILE* open_raw_output(const char* path, FILE* input) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        std::fprintf(stderr, "Error opening %s.\n", path);
        return nullptr;
    }
    struct stat out_st;
    struct stat in_st;
    const bool same_file = fstat(fd, &out_st) == 0 && fstat(fileno(input), &in_st) == 0 &&
                           out_st.st_dev == in_st.st_dev && out_st.st_ino == in_st.st_ino;
    if (same_file || (S_ISREG(out_st.st_mode) && ftruncate(fd, 0) != 0)) {
        close(fd);
        std::fprintf(stderr, "Error opening %s.\n", path);
        return nullptr;
    }
    FILE* out = fdopen(fd, "wb");
    if (out == nullptr) {
        close(fd);
        std::fprintf(stderr, "Error opening %s.\n", path);
    }
    return out;
}

int exit_code_for(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::kFinished:
            return kExitSuccess;
        case DecodeStatus::kOutputFailed:
            return kExitUsageOrIo;
        case DecodeStatus::kInputFailed:
            return kExitUsageOrIo;
        case DecodeStatus::kEdgeModeUnavailable:
            return kExitParameter;
    }
    return kExitUsageOrIo;
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

    FILE* raw_output = nullptr;
    if (ctx->settings.raw_output_path != nullptr)
        raw_output = open_raw_output(ctx->settings.raw_output_path, ctx->input);

    input_open(&ctx->stream, ctx->input);
    int code = kExitSuccess;
    switch (read_header(&ctx->stream, ctx->settings, &ctx->header)) {
        case HeaderStatus::kNotWav:
            code = kExitNotWav;
            break;
        case HeaderStatus::kNoWaveData:
            code = kExitNoWaveData;
            break;
        case HeaderStatus::kOk:
            // The decoder closes the raw output and reports its failures.
            return exit_code_for(decode(&ctx->decoder, &ctx->stream, ctx->header, ctx->settings,
                                        raw_output, ctx->settings.raw_output_path));
    }
    if (raw_output != nullptr) std::fclose(raw_output);
    return code;
}

}  // namespace

int run(int argc, char* argv[]) {
    RunContext ctx;
    const int code = run_conversion(argc, argv, &ctx);
    if (ctx.input != nullptr) std::fclose(ctx.input);
    std::fflush(stdout);
    return code;
}
