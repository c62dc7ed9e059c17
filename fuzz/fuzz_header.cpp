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
InputStream g_stream;  // 256 KiB: too large for every run to put on the stack

/// Offset of the first "data" tag, or -1.
long first_data_tag(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 4 <= size; ++i)
        if (std::memcmp(data + i, "data", 4) == 0) return static_cast<long>(i);
    return -1;
}

/// What the reader must decide for these bytes.
HeaderStatus expected_status(const uint8_t* data, size_t size) {
    uint8_t h[kWavHeaderBytes] = {};
    std::memcpy(h, data, size < sizeof h ? size : sizeof h);
    if (std::memcmp(h, "RIFF", 4) != 0) return HeaderStatus::kNotWav;
    const uint16_t bits = read_le16(h + 34);
    if (read_le32(h + 24) == 0 || (bits != 8 && bits != 16)) return HeaderStatus::kNotWav;
    return first_data_tag(data, size) < 0 ? HeaderStatus::kNoWaveData : HeaderStatus::kOk;
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
    FUZZ_CHECK(status == expected_status(data, size));
    if (status == HeaderStatus::kOk) {
        // The samples start behind the tag and its size field, or at the end
        // of a file too short to hold the whole field.
        const auto tag = static_cast<uint64_t>(first_data_tag(data, size));
        const uint64_t start = tag + 8 < size ? tag + 8 : size;
        FUZZ_CHECK(header.data_start == start);
        FUZZ_CHECK(input_position(&g_stream) == start);
    }
    std::fclose(f);
    return 0;
}
