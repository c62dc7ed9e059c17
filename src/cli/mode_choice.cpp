#include "cli/mode_choice.h"

#include <memory>

#include "analyze/analyze_run.h"
#include "decoder/stage_limits.h"

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

}  // namespace

DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& s, BlockSink* sink, RawOutput* raw) {
    if (s.analyze) return analyze_chosen(in, header, s, sink);
    sink->origin = BlockOrigin{
        .channel = static_cast<unsigned>(s.channel), .inverted = s.inverted, .recovery = {}};
    // Not zeroed: the -m tables are allocated apart, and only when used.
    auto decoder = std::make_unique_for_overwrite<DecoderState>();
    const DecodeStatus status = decode(decoder.get(), in, header, s, sink, raw);
    if (status != DecodeStatus::kFinished) return status;
    sink_finish(sink);
    return DecodeStatus::kFinished;
}
