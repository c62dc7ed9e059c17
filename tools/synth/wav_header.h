#pragma once

#include <cstddef>
#include <cstdint>

#include "synth_settings.h"

/// Largest header: RF64 with ds64, JUNK, an extensible format chunk and the
/// longest LIST/INFO title with its pad byte.
constexpr size_t kMaxWavHeaderBytes = 256 + kMaxListTextChars;

/// The layout of a recording's header, decided once from the settings.
struct WavLayout {
    uint32_t sample_rate = 0;  ///< Hz
    int bits_per_sample = 8;   ///< bits of one sample of one channel
    int channels = 1;
    SampleEncoding encoding = SampleEncoding::kPcm;
    bool extensible = false;
    bool rf64 = false;
    bool junk_chunk = false;
    const char* list_text = nullptr;  ///< null: no LIST chunk
};

WavLayout wav_layout_of(const SynthSettings& settings);

/// Bytes of one frame: one sample on every channel.
size_t wav_frame_bytes(const WavLayout& layout);

/// Bytes before the samples; they depend on the layout only.
size_t wav_header_bytes(const WavLayout& layout);

/// Largest payload the header's size fields can describe.
uint64_t wav_max_data_bytes(const WavLayout& layout);

/// Writes the header for a payload of data_bytes (even) into out, which holds
/// wav_header_bytes(layout) bytes.
void wav_header_build(uint8_t* out, const WavLayout& layout, uint64_t data_bytes);
