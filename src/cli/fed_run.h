#pragma once

// The program's run with the recording's samples handed over by the caller
// in pieces: the page reads a dropped file this way, the next piece coming
// while the last one is decoded. The same report, images and exit code as
// the run that reads the file itself.

#include <cstddef>
#include <cstdint>

struct FedRun;

/// Runs the command line as far as the decoding (options, outputs, header).
/// Returns the run waiting for the samples, or null when it is already over
/// (an option that ends it, a refused file, --analyze or --take which read
/// their files themselves) with its exit code in `*code`.
FedRun* fed_run_open(int argc, char* argv[], int* code);

/// The file offset of the first byte the run wants next.
uint64_t fed_run_offset(const FedRun* run);

/// The next `n` bytes of the file from that offset on, cut anywhere.
void fed_run_feed(FedRun* run, const uint8_t* bytes, size_t n);

/// The end of the file: the last blocks, the summary, the outputs closed.
/// Returns the exit code; the run is gone.
int fed_run_close(FedRun* run);
