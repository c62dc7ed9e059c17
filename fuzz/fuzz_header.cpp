// The WAV header reader and the data locator on arbitrary bytes, read from a
// real file descriptor the way the converter reads its input.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz_common.h"
#include "wav/header_reader.h"
#include "wav/input_stream.h"

namespace {

int g_memfd = -1;
InputStream g_stream;  // 512 KiB: too large for every run to put on the stack

/// Offset of the first "data" tag, or -1.
long first_data_tag(const uint8_t* data, size_t size) {
    const void* tag = memmem(data, size, "data", 4);
    return tag == nullptr ? -1 : static_cast<const uint8_t*>(tag) - data;
}

uint32_t le32_at(const uint8_t* data, size_t size, uint64_t at) {
    uint8_t b[4] = {};
    for (unsigned i = 0; i < 4; ++i)
        if (at + i < size) b[i] = data[at + i];
    return read_le32(b);
}

/// What the reader must decide, by a plain walk over the whole buffer.
struct Expected {
    HeaderStatus status = HeaderStatus::kNotWav;
    uint64_t start = 0;       ///< where the samples start
    bool extensible = false;  ///< the status depends on the sub-format: the reader decides
};

Expected expected_outcome(const uint8_t* data, size_t size) {
    Expected e;
    uint8_t head[60] = {};
    std::memcpy(head, data, size < sizeof head ? size : sizeof head);
    const bool rf64 = std::memcmp(head, "RF64", 4) == 0;
    if (std::memcmp(head, "RIFF", 4) != 0 && !rf64) return e;
    const uint8_t* fmt = head + 20;
    uint8_t body[40] = {};
    long data_tag = -1;
    uint64_t ds64 = 0;
    bool have_fmt = false, have_ds64 = false;
    for (uint64_t at = 12; size >= 8 && at <= size - 8 && !(have_fmt && data_tag >= 0);) {
        uint64_t chunk = le32_at(data, size, at + 4);
        if (std::memcmp(data + at, "fmt ", 4) == 0 && !have_fmt) {
            have_fmt = true;
            for (uint64_t i = 0; i < 40 && i < chunk && at + 8 + i < size; ++i)
                body[i] = data[at + 8 + i];
            fmt = body;
        } else if (std::memcmp(data + at, "data", 4) == 0 && data_tag < 0) {
            data_tag = static_cast<long>(at);
            if (rf64 && have_ds64) chunk = ds64;
        } else if (rf64 && std::memcmp(data + at, "ds64", 4) == 0 && data_tag < 0) {
            have_ds64 = chunk >= 16 && at + 24 <= size;
            if (have_ds64)
                ds64 = le32_at(data, size, at + 16) |
                       (static_cast<uint64_t>(le32_at(data, size, at + 20)) << 32);
        }
        if (chunk > size - (at + 8)) break;
        at += 8 + chunk + (chunk & 1);
    }
    const uint16_t tag = read_le16(fmt), bits = read_le16(fmt + 14);
    if (read_le32(fmt + 4) == 0) return e;
    const bool plain =
        (tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
        (tag == 3 && (bits == 32 || bits == 64)) || ((tag == 6 || tag == 7) && bits == 8) ||
        (tag > 7 && tag != 0xFFFE && (bits == 8 || bits == 16)) ||
        ((tag == 0 || tag == 2 || tag == 4 || tag == 5) && (bits == 8 || bits == 16));
    e.extensible = tag == 0xFFFE;
    if (!plain && !e.extensible) return e;
    if (data_tag < 0) data_tag = first_data_tag(data, size);
    e.status = data_tag < 0 ? HeaderStatus::kNoWaveData : HeaderStatus::kOk;
    if (data_tag < 0) return e;
    e.start =
        static_cast<uint64_t>(data_tag) + 8 < size ? static_cast<uint64_t>(data_tag) + 8 : size;
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_silence_stdout();
    g_memfd = memfd_create("vorlane-fuzz-header", 0);
    if (g_memfd < 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(g_memfd, 0) != 0) std::abort();
    if (size > 0 && pwrite(g_memfd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    if (lseek(g_memfd, 0, SEEK_SET) != 0) std::abort();
    FILE* f = fdopen(dup(g_memfd), "rb");
    if (f == nullptr) std::abort();

    WavHeader header;
    input_open(&g_stream, f);
    const HeaderStatus status = read_header(&g_stream, 0, &header);
    const Expected e = expected_outcome(data, size);
    if (!e.extensible) FUZZ_CHECK(status == e.status);
    if (status == HeaderStatus::kOk) {
        if (!e.extensible) FUZZ_CHECK(header.data_start == e.start);
        FUZZ_CHECK(input_position(&g_stream) == header.data_start);
        const FrameFormat& f = header.frame;
        FUZZ_CHECK(f.sample_bytes >= 1 && f.sample_bytes <= 8);
        FUZZ_CHECK(f.frame_bytes % f.sample_bytes == 0 && f.frame_bytes <= kInputChunkBytes);
    }
    std::fclose(f);
    return 0;
}
