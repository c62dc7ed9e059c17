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
    if (status == HeaderStatus::kOk) {
        // The samples start right after a "data" tag and its size, or at the end.
        const uint64_t start = header.data_start;
        FUZZ_CHECK(start >= 8 && start <= size && input_position(&g_stream) == start);
        FUZZ_CHECK(start == size || std::memcmp(data + start - 8, "data", 4) == 0);
        const FrameFormat& f = header.frame;
        FUZZ_CHECK(f.sample_bytes >= 1 && f.sample_bytes <= 8);
        FUZZ_CHECK(f.frame_bytes % f.sample_bytes == 0 && f.frame_bytes <= kInputChunkBytes);
        FUZZ_CHECK(std::memcmp(data, "RIFF", 4) == 0 || std::memcmp(data, "RF64", 4) == 0);
    }
    std::fclose(f);
    return 0;
}
