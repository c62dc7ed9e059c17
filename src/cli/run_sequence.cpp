#include "cli/run_sequence.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "analyze/analyze_run.h"
#include "cli/help_text.h"
#include "cli/mode_choice.h"
#include "cli/numeric_options.h"
#include "cli/option_notices.h"
#include "cli/option_scanner.h"
#include "cli/output_folder.h"
#include "cli/recover_run.h"
#include "cli/run_context.h"
#include "report/run_report.h"
#include "settings.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"

namespace {

/// The letter options that --recover does without, in the order its notice names them.
constexpr char kRecoverIgnores[] = "fmgtr";
static_assert(kRecoverIgnoresCount == sizeof kRecoverIgnores - 1);

/// What scanning one option decided: go on, or end with a code.
struct ScanOutcome {
    bool finished = false;
    int exit_code = kExitSuccess;
};

constexpr ScanOutcome kGoOn{};

ScanOutcome stop_with(int code) {
    return ScanOutcome{true, code};
}

/// A parser's verdict as an outcome: its message is already printed.
ScanOutcome parameter(bool readable) {
    return readable ? kGoOn : stop_with(kExitParameter);
}

/// Opens a recording; null, with "Error opening PATH.", when it cannot be.
FILE* open_recording(const char* path) {
    FILE* f = std::fopen(path, "rb");
    // A directory opens but cannot be read: it cannot be opened as a recording.
    struct stat st;
    if (f != nullptr && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        f = nullptr;
    }
    if (f == nullptr) std::fprintf(stderr, "Error opening %s.\n", path);
    return f;
}

/// -i: opened at once; a later -i replaces an earlier one.
ScanOutcome open_input(const char* path, RunContext* ctx) {
    if (ctx->input != nullptr) std::fclose(ctx->input);
    ctx->input = open_recording(path);
    return ctx->input == nullptr ? stop_with(kExitInputOpen) : kGoOn;
}

/// --take: opened at once like -i, each one a further recording.
ScanOutcome open_take(const char* path, RunContext* ctx) {
    ConverterSettings* s = &ctx->settings;
    if (s->take_count == kMaxTakeFiles) {
        std::fprintf(stderr, "Too many takes: at most %u --take files.\n", kMaxTakeFiles);
        return stop_with(kExitParameter);
    }
    FILE* f = open_recording(path);
    if (f == nullptr) return stop_with(kExitInputOpen);
    ctx->takes[s->take_count] = f;
    s->takes[s->take_count++] = path;
    return kGoOn;
}

/// Acts on one long option, in command-line order like the letters.
ScanOutcome apply_long_option(int code, const OptionScanner& scanner, ConverterSettings* s) {
    switch (code) {
        case kOptChannel:
            return parameter(apply_channel(scanner.argument, s));
        case kOptJoin:
            s->join = true;
            break;
        case kOptRecover:
            s->recover = true;
            break;
        case kOptAnalyze:
            s->analyze = true;
            break;
        case kOptPlot:
            s->plot_path = scanner.argument;
            break;
        case kOptReport:
            s->report_path = scanner.argument;
            break;
        case kOptOutputDir:
            s->output_dir = scanner.argument;
            break;
        case kOptHelp:
            print_help(stdout);
            return stop_with(kExitSuccess);
        case kOptVersion:
            print_version(stdout);
            return stop_with(kExitSuccess);
        default:
            break;
    }
    return kGoOn;
}

/// Acts on one option, in command-line order.
ScanOutcome apply_option(int code, const OptionScanner& scanner, RunContext* ctx) {
    if (code == kOptTake) return open_take(scanner.argument, ctx);
    if (code >= kOptChannel) return apply_long_option(code, scanner, &ctx->settings);
    ConverterSettings* s = &ctx->settings;
    const char* ignored = std::strchr(kRecoverIgnores, code);
    if (code != 0 && ignored != nullptr) ctx->given[ignored - kRecoverIgnores] = true;
    switch (code) {
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
            return parameter(apply_gain(scanner.argument, s));
        case 's':
            return parameter(apply_forced_rate(scanner.argument, s));
        case 't':
            return parameter(apply_threshold(scanner.argument, s));
        case 'i':
            s->input_path = scanner.argument;
            return open_input(scanner.argument, ctx);
        case 'h':
            print_usage(stderr);
            return stop_with(kExitUsageOrIo);
        case '?':
            // The scanner has already named an illegal option or a missing
            // argument; -? itself asks for the usage text.
            if (scanner.error_letter != 0) return stop_with(kExitParameter);
            print_usage(stderr);
            return stop_with(kExitUsageOrIo);
        default:
            break;
    }
    return kGoOn;
}

/// --recover finds levels, polarity and thresholds itself: the letter options
/// that set them are dropped, with one line naming those that were given.
void drop_options_recover_ignores(RunContext* ctx) {
    char names[sizeof " -f, -m, -g, -t and -r"] = "";
    int listed = 0;
    int count = 0;
    for (bool given : ctx->given) count += given ? 1 : 0;
    for (int i = 0; i < kRecoverIgnoresCount; ++i) {
        if (!ctx->given[i]) continue;
        const char* joint = listed == 0 ? "" : (listed + 1 == count ? " and" : ",");
        const size_t used = std::strlen(names);
        std::snprintf(names + used, sizeof names - used, "%s -%c", joint, kRecoverIgnores[i]);
        ++listed;
    }
    if (count > 0) {
        std::fprintf(stderr, "Note:%s %s not needed with --recover and %s ignored.\n", names,
                     count == 1 ? "is" : "are", count == 1 ? "is" : "are");
    }
    ConverterSettings* s = &ctx->settings;
    const ConverterSettings defaults;
    s->filter = defaults.filter;
    s->edge_mode = defaults.edge_mode;
    s->gain_db = defaults.gain_db;
    s->threshold = defaults.threshold;
    s->inverted = defaults.inverted;
}

/// --report: opened before the header is read, so a refused file is recorded too.
void open_report(RunContext* ctx) {
    ProtectedFiles kept;
    protect_file(&kept, ctx->input);
    if (ctx->raw != nullptr) protect_file(&kept, ctx->raw->file);
    if (run_report_open(&ctx->report, ctx->settings.report_path, kept))
        run_report_start(&ctx->report, kVersion, ctx->settings);
}

/// Once the options are scanned: the notices, the outputs, the header. Ready
/// (kExitSuccess) leaves the stream at the first sample and the sink started.
int prepare_conversion(RunContext* ctx) {
    const ConverterSettings& s = ctx->settings;
    if (s.take_count > 0 && !s.recover) {
        std::fprintf(stderr, "--take needs --recover.\n");
        return kExitParameter;
    }
    print_ignored_option_notices(s);
    if (s.recover) drop_options_recover_ignores(ctx);
    // The folder is made before anything is decoded; --analyze writes no image.
    if (s.output_dir != nullptr && !s.analyze && !make_output_folder(s.output_dir))
        return kExitParameter;
    if (s.raw_output_path != nullptr) {
        ctx->raw = std::make_unique_for_overwrite<RawOutput>();
        raw_output_open(ctx->raw.get(), s.raw_output_path, ctx->input);
    }
    if (s.report_path != nullptr) open_report(ctx);

    input_open(&ctx->stream, ctx->input);
    // --recover checks its levels on a schedule counted per read, and
    // --analyze runs it: only the converter reads in smaller pieces.
    if (!s.recover && !s.analyze) input_narrow_reads(&ctx->stream, kConverterReadBytes);
    const uint32_t forced_rate = s.has_forced_rate ? s.forced_rate : 0;
    const HeaderStatus header = read_header(&ctx->stream, forced_rate, &ctx->header);
    run_report_header(&ctx->report, header, ctx->header, &ctx->stream);
    const int code = header_exit_code(header, ctx->header, s);
    if (code != kExitSuccess) return code;
    // The one list of files no output may replace: the input, the -o file and the takes.
    // --join makes chains in both decoders that write images.
    sink_start(&ctx->sink, s.join && !s.analyze);
    if (!s.analyze) ctx->sink.images.folder = s.output_dir;
    image_store_protect(&ctx->sink.images, ctx->input);
    if (ctx->raw != nullptr) image_store_protect(&ctx->sink.images, ctx->raw->file);
    ctx->sink.record = ctx->report.output.file != nullptr ? &ctx->report.json : nullptr;
    for (FILE* take : ctx->takes) image_store_protect(&ctx->sink.images, take);
    return kExitSuccess;
}

}  // namespace

