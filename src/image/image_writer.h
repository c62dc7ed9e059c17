#pragma once

#include <cstddef>

#include "decoder/tape_block.h"

/// Room for "<time>_<name>.htp".
constexpr size_t kImageFileNameBytes = 272;

/// Builds the image file name "<start time>_<name>.htp". Path separators in the
/// tape's name become '_', so the file always lands in the current directory.
void image_file_name(const TapeBlock& block, char* name, size_t name_bytes);

/// Writes one HTP image of a block whose checksum matched, in the current
/// directory, and reports it. On any failure it says so, removes what it
/// wrote and returns false.
bool write_image(const TapeBlock& block);
