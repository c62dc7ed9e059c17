#pragma once

#include <cstddef>
#include <cstdint>

#include "wav_header.h"

/// Widest sample of one channel: a 64-bit float.
constexpr size_t kMaxSampleBytes = 8;

/// Classic G.711 compression of a 16-bit value (its top 13 bits for A-law, 14 for mu-law).
uint8_t g711_alaw(int value);
uint8_t g711_mulaw(int value);

/// Stores one sample (a fraction of full scale, clamped) of one channel in the
/// layout's format at out. 8-bit PCM is quantised on its own scale; every other
/// format is made from the 16-bit value s: 24 and 32 bits hold s in their top 16
/// bits, float holds s / 32768, A-law and mu-law compress s.
void sample_encode(uint8_t* out, const WavLayout& layout, double value);
