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

// What vorlane prints for a tape played by tape_payload() with the default
// options. Every bit lasts 72 samples, every tape byte 576; the rising edge
// that starts a period decides the bit before it, so the last bit of tape
// byte k is decided at frame 4410 + 576 * (k + 1) of the payload. A console
// line reports the byte offset after that frame and the time up to it.

/// Where a default payload sits in the file.
struct Placement {
    uint64_t data_start = 44;    ///< byte offset of the first sample
    unsigned frame_bytes = 1;    ///< channels x sample width
    uint64_t frames_before = 0;  ///< frames of earlier payloads in the same file
};

/// The sync line and the leader's average (a 256-byte leader: 1633 usec).
std::string sync_lines(const Placement& p);
/// The "File found" and "Start time" lines of a block named `name`.
std::string name_lines(const Placement& p, const std::string& name);
/// The start time in a block's image file name.
std::string start_time(const Placement& p, const std::string& name);
/// The address and length lines.
std::string header_lines(uint16_t address, uint16_t length);
/// Everything a block with a good checksum prints, up to its CRC line.
std::string good_block_lines(const Placement& p, const std::string& name, uint16_t address,
                             const std::string& data);
