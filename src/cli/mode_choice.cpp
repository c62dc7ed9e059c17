#include "cli/mode_choice.h"

#include <memory>

#include "analyze/analyze_run.h"
#include "recover/recover_entry.h"

DecodeStatus decode_chosen_mode(InputStream* in, const WavHeader& header,
                                const ConverterSettings& s, RawOutput* raw) {
    if (s.analyze) {
        const AnalyzeStatus a = analyze_recording(in, header, s);
        return a == AnalyzeStatus::kPlotFailed ? DecodeStatus::kImageFailed
                                               : DecodeStatus::kFinished;
    }
    if (s.recover) {
        ImageOutput images;
        protect_file(&images.protected_files, in->file);
        if (raw != nullptr) protect_file(&images.protected_files, raw->file);
        // Without --channel the recovering decoder finds the tape's channel itself.
        const RecoverSummary r =
            recover_recording(in, header, s.channel_given ? s.channel : 0, images.protected_files);
        return r.image_failed ? DecodeStatus::kImageFailed : DecodeStatus::kFinished;
    }
    auto decoder = std::make_unique<DecoderState>();
    return decode(decoder.get(), in, header, s, raw);
}