int run_prepare(int argc, char* argv[], RunContext* ctx, bool* ready) {
    *ready = false;
    OptionScanner scanner;
    for (;;) {
        const int code = next_option(&scanner, argc, argv, kOptionString, kLongOptions);
        if (code == -1) break;
        const ScanOutcome outcome = apply_option(code, scanner, ctx);
        if (outcome.finished) return outcome.exit_code;
    }
    if (argc < 2) {
        print_usage(stderr);
        return kExitUsageOrIo;
    }
    if (ctx->input == nullptr) {
        std::fprintf(stderr, "Could not open input file.\n");
        return kExitParameter;
    }
    const int code = prepare_conversion(ctx);
    *ready = code == kExitSuccess;
    return code;
}

int run_decode(RunContext* ctx) {
    const ConverterSettings& s = ctx->settings;
    if (s.recover && !s.analyze) {
        ctx->decoded = true;
        return recover_run(&ctx->stream, ctx->header, s, ctx->takes, &ctx->sink);
    }
    const DecodeStatus status =
        decode_chosen_mode(&ctx->stream, ctx->header, ctx->settings, &ctx->sink, ctx->raw.get());
    return run_decoded(ctx, status);
}

int run_decoded(RunContext* ctx, DecodeStatus status) {
    if (status == DecodeStatus::kEdgeModeUnavailable || status == DecodeStatus::kInputNotSeekable)
        return kExitParameter;
    ctx->decoded = true;
    return sink_failed(ctx->sink) ? kExitUsageOrIo : kExitSuccess;
}

int run_close(RunContext* ctx, int code) {
    // The outputs' and the input's failures come after the summary, in that order.
    if (ctx->raw != nullptr && !raw_output_close(ctx->raw.get())) {
        std::fprintf(stderr, "Error writing %s.\n", ctx->settings.raw_output_path);
        if (code == kExitSuccess) code = kExitUsageOrIo;
    }
    if (ctx->decoded && ctx->stream.read_error) {
        std::fprintf(stderr, "Error reading the input file.\n");
        if (code == kExitSuccess) code = kExitUsageOrIo;
    }
    // The record comes last: it holds the exit code. One that fails makes it 1.
    if (!run_report_finish(&ctx->report, ctx->sink.images.files_written, code) &&
        code == kExitSuccess)
        code = kExitUsageOrIo;
    if (ctx->input != nullptr) std::fclose(ctx->input);
    for (FILE* take : ctx->takes)
        if (take != nullptr) std::fclose(take);
    std::fflush(stdout);
    return code;
}

int run(int argc, char* argv[]) {
    // Not zeroed: the buffers' pages are touched only as far as they are used.
    const auto owner = std::make_unique_for_overwrite<RunContext>();
    bool ready = false;
    int code = run_prepare(argc, argv, owner.get(), &ready);
    if (ready) code = run_decode(owner.get());
    return run_close(owner.get(), code);
}
