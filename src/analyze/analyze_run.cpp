#include "analyze/analyze_run.h"

#include <cstdio>
#include <memory>

#include "analyze/analysis_report.h"
#include "analyze/svg_plot.h"
#include "recover/recover_entry.h"

namespace {

/// The first pass: the recovering decoder, measuring instead of writing.
void measure_blocks(InputStream* in, const WavHeader& header, int channel, Analysis* a) {
    RecoverInput input = recover_input(header, input_position(in), channel, nullptr);
    input.measures = &a->tape;
    // Default-initialised: the edge log is touched only as far as a block fills it.
    auto state = std::make_unique_for_overwrite<RecoverState>();
    recover_tape(state.get(), in, input);
}

/// The second pass: levels of every channel, the envelope of the tape's one.
void measure_levels(InputStream* in, const WavHeader& header, Analysis* a) {
    const unsigned tape_channel = a->tape.blocks_found > 0 ? a->tape.blocks[0].channel : 0;
    level_stats_start(&a->levels, a->channels, header.sample_rate, tape_channel);
    const unsigned frame_bytes = header.frame.frame_bytes;
    for (size_t n; (n = input_whole_frames(in, frame_bytes)) > 0;) {
        level_stats_frames(&a->levels, in->bytes + in->pos, n, header.frame);
        in->pos += n * frame_bytes;
    }
    a->frames = a->levels.frames;
    a->levels_measured = true;
}

}  // namespace

void analyze_recording(InputStream* in, const WavHeader& header, const ConverterSettings& settings,
                       BlockSink* sink) {
    auto a = std::make_unique<Analysis>();
    a->rate = header.sample_rate;
    a->channels = header.channels == 0 ? 1 : header.channels;
    const uint64_t data_start = input_position(in);
    // Without --channel the recovering decoder finds the tape's channel itself.
    measure_blocks(in, header, settings.channel_given ? settings.channel : 0, a.get());
    if (!in->read_error && input_seek(in, data_start)) measure_levels(in, header, a.get());
    print_analysis(*a);
    if (settings.plot_path == nullptr) return;
    if (!write_svg_plot(*a, settings.plot_path, sink->images.protected_files))
        image_store_failed(&sink->images);
}
