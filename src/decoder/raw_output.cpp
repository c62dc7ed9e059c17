#include "decoder/raw_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FILE* open_unless_input(const char* path, FILE* input) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat out_st;
    struct stat in_st;
    const bool same_file = fstat(fd, &out_st) == 0 && fstat(fileno(input), &in_st) == 0 &&
                           out_st.st_dev == in_st.st_dev && out_st.st_ino == in_st.st_ino;
    // Only regular files are truncated, so a device such as /dev/full works.
    if (same_file || (S_ISREG(out_st.st_mode) && ftruncate(fd, 0) != 0)) {
        close(fd);
        return nullptr;
    }
    FILE* out = fdopen(fd, "wb");
    if (out == nullptr) close(fd);
    return out;
}

}  // namespace

void raw_output_open(RawOutput* out, const char* path, FILE* input) {
    out->file = open_unless_input(path, input);
    out->used = 0;
    out->failed = false;
    if (out->file == nullptr) std::fprintf(stderr, "Error opening %s.\n", path);
}

void raw_output_flush(RawOutput* out) {
    if (out->used > 0 && !out->failed &&
        std::fwrite(out->buffer, 1, out->used, out->file) != out->used) {
        out->failed = true;
    }
    out->used = 0;
}

bool raw_output_close(RawOutput* out) {
    if (out->file == nullptr) return true;
    raw_output_flush(out);
    if (std::fclose(out->file) != 0) out->failed = true;
    out->file = nullptr;
    return !out->failed;
}
