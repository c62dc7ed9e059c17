#pragma once

// --plot: the analysis as one self-contained SVG picture (no scripts, no
// external files): the pulse-length histogram on a log scale with the
// nominal periods and the threshold marked, and the recording's envelope
// with a band per block coloured by its verdict and labelled with its name.

#include <cstdio>

#include "analyze/analyze_run.h"
#include "image/image_writer.h"

/// Writes text with the XML special characters escaped; bytes that are not
/// printable ASCII become '?', so the file stays valid UTF-8 and XML.
void svg_write_text(FILE* f, const char* text);

/// Writes the picture through a temporary file next to `path`, renamed when
/// complete (a link, device or pipe is written in place). False, with "Error writing PATH." on
/// standard error, when it cannot be written or would replace a protected file.
bool write_svg_plot(const Analysis& a, const char* path, const ProtectedFiles& protected_files);
