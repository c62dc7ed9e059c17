#pragma once

#include <cstddef>
#include <cstdint>

#include "sample_encoder.h"
#include "wav_header.h"

constexpr size_t kWavPathBytes = 4096;
constexpr size_t kWavBufferBytes = 32768;
/// Widest frame: two channels of 64-bit floats.
constexpr size_t kMaxFrameBytes = 2 * kMaxSampleBytes;

/// A recording being written to a temporary file next to its final name.
struct WavWriter {
    int fd = -1;                         ///< the temporary file, -1 when none is open
    char temp_path[kWavPathBytes];       ///< "<out>.tmp-XXXXXX"
    const char* out_path = nullptr;      ///< final name, given when the file is complete
    bool in_place = false;               ///< a link or device: written through, never renamed over
    WavLayout layout;                    ///< format and optional chunks
    int signal_channel = 0;              ///< 1 or 2: the other channel stays at the baseline
    size_t frame_bytes = 1;              ///< one sample on every channel
    size_t header_bytes = 0;             ///< room left for the header, written at the end
    uint64_t data_bytes = 0;             ///< payload written so far
    size_t fill = 0;                     ///< bytes waiting in buffer
    int error_number = 0;                ///< errno of the first failed call, 0 while all is well
    bool too_long = false;               ///< the payload outgrew the header's size fields
    uint8_t baseline[kMaxSampleBytes];   ///< a silent sample in the layout's format
    uint8_t last_frame[kMaxFrameBytes];  ///< last frame queued, repeated to pad
    uint8_t buffer[kWavBufferBytes];     ///< output waiting to be written
};

/// Creates the temporary file and leaves room for the header. Returns kSynthOk or
/// kSynthUsageOrIo with a message.
int wav_writer_open(WavWriter* w, const char* out_path, const WavLayout& layout, int signal_channel,
                    char* message, size_t message_bytes);

/// Encodes samples (fractions of full scale, clamped) and queues them for every
/// channel. A failure is remembered and reported by wav_writer_finish.
void wav_writer_put(WavWriter* w, const double* samples, size_t count);

/// True once a write failed or the payload grew too large; the caller may stop early.
inline bool wav_writer_failed(const WavWriter& w) {
    return w.error_number != 0 || w.too_long;
}

/// Pads an odd payload with a copy of its last frame (a RIFF chunk has an even
/// size, and a pad byte would be read as a sample), writes the header, closes the
/// file and gives it its final name. On any failure the temporary file is removed
/// and kSynthUsageOrIo returned with a message.
int wav_writer_finish(WavWriter* w, char* message, size_t message_bytes);
