// The whole conversion on arbitrary bytes: the first bytes choose a set of
// real options, the rest is the input file. Each run happens in a scratch
// directory so that images and the raw output are really written; every file
// left behind is checked and removed before the next run.
//
// Option bytes: a flag byte (bit 0 -f, 1 -m, 2 -r, 3 -v, 4 -g, 5 -s, 6 -t,
// 7 -o), then one argument byte for each of -g, -s, -t and -o that is on.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "cli/run_sequence.h"
#include "fuzz_common.h"

namespace {

constexpr char kInputName[] = "in.wav";
constexpr char kRawName[] = "raw.bin";
constexpr size_t kImageLeaderBytes = 256;

/// The scratch area: `g_base` holds only the working directory `g_work`, so
/// anything written outside the working directory shows up in `g_base`.
char g_base[256];
char g_work[300];

/// Rates worth forcing with -s: the edges of edge mode's windows and more.
constexpr const char* kForcedRates[] = {"1",      "658",    "7999",   "8000",
                                        "22050",  "44100",  "48000",  "96000",
                                        "658552", "658553", "808000", "2147483647"};

/// Removes every file in the working directory; a directory there is a defect.
void clear_work_dir() {
    DIR* d = opendir(".");
    FUZZ_CHECK(d != nullptr);
    while (const dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        FUZZ_CHECK(unlink(e->d_name) == 0);
    }
    closedir(d);
}

/// Nothing but the working directory may appear beside it.
void check_base_dir() {
    DIR* d = opendir(g_base);
    FUZZ_CHECK(d != nullptr);
    while (const dirent* e = readdir(d)) {
        const bool expected = std::strcmp(e->d_name, ".") == 0 ||
                              std::strcmp(e->d_name, "..") == 0 ||
                              std::strcmp(e->d_name, "work") == 0;
        FUZZ_CHECK(expected);
    }
    closedir(d);
}

/// Reads a whole small file into `buffer`; returns its size.
size_t read_whole(const char* name, uint8_t* buffer, size_t capacity) {
    const int fd = open(name, O_RDONLY);
    FUZZ_CHECK(fd >= 0);
    size_t size = 0;
    for (;;) {
        const ssize_t n = read(fd, buffer + size, capacity - size);
        FUZZ_CHECK(n >= 0);
        if (n == 0) break;
        size += static_cast<size_t>(n);
        FUZZ_CHECK(size < capacity);
    }
    close(fd);
    return size;
}

/// An image must be complete: leader, sync, a name of 1..64 bytes with its
/// zero, address and length, the data, its checksum and the end marker.
void check_image(const char* name) {
    static uint8_t image[kImageLeaderBytes + 1 + 64 + 4 + 65536 + 2 + 16];
    const size_t size = read_whole(name, image, sizeof image);
    FUZZ_CHECK(size >= kImageLeaderBytes + 1 + 1 + 4 + 2);
    for (size_t i = 0; i < kImageLeaderBytes; ++i) FUZZ_CHECK(image[i] == 0);
    FUZZ_CHECK(image[kImageLeaderBytes] == 0xA5);
    size_t at = kImageLeaderBytes + 1;
    while (at < size && image[at] != 0) ++at;
    const size_t name_bytes = at + 1 - (kImageLeaderBytes + 1);
    FUZZ_CHECK(name_bytes >= 1 && name_bytes <= 64);
    at += 1;
    FUZZ_CHECK(at + 4 <= size);
    const size_t length = image[at + 2] | (image[at + 3] << 8);
    at += 4;
    FUZZ_CHECK(size == at + length + 2);
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i) sum += image[at + i];
    FUZZ_CHECK(image[at + length] == static_cast<uint8_t>(sum));
    FUZZ_CHECK(image[at + length + 1] == 0);
    // The file name starts with the "mm.ss.mmm_" time stamp and ends in ".htp".
    const size_t name_length = std::strlen(name);
    FUZZ_CHECK(name_length > 4 && std::strcmp(name + name_length - 4, ".htp") == 0);
}

