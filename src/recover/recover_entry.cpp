#include "recover/recover_entry.h"

#include <cstdio>
#include <memory>

RecoverSummary recover_recording(InputStream* in, const WavHeader& header, int channel,
                                 const ProtectedFiles& protected_files) {
    RecoverInput input;
    input.format = header.frame;
    input.channels = header.channels == 0 ? 1 : header.channels;
    input.rate = header.sample_rate;
    input.data_start = input_position(in);
    input.channel = channel;
    input.protected_files = &protected_files;
    // Default-initialised (no value-initialising make_unique): the edge log is
    // touched only as far as a block fills it.
    std::unique_ptr<RecoverState> state(new RecoverState);
    const RecoverSummary summary = recover_tape(state.get(), in, input);
    if (summary.images_written > 0) std::printf("Finished writing output file(s). ");
    std::printf("%u file(s) created.\n", summary.images_written);
    std::fflush(stdout);
    return summary;
}
