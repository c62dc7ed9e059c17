#include "wav_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "synth_message.h"

namespace {

constexpr mode_t kNewFileMode = 0666;

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

}  // namespace

int wav_writer_open(WavWriter* w, const char* out_path, const WavLayout& layout, int signal_channel,
                    char* message, size_t message_bytes) {
    w->fd = -1;
    w->out_path = out_path;
    w->layout = layout;
    w->signal_channel = signal_channel;
    w->frame_bytes = wav_frame_bytes(layout);
    w->header_bytes = wav_header_bytes(layout);
    sample_encode(w->baseline, layout, 0);
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
    std::memset(w->buffer, 0, w->header_bytes);
    w->fill = w->header_bytes;
    return kSynthOk;
}

void wav_writer_put(WavWriter* w, const double* samples, size_t count) {
    if (wav_writer_failed(*w) || count == 0) return;
    const size_t width = w->frame_bytes / static_cast<size_t>(w->layout.channels);
    for (size_t i = 0; i < count; ++i) {
        if (w->fill + w->frame_bytes > sizeof w->buffer) flush(w);
        for (int c = 1; c <= w->layout.channels; ++c) {
            if (w->signal_channel == 0 || c == w->signal_channel) {
                sample_encode(w->buffer + w->fill, w->layout, samples[i]);
            } else {
                std::memcpy(w->buffer + w->fill, w->baseline, width);
            }
            w->fill += width;
        }
    }
    std::memcpy(w->last_frame, w->buffer + w->fill - w->frame_bytes, w->frame_bytes);
    w->data_bytes += count * w->frame_bytes;
    if (w->data_bytes > wav_max_data_bytes(w->layout)) w->too_long = true;
}

int wav_writer_finish(WavWriter* w, char* message, size_t message_bytes) {
    if (w->data_bytes % 2 != 0) {
        if (w->fill + w->frame_bytes > sizeof w->buffer) flush(w);
        std::memcpy(w->buffer + w->fill, w->last_frame, w->frame_bytes);
        w->fill += w->frame_bytes;
        w->data_bytes += w->frame_bytes;
    }
    flush(w);
    uint8_t header[kMaxWavHeaderBytes];
    wav_header_build(header, w->layout, w->too_long ? 0 : w->data_bytes);
    const ssize_t header_bytes = static_cast<ssize_t>(w->header_bytes);
    if (w->error_number == 0 && !w->too_long &&
        pwrite(w->fd, header, w->header_bytes, 0) != header_bytes) {
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