/// Checks every file the run left behind.
void check_outputs(const uint8_t* input, size_t input_size) {
    DIR* d = opendir(".");
    FUZZ_CHECK(d != nullptr);
    while (const dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        struct stat st;
        FUZZ_CHECK(lstat(e->d_name, &st) == 0);
        FUZZ_CHECK(S_ISREG(st.st_mode));
        if (std::strcmp(e->d_name, kRawName) == 0) continue;
        if (std::strcmp(e->d_name, kInputName) == 0) {
            // The recording itself is never touched, even when -o names it.
            static uint8_t copy[1 << 17];
            FUZZ_CHECK(read_whole(kInputName, copy, sizeof copy) == input_size);
            FUZZ_CHECK(input_size == 0 || std::memcmp(copy, input, input_size) == 0);
            continue;
        }
        check_image(e->d_name);
    }
    closedir(d);
}

/// Turns the option bytes into an argument vector; returns the bytes used.
size_t build_arguments(const uint8_t* data, size_t size, char** argv, int* argc, bool* edge_mode) {
    static char gain[16];
    static char threshold[16];
    static char program[] = "vorlane";
    static char opt_f[] = "-f", opt_m[] = "-m", opt_r[] = "-r", opt_v[] = "-v";
    static char opt_g[] = "-g", opt_s[] = "-s", opt_t[] = "-t", opt_o[] = "-o", opt_i[] = "-i";
    static char input[] = "in.wav", raw[] = "raw.bin", rate[16];
    size_t used = 0;
    auto next = [&]() -> uint8_t { return used < size ? data[used++] : 0; };
    const uint8_t flags = next();
    int n = 0;
    argv[n++] = program;
    if (flags & 0x01) argv[n++] = opt_f;
    if (flags & 0x02) argv[n++] = opt_m;
    if (flags & 0x04) argv[n++] = opt_r;
    if (flags & 0x08) argv[n++] = opt_v;
    if (flags & 0x10) {
        std::snprintf(gain, sizeof gain, "%d", next() % 53);
        argv[n++] = opt_g;
        argv[n++] = gain;
    }
    if (flags & 0x20) {
        const uint8_t pick = next();
        std::snprintf(rate, sizeof rate, "%s", kForcedRates[pick % std::size(kForcedRates)]);
        argv[n++] = opt_s;
        argv[n++] = rate;
    }
    if (flags & 0x40) {
        std::snprintf(threshold, sizeof threshold, "%d", static_cast<int>(next()) - 2);
        argv[n++] = opt_t;
        argv[n++] = threshold;
    }
    uint8_t raw_choice = 0;
    if (flags & 0x80) raw_choice = static_cast<uint8_t>(next() | 0x80);
    // -o may name the input itself, before or after -i.
    char* raw_target = (raw_choice & 0x01) ? input : raw;
    if ((raw_choice & 0x80) && (raw_choice & 0x02)) {
        argv[n++] = opt_o;
        argv[n++] = raw_target;
    }
    argv[n++] = opt_i;
    argv[n++] = input;
    if ((raw_choice & 0x80) && !(raw_choice & 0x02)) {
        argv[n++] = opt_o;
        argv[n++] = raw_target;
    }
    argv[n] = nullptr;
    *argc = n;
    *edge_mode = (flags & 0x02) != 0;
    return used;
}

/// Removes the scratch area when the fuzzer ends normally.
void remove_scratch() {
    if (chdir(g_work) == 0) clear_work_dir();
    rmdir(g_work);
    rmdir(g_base);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_silence_stdout();
    const char* tmp = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::snprintf(g_base, sizeof g_base, "%s/vorlane-fuzz-XXXXXX", tmp);
    if (mkdtemp(g_base) == nullptr) std::abort();
    std::snprintf(g_work, sizeof g_work, "%s/work", g_base);
    if (mkdir(g_work, 0700) != 0 || chdir(g_work) != 0) std::abort();
    std::atexit(remove_scratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* argv[24];
    int argc = 0;
    bool edge_mode = false;
    const size_t used = build_arguments(data, size, argv, &argc, &edge_mode);
    const uint8_t* input = data + used;
    const size_t input_size = size - used;

    const int fd = open(kInputName, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(input_size == 0 || write(fd, input, input_size) == static_cast<ssize_t>(input_size));
    close(fd);

    const int code = run(argc, argv);
    std::fflush(stdout);
    // Writes cannot fail here, so the only outcomes are a conversion, a
    // refused file, a file without samples, or edge mode refused at its rate.
    FUZZ_CHECK(code == 0 || code == 5 || code == 6 || (code == 2 && edge_mode));
    check_outputs(input, input_size);
    check_base_dir();
    clear_work_dir();
    return 0;
}
