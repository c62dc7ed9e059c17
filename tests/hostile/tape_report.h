#pragma once

// What vorlane must print for a tape played by tape_payload() with the default
// TapeSignalOptions (44100 Hz, 4410 samples of silence, periods of 72 samples
// for a 0 bit and 2 x 36 for a 1 bit, a closing edge after the last period).
//
// Every bit lasts 72 samples, so every tape byte lasts 576. The rising edge at
// the start of a period decides the bit of the period before it: the last bit
// of tape byte k is decided at frame 4410 + 576 * (k + 1), counted from the
// first frame of the payload. The reported offset is the byte offset after
// that frame, the time the frames up to and including it over the rate.

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tape_signal.h"

namespace hostile {

constexpr uint32_t kRate = 44100;
constexpr uint64_t kLeadSilence = 4410;
constexpr uint64_t kByteFrames = 576;
/// The closing period after the last tape byte (two pulse widths).
constexpr uint64_t kClosingFrames = 12;
/// Offset of the sync byte in an HTP image played as a tape.
constexpr uint64_t kSyncIndex = 256;

/// Where a payload sits in the file.
struct Placement {
    uint64_t data_start = 44;    ///< byte offset of the first sample
    unsigned frame_bytes = 1;    ///< channels x sample width
    uint64_t frames_before = 0;  ///< frames of earlier payloads in the same file
};

/// Frames of a whole default payload playing `tape_bytes` bytes.
inline uint64_t payload_frames(uint64_t tape_bytes) {
    return kLeadSilence + kByteFrames * tape_bytes + kClosingFrames + kLeadSilence;
}

/// Frames up to and including the edge that completes tape byte k.
inline uint64_t frames_to_byte_end(const Placement& p, uint64_t k) {
    return p.frames_before + kLeadSilence + kByteFrames * (k + 1) + 1;
}

/// "mm.ss.mmm" for a count of frames, by integer arithmetic.
inline std::string time_text(uint64_t frames) {
    const uint64_t ms = frames * 1000 / kRate;
    char text[32];
    std::snprintf(text, sizeof text, "%02" PRIu64 ".%02" PRIu64 ".%03" PRIu64, ms / 60000,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

/// The sync line and the leader's average: a leader of 256 zero bytes fills
/// the whole pulse history with 72-sample pulses, (72e6 + 22050) / 44100 usec.
inline std::string sync_lines(const Placement& p) {
    const uint64_t frames = frames_to_byte_end(p, kSyncIndex);
    const uint64_t offset = p.data_start + frames * p.frame_bytes;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Sync found at offset: %" PRIu64 " (0x%08" PRIX64 ") time: %.6f sec.\n"
                  "  Average sync pulse distance: 1633 usec.\n",
                  offset, offset, static_cast<double>(frames) / kRate);
    return text;
}

/// The name lines of a block whose name (without its zero) is `name`.
inline std::string name_lines(const Placement& p, const std::string& name) {
    const uint64_t zero_byte = kSyncIndex + name.size() + 1;
    return "  File found:  " + name + "\n  Start time: " +
           time_text(frames_to_byte_end(p, zero_byte)) + "\n";
}

/// The start time part of the image's file name.
inline std::string start_time(const Placement& p, const std::string& name) {
    return time_text(frames_to_byte_end(p, kSyncIndex + name.size() + 1));
}

/// Address and length lines.
inline std::string header_lines(uint16_t address, uint16_t length) {
    char text[120];
    std::snprintf(text, sizeof text,
                  "  Start: %04Xh - length: %04Xh\n  Data block length: %u (0x%04X) bytes\n",
                  address, length, length, length);
    return text;
}

/// Everything a complete block with a good checksum prints, up to its CRC line.
inline std::string good_block_lines(const Placement& p, const std::string& name,
                                    uint16_t address, const std::string& data) {
    const uint64_t checksum_byte = kSyncIndex + name.size() + 1 + 4 + data.size() + 1;
    char crc[48];
    std::snprintf(crc, sizeof crc, "  Stop time: %s\n  CRC OK (%02Xh)\n",
                  time_text(frames_to_byte_end(p, checksum_byte)).c_str(), data_checksum(data));
    return sync_lines(p) + name_lines(p, name) +
           header_lines(address, static_cast<uint16_t>(data.size())) + crc;
}

/// The summary line on standard output.
inline std::string summary(unsigned files) {
    return std::string(files > 0 ? "Finished writing output file(s). " : "") +
           std::to_string(files) + " file(s) created.\n";
}

}  // namespace hostile
