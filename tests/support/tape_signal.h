#pragma once

#include <cstdint>
#include <string>

/// HTP image of one block: 256 leader zeros, 0xA5, the name and its zero,
/// address and length (little-endian), the data, the checksum, 0x00.
std::string htp_image(const std::string& name, uint16_t address, const std::string& data);

/// Sum of the bytes modulo 256.
uint8_t data_checksum(const std::string& data);

/// A test's own way of playing tape bytes, independent of vorlane-synth:
/// every period starts with a rising edge, a 0 bit is one long period and a
/// 1 bit two short ones, most significant bit first.
struct TapeSignalOptions {
    uint32_t rate = 44100;
    int bits = 8;
    int channels = 1;
    unsigned short_samples = 36;
    unsigned long_samples = 72;
    bool square = false;            ///< square wave at +-amplitude instead of narrow pulses
    unsigned pulse_samples = 6;     ///< width of a narrow pulse
    int amplitude = 100;            ///< in signed 8-bit units
    bool inverted = false;          ///< the whole signal upside down
    unsigned lead_silence = 4410;   ///< samples of silence before the tape
    unsigned trail_silence = 4410;  ///< samples of silence after it
    bool closing_edge = true;       ///< one more rising edge after the last period
};

/// The sample data (no header) playing `tape`.
std::string tape_payload(const std::string& tape, const TapeSignalOptions& options);

/// A complete WAV file playing `tape`.
std::string tape_wav(const std::string& tape, const TapeSignalOptions& options);

/// One period of `samples` samples starting with a rising edge, as tape_payload plays it.
std::string tape_period(unsigned samples, const TapeSignalOptions& options);
