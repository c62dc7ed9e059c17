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

/// Opens the named file itself, a link or a device; the header comes last, so
/// it must be one a write can seek in. -1, with errno set, when it is not.
int open_in_place(const char* path) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, kNewFileMode);
    if (fd < 0 || lseek(fd, 0, SEEK_CUR) >= 0) return fd;
    close(fd);
    errno = ESPIPE;
    return -1;
}

/// Makes the temporary file beside the name, with the usual permissions.
int open_temp(WavWriter* w, char* message, size_t message_bytes) {
    const int n = std::snprintf(w->temp_path, sizeof w->temp_path, "%s.tmp-XXXXXX", w->out_path);
    if (n < 0 || static_cast<size_t>(n) >= sizeof w->temp_path) {
        synth_message(message, message_bytes, "%s: path too long", w->out_path);
        return kSynthUsageOrIo;
    }
    w->fd = mkstemp(w->temp_path);
    if (w->fd < 0) {
        synth_message(message, message_bytes, "cannot create a file next to %s: %s", w->out_path,
                      std::strerror(errno));
        return kSynthUsageOrIo;
    }
    // mkstemp makes the file private; give the recording the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(w->fd, kNewFileMode & ~mask) != 0) w->error_number = errno;
    return kSynthOk;
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
    // A rename would replace a link (as root, /dev/stdout itself) rather than write through it.
    struct stat st;
    w->in_place = lstat(out_path, &st) == 0 && !S_ISREG(st.st_mode);
    if (w->in_place) {
        w->fd = open_in_place(out_path);
        if (w->fd < 0) {
            synth_message(message, message_bytes, "cannot write %s: %s", out_path,
                          std::strerror(errno));
            return kSynthUsageOrIo;
        }
    } else if (const int status = open_temp(w, message, message_bytes); status != kSynthOk) {
        return status;
    }
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
    if (w->error_number == 0 && !w->too_long && !w->in_place &&
        rename(w->temp_path, w->out_path) != 0) {
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
    if (!w->in_place) unlink(w->temp_path);
    return kSynthUsageOrIo;
}
