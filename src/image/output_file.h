#pragma once

// A file the user names for the run's record or picture. It is written into
// a temporary file beside the name and renamed over it once complete, so the
// name never holds half a file. A name that is a link, a device or a pipe is
// written in place instead: a rename would replace the link itself, and as
// root it would turn /dev/stdout or /dev/fd/N into a plain file.

#include <cstddef>
#include <cstdio>

#include "image/image_writer.h"

/// Room for the temporary file's name.
constexpr size_t kOutputTempBytes = 4096;

struct OutputFile {
    const char* path = nullptr;
    FILE* file = nullptr;  ///< open while the run writes
    bool in_place = false;
    char temp[kOutputTempBytes] = {};
};

/// Opens the file for `path`; false, with "Error writing PATH." on standard
/// error, when it cannot be made or PATH names a protected file.
bool output_file_open(OutputFile* o, const char* path, const ProtectedFiles& protected_files);

/// Closes the file and renames it to its name. False, with "Error writing
/// PATH." on standard error, when a write, the close or the rename failed;
/// the temporary file is removed then.
bool output_file_close(OutputFile* o);
