#pragma once

// Sample data arriving in pieces of any size (a live capture, a file read in
// chunks) as runs of whole frames: a run straight from the piece, or the one
// frame completed from bytes held back from earlier pieces. The decoders see
// the same frames however the data was cut.

#include <cstddef>
#include <cstdint>
#include <memory>

/// A run of whole frames.
struct FrameRun {
    const uint8_t* bytes = nullptr;  ///< first byte of the first frame
    size_t frames = 0;
};

struct FrameCarry {
    std::unique_ptr<uint8_t[]> held;  ///< the start of a frame cut by the end of a piece
    unsigned frame_bytes = 1;         ///< bytes per frame, 1 or more
    unsigned held_bytes = 0;          ///< bytes of `held` in use, below frame_bytes
};

/// Starts with nothing held; the buffer is taken once, here.
void frame_carry_start(FrameCarry* c, unsigned frame_bytes);

/// Takes the next run of whole frames from the piece at *bytes with *left
/// bytes remaining, and moves past it. Returns false once the rest of the
/// piece (less than a frame) is held back for the next piece.
bool frame_carry_next(FrameCarry* c, const uint8_t** bytes, size_t* left, FrameRun* run);
