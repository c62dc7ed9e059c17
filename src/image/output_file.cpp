#include "image/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

/// A name that is anything but a plain file is written through, not renamed over.
bool written_in_place(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

/// The temporary file "PATH.XXXXXX", made the way an image's is.
FILE* open_temp(OutputFile* o) {
    char pattern[kOutputTempBytes];
    const int n = std::snprintf(pattern, sizeof pattern, "%s.XXXXXX", o->path);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof pattern) return nullptr;
    return open_temp_beside(nullptr, pattern, o->temp, sizeof o->temp);
}

}  // namespace

bool output_file_open(OutputFile* o, const char* path, const ProtectedFiles& protected_files) {
    o->path = path;
    o->file = nullptr;
    // Replacing the recording or the raw output would lose it.
    if (!names_protected_file(path, protected_files)) {
        o->in_place = written_in_place(path);
        o->file = o->in_place ? std::fopen(path, "w") : open_temp(o);
    }
    if (o->file == nullptr) std::fprintf(stderr, "Error writing %s.\n", path);
    return o->file != nullptr;
}

bool output_file_close(OutputFile* o) {
    if (o->file == nullptr) return false;
    bool ok = std::ferror(o->file) == 0;
    ok = std::fclose(o->file) == 0 && ok;
    o->file = nullptr;
    if (!o->in_place) {
        if (ok) ok = std::rename(o->temp, o->path) == 0;
        if (!ok) unlink(o->temp);
    }
    if (!ok) std::fprintf(stderr, "Error writing %s.\n", o->path);
    return ok;
}
