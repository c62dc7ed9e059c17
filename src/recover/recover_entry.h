#pragma once

// Where the run meets the recovering decoder: from the header to its input,
// and the final count line as the default mode prints it.

#include "image/image_writer.h"
#include "recover/recover_tape.h"
#include "wav/input_stream.h"
#include "wav/wav_header.h"

/// Runs the recovering decoder on a stream standing at the first sample and
/// prints the final count; `channel` is 1-based, 0 finds the tape's channel.
/// Its state (about 4.5 MB) is taken once, here.
RecoverSummary recover_recording(InputStream* in, const WavHeader& header, int channel,
                                 const ProtectedFiles& protected_files);
