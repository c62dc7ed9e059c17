#include "recover/recover_entry.h"

#include <memory>

RecoverInput recover_input(const WavHeader& header, uint64_t data_start, int channel,
                           BlockSink* sink) {
    RecoverInput input;
    input.format = header.frame;
    input.channels = header.channels == 0 ? 1 : header.channels;
    input.rate = header.sample_rate;
    input.data_start = data_start;
    input.channel = channel;
    input.sink = sink;
    return input;
}

void recover_recording(InputStream* in, const WavHeader& header, int channel, BlockSink* sink,
                       TakeBook* book) {
    // Default-initialised: the edge log is touched only as far as a block fills it.
    auto state = std::make_unique_for_overwrite<RecoverState>();
    RecoverInput input = recover_input(header, input_position(in), channel, sink);
    input.book = book;
    recover_tape(state.get(), in, input);
}
