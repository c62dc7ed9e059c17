#pragma once

#include <cstdint>

/// The byte that ends a block's leader and starts its name.
constexpr uint8_t kSyncByte = 0xA5;
/// Zero bytes before the sync byte in an image.
constexpr unsigned kImageLeaderBytes = 256;
/// The byte after a block's checksum: the last block of a program, or
/// another block of the same program follows after a shorter leader.
constexpr uint8_t kEndMarker = 0x00;
constexpr uint8_t kChainMarker = 0xD8;
/// Zero bytes before each later block of a chained program in an image.
constexpr unsigned kChainLeaderBytes = 128;

/// The periods of a healthy tape: a 1 bit is two short ones, a 0 bit one long.
constexpr double kNominalShortUs = 816.0;
constexpr double kNominalLongUs = 1633.0;

/// Longest name accepted, terminating zero included.
constexpr unsigned kMaxNameBytes = 64;
/// Room for received name bytes; longer names are counted but not stored.
constexpr unsigned kNameBufferBytes = 256;
/// Start address and length, two little-endian 16-bit fields.
constexpr unsigned kBlockHeaderBytes = 4;
/// The largest data length plus the received checksum byte.
constexpr unsigned kDataBufferBytes = 65536;
/// Room for a timestamp text such as 62.05.250, with any number of minutes.
constexpr unsigned kTimeTextBytes = 32;

/// One tape file as received.
struct TapeBlock {
    uint8_t name[kNameBufferBytes] = {};     ///< name bytes up to and including the zero
    unsigned name_length = 0;                ///< including the terminating zero, 1..64
    uint8_t header[kBlockHeaderBytes] = {};  ///< start address, length (little-endian)
    uint8_t data[kDataBufferBytes] = {};     ///< the data bytes, then the received checksum
    char start_time[kTimeTextBytes] = {};    ///< "mm.ss.mmm" at the end of the name
    char stop_time[kTimeTextBytes] = {};     ///< "mm.ss.mmm" at the checksum byte
    uint8_t marker = kEndMarker;             ///< the byte after the checksum, when it is read
};

inline uint16_t block_start_address(const TapeBlock& b) {
    return static_cast<uint16_t>(b.header[0] | (b.header[1] << 8));
}
inline uint16_t block_data_length(const TapeBlock& b) {
    return static_cast<uint16_t>(b.header[2] | (b.header[3] << 8));
}
