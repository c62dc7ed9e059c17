#include "tape/block_report.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

void format_timestamp(double s, char* text, size_t text_bytes) {
    const double minutes = std::floor(s / 60);
    const double secs = std::floor(std::fmod(s, 60));
    const auto millis = static_cast<unsigned>(std::floor(std::fmod(s, 1) * 1000));
    std::snprintf(text, text_bytes, "%02.0f.%02.0f.%03u", minutes, secs, millis);
}

void report_sync(uint64_t offset, double time, unsigned leader_average_us) {
    std::fprintf(stderr, "Sync found at offset: %" PRIu64 " (0x%08" PRIX64 ") time: %f sec.\n",
                 offset, offset, time);
    std::fprintf(stderr, "  Average sync pulse distance: %u usec.\n", leader_average_us);
}

void report_name_too_long(uint32_t bytes) {
    std::fprintf(stderr, "  Abort. Filename too long: %u > %u.\n", bytes, kMaxNameBytes);
}

void report_name(const TapeBlock& b) {
    std::fprintf(stderr, "  File found:  %s\n", reinterpret_cast<const char*>(b.name));
    std::fprintf(stderr, "  Start time: %s\n", b.start_time);
}

void report_block_header(const TapeBlock& b) {
    const uint16_t length = block_data_length(b);
    std::fprintf(stderr, "  Start: %04Xh - length: %04Xh\n", block_start_address(b), length);
    std::fprintf(stderr, "  Data block length: %u (0x%04X) bytes\n", length, length);
}

void report_checksum(const TapeBlock& b, uint8_t computed, bool match) {
    std::fprintf(stderr, "  Stop time: %s\n", b.stop_time);
    if (match) {
        std::fprintf(stderr, "  CRC OK (%02Xh)\n", computed);
    } else {
        std::fprintf(stderr, "  CRC error: %02Xh\n", computed);
    }
}
