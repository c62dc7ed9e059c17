#include "cli/fed_run.h"

#include <memory>

#include "cli/mode_choice.h"
#include "cli/run_context.h"
#include "cli/run_sequence.h"

struct FedRun {
    RunContext ctx;
    ChosenFeed feed;
};

FedRun* fed_run_open(int argc, char* argv[], int* code) {
    // Not zeroed, as in run(): the stream's buffer is touched only as far as it is read.
    auto run = std::make_unique_for_overwrite<FedRun>();
    RunContext* ctx = &run->ctx;
    bool ready = false;
    *code = run_prepare(argc, argv, ctx, &ready);
    // --analyze and --take read their files themselves.
    const bool reads_itself = ctx->settings.analyze || ctx->settings.take_count > 0;
    if (ready && reads_itself) *code = run_decode(ctx);
    if (!ready || reads_itself) {
        *code = run_close(ctx, *code);
        return nullptr;
    }
    const DecodeStatus status = chosen_feed_begin(&run->feed, &ctx->stream, ctx->header,
                                                  ctx->settings, &ctx->sink, ctx->raw.get());
    if (status != DecodeStatus::kFinished) {
        *code = run_close(ctx, run_decoded(ctx, status));
        return nullptr;
    }
    return run.release();
}

uint64_t fed_run_offset(const FedRun* run) {
    return run->ctx.stream.buffer_offset + run->ctx.stream.filled;
}

void fed_run_feed(FedRun* run, const uint8_t* bytes, size_t n) {
    chosen_feed(&run->feed, bytes, n);
}

int fed_run_close(FedRun* run) {
    const std::unique_ptr<FedRun> owner(run);
    chosen_feed_end(&run->feed);
    return run_close(&run->ctx, run_decoded(&run->ctx, DecodeStatus::kFinished));
}
