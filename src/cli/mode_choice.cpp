#include "cli/mode_choice.h"

#include <memory>

#include "analyze/analyze_run.h"
#include "decoder/stage_limits.h"
#include "recover/recover_entry.h"
#include "recover/take_merge.h"

namespace {

/// The default decoder with the options given, into a sink that keeps its
/// blocks in a tally and prints and writes nothing; false when its options
/// cannot work at this rate.
bool run_default_quietly(InputStream* in, const WavHeader& header,
                         const ConverterSettings& settings, BlockTally* tally) {
    ConverterSettings s = settings;
    s.verbose = false;  // its warnings are not part of the analysis
    s.join = false;     // the tally counts blocks
    const StageLimits lim = derive_limits(header.frame, header.sample_rate, input_position(in), s);
    if (s.edge_mode && !edge_mode_available(lim.conditioner)) return false;
    BlockSink quiet;
    sink_start(&quiet, false);
    quiet.tally = tally;
    auto decoder = std::make_unique_for_overwrite<DecoderState>();
    return decode(decoder.get(), in, header, s, &quiet, nullptr) == DecodeStatus::kFinished;
}

/// --analyze: its measuring passes, the default decoder's quiet run, the report.
DecodeStatus analyze_chosen(InputStream* in, const WavHeader& header, const ConverterSettings& s,
                            BlockSink* sink) {
    auto a = std::make_unique<Analysis>();
    if (!analyze_measure(in, header, s, a.get())) return DecodeStatus::kInputNotSeekable;
    if (!in->read_error && input_seek(in, a->data_start))
        a->default_ran = run_default_quietly(in, header, s, &a->defaults);
    analyze_report(*a, s, sink);
    return DecodeStatus::kFinished;
}

/// Where the default decoder's blocks come from, for the run's record.
BlockOrigin default_origin(const ConverterSettings& s) {
    return BlockOrigin{
        .channel = static_cast<unsigned>(s.channel), .inverted = s.inverted, .recovery = {}};
}

}  // namespace

DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& s, BlockSink* sink, RawOutput* raw) {
    if (s.analyze) return analyze_chosen(in, header, s, sink);
    sink->origin = default_origin(s);
    // Not zeroed: the -m tables are allocated apart, and only when used.
    auto decoder = std::make_unique_for_overwrite<DecoderState>();
    const DecodeStatus status = decode(decoder.get(), in, header, s, sink, raw);
    if (status != DecodeStatus::kFinished) return status;
    sink_finish(sink);
    return DecodeStatus::kFinished;
}

DecodeStatus chosen_feed_begin(ChosenFeed* f, InputStream* in, const WavHeader& header,
                               const ConverterSettings& s, BlockSink* sink, RawOutput* raw) {
    f->recover = s.recover;
    f->sink = sink;
    const uint64_t first = input_position(in);
    if (f->recover) {
        // Its checks follow the file's reads: the first one ended where the stream's did.
        RecoverInput input = recover_input(header, first, s.channel_given ? s.channel : 0, sink);
        input.first_read_end = in->buffer_offset + in->filled;
        // Not zeroed: the pool's pages are touched only as far as readings fill it.
        f->book = std::make_unique_for_overwrite<TakeBook>();
        book_start_take(f->book.get(), 1);
        input.book = f->book.get();
        f->recovering = std::make_unique_for_overwrite<RecoverState>();
        recover_begin(f->recovering.get(), input);
    } else {
        sink->origin = default_origin(s);
        f->decoder = std::make_unique_for_overwrite<DecoderState>();
        const DecodeStatus status = decoder_begin(f->decoder.get(), header, first, s, sink, raw);
        if (status != DecodeStatus::kFinished) return status;
    }
    chosen_feed(f, in->bytes + in->pos, in->filled - in->pos);
    in->pos = in->filled;
    return DecodeStatus::kFinished;
}

void chosen_feed(ChosenFeed* f, const uint8_t* bytes, size_t n) {
    if (f->recover)
        recover_feed(f->recovering.get(), bytes, n);
    else
        decoder_feed(f->decoder.get(), bytes, n);
}

void chosen_feed_end(ChosenFeed* f) {
    if (f->recover) {
        recover_end(f->recovering.get());
        book_merge(*f->book, f->sink);
    } else {
        decoder_end(f->decoder.get());
    }
    sink_finish(f->sink);
}
