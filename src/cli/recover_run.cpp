#include "cli/recover_run.h"

#include <memory>

#include "cli/run_sequence.h"
#include "recover/recover_entry.h"
#include "recover/take_merge.h"

static_assert(kMaxTakeFiles + 1 <= kMaxTakes, "the book holds every take");

int header_exit_code(HeaderStatus status, const WavHeader& header, const ConverterSettings& s) {
    switch (status) {
        case HeaderStatus::kNotWav:
            return kExitNotWav;
        case HeaderStatus::kNoWaveData:
            return kExitNoWaveData;
        case HeaderStatus::kOk:
            break;
    }
    const unsigned channels = header.channels == 0 ? 1u : header.channels;
    if (s.channel < 1 || static_cast<unsigned>(s.channel) > channels) {
        std::fprintf(stderr, "Channel %d does not exist: the recording has %u channel(s).\n",
                     s.channel, channels);
        return kExitParameter;
    }
    return kExitSuccess;
}

int recover_run(InputStream* in, const WavHeader& header, const ConverterSettings& s,
                FILE* const* takes, BlockSink* sink) {
    // Not zeroed: the pool's pages are touched only as far as readings fill it.
    const auto book = std::make_unique_for_overwrite<TakeBook>();
    book->several = s.take_count > 0;
    const int channel = s.channel_given ? s.channel : 0;
    book_start_take(book.get(), 1);
    recover_recording(in, header, channel, sink, book.get());
    bool read_error = false;
    if (s.take_count > 0) {
        const auto stream = std::make_unique_for_overwrite<InputStream>();
        for (unsigned k = 0; k < s.take_count; ++k) {
            std::printf("\nTake %u: %s\n", k + 2, s.takes[k]);
            input_open(stream.get(), takes[k]);
            WavHeader h;
            const uint32_t forced_rate = s.has_forced_rate ? s.forced_rate : 0;
            const int code = header_exit_code(read_header(stream.get(), forced_rate, &h), h, s);
            if (code != kExitSuccess) return code;
            book_start_take(book.get(), k + 2);
            recover_recording(stream.get(), h, channel, sink, book.get());
            read_error = read_error || stream->read_error;
        }
    }
    book_merge(*book, sink);
    sink_finish(sink);
    if (read_error) std::fprintf(stderr, "Error reading the input file.\n");
    return read_error || sink_failed(*sink) ? kExitUsageOrIo : kExitSuccess;
}
