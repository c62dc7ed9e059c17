#include "decoder/raw_output.h"

void raw_output_open(RawOutput* out, FILE* file) {
    out->file = file;
    out->used = 0;
    out->failed = false;
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
