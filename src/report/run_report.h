#pragma once

// --report FILE: a JSON record of the run, for an archivist's scripts. It is
// written as the run goes into a temporary file next to FILE and renamed at
// the end (a link, device or pipe is written in place), also when the run ends with an error after
// the options were read, so a failed run still leaves a record saying so. The caller writes the
// sections in order: the start, the header, the blocks and the analysis
// (through `json`), then the summary.

#include <cstdio>

#include "image/output_file.h"
#include "report/json_writer.h"
#include "settings.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

struct RunReport {
    const char* path = nullptr;  ///< null: no record asked for
    OutputFile output;           ///< its stream is open while the run writes
    JsonWriter json;
};

/// Opens the temporary file; false, with "Error writing PATH." on standard
/// error, when it cannot be made or PATH names a protected file.
bool run_report_open(RunReport* r, const char* path, const ProtectedFiles& protected_files);

/// The program, its version, the input's path, the mode and the options in effect.
void run_report_start(RunReport* r, const char* version, const ConverterSettings& s);

/// The WAV header as read, or why the file was refused.
void run_report_header(RunReport* r, HeaderStatus status, const WavHeader& h, InputStream* in);

/// The summary, then the file is closed and renamed. False, with "Error
/// writing PATH." on standard error, when it could not be written.
bool run_report_finish(RunReport* r, unsigned images_written, int exit_code);
