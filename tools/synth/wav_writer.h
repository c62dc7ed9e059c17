#pragma once

#include <cstddef>
#include <cstdint>

/// Size of the canonical header: "RIFF", "WAVE", a 16-byte "fmt " chunk at byte 12
/// and "data" at byte 36.
constexpr size_t kWavHeaderBytes = 44;
/// Largest payload whose sizes still fit the header's 32-bit fields.
constexpr uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - (kWavHeaderBytes - 8);
constexpr size_t kWavPathBytes = 4096;
constexpr size_t kWavBufferBytes = 32768;

/// A recording being written to a temporary file next to its final name.
struct WavWriter {
    int fd = -1;                      ///< the temporary file, -1 when none is open
    char temp_path[kWavPathBytes];    ///< "<out>.tmp-XXXXXX"
    const char* out_path = nullptr;   ///< final name, given when the file is complete
    uint32_t sample_rate = 0;         ///< Hz
    int bits_per_sample = 8;          ///< 8 or 16
    int channels = 1;                 ///< every sample is repeated on each channel
    uint64_t data_bytes = 0;          ///< payload written so far
    size_t fill = 0;                  ///< bytes waiting in buffer
    int error_number = 0;             ///< errno of the first failed call, 0 while all is well
    bool too_long = false;            ///< the payload outgrew the header's size fields
    uint8_t last_byte = 0x80;         ///< last 8-bit sample queued, repeated to pad
    uint8_t buffer[kWavBufferBytes];  ///< output waiting to be written
};

/// The 44 header bytes for the given format and payload size.
void wav_header_build(uint8_t out[kWavHeaderBytes], uint32_t sample_rate, int bits_per_sample,
                      int channels, uint32_t data_bytes);

/// Creates the temporary file and leaves room for the header. Returns kSynthOk or
/// kSynthUsageOrIo with a message.
int wav_writer_open(WavWriter* w, const char* out_path, uint32_t sample_rate, int bits_per_sample,
                    int channels, char* message, size_t message_bytes);

/// Quantises samples (fractions of full scale, clamped) and queues them for every
/// channel. A failure is remembered and reported by wav_writer_finish.
void wav_writer_put(WavWriter* w, const double* samples, size_t count);

/// True once a write failed or the payload grew too large; the caller may stop early.
inline bool wav_writer_failed(const WavWriter& w) {
    return w.error_number != 0 || w.too_long;
}

/// Pads an odd 8-bit payload with a copy of its last sample (a RIFF chunk has an
/// even size, and a pad byte would be read as a sample), writes the header, closes the file and
/// gives it its final name. On any failure the temporary file is removed and kSynthUsageOrIo
/// returned with a message.
int wav_writer_finish(WavWriter* w, char* message, size_t message_bytes);

/// Closes and removes the temporary file; the output is left as it was.
void wav_writer_abandon(WavWriter* w);
