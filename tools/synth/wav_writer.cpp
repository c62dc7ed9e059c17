#include "wav_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "synth_message.h"

namespace {

constexpr uint32_t kFmtChunkBytes = 16;
constexpr uint16_t kFormatPcm = 1;
constexpr double kMax8 = 127;
constexpr double kMax16 = 32767;
constexpr int kBaseline8 = 128;
constexpr mode_t kNewFileMode = 0666;

void put_le16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put_le32(uint8_t* p, uint32_t v) {
    put_le16(p, v);
    put_le16(p + 2, v >> 16);
}

/// Writes all of bytes at the file position, retrying short writes.
bool write_all(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

void flush(WavWriter* w) {
    if (w->error_number == 0 && !write_all(w->fd, w->buffer, w->fill)) w->error_number = errno;
    w->fill = 0;
}

/// Round to nearest (ties to even, symmetric, so an inverted signal is the exact
/// negation) and clamp to [-limit - 1, limit].
long quantise(double v, double limit) {
    const double scaled = std::fmax(-limit - 1, std::fmin(limit, v * limit));
    return std::lrint(scaled);
}

}  // namespace

void wav_header_build(uint8_t out[kWavHeaderBytes], uint32_t sample_rate, int bits_per_sample,
                      int channels, uint32_t data_bytes) {
    const uint32_t block_align = static_cast<uint32_t>(channels * bits_per_sample / 8);
    std::memcpy(out, "RIFF", 4);
    put_le32(out + 4, static_cast<uint32_t>(kWavHeaderBytes - 8) + data_bytes);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    put_le32(out + 16, kFmtChunkBytes);
    put_le16(out + 20, kFormatPcm);
    put_le16(out + 22, static_cast<uint32_t>(channels));
    put_le32(out + 24, sample_rate);
    put_le32(out + 28, sample_rate * block_align);
    put_le16(out + 32, block_align);
    put_le16(out + 34, static_cast<uint32_t>(bits_per_sample));
    std::memcpy(out + 36, "data", 4);
    put_le32(out + 40, data_bytes);
}

int wav_writer_open(WavWriter* w, const char* out_path, uint32_t sample_rate, int bits_per_sample,
                    int channels, char* message, size_t message_bytes) {
    w->fd = -1;
    w->out_path = out_path;
    w->sample_rate = sample_rate;
    w->bits_per_sample = bits_per_sample;
    w->channels = channels;
    w->data_bytes = 0;
    w->fill = 0;
    w->error_number = 0;
    w->too_long = false;
    const int n = std::snprintf(w->temp_path, sizeof w->temp_path, "%s.tmp-XXXXXX", out_path);
    if (n < 0 || static_cast<size_t>(n) >= sizeof w->temp_path) {
        synth_message(message, message_bytes, "%s: path too long", out_path);
        return kSynthUsageOrIo;
    }
    w->fd = mkstemp(w->temp_path);
    if (w->fd < 0) {
        synth_message(message, message_bytes, "cannot create a file next to %s: %s", out_path,
                      std::strerror(errno));
        return kSynthUsageOrIo;
    }
    // mkstemp makes the file private; give the recording the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(w->fd, kNewFileMode & ~mask) != 0) w->error_number = errno;
    // Room for the header, which is written once the sizes are known.
    std::memset(w->buffer, 0, kWavHeaderBytes);
    w->fill = kWavHeaderBytes;
    return kSynthOk;
}

void wav_writer_put(WavWriter* w, const double* samples, size_t count) {
    if (wav_writer_failed(*w)) return;
    const size_t frame_bytes = static_cast<size_t>(w->channels * w->bits_per_sample / 8);
    for (size_t i = 0; i < count; ++i) {
        if (w->fill + frame_bytes > sizeof w->buffer) flush(w);
        for (int c = 0; c < w->channels; ++c) {
            if (w->bits_per_sample == 8) {
                w->last_byte = static_cast<uint8_t>(kBaseline8 + quantise(samples[i], kMax8));
                w->buffer[w->fill++] = w->last_byte;
            } else {
                put_le16(w->buffer + w->fill, static_cast<uint32_t>(quantise(samples[i], kMax16)));
                w->fill += 2;
            }
        }
    }
    w->data_bytes += count * frame_bytes;
    if (w->data_bytes > kMaxWavDataBytes) w->too_long = true;
}

int wav_writer_finish(WavWriter* w, char* message, size_t message_bytes) {
    if (w->data_bytes % 2 != 0) {
        if (w->fill == sizeof w->buffer) flush(w);
        w->buffer[w->fill++] = w->last_byte;
        ++w->data_bytes;
    }
    flush(w);
    uint8_t header[kWavHeaderBytes];
    const uint32_t data_bytes = w->too_long ? 0 : static_cast<uint32_t>(w->data_bytes);
    wav_header_build(header, w->sample_rate, w->bits_per_sample, w->channels, data_bytes);
    if (w->error_number == 0 && !w->too_long &&
        pwrite(w->fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) {
        w->error_number = errno;
    }
    if (close(w->fd) != 0 && w->error_number == 0) w->error_number = errno;
    w->fd = -1;
    if (w->error_number == 0 && !w->too_long && rename(w->temp_path, w->out_path) != 0) {
        w->error_number = errno;
    }
    if (w->error_number == 0 && !w->too_long) return kSynthOk;
    if (w->too_long) {
        synth_message(message, message_bytes, "%s: recording larger than a WAV file can hold",
                      w->out_path);
    } else {
        synth_message(message, message_bytes, "cannot write %s: %s", w->out_path,
                      std::strerror(w->error_number));
    }
    unlink(w->temp_path);
    return kSynthUsageOrIo;
}

void wav_writer_abandon(WavWriter* w) {
    if (w->fd < 0) return;
    close(w->fd);
    w->fd = -1;
    unlink(w->temp_path);
}
