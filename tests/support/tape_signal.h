#pragma once

// Recordings and images built by the tests themselves, independently of
// vorlane-synth, and the console lines vorlane prints for them.

#include <cstdint>
#include <string>
#include <vector>

struct SynthSettings;

/// The fields of a canonical 44-byte PCM WAV header that fixtures vary.
struct WavFixture {
    uint16_t channels = 1;
    uint32_t sample_rate = 44100;
    uint16_t bits_per_sample = 8;
    int64_t data_size = -1;  ///< the data chunk's size field; -1: the payload's size
};

/// "RIFF", "WAVE", a 16-byte "fmt " chunk, "data" at byte 36, then `payload`.
std::string make_wav(const WavFixture& fixture, const std::string& payload);
std::string le16(uint16_t v);
std::string le32(uint32_t v);

/// One HTP block: `leader` zeros (256 opens an image, 128 each later block of
/// a chain), 0xA5, the name and its zero, address and length (little-endian),
/// the data, its checksum and `marker` (0xD8 when another block follows).
std::string htp_image(const std::string& name, uint16_t address, const std::string& data,
                      size_t leader = 256, char marker = '\0');

/// A test's own way of playing tape bytes: every period starts with a rising
/// edge, a 0 bit is one long period and a 1 bit two short ones, most
/// significant bit first.
struct TapeSignalOptions {
    uint32_t rate = 44100;
    int bits = 8;
    int channels = 1;
    int signal_channel = 0;  ///< the one channel playing the tape, from 1; 0: every channel
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
/// One period of `samples` samples starting with a rising edge.
std::string tape_period(unsigned samples, const TapeSignalOptions& options);

// What vorlane prints for a tape played with the default options: a tape byte
// lasts 576 samples, and byte k is complete one sample into frame
// 4410 + 576 (k + 1), at the rising edge that decides its last bit.

/// Where a default payload sits in the file.
struct Placement {
    uint64_t data_start = 44;    ///< byte offset of the first sample
    unsigned frame_bytes = 1;    ///< channels x sample width
    uint64_t frames_before = 0;  ///< frames of earlier payloads in the same file
    /// Frames the sync line comes later: --recover times the sync byte from
    /// its own edge finder, 2 frames after the comparator's on this signal.
    unsigned sync_delay = 0;
};

/// Frames up to the rising edge that completes the block's name.
uint64_t name_end_frames(const Placement& p, const std::string& name);
/// The start time that opens the image file's name.
std::string start_time(const Placement& p, const std::string& name);
/// Everything a block with a good checksum prints, from the sync line to the CRC line.
std::string good_block_lines(const Placement& p, const std::string& name, uint16_t address,
                             const std::string& data);

/// Images of pseudo-random data with names B0, B1, ...
std::vector<std::string> test_images(int count, int length, unsigned seed);

/// Plays `images` with vorlane-synth's module into the file `path`; returns
/// the module's message when it refuses, else "".
std::string synthesize(const std::string& path, const SynthSettings& settings,
                       const std::vector<std::string>& images);
