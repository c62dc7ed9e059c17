#include "cli/mode_choice.h"

#include <memory>

#include "analyze/analyze_run.h"
#include "recover/recover_entry.h"

DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& s, BlockSink* sink, RawOutput* raw) {
    if (s.analyze) {
        analyze_recording(in, header, s, sink);
        return DecodeStatus::kFinished;
    }
    if (s.recover) {
        // Without --channel the recovering decoder finds the tape's channel itself.
        recover_recording(in, header, s.channel_given ? s.channel : 0, sink);
    } else {
        // Not zeroed: the -m tables are allocated apart, and only when used.
        auto decoder = std::make_unique_for_overwrite<DecoderState>();
        const DecodeStatus status = decode(decoder.get(), in, header, s, sink, raw);
        if (status != DecodeStatus::kFinished) return status;
    }
    sink_finish(sink);
    return DecodeStatus::kFinished;
}
