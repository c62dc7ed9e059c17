#pragma once

// --output-dir DIR: the folder images and chains are written into, made with
// its parents when missing, checked before anything is decoded.

#include <cstddef>

/// Room for the folder's path and the zero ending it: a path this long is refused.
constexpr size_t kFolderPathBytes = 4096;

/// Makes `path` and any missing parents (permissions as the umask allows).
/// False, after one line on standard error saying why, when it cannot be
/// made or is not a directory.
bool make_output_folder(const char* path);
