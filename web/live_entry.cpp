// Listen's way into the core: the page's worker hands over the sound input's
// samples (16-bit mono at the capture's rate) piece by piece as they arrive,
// and they go straight through the decoder's feed into the block sink, so a
// block's lines and image appear the moment its checksum arrives. The
// capture saved at the end, converted as a file, gives the same report.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "cli/run_sequence.h"
#include "decoder/decode_loop.h"
#include "recover/recover_entry.h"
#include "settings.h"
#include "sink/block_sink.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

namespace {

/// The most sample bytes one feed takes (the worker cuts larger pieces).
constexpr uint32_t kLivePieceBytes = 256 * 1024;
constexpr uint32_t kWavHeaderBytes = 44;

/// One Listen from start to Stop: the header it was given, the sink, and the
/// state of the decoder chosen.
struct LiveSession {
    WavHeader header;
    ConverterSettings settings;
    BlockSink sink;
    bool recover = false;
    std::unique_ptr<DecoderState> decoder;
    std::unique_ptr<RecoverState> recovering;
    uint8_t piece[kLivePieceBytes];
};

void put_le(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

/// The header the saved capture carries: 16-bit PCM, one channel.
void capture_header(uint32_t rate, uint32_t data_bytes, uint8_t* h) {
    const uint8_t tags[] = "RIFF....WAVEfmt ....................data";
    for (int i = 0; i < 40; ++i) h[i] = tags[i];
    put_le(h + 4, 36 + data_bytes, 4);
    put_le(h + 16, 16, 4);
    put_le(h + 20, 1, 2);
    put_le(h + 22, 1, 2);
    put_le(h + 24, rate, 4);
    put_le(h + 28, rate * 2, 4);
    put_le(h + 32, 2, 2);
    put_le(h + 34, 16, 2);
    put_le(h + 40, data_bytes, 4);
}

/// Reads the capture's header as a file's would be read, report included,
/// so the frame layout is the one the file conversion decides.
bool read_capture_header(uint32_t rate, uint32_t data_bytes, WavHeader* header) {
    uint8_t bytes[kWavHeaderBytes];
    capture_header(rate, data_bytes, bytes);
    FILE* file = fmemopen(bytes, sizeof bytes, "rb");
    if (file == nullptr) return false;
    auto in = std::make_unique_for_overwrite<InputStream>();
    input_open(in.get(), file);
    const bool ok = read_header(in.get(), 0, header) == HeaderStatus::kOk;
    std::fclose(file);
    return ok;
}

void flush_console() {
    std::fflush(stdout);
    std::fflush(stderr);
}

}  // namespace

extern "C" {

/// Prints the header report of a capture of `data_bytes` at `rate`, as the
/// conversion of the saved capture prints it first.
void vorlane_live_header_report(uint32_t rate, uint32_t data_bytes) {
    WavHeader header;
    read_capture_header(rate, data_bytes, &header);
    flush_console();
}

/// Starts a Listen at `rate` with --recover's decoder or the default one; the
/// images go to the current folder. Its console output (the header report)
/// is not part of the run's. Null when the rate cannot be decoded.
LiveSession* vorlane_live_begin(uint32_t rate, int recover) {
    // The runtime starts with a umask of 0777 (see main()): an image's
    // temporary file would get mode 000 and could not be renamed or read.
    umask(022);
    auto session = std::make_unique<LiveSession>();
    LiveSession* s = session.get();
    if (!read_capture_header(rate, 0, &s->header)) return nullptr;
    s->recover = recover != 0;
    s->settings.recover = s->recover;
    sink_start(&s->sink, false);
    if (s->recover) {
        s->recovering = std::make_unique_for_overwrite<RecoverState>();
        recover_begin(s->recovering.get(), recover_input(s->header, kWavHeaderBytes, 0, &s->sink));
    } else {
        s->decoder = std::make_unique_for_overwrite<DecoderState>();
        decoder_begin(s->decoder.get(), s->header, kWavHeaderBytes, s->settings, &s->sink, nullptr);
    }
    flush_console();
    return session.release();
}

/// Where the worker puts the next piece's bytes, and how many fit.
uint8_t* vorlane_live_piece(LiveSession* s) {
    return s->piece;
}
uint32_t vorlane_live_piece_bytes() {
    return kLivePieceBytes;
}

/// Decodes the `n` bytes put in the piece buffer.
void vorlane_live_feed(LiveSession* s, uint32_t n) {
    if (n > kLivePieceBytes) n = kLivePieceBytes;
    if (s->recover)
        recover_feed(s->recovering.get(), s->piece, n);
    else
        decoder_feed(s->decoder.get(), s->piece, n);
    flush_console();
}

/// Stop: the end of the samples, the count, the exit code; the session is gone.
int vorlane_live_end(LiveSession* s) {
    if (s->recover)
        recover_end(s->recovering.get());
    else
        decoder_end(s->decoder.get());
    sink_finish(&s->sink);
    const int code = sink_failed(s->sink) ? kExitUsageOrIo : kExitSuccess;
    delete s;
    flush_console();
    return code;
}

}  // extern "C"
