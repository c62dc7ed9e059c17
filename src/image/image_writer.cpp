#include "image/image_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

bool write_block_bytes(const TapeBlock& b, unsigned leader_bytes, uint8_t marker, FILE* f) {
    static constexpr uint8_t kLeader[kImageLeaderBytes] = {};
    const size_t length = block_data_length(b);
    // The checksum byte is stored right behind the data.
    const uint8_t trailer[2] = {b.data[length], marker};
    return std::fwrite(kLeader, 1, leader_bytes, f) == leader_bytes &&
           std::fputc(kSyncByte, f) != EOF &&
           std::fwrite(b.name, 1, b.name_length, f) == b.name_length &&
           std::fwrite(b.header, 1, kBlockHeaderBytes, f) == kBlockHeaderBytes &&
           std::fwrite(b.data, 1, length, f) == length &&
           std::fwrite(trailer, 1, sizeof trailer, f) == sizeof trailer;
}

void image_file_name(const TapeBlock& b, char* name, size_t name_bytes) {
    char safe_name[kMaxNameBytes];
    size_t i = 0;
    for (; i + 1 < sizeof safe_name && b.name[i] != 0; ++i) {
        const char c = static_cast<char>(b.name[i]);
        safe_name[i] = (c == '/' || c == '\\') ? '_' : c;
    }
    safe_name[i] = '\0';
    std::snprintf(name, name_bytes, "%s_%s.htp", b.start_time, safe_name);
}

void protect_file(ProtectedFiles* files, FILE* stream) {
    struct stat st;
    if (stream == nullptr || files->count == kMaxProtectedFiles || fstat(fileno(stream), &st) != 0)
        return;
    files->devices[files->count] = st.st_dev;
    files->inodes[files->count] = st.st_ino;
    ++files->count;
}

void give_new_file_permissions(int fd) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

bool names_protected_file(const char* name, const ProtectedFiles& files) {
    struct stat st;
    if (stat(name, &st) != 0) return false;
    for (int i = 0; i < files.count; ++i) {
        if (st.st_dev == files.devices[i] && st.st_ino == files.inodes[i]) return true;
    }
    return false;
}

bool image_path(const char* folder, const char* name, char* path, size_t path_bytes) {
    const int n = folder == nullptr ? std::snprintf(path, path_bytes, "%s", name)
                                    : std::snprintf(path, path_bytes, "%s/%s", folder, name);
    return n > 0 && static_cast<size_t>(n) < path_bytes;
}

FILE* open_temp_beside(const char* folder, const char* pattern, char* temp, size_t temp_bytes) {
    const int fd = image_path(folder, pattern, temp, temp_bytes) ? mkstemp(temp) : -1;
    if (fd < 0) return nullptr;
    give_new_file_permissions(fd);
    FILE* f = fdopen(fd, "wb");
    if (f == nullptr) {
        close(fd);
        unlink(temp);
    }
    return f;
}

namespace {

/// Writes the image's bytes to `f` and closes it; false when either failed.
bool write_and_close(const TapeBlock& block, FILE* f) {
    const bool written = write_block_bytes(block, kImageLeaderBytes, kEndMarker, f);
    return std::fclose(f) == 0 && written;
}

/// The image written in place: over a device or pipe (or a link to one),
/// which a rename would only replace, and where no temporary file can be
/// made but the name itself may be written.
bool write_in_place(const TapeBlock& block, const char* name) {
    FILE* f = std::fopen(name, "wb");
    if (f == nullptr) return false;
    if (write_and_close(block, f)) return true;
    unlink(name);
    return false;
}

/// The image written to a temporary file beside `name`, then renamed to it.
/// False, with nothing left behind, when that failed; `in_place` is set
/// when no temporary file could be made.
bool write_by_rename(const TapeBlock& block, const char* folder, const char* name, bool* in_place) {
    char temp[kImagePathBytes];
    FILE* f = open_temp_beside(folder, ".vorlane-image-XXXXXX", temp, sizeof temp);
    *in_place = f == nullptr;
    if (f == nullptr) return false;
    if (write_and_close(block, f) && std::rename(temp, name) == 0) return true;
    unlink(temp);
    return false;
}

/// Writes the image to `name`, a file the run may replace.
bool write_named(const TapeBlock& block, const char* folder, const char* name) {
    struct stat st;
    if (stat(name, &st) == 0) {
        if (!S_ISREG(st.st_mode)) return write_in_place(block, name);
        // A file the run may not write stays as it is.
        if (access(name, W_OK) != 0) return false;
    }
    bool in_place = false;
    if (write_by_rename(block, folder, name, &in_place)) return true;
    return in_place && write_in_place(block, name);
}

}  // namespace

bool write_image(const TapeBlock& block, const char* folder,
                 const ProtectedFiles& protected_files) {
    char file_name[kImageFileNameBytes];
    image_file_name(block, file_name, sizeof file_name);
    char name[kImagePathBytes];
    if (!image_path(folder, file_name, name, sizeof name)) {
        std::fprintf(stderr, "Error writing %s.\n", file_name);
        return false;
    }
    // Replacing the recording or the raw output would lose what the run
    // still reads or has written.
    if (names_protected_file(name, protected_files) || !write_named(block, folder, name)) {
        std::fprintf(stderr, "Error writing %s.\n", name);
        return false;
    }
    std::fprintf(stderr, "  File written: %s\n\n", name);
    return true;
}
