#include "cli/output_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr mode_t kFolderMode = 0777;

/// mkdir that accepts a folder already there.
bool make_one(const char* path) {
    struct stat st;
    if (mkdir(path, kFolderMode) == 0) return true;
    if (errno != EEXIST) return false;
    if (stat(path, &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
}

}  // namespace

bool make_output_folder(const char* path) {
    char folder[kFolderPathBytes];
    const size_t length = std::strlen(path);
    bool ok = length > 0 && length < sizeof folder;
    if (!ok) errno = length == 0 ? ENOENT : ENAMETOOLONG;
    if (ok) std::memcpy(folder, path, length + 1);
    // Each parent in turn, then the folder itself.
    for (size_t i = 1; ok && i < length; ++i) {
        if (folder[i] != '/' || folder[i - 1] == '/') continue;
        folder[i] = '\0';
        ok = make_one(folder);
        folder[i] = '/';
    }
    if (ok) ok = make_one(folder);
    if (!ok) {
        std::fprintf(stderr, "Cannot use %s as the output folder: %s.\n", path,
                     std::strerror(errno));
    }
    return ok;
}
