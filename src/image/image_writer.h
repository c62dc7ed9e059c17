#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>

#include "tape/tape_block.h"

/// Room for "<time>_<name>.htp".
constexpr size_t kImageFileNameBytes = 272;

/// Builds the image file name "<start time>_<name>.htp". Path separators in the
/// tape's name become '_', so the file always lands in the images' folder.
void image_file_name(const TapeBlock& block, char* name, size_t name_bytes);

/// Room for an image's path inside the output folder.
constexpr size_t kImagePathBytes = 4096 + kImageFileNameBytes;

/// The path of file `name` in `folder` (null: the current directory); false
/// when it does not fit.
bool image_path(const char* folder, const char* name, char* path, size_t path_bytes);

/// Files open for the whole run that an image must never replace, whatever
/// the tape's name says: the recording being read, its takes and the raw output.
constexpr int kMaxProtectedFiles = 10;
struct ProtectedFiles {
    int count = 0;
    dev_t devices[kMaxProtectedFiles] = {};
    ino_t inodes[kMaxProtectedFiles] = {};
};

/// Adds the file behind an open stream (null is ignored).
void protect_file(ProtectedFiles* files, FILE* stream);

/// Gives a file made by mkstemp (private to its owner) the permissions any
/// new file gets under the process's umask.
void give_new_file_permissions(int fd);

/// True when `name` is one of the protected files (through any link).
bool names_protected_file(const char* name, const ProtectedFiles& files);

/// One block as an image holds it: `leader_bytes` zeros, the sync byte, the
/// name with its zero, address and length as received, the data, the
/// checksum byte and `marker`. False when a write failed.
bool write_block_bytes(const TapeBlock& block, unsigned leader_bytes, uint8_t marker, FILE* f);

/// Makes and opens a temporary file named after `pattern` (ending in
/// XXXXXX) in `folder` (null: the current directory), with the permissions
/// of a new file, its path in `temp`; null when it cannot be made. Outputs
/// are written there and renamed, so their names never hold half a file.
FILE* open_temp_beside(const char* folder, const char* pattern, char* temp, size_t temp_bytes);

/// Writes one HTP image of a block whose checksum matched, in `folder` (null:
/// the current directory), under a temporary name renamed at the end, and
/// reports it. On any failure it says so, removes what it wrote and returns false.
bool write_image(const TapeBlock& block, const char* folder, const ProtectedFiles& protected_files);
