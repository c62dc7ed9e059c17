// A dropped file's way into the core: the page's worker reads the file in
// slices, the next one coming while the last one decodes, and hands each
// over here. The command line, the header and everything but the decoding
// of the samples go as in main(), so the report and images are the same.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "cli/fed_run.h"

namespace {

/// The most bytes one feed takes (the worker cuts its slices to fit).
constexpr uint32_t kFilePieceBytes = 4 * 1024 * 1024;

/// One file's run: the core's run waiting for the samples (null once it is
/// over), its exit code then, and the buffer the worker fills.
struct FileSession {
    FedRun* run = nullptr;
    int code = 0;
    uint8_t piece[kFilePieceBytes];
};

}  // namespace

extern "C" {

/// Runs the command line up to the decoding of the samples; the file named
/// by -i is open on the worker's file system for the header. The session is
/// returned either way: vorlane_file_waiting() tells whether it wants bytes.
FileSession* vorlane_file_open(int argc, char* argv[]) {
    // The runtime starts with a umask of 0777 (see main()).
    umask(022);
    auto session = std::make_unique_for_overwrite<FileSession>();
    session->run = fed_run_open(argc, argv, &session->code);
    std::fflush(stdout);
    return session.release();
}

int vorlane_file_waiting(const FileSession* s) {
    return s->run != nullptr ? 1 : 0;
}

/// The file offset of the next byte wanted (a double: JavaScript's number).
double vorlane_file_offset(const FileSession* s) {
    return static_cast<double>(fed_run_offset(s->run));
}

/// Where the worker puts the next bytes, and how many fit.
uint8_t* vorlane_file_piece(FileSession* s) {
    return s->piece;
}
uint32_t vorlane_file_piece_bytes() {
    return kFilePieceBytes;
}

/// Decodes the `n` bytes put in the piece buffer.
void vorlane_file_feed(FileSession* s, uint32_t n) {
    fed_run_feed(s->run, s->piece, n < kFilePieceBytes ? n : kFilePieceBytes);
}

/// The end of the file (or of a run that ended early): the exit code; the
/// session is gone.
int vorlane_file_close(FileSession* s) {
    const std::unique_ptr<FileSession> owner(s);
    if (s->run != nullptr) s->code = fed_run_close(s->run);
    std::fflush(stdout);
    return s->code;
}

}  // extern "C"
