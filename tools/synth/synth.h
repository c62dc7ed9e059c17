#pragma once

// The vorlane-synth module: plays HTP tape images into PCM WAV recordings.
// The command line and the tests call the same functions.

#include <cstddef>

#include "htp_reader.h"
#include "synth_message.h"
#include "synth_settings.h"

/// Most images one recording may hold.
constexpr size_t kMaxSynthImages = 256;

/// Checks the settings and every image, then plays the images one after another
/// into a WAV file at out_path (written to a temporary file and renamed when
/// complete). Returns kSynthOk, or the exit code of the first failure (2 settings,
/// 5 image, 1 output) with a one-line message; no output file is left behind then.
int synth_write_wav(const SynthSettings& settings, const SynthImage* images, size_t image_count,
                    const char* out_path, char* message, size_t message_bytes);
